#!/usr/bin/env bash
# mavek side by side with the tools a user would otherwise take for the same
# job, on five seeded tables: 1,000,000 x 10, 100,000 x 100, 10,000 x 500,
# 2,000 x 1,000 and 4,000 x 2,000 values printed like "%.6g"; then how the cost
# of the job grows with the number of variables m (tables of 2m rows by m, m =
# 250 to 4,000), for both engines and numpy. Prints Markdown tables at the end.
#
# Measured, each as a whole process, the median of several runs (wall time
# and peak resident memory), the runs of all commands taken in turn so that a
# busy spell of the machine falls on all of them alike:
#   - `mavek --quiet -c -v -e FILE` and the default run `mavek --quiet FILE`,
#     each on one thread and with MAVEK_THREADS=2;
#   - `mavek --quiet --blas -c -v -e FILE`, the OpenBLAS engine, on one thread
#     and with MAVEK_THREADS=2 (when libopenblas.so.0 is installed);
#   - bench/fromchars_pass FILE, a bare std::from_chars pass over the file:
#     the floor for anything that reads it;
#   - the peers in bench/peers/, each doing the job of `mavek -c -v -e`
#     (numpy once on one BLAS thread and once on all, pandas, R) or the part
#     of it that it can (GNU datamash and Miller: per-column statistics).
# Before timing, every peer runs on a small table and its numbers are checked
# against mavek's (bench/peers/check_job.py); a peer that differs is left out.
#
# The peers are optional; a missing one is skipped with a note. On Debian:
#   apt-get install python3-numpy python3-pandas libopenblas0-pthread \
#     r-base-core datamash miller
# (python3-threadpoolctl, when present, names the OpenBLAS kernel in use.)
#
# Usage: bench/compare.sh [options]
#   -b, --build DIR    a build configured with -DMAVEK_BENCH=ON (default: build-bench
#                      in the repository)
#   -d, --scratch DIR  where the tables are cached and the runs work (default:
#                      $MAVEK_COMPARE_DIR, else ${TMPDIR:-/tmp}/mavek-compare)
#   -r, --runs N       runs of each command (default: $MAVEK_COMPARE_RUNS, else 3)
#   -t, --tables LIST  comma-separated ROWSxCOLS shapes (default: the five above)
#   -g, --growth LIST  comma-separated m of the growth series (default:
#                      250,500,1000,2000,4000; "none" leaves the series out)
#   -G, --growth-runs N  runs of each command in the series (default: 1; the
#                      exact engine takes minutes at m = 4,000)
#   -p, --peers LIST   comma-separated subset of numpy,pandas,R,datamash,miller
#   -c, --check-only   check the peers on the small table and stop
#   -h, --help         this text
# PYTHON names the interpreter of the numpy and pandas peers (default:
# /usr/bin/python3, Debian's, whose numpy uses the system's OpenBLAS).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
peers_dir=$here/peers
build=$repo/build-bench
scratch=${MAVEK_COMPARE_DIR:-${TMPDIR:-/tmp}/mavek-compare}
runs=${MAVEK_COMPARE_RUNS:-3}
tables=1000000x10,100000x100,10000x500,2000x1000,4000x2000
growth=250,500,1000,2000,4000
growth_runs=1
peers=numpy,pandas,R,datamash,miller
check_only=0
py=${PYTHON:-/usr/bin/python3}
seed=42
gen_version=1 # part of the cached file names: raise it when compare_gen changes its output

usage() { sed -n '/^# Usage:/,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
die() {
  echo "compare.sh: $*" >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case $1 in
    -b | --build) build=${2:?}; shift 2 ;;
    -d | --scratch) scratch=${2:?}; shift 2 ;;
    -r | --runs) runs=${2:?}; shift 2 ;;
    -t | --tables) tables=${2:?}; shift 2 ;;
    -g | --growth) growth=${2:?}; shift 2 ;;
    -G | --growth-runs) growth_runs=${2:?}; shift 2 ;;
    -p | --peers) peers=${2:?}; shift 2 ;;
    -c | --check-only) check_only=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "--runs needs a positive number, not '$runs'"
[[ $growth_runs =~ ^[1-9][0-9]*$ ]] || die "--growth-runs needs a positive number, not '$growth_runs'"
[ "$growth" = none ] && growth=
for m in ${growth//,/ }; do
  [[ $m =~ ^[1-9][0-9]*$ ]] || die "a growth step is a number of variables, not '$m'"
done
for shape in ${tables//,/ }; do
  [[ $shape =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || die "a table is ROWSxCOLS, not '$shape'"
done
build=$(cd "$build" 2>/dev/null && pwd) || die "no build directory; make one with
  cmake -S . -B build-bench -DMAVEK_BENCH=ON -DBUILD_TESTING=OFF && cmake --build build-bench -j2"
for tool in mavek compare_gen fromchars_pass runstat; do
  [ -x "$build/$tool" ] || die "$build/$tool is missing: configure the build with -DMAVEK_BENCH=ON"
done
mkdir -p "$scratch/tables"
scratch=$(cd "$scratch" && pwd)
cores=$(nproc)

# ---- the peers: which are installed, and how each is run ----------------------
# A BLAS peer runs with OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE unset: they may be
# set on this machine for the sake of older OpenBLAS builds, and they hold a
# current one to a slower kernel.
blas_env=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE)
declare -A peer_cmd
notes=()
have_python_module() { [ -x "$py" ] && "$py" -c "import $1" >/dev/null 2>&1; }
for p in ${peers//,/ }; do
  case $p in
    numpy)
      if have_python_module numpy; then
        peer_cmd[numpy1]="${blas_env[*]} OPENBLAS_NUM_THREADS=1 $py $peers_dir/numpy_job.py"
        peer_cmd[numpyN]="${blas_env[*]} OPENBLAS_NUM_THREADS=$cores $py $peers_dir/numpy_job.py"
      else
        notes+=("numpy: not installed for $py (Debian: python3-numpy libopenblas0-pthread); skipped")
      fi
      ;;
    pandas)
      if have_python_module pandas; then
        peer_cmd[pandas]="${blas_env[*]} OPENBLAS_NUM_THREADS=1 $py $peers_dir/pandas_job.py"
      else
        notes+=("pandas: not installed for $py (Debian: python3-pandas); skipped")
      fi
      ;;
    R)
      if command -v Rscript >/dev/null; then
        peer_cmd[R]="${blas_env[*]} OPENBLAS_NUM_THREADS=1 Rscript $peers_dir/r_job.R"
      else
        notes+=("R: Rscript not found (Debian: r-base-core); skipped")
      fi
      ;;
    datamash)
      if command -v datamash >/dev/null; then
        peer_cmd[datamash]="$peers_dir/datamash_job.sh"
      else
        notes+=("datamash: not found (Debian: datamash); skipped")
      fi
      ;;
    miller)
      if command -v mlr >/dev/null; then
        peer_cmd[miller]="$peers_dir/miller_job.sh"
      else
        notes+=("Miller: mlr not found (Debian: miller); skipped")
      fi
      ;;
    *) die "unknown peer '$p' (numpy, pandas, R, datamash, miller)" ;;
  esac
done

# Our OpenBLAS engine, when the library is there: the same environment as the
# BLAS peers.
have_blas=0
probe=$(mktemp -d)
printf '1 2\n2 1\n3 5\n' >"$probe/p.dat"
if (cd "$probe" && "${blas_env[@]}" "$build/mavek" --quiet --blas -m- -t- p.dat) >/dev/null 2>&1; then
  have_blas=1
else
  notes+=("ours --blas: libopenblas.so.0 not found (Debian: libopenblas0-pthread); left out")
fi
rm -rf "$probe"

# The versions and the BLAS in use, for the notes under the table.
if [ -n "${peer_cmd[numpy1]:-}" ] || [ -n "${peer_cmd[pandas]:-}" ]; then
  blas=$("${blas_env[@]}" "$py" - "${peer_cmd[pandas]:+pandas}" <<'PY' 2>/dev/null || true
import sys
import numpy
pv = ""
if sys.argv[1:] == ["pandas"]:
    import pandas
    pv = " and pandas " + pandas.__version__
lib = sorted({l.split()[-1].rsplit("/", 1)[-1] for l in open("/proc/self/maps") if "libopenblas" in l})
kernel = ""
try:
    import threadpoolctl
    for i in threadpoolctl.threadpool_info():
        if i.get("internal_api") == "openblas":
            kernel = ", OpenBLAS %s with the %s kernel" % (i.get("version"), i.get("architecture"))
except ImportError:
    pass
print("numpy %s%s on %s%s" % (numpy.__version__, pv, " ".join(lib) or "a BLAS other than OpenBLAS", kernel))
PY
  )
  [ -n "$blas" ] && notes+=("$blas")
fi
if [ -n "${peer_cmd[R]:-}" ]; then
  notes+=("$(Rscript -e 'cat(R.version.string, "with BLAS", extSoftVersion()[["BLAS"]])' 2>/dev/null || echo R)")
fi
[ -n "${peer_cmd[datamash]:-}" ] && notes+=("$(datamash --version | head -1)")
[ -n "${peer_cmd[miller]:-}" ] && notes+=("Miller $(mlr --version | sed 's/^mlr //')")

# ---- the check: every peer's numbers against mavek's on a small table ----------
check_dir=$scratch/check
rm -rf "$check_dir"
mkdir -p "$check_dir/mavek"
"$build/compare_gen" 1000 12 7 "$check_dir/t.dat"
(cd "$check_dir/mavek" && ln -s ../t.dat t.dat && "$build/mavek" --quiet -c -v -e t.dat)
checker=$py
[ -x "$checker" ] || checker=python3
echo "Checking the peers on a table of 1,000 x 12 against mavek:"
for name in numpy1 pandas R datamash miller; do
  [ -n "${peer_cmd[$name]:-}" ] || continue
  peer=${name%1}
  mkdir -p "$check_dir/$peer"
  if (cd "$check_dir/$peer" && ln -s ../t.dat t.dat && ${peer_cmd[$name]} t.dat) \
    >"$check_dir/$peer.log" 2>&1 && "$checker" "$peers_dir/check_job.py" "$peer" \
    "$check_dir/mavek/t" "$check_dir/$peer/t" | sed 's/^/  /'; then
    :
  else
    echo "  $peer left out; see $check_dir/$peer.log"
    notes+=("$peer: left out, it failed or differed from mavek on the check table")
    unset "peer_cmd[$name]"
    [ "$name" = numpy1 ] && unset "peer_cmd[numpyN]"
  fi
done
[ "$check_only" = 1 ] && exit 0

# ---- the measurements ----------------------------------------------------------
stamp=$(date +%Y%m%d-%H%M%S)
raw=$scratch/results-$stamp.tsv
printf 'table\tcommand\trun\tseconds\tpeak_kb\tstatus\n' >"$raw"

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The commands of one table, by name, in the order they are taken.
commands=(ours1 ours2)
[ "$have_blas" = 1 ] && commands+=(blas1 blas2)
commands+=(default1 default2 fromchars)
for name in numpy1 numpyN pandas R datamash miller; do
  [ -n "${peer_cmd[$name]:-}" ] && commands+=("$name")
done
declare -A cmd=(
  [ours1]="env -u MAVEK_THREADS $build/mavek --quiet -c -v -e"
  [ours2]="env MAVEK_THREADS=2 $build/mavek --quiet -c -v -e"
  [blas1]="${blas_env[*]} -u MAVEK_THREADS $build/mavek --quiet --blas -c -v -e"
  [blas2]="${blas_env[*]} MAVEK_THREADS=2 $build/mavek --quiet --blas -c -v -e"
  [default1]="env -u MAVEK_THREADS $build/mavek --quiet"
  [default2]="env MAVEK_THREADS=2 $build/mavek --quiet"
  [fromchars]="$build/fromchars_pass"
)
for name in "${!peer_cmd[@]}"; do cmd[$name]=${peer_cmd[$name]}; done

declare -A secs peak failed
# Times the commands given after SHAPE and RUNS on that table, RUNS times each,
# in turn; secs[SHAPE,name] and peak[SHAPE,name] get the medians.
measure() {
  local shape=$1 n=$2
  shift 2
  local names=("$@")
  local rows=${shape%x*} cols=${shape#*x}
  local table=$scratch/tables/t${rows}x${cols}-s$seed-v$gen_version.dat
  if [ ! -f "$table" ]; then
    echo "Generating $rows x $cols ..."
    "$build/compare_gen" "$rows" "$cols" "$seed" "$table"
  fi
  cat "$table" >/dev/null # into the page cache, for every command alike
  local work=$scratch/work name run out s kb status
  rm -rf "$work"
  for name in "${names[@]}"; do
    mkdir -p "$work/$name"
    ln -s "$table" "$work/$name/t.dat"
  done
  echo "Timing $rows x $cols: ${names[*]}, $n runs each ..."
  for ((run = 1; run <= n; run++)); do
    for name in "${names[@]}"; do
      out=$work/$name/runstat.txt
      # Back into the page cache, which a memory-hungry peer may have emptied:
      # every command reads a cached file.
      cat "$table" >/dev/null
      # shellcheck disable=SC2086 # the command is a list of words
      (cd "$work/$name" && "$build/runstat" "$out" ${cmd[$name]} t.dat >>run.log 2>&1) || true
      read -r s kb status < <(tail -1 "$out")
      printf '%s\t%s\t%d\t%s\t%s\t%s\n' "$shape" "$name" "$run" "$s" "$kb" "$status" >>"$raw"
    done
  done
  for name in "${names[@]}"; do
    out=$work/$name/runstat.txt
    if awk '$3 != 0 { bad = 1 } END { exit !bad }' "$out"; then
      failed[$shape,$name]=1
      echo "  $name failed on $rows x $cols:" >&2
      tail -5 "$work/$name/run.log" | sed 's/^/    /' >&2
    fi
    secs[$shape,$name]=$(awk '{ print $1 }' "$out" | median)
    peak[$shape,$name]=$(awk '{ print $2 }' "$out" | median)
  done
  rm -rf "$work"
}

for shape in ${tables//,/ }; do
  measure "$shape" "$runs" "${commands[@]}"
done
# The growth series: both engines and numpy on one thread.
series=(ours1)
[ "$have_blas" = 1 ] && series+=(blas1)
[ -n "${peer_cmd[numpy1]:-}" ] && series+=(numpy1)
for m in ${growth//,/ }; do
  # A shape of the tables above is already measured, with more runs.
  todo=()
  for name in "${series[@]}"; do
    [ -n "${secs[$((2 * m))x$m,$name]:-}" ] || todo+=("$name")
  done
  [ ${#todo[@]} -gt 0 ] && measure "$((2 * m))x$m" "$growth_runs" "${todo[@]}"
done

# ---- the table -----------------------------------------------------------------
with_commas() { printf '%s' "$1" | rev | sed 's/[0-9]\{3\}/&,/g; s/,$//' | rev; }
fmt_s() { awk -v t="$1" 'BEGIN { printf(t < 10 ? "%.2f s" : "%.1f s", t) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { r = a / b; printf(r < 10 ? "%.2f" : "%.1f", r) }'; }
cell_time() { # name shape
  if [ -n "${failed[$2,$1]:-}" ]; then echo "failed"; else fmt_s "${secs[$2,$1]}"; fi
}
cell_peer() { # peer name, shape, our command it is divided by
  if [ -z "${secs[$2,$1]:-}" ]; then
    echo "-"
  elif [ -n "${failed[$2,$1]:-}" ]; then
    echo "failed"
  else
    echo "$(ratio "${secs[$2,$1]}" "${secs[$2,$3]}") ($(fmt_s "${secs[$2,$1]}"))"
  fi
}
mb() { awk -v b="$1" 'BEGIN { printf("%.0f", b / 1e6) }'; }
mb_kb() { awk -v k="$1" 'BEGIN { printf("%.0f", k * 1024 / 1e6) }'; }

echo
echo "| Table | ours \`-c -v -e\`, 1 / 2 threads | ours default run, 1 / 2 threads | numpy, 1 thread | numpy, $cores threads | pandas | R | datamash † | Miller † | \`from_chars\` pass | ours / \`from_chars\`: \`-c -v -e\`, default | peak MB, 1 / 2 threads / limit |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
for shape in ${tables//,/ }; do
  rows=${shape%x*}
  cols=${shape#*x}
  table=$scratch/tables/t${rows}x${cols}-s$seed-v$gen_version.dat
  size=$(stat -c %s "$table")
  limit=$(awk -v n="$rows" -v m="$cols" 'BEGIN { printf("%.0f", (8 * n * m + 4 * 8 * m * m + 32e6) / 1e6) }')
  printf '| %s × %s (%s MB) | %s / %s | %s / %s | %s | %s | %s | %s | %s | %s | %s | %s / %s | %s / %s / %s |\n' \
    "$(with_commas "$rows")" "$(with_commas "$cols")" "$(mb "$size")" \
    "$(cell_time ours1 "$shape")" "$(cell_time ours2 "$shape")" \
    "$(cell_time default1 "$shape")" "$(cell_time default2 "$shape")" \
    "$(cell_peer numpy1 "$shape" ours1)" "$(cell_peer numpyN "$shape" ours2)" \
    "$(cell_peer pandas "$shape" ours1)" "$(cell_peer R "$shape" ours1)" \
    "$(cell_peer datamash "$shape" default1)" "$(cell_peer miller "$shape" default1)" \
    "$(cell_time fromchars "$shape")" \
    "$(ratio "${secs[$shape,ours1]}" "${secs[$shape,fromchars]}")" \
    "$(ratio "${secs[$shape,default1]}" "${secs[$shape,fromchars]}")" \
    "$(mb_kb "${peak[$shape,ours1]}")" "$(mb_kb "${peak[$shape,ours2]}")" "$limit"
done
echo
echo "Each time is the median of $runs whole-process runs (wall time). A peer's cell is its time divided by"
echo "ours, with its own time in brackets: above 1, mavek is faster. numpy on 1 thread and pandas and R"
echo "(one BLAS thread each) are divided by ours on one thread; numpy on $cores threads by ours with"
echo "MAVEK_THREADS=2. † datamash and Miller compute the per-column statistics only (no covariance,"
echo "correlation or components) and are divided by our default run (statistics, correlations, .mvd"
echo "and .inp). The \`from_chars\` pass converts every number of the file and nothing else. Peak"
echo "memory is that of \`-c -v -e\`; the limit is the data table (8 bytes a value) plus the four"
echo "m × m matrices plus 32 MB; MB are 10^6 bytes."
echo
if [ "$have_blas" = 1 ]; then
  echo
  echo "The OpenBLAS engine, \`mavek --quiet --blas -c -v -e FILE\`:"
  echo
  echo "| Table | ours \`--blas\`, 1 / 2 threads | numpy, 1 thread | numpy, $cores threads | ours \`--blas\` / exact engine, 1 thread | peak MB, 1 / 2 threads / limit |"
  echo "|---|---|---|---|---|---|"
  for shape in ${tables//,/ }; do
    rows=${shape%x*}
    cols=${shape#*x}
    limit=$(awk -v n="$rows" -v m="$cols" 'BEGIN { printf("%.0f", (8 * n * m + 4 * 8 * m * m + 32e6) / 1e6) }')
    printf '| %s × %s | %s / %s | %s | %s | %s | %s / %s / %s |\n' \
      "$(with_commas "$rows")" "$(with_commas "$cols")" \
      "$(cell_time blas1 "$shape")" "$(cell_time blas2 "$shape")" \
      "$(cell_peer numpy1 "$shape" blas1)" "$(cell_peer numpyN "$shape" blas2)" \
      "$(ratio "${secs[$shape,blas1]}" "${secs[$shape,ours1]}")" \
      "$(mb_kb "${peak[$shape,blas1]}")" "$(mb_kb "${peak[$shape,blas2]}")" "$limit"
  done
  echo
  echo "numpy's cells are its time divided by ours with --blas (1 thread against 1, $cores threads against"
  echo "MAVEK_THREADS=2), its own time in brackets."
fi

if [ -n "$growth" ]; then
  # The exponent b of t = a * m^b fitted by least squares to log t against log m.
  fit() { # name [smallest m]
    for m in ${growth//,/ }; do
      [ "$m" -ge "${2:-0}" ] || continue
      local t=${secs[$((2 * m))x$m,$1]:-}
      [ -n "$t" ] && [ -z "${failed[$((2 * m))x$m,$1]:-}" ] && echo "$m $t"
    done | awk '{ x = log($1); y = log($2); n++; sx += x; sy += y; sxx += x * x; sxy += x * y }
      END { if (n < 2 || n * sxx == sx * sx) print "-"; else printf("%.2f", (n * sxy - sx * sy) / (n * sxx - sx * sx)) }'
  }
  half=$(echo "${growth//,/ }" | tr ' ' '\n' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  echo
  echo "How the cost grows with the number of variables m (tables of 2m rows by m, one thread each; the median of"
  echo "$growth_runs run(s) of each, or of $runs where the table is one of those above):"
  echo
  line="| m | table |"
  rule="|---|---|"
  for name in "${series[@]}"; do
    case $name in
      ours1) line+=" ours, exact engine |" ;;
      blas1) line+=" ours, \`--blas\` |" ;;
      numpy1) line+=" numpy |" ;;
    esac
    rule+="---|"
  done
  echo "$line"
  echo "$rule"
  for m in ${growth//,/ }; do
    line="| $(with_commas "$m") | $(with_commas $((2 * m))) × $(with_commas "$m") |"
    for name in "${series[@]}"; do line+=" $(cell_time "$name" "$((2 * m))x$m") |"; done
    echo "$line"
  done
  line="| fitted exponent, all m | |"
  for name in "${series[@]}"; do line+=" $(fit "$name") |"; done
  echo "$line"
  line="| fitted exponent, m ≥ $(with_commas "$half") | |"
  for name in "${series[@]}"; do line+=" $(fit "$name" "$half") |"; done
  echo "$line"
  echo
  echo "Each exponent is the slope b of log t = log a + b log m, fitted by least squares to the times above."
fi

isa=base
grep -qw avx2 /proc/cpuinfo && isa=avx2
grep -qw avx512f /proc/cpuinfo && isa=avx512
case ${MAVEK_ISA:-} in base) isa=base ;; avx2) [ "$isa" = avx512 ] && isa=avx2 ;; esac
echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $cores cores, instruction-set path $isa, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end."
for n in "${notes[@]}"; do echo "- $n"; done
echo
echo "Every run: $raw"
