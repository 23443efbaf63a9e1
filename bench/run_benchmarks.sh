#!/usr/bin/env bash
# Runs every benchmark of a build configured with -DMAVEK_BENCH=ON and prints
# their figures, then the peak memory of a whole run over a table of
# 1,000,000 rows by 10 columns against the size of its data table.
set -eu
build=$(cd "${1:-build-bench}" && pwd)  # absolute, so that it holds in any directory
for b in reader_bench stats_bench numscan_bench numfmt_bench eigen_bench sco_bench; do
  if [ -x "$build/$b" ]; then
    echo "== $b"
    "$build/$b"
  fi
done

echo "== peak memory"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir/table.txt" <<'PY'
import random, sys
random.seed(42)
with open(sys.argv[1], "w") as f:
    for r in range(1000000):
        f.write(" ".join("%.6g" % random.gauss(0, 1000) for c in range(10)) + "\n")
PY
(cd "$dir" && /usr/bin/time -f "%M" -o rss.txt "$build/mavek" --quiet table.txt)
rss_kb=$(cat "$dir/rss.txt")
dd_mb=$((1000000 * 10 * 8 / 1000000))
echo "peak resident memory: $((rss_kb / 1024)) MiB; data table: $dd_mb MB; limit 1.15 x table + 32 MB = $(( (dd_mb * 115 / 100) + 32 )) MB"
