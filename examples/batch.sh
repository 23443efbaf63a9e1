#!/usr/bin/env bash
# Describes every table (*.dat) of a directory with mavek, one run per table,
# and stops at the first table that mavek cannot process, naming it.
#
#   bash batch.sh DIRECTORY [MAVEK OPTIONS...]
#   bash batch.sh examples -c -e        # .mvd, .inp, .cor, .eig, .sco each
#
# The results lie beside each table. --quiet leaves only diagnostics on the
# terminal; standard input is /dev/null so that nothing waits for a key. Each
# run adds a line to "logfile" in the current directory; the new lines are
# shown at the end. The program is "mavek" from PATH, or the one named by the
# environment variable MAVEK.
set -u
mavek=${MAVEK:-mavek}

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: bash batch.sh DIRECTORY [MAVEK OPTIONS...]" >&2
  exit 2
fi
dir=$1
shift
# A directory name starting with "-" would read as an option.
case $dir in -*) dir=./$dir ;; esac

shopt -s nullglob
tables=("$dir"/*.dat)
if [ ${#tables[@]} -eq 0 ]; then
  echo "batch: no table (*.dat) in $dir" >&2
  exit 2
fi

log_before=0
[ -f logfile ] && log_before=$(wc -l <logfile)

status=0
done_count=0
for table in "${tables[@]}"; do
  echo "== $table"
  "$mavek" --quiet "$@" "$table" </dev/null
  status=$?
  if [ $status -ne 0 ]; then
    echo "batch: mavek failed on $table (exit status $status); the tables after it were not processed" >&2
    break
  fi
  done_count=$((done_count + 1))
done

echo "== $done_count of ${#tables[@]} tables done; new lines of the run log:"
[ -f logfile ] && tail -n +$((log_before + 1)) logfile
exit $status
