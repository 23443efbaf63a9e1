#!/usr/bin/env bash
# Fuzzing campaigns with the libFuzzer targets of tests/fuzz/:
#
#   tests/fuzz/campaign.sh SECONDS_PER_TARGET [TARGET...]
#
# TARGET is pipeline, options, sortstring, numscan or delimited (all five
# when none is given). The targets are built in build-fuzz/ (clang++, -DMAVEK_FUZZ=ON)
# when that directory does not hold them yet; rebuild it after changing the
# code. Each target then runs for SECONDS_PER_TARGET seconds, one after the
# other, on one core.
#
# Everything a campaign makes stays outside git, in $MAVEK_FUZZ_DIR
# (build-fuzz/campaign by default), one folder per target:
#   corpus/     the growing corpus, seeded from tests/fuzz/corpus/<target>;
#               a later campaign goes on from it (resumable)
#   artifacts/  inputs that crashed, leaked, timed out or ran out of memory;
#               reproduce one with "build-fuzz/<target>_fuzz FILE"
#   log         the fuzzer's output of the last campaign
# At the end a summary gives, per target, the seconds, executions, coverage
# (edges and features), corpus size and artifacts. The exit status is 1 when
# any target left an artifact.
set -u
cd "$(dirname "$0")/../.."
root=$(pwd)
if [ $# -lt 1 ] || ! [ "$1" -gt 0 ] 2>/dev/null; then
  sed -n '2,/^set -u/p' "$0" | sed '$d; s/^# \{0,1\}//'
  exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(pipeline options sortstring numscan delimited)
out=${MAVEK_FUZZ_DIR:-$root/build-fuzz/campaign}
mkdir -p "$out"
out=$(cd "$out" && pwd)

need_build=no
for t in "${targets[@]}"; do [ -x "build-fuzz/${t}_fuzz" ] || need_build=yes; done
if [ $need_build = yes ]; then
  CXX=clang++ cmake -S . -B build-fuzz -DMAVEK_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >/dev/null || exit 1
  cmake --build build-fuzz -j2 || exit 1
fi

# The pipeline target writes result files for every input: a memory file
# system keeps that from being slowed down by the disk.
scratch_parent=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_parent=/dev/shm
scratch=$(mktemp -d "$scratch_parent/mavek-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

summary=()
status=0
for t in "${targets[@]}"; do
  bin="$root/build-fuzz/${t}_fuzz"
  [ -x "$bin" ] || { echo "no target $t"; exit 2; }
  dir="$out/$t"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  before=$(ls "$dir/artifacts" | wc -l)
  echo "== $t: $seconds s (log: $dir/log)"
  (cd "$scratch" && TMPDIR="$scratch" "$bin" -max_total_time="$seconds" -timeout=60 -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" "$root/tests/fuzz/corpus/$t" \
    >"$dir/log" 2>&1)
  code=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n 1)
  last=$(grep -E '^#[0-9]+' "$dir/log" | tail -n 1)
  cov=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  corpus=$(ls "$dir/corpus" | wc -l)
  after=$(ls "$dir/artifacts" | wc -l)
  new=$((after - before))
  [ "$new" -gt 0 ] || [ "$code" -ne 0 ] && status=1
  summary+=("$(printf '%-10s %6ss %12s execs %8s/s  cov %5s  ft %6s  corpus %6s  new artifacts %3s  exit %s' \
    "$t" "$seconds" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$new" "$code")")
  [ "$new" -gt 0 ] && ls -t "$dir/artifacts" | head -n "$new" | sed "s|^|    $dir/artifacts/|"
done
echo
echo "summary (corpora and artifacts in $out):"
printf '%s\n' "${summary[@]}"
exit $status
