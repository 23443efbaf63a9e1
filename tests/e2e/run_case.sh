#!/usr/bin/env bash
# Runs one end-to-end case in a fresh temporary directory and compares the
# exit status, standard output, standard error and every file the run created
# or changed with the case's expected files.
#
#   run_case.sh MAVEK CASEDIR [EXPECTED]
#
# EXPECTED is the folder of the expected files, CASEDIR/expected unless
# given (the cases with a file "model" have theirs made by the reference
# model when the tests run). MAVEK_VERSION must hold the program's version.
#
# A case folder holds:
#   args          the arguments, as shell words (the program runs as "mavek")
#   files/        input files copied into the working directory (optional)
#   setup         a bash script run in the working directory first (optional),
#                 with the program on PATH as "mavek"; what it creates is
#                 input like files/, not output of the run
#   stdin         standard input (optional; /dev/null otherwise)
#   fsize         a limit on the size of every file the program writes, in
#                 KiB, as bash's "ulimit -f" takes it (optional)
#   expected/status, expected/stdout, expected/stderr
#   expected/out/ every file that is new or changed after the run
#   model         instead of expected/: the reference model makes the
#                 expected files (tests/e2e/reference/make_ref_cases.py)
#   once          present when the case runs once rather than in every
#                 variant (tests/README.md); it says why in a line. Such a
#                 case fails when it writes a .std or .sco file, which are
#                 written in chunks on threads.
# The working directory is taken stock of after setup, as a checksum for
# each regular file; a file counts as output when it is new or its checksum
# has changed. So setup can generate big inputs that never need copying.
# Time stamps in "logfile", the version and build date in the banner and the
# elapsed seconds are masked before the comparison; their shape is still
# checked (mask.sh).
set -u
bin=$(readlink -f "$1")
case_dir=$(cd "$2" && pwd)
expected=${3:-$case_dir/expected}
[ -d "$expected" ] || { echo "no expected files in $expected"; exit 1; }
source "$(dirname "$0")/mask.sh"
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/run" "$work/actual/out"
ln -s "$bin" "$work/bin/mavek"
# Links in files/ are copied as the files they point to.
[ -d "$case_dir/files" ] && cp -a -L "$case_dir/files/." "$work/run/"
stdin=/dev/null
[ -f "$case_dir/stdin" ] && stdin="$case_dir/stdin"
eval "set -- $(cat "$case_dir/args")"
(
  cd "$work/run" || exit 99
  if [ -f "$case_dir/setup" ]; then PATH="$work/bin:$PATH" bash "$case_dir/setup" || exit 98; fi
  find . -type f -exec md5sum {} + >"$work/snapshot"
  limit=unlimited
  [ -f "$case_dir/fsize" ] && limit=$(cat "$case_dir/fsize")
  (ulimit -f "$limit" && PATH="$work/bin:$PATH" exec mavek "$@") <"$stdin" >"$work/actual/stdout" \
    2>"$work/actual/stderr"
  echo $? >"$work/actual/status"
)
[ -f "$work/actual/status" ] || { echo "case setup failed"; exit 1; }

mask_streams "$work/actual/stdout"
mask_streams "$work/actual/stderr"

# Collect what the run created or changed (regular files only).
(cd "$work/run" && find . -type f) | while IFS= read -r f; do
  if grep -qxF -- "$(cd "$work/run" && md5sum "$f")" "$work/snapshot"; then continue; fi
  mkdir -p "$(dirname "$work/actual/out/$f")"
  cp "$work/run/$f" "$work/actual/out/$f"
done
if [ -f "$case_dir/once" ] && [ -n "$(cd "$work/actual/out" && find . -name '*.std' -o -name '*.sco')" ]; then
  echo "a case that writes .std or .sco runs in every variant: remove $case_dir/once"
  exit 1
fi
if [ -f "$work/actual/out/logfile" ]; then
  sed -E -i 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} /YYYY-MM-DD hh:mm:ss /' "$work/actual/out/logfile"
fi

mkdir -p "$work/expected_out"
[ -d "$expected/out" ] && cp -a "$expected/out/." "$work/expected_out/"
status=0
for part in status stdout stderr; do
  if ! diff -u --label "expected/$part" --label "actual/$part" "$expected/$part" "$work/actual/$part"; then
    status=1
  fi
done
if ! diff -ru "$work/expected_out" "$work/actual/out"; then status=1; fi
if [ -n "${MAVEK_E2E_KEEP:-}" ]; then cp -a "$work/actual" "$MAVEK_E2E_KEEP"; fi
exit $status
