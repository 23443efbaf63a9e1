#!/usr/bin/env bash
# Failure injection: runs mavek while its allocations or its writes fail, or
# while a signal interrupts it, and checks every outcome. An outcome is sound
# when it is either
#   - exit status 1 with an error report on standard error ("Error: ", the
#     message, "Press enter to continue") and every result file that is there
#     whole, as the clean run writes it, or
#   - exit status 0 with standard output and every result file byte for byte
#     those of a clean run (standard error may add "No logfile entry"), or
#   - in section 6 only, the end by the signal sent, with every result file
#     either the one an earlier run left or whole as the clean run writes it,
# and the run log holds whole entries only, and no temporary file
# (".mavek-*") is left. A signal elsewhere, another status, or a missing,
# partial or extra result file with status 0 is a failure.
#
#   inject.sh MAVEK FSIZE_EXEC [ALLOC_SHIM [SIGNAL_SHIM]]
#
#  1. allocations (with ALLOC_SHIM): the run is counted once, then repeated
#     with its N-th allocation failing, for every N it makes;
#  2. file-size limits (RLIMIT_FSIZE, SIGXFSZ ignored) from 0 bytes up to the
#     size of the largest result file;
#  3. each result file as a link to /dev/full, which the result replaces, and
#     the log as one, which gets "No logfile entry";
#  4. a directory where each result file goes;
#  5. a read-only directory, as an unprivileged user through setpriv
#     (skipped, not failed, when not root or setpriv is missing);
#  6. signals (with SIGNAL_SHIM): over the results of an earlier run, SIGTERM,
#     SIGINT, SIGHUP and SIGPIPE in turn right after the K-th piece written to
#     a result file, for every K; the files left new must never become fewer
#     as K grows.
# A summary of the counts and outcomes is printed at the end.
set -u
bin=$(readlink -f "$1")
fsize=$(readlink -f "$2")
shim=${3:+$(readlink -f "$3")}
signal_shim=${4:+$(readlink -f "$4")}
# Hundreds of short runs create and delete files: a memory file system keeps
# that quick.
tmp=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && tmp=/dev/shm
work=$(mktemp -d -p "$tmp")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"

# A small run with every result switch on, over two files.
args=(-b -c -v --oldtetrad -h5 --percentiles=25,50,75 -e -f -n -a -z -s "2 1" data.txt second.txt)
mkdir "$work/in"
printf '# three variables\n1 2 3\n2 1 5\n3 4 4\n4 3 8\n5 7 6\n' >"$work/in/data.txt"
printf '! two\n10 -1\n;\n20 -3\n30 -2\n' >"$work/in/second.txt"

failures=0
declare -A tally

fail() {
  echo "FAIL ($1): $2"
  failures=$((failures + 1))
}

# Runs mavek in a fresh copy of the inputs (of $from, $work/in by default) in
# directory $1; the rest of the arguments are a prefix for the command
# (environment, wrappers). Standard output and error go through pipes, so
# that a file-size limit cannot touch them.
run_in() {
  local dir=$1 name=${1##*/}
  shift
  rm -rf "$dir"
  cp -r "${from:-$work/in}" "$dir"
  (
    cd "$dir" || exit 99
    { "$@" "$bin" "${args[@]}" </dev/null 2>&3 | cat >../"$name.out"
      echo "${PIPESTATUS[0]}" >../"$name.status"; } 3>&1 | cat >../"$name.err"
  )
}

# The whole content of file $2 into the variable named $1, without a process.
slurp() {
  IFS= read -r -d '' "$1" <"$2"
  return 0
}

clean="$work/clean"
run_in "$clean" env
[ "$(cat "$work/clean.status")" = 0 ] || { echo "the clean run failed"; cat "$work/clean.err"; exit 1; }
results=()
for f in "$clean"/*; do
  case $(basename "$f") in data.txt | second.txt | logfile) ;; *) results+=("$(basename "$f")") ;; esac
done
largest=0
for f in "${results[@]}"; do
  s=$(stat -c %s "$clean/$f")
  [ "$s" -gt "$largest" ] && largest=$s
done

# Checks the outcome of the run in $1 (label $2) and tallies it. Most runs
# end with status 1, and their checks are made without starting processes.
check() {
  local dir=$1 label=$2 status err log msg f
  slurp status "$dir.status"
  status=${status%$'\n'}
  slurp err "$dir.err"
  for f in "$dir"/.mavek-*; do
    [ -e "$f" ] && fail "$label" "a temporary file is left: ${f##*/}"
  done
  if [ -s "$dir/logfile" ]; then
    slurp log "$dir/logfile"
    if ! [[ $log =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\ [^$'\n']*\ data\.txt\ second\.txt$'\n'$ ]]; then
      fail "$label" "the log holds a broken entry"
    fi
    [[ $err == *$'\nNo logfile entry\n'* || $err == 'No logfile entry'$'\n'* ]] &&
      fail "$label" "a log entry although 'No logfile entry'"
  fi
  case $status in
    0)
      cmp -s "$dir.out" "$work/clean.out" || fail "$label" "status 0 with different standard output"
      sed '/^No logfile entry$/d' "$dir.err" | cmp -s - "$work/clean.err" ||
        fail "$label" "status 0 with different standard error"
      for f in "${results[@]}"; do
        cmp -s "$dir/$f" "$clean/$f" || fail "$label" "status 0 with $f missing or different"
      done
      [ "$(ls -A "$dir" | grep -vc '^logfile$')" = "$(ls -A "$clean" | grep -vc '^logfile$')" ] ||
        fail "$label" "status 0 with extra files"
      tally["complete run"]=$((${tally["complete run"]:-0} + 1))
      ;;
    1)
      # "\nError: " and the message, "\nPress enter to continue\n" at the end.
      if [[ $err =~ $'\n'Error:\ ([^$'\n']*) ]] && [[ $err == *$'\nPress enter to continue\n' ]] &&
        [[ $err != *Sanitizer* && $err != *'runtime error'* ]]; then
        msg=${BASH_REMATCH[1]}
      else
        fail "$label" "status 1 without an error report: ${err:0:300}"
        msg=
      fi
      # Sizes and file names vary; the kind of message is what is tallied.
      [[ $msg =~ ^(.*\([a-z0-9*]+,\ )[0-9]+\)$ ]] && msg="${BASH_REMATCH[1]}N)"
      [[ $msg =~ ^(.*file:\ ) ]] && msg="${BASH_REMATCH[1]}NAME"
      for f in "${results[@]}"; do
        [ -f "$dir/$f" ] && ! cmp -s "$dir/$f" "$clean/$f" && fail "$label" "status 1 with a cut $f"
      done
      tally["status 1, Error: $msg"]=$((${tally["status 1, Error: $msg"]:-0} + 1))
      ;;
    *) fail "$label" "status $status: ${err:0:300}" ;;
  esac
}

# 1. Allocations.
allocs=0
if [ -n "$shim" ]; then
  run_in "$work/count" env LD_PRELOAD="$shim" MAVEK_ALLOC_COUNT="$work/count.n"
  allocs=$(cat "$work/count.n")
  check "$work/count" "counting run"
  for ((n = 1; n <= allocs + 1; n++)); do
    run_in "$work/a" env LD_PRELOAD="$shim" MAVEK_ALLOC_FAIL=$n
    check "$work/a" "allocation $n of $allocs"
  done
fi

# 2. File-size limits.
for ((limit = 0; limit <= largest; limit++)); do
  run_in "$work/l" "$fsize" "$limit"
  check "$work/l" "file-size limit $limit"
done
[ "$(cat "$work/l.status")" = 0 ] || fail "file-size limit $largest" "no complete run at the largest file's size"

# 3. A link to /dev/full in place of each result file, which the result
# replaces, and in place of the log, which is written through links.
for f in "${results[@]}" logfile; do
  rm -rf "$work/f"
  mkdir -p "$work/f"
  ln -s /dev/full "$work/f/$f"
  (
    cd "$work/f" && cp "$work/in/"* . &&
      { "$bin" "${args[@]}" </dev/null >../f.out 2>../f.err; echo $? >../f.status; }
  )
  if [ "$f" = logfile ]; then
    rm "$work/f/logfile"
    check "$work/f" "log on /dev/full"
    grep -qx 'No logfile entry' "$work/f.err" || fail "log on /dev/full" "no 'No logfile entry'"
  else
    check "$work/f" "$f as a link to /dev/full"
    [ -L "$work/f/$f" ] && fail "$f as a link to /dev/full" "the link was written through, not replaced"
  fi
done

# 4. A directory in each result file's place.
for f in "${results[@]}"; do
  rm -rf "$work/d"
  mkdir -p "$work/d/$f"
  (
    cd "$work/d" && cp "$work/in/"* . &&
      { "$bin" "${args[@]}" </dev/null >../d.out 2>../d.err; echo $? >../d.status; }
  )
  check "$work/d" "directory $f"
  grep -q "^Error: Can't create file: $f" "$work/d.err" || fail "directory $f" "not reported as uncreatable"
done

# 5. A read-only directory, as an unprivileged user.
readonly_done=no
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
if [ "$(id -u)" != 0 ] || ! command -v setpriv >/dev/null; then
  readonly_done="skipped (not root, or no setpriv)"
elif ! "${nobody[@]}" test -x "$bin"; then
  readonly_done="skipped (the program is out of an unprivileged user's reach)"
else
  rm -rf "$work/r"
  mkdir -p "$work/r"
  cp "$work/in/"* "$work/r/"
  chmod 644 "$work/r/"*
  chmod 555 "$work/r"
  (
    cd "$work/r" &&
      { "${nobody[@]}" "$bin" "${args[@]}" </dev/null >../r.out 2>../r.err
        echo $? >../r.status; }
  )
  check "$work/r" "read-only directory"
  grep -qx 'No logfile entry' "$work/r.err" || fail "read-only directory" "no 'No logfile entry'"
  grep -q "^Error: Can't create file: data.std" "$work/r.err" || fail "read-only directory" "not reported"
  readonly_done=yes
fi

# 6. Signals in the middle of the result files.
pieces=0
if [ -n "$signal_shim" ]; then
  mkdir "$work/old"
  cp "$work/in/"* "$work/old/"
  for f in "${results[@]}"; do echo "old $f" >"$work/old/$f"; done
  run_in "$work/count" env LD_PRELOAD="$signal_shim" MAVEK_FWRITE_COUNT="$work/pieces.n"
  check "$work/count" "counting run"
  pieces=$(cat "$work/pieces.n")
  signals=(TERM INT HUP PIPE)
  numbers=(15 2 1 13)
  fewest_new=0
  for ((k = 1; k <= pieces; k++)); do
    i=$((k % 4))
    label="SIG${signals[$i]} after piece $k of $pieces"
    from="$work/old" run_in "$work/s" env LD_PRELOAD="$signal_shim" MAVEK_SIGNAL=${numbers[$i]} MAVEK_SIGNAL_AT=$k \
      2>/dev/null
    status=$(cat "$work/s.status")
    if [ "$status" != $((128 + numbers[i])) ]; then
      fail "$label" "status $status, not the end by the signal: $(head -c 300 "$work/s.err")"
      continue
    fi
    for f in "$work/s"/.mavek-*; do
      [ -e "$f" ] && fail "$label" "a temporary file is left: ${f##*/}"
    done
    new=0
    for f in "${results[@]}"; do
      if cmp -s "$work/s/$f" "$clean/$f"; then
        new=$((new + 1))
      elif ! cmp -s "$work/s/$f" "$work/old/$f"; then
        fail "$label" "$f is neither the old file nor the whole new one"
      fi
    done
    [ "$new" -lt "$fewest_new" ] && fail "$label" "fewer new files ($new) than after an earlier piece"
    fewest_new=$new
    [ "$(ls -A "$work/s" | grep -vc '^logfile$')" = "$(ls -A "$work/old" | wc -l)" ] || fail "$label" "extra files"
    tally["killed by SIG${signals[$i]}"]=$((${tally["killed by SIG${signals[$i]}"]:-0} + 1))
  done
fi

echo "allocations failed: $allocs (each of 1..$allocs, and $((allocs + 1)) failing none)"
echo "file-size limits tried: $((largest + 1)) (0..$largest bytes)"
echo "/dev/full: ${#results[@]} result files and the log; directories: ${#results[@]} result files"
echo "read-only directory as an unprivileged user: $readonly_done"
if [ -n "$signal_shim" ]; then
  echo "signals: after each of $pieces pieces written to result files"
else
  echo "signals: skipped (no signal shim in this build)"
fi
echo "outcomes:"
for k in "${!tally[@]}"; do printf '  %5d  %s\n' "${tally[$k]}" "$k"; done | sort -k2
echo "$failures unsound outcomes"
[ "$failures" = 0 ]
