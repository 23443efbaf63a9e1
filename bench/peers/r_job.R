# The job of `mavek -c -v -e FILE` in R, for bench/compare.sh.
#
# Usage: Rscript r_job.R FILE
#
# Reads the table with scan() (comment lines start with '#') and writes the
# same six files as numpy_job.py, beside the input and in mavek's layouts:
# .mvd, .cor, .cov, .inp, .eig and .sco (three scores). cov(), cov2cor(),
# median() and eigen(symmetric = TRUE) (LAPACK's dsyevr) do the work;
# skewness and curtosis follow mavek's definitions. The BLAS threads are set
# by OPENBLAS_NUM_THREADS.

args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 1) stop("usage: Rscript r_job.R FILE")
path <- args[1]
base <- sub("\\.[^./]*$", "", path)

con <- file(path, "r")
repeat {
  first <- readLines(con, n = 1)
  if (length(first) == 0 || !grepl("^#", first)) break
}
close(con)
m <- length(strsplit(trimws(first), "[[:space:]]+")[[1]])
x <- matrix(scan(path, comment.char = "#", quiet = TRUE), ncol = m, byrow = TRUE)
n <- nrow(x)

mean <- colMeans(x)
d <- sweep(x, 2, mean)
var <- colSums(d * d) / (n - 1)
var[var <= 0] <- 1e-4
sd <- sqrt(var)
skew <- colSums(d^3) / (n * var * sd)
curt <- colSums(d^4) / (var * (n * var)) - 3
rm(d)
cv <- cov(x)
cor <- cov2cor(cv)
diag(cor) <- 1
cv <- cv * ((n - 1) / n)

labels <- paste0(sprintf("x%d ", seq_len(m)), collapse = "")
lower <- function(a, fmt) vapply(seq_len(m), function(i) paste0(sprintf(fmt, a[1:i, i]), collapse = ""), "")
writeLines(c("! Variable  Mean     Variance  Std.Dev.  Min       Max       Skewness  Curtosis  Median",
             sprintf("%9d %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f %9.4f", seq_len(m), mean, var, sd,
                     apply(x, 2, min), apply(x, 2, max), skew, curt, apply(x, 2, median))),
           paste0(base, ".mvd"))
writeLines(lower(cor, " %- .6f"), paste0(base, ".cor"))
writeLines(c("/Covariance", sprintf("%d", n), labels, lower(cv, "%- .6f ")), paste0(base, ".cov"))
writeLines(c("/Covariance", sprintf("%d", n), labels, lower(cor, " %8.4f")), paste0(base, ".inp"))

e <- eigen(cor, symmetric = TRUE)
share <- e$values / sum(e$values)
load <- sweep(e$vectors, 2, sqrt(abs(e$values)), "*")
ref <- if (m > 1) -2.8 / (m - 1) * (seq_len(m) - 1) + (100 / m + 1.4) else 101.4
writeLines(c(paste0(sprintf(" %- 7.3f", share * 100), collapse = ""),
             paste0(sprintf("%- 7.3f", ref), collapse = " "),
             apply(load, 1, function(r) paste0(sprintf("%- 7.3f", r), collapse = " "))),
           paste0(base, ".eig"))

k <- min(3, m)
coef <- sweep(load[, 1:k, drop = FALSE], 2, share[1:k], "/") / 100
scores <- sweep(x, 2, sd, "/") %*% coef
writeLines(do.call(paste0, lapply(seq_len(k), function(j) sprintf("%9.5f ", scores[, j]))),
           paste0(base, ".sco"))
