#include "plotfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "contract/naming.h"

std::string result_name(const std::string &input, const char *ext, const std::string &results_dir) {
  std::string name = derive_result_base(input.c_str(), results_dir);
  swap_ext(name, ext);
  return name;
}

namespace {

// Reads one result file when it exists, parsing it with `parse`; `vars` is
// the number of variables of the files read so far, and becomes this one's.
template <class T, class Parse>
std::optional<T> load(const std::string &name, Parse parse, std::size_t &vars,
                      std::size_t (*count)(const T &)) {
  std::string text;
  if (!read_result_file(name, text)) return std::nullopt;
  T value = parse(name, text, vars);
  vars = count(value);
  return value;
}

}  // namespace

PageData load_results(const std::string &input, const std::string &results_dir, const TableReading &how) {
  // mavek refuses such names before it writes anything; whatever files carry
  // the derived names belong to some other input.
  if (has_result_extension(input.c_str()))
    throw PlotError(input + ": mavek refuses inputs whose extension is one of " + kRefusedExtensions +
                    " and " + kRefusedLastExtension + ", so there are no results");
  const std::string replaced =
      result_replacing_input(derive_result_base(input.c_str(), results_dir), input.c_str());
  if (!replaced.empty())
    throw PlotError(input + ": mavek refuses it, since its result file " + replaced +
                    " is the input itself, so there are no results");
  PageData d;
  d.input = input;
  d.mvd_name = result_name(input, ".mvd", results_dir);
  d.his_name = result_name(input, ".his", results_dir);
  d.cor_name = result_name(input, ".cor", results_dir);
  d.eig_name = result_name(input, ".eig", results_dir);
  try {
    std::size_t vars = 0;
    d.mvd = load<Mvd>(d.mvd_name, parse_mvd, vars, [](const Mvd &v) { return v.rows.size(); });
    d.cor = load<Cor>(d.cor_name, parse_cor, vars, [](const Cor &v) { return v.lower.size(); });
    d.his = load<His>(d.his_name, parse_his, vars, [](const His &v) { return v.fractions.size(); });
    d.eig = load<Eig>(d.eig_name, parse_eig, vars, [](const Eig &v) { return v.percent.size(); });
  } catch (const ResultError &e) {
    throw PlotError(e.what());
  }
  const bool from_stdin = is_standard_input(input.c_str());
  struct stat st;
  const bool have_input = !from_stdin && stat(input.c_str(), &st) == 0;
  if (!have_input && !d.mvd && !d.his && !d.cor && !d.eig)
    throw PlotError(input + (from_stdin ? ": standard input" : ": no such file") +
                    ", and none of its result files (" + d.mvd_name + ", " + d.his_name + ", " + d.cor_name +
                    ", " + d.eig_name + ") exists");
  if (!from_stdin) d.names = read_column_names(input, how);
  return d;
}

void check_not_input(const std::string &path, const std::string &input) {
  if (is_standard_input(input.c_str())) return;  // no file of its own
  struct stat in_st, out_st;
  if (stat(input.c_str(), &in_st) == 0 && stat(path.c_str(), &out_st) == 0 && in_st.st_dev == out_st.st_dev &&
      in_st.st_ino == out_st.st_ino)
    throw PlotError(path + ": is the input file itself, and is not replaced");
}

void write_page(const std::string &path, const std::string &page) {
  std::string tmp;
  int fd = -1;
  for (int k = 0; k < 100 && fd < 0; ++k) {
    tmp = path + ".tmp" + std::to_string(getpid());
    if (k > 0) {
      tmp += '-';
      tmp += std::to_string(k);
    }
    fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw PlotError(path + ": cannot be written: " + std::strerror(errno));
  const char *p = page.data();
  std::size_t left = page.size();
  int err = 0;
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(tmp.c_str());
    throw PlotError(path + ": cannot be written: " + std::strerror(err));
  }
}

int plot_file(const std::string &input, bool quiet, const std::string &results_dir, const TableReading &how) {
  try {
    const PageData data = load_results(input, results_dir, how);
    const std::string page = render_page(data);
    const std::string path = result_name(input, ".html", results_dir);
    check_not_input(path, input);
    if (!quiet) {
      std::printf("Writing file: %s\n", path.c_str());
      std::fflush(stdout);
    }
    write_page(path, page);
    return 0;
  } catch (const PlotError &e) {
    std::fflush(stdout);
    std::fprintf(stderr, "mavek-plot: %s\n", e.what());
    return 1;
  }
}
