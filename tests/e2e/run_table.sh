#!/usr/bin/env bash
# Runs one line of an end-to-end case table in a fresh temporary directory.
#
#   run_table.sh MAVEK TABLE NAME
#
# A line of the table is one case, its fields separated by " | ":
#   name | setup | args | status | stdout | stderr | log
# setup   bash run in the working directory first ("-": none); what it
#         creates is input, not output
# args    the arguments, as shell words (the program runs as "mavek"; may
#         be empty)
# stdout  the standard output, with printf's backslash escapes ("-": empty)
# stderr  the same for standard error; a text that does not start with "="
#         is the message of an error report, which the runner wraps in
#         "\nError: " and "\nPress enter to continue\n"; "=" starts a
#         literal text, "-" means empty
# log     the entry the run appends to "logfile" after its time stamp ("-":
#         no log is written); "$ " starts a bash command instead, whose
#         output is the whole log without its time stamps
# In stdout and stderr, {banner} stands for the three lines of the banner
# (the version masked as mask.sh does), {help} for the help: the banner,
# then tests/unit/data/help.txt, and {version} for the text of --version
# ("mavek $MAVEK_VERSION" and the copyright lines). An error report's text
# may start with {banner}, which then comes before the report.
# Nothing else may be created or changed: the case fails on any new or
# changed file but the log. Cases that write result files have folders of
# their own (run_case.sh). Set MAVEK_E2E_KEEP=DIR to keep the expected
# (want_*) and actual texts of a run in DIR.
set -u
bin=$(readlink -f "$1")
table=$2
name=$3
source "$(dirname "$0")/mask.sh"
line=$(grep -E "^$name \| " "$table")
[ -n "$line" ] || { echo "no case $name in $table"; exit 1; }
fields=()
rest="$line"
while [[ "$rest" == *" | "* ]]; do
  fields+=("${rest%% | *}")
  rest="${rest#* | }"
done
fields+=("$rest")
[ ${#fields[@]} -eq 7 ] || { echo "case $name: ${#fields[@]} fields, not 7"; exit 1; }
setup=${fields[1]} args=${fields[2]} want_status=${fields[3]}
want_out=${fields[4]} want_err=${fields[5]} want_log=${fields[6]}

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/run"
ln -s "$bin" "$work/bin/mavek"
eval "set -- $args"
(
  cd "$work/run" || exit 99
  if [ "$setup" != "-" ]; then PATH="$work/bin:$PATH" bash -c "$setup" || exit 98; fi
  find . -type f -exec md5sum {} + | sort >"$work/snapshot"
  PATH="$work/bin:$PATH" mavek "$@" </dev/null >"$work/stdout" 2>"$work/stderr"
  echo $? >"$work/status"
)
[ -f "$work/status" ] || { echo "case setup failed"; exit 1; }
mask_streams "$work/stdout"
mask_streams "$work/stderr"

help_file="$(cd "$(dirname "$0")" && pwd)/../unit/data/help.txt"
emit() {  # a text with printf's backslash escapes, {banner}, {help} and {version}
  local text=$1 token word
  while [[ "$text" =~ \{(banner|help|version)\} ]]; do
    token=${BASH_REMATCH[0]} word=${BASH_REMATCH[1]}
    printf '%b' "${text%%"$token"*}"
    if [ "$word" = version ]; then
      printf '%s\n' "mavek $MAVEK_VERSION"
    else
      printf '%s\n' "mavek Version VERSION DATE TIME Build: 0 by Kestrin"
    fi
    printf '%s\n' "Copyright (C) 2026 the mavek developers. Free to use, copy and change." "Written by Kestrin."
    if [ "$word" = help ]; then cat "$help_file"; fi
    text=${text#*"$token"}
  done
  printf '%b' "$text"
}
expand() {  # the field as the bytes it stands for
  case "$1" in
    -) ;;
    =*) emit "${1#=}" ;;
    *) emit "$1" ;;
  esac
}
status=0
check() {  # what, expected file, actual file
  if ! diff -u --label "expected $1" --label "actual $1" "$2" "$3"; then status=1; fi
}
echo "$want_status" >"$work/want_status"
check status "$work/want_status" "$work/status"
expand "$want_out" >"$work/want_stdout"
check stdout "$work/want_stdout" "$work/stdout"
case "$want_err" in
  - | =*) expand "$want_err" >"$work/want_stderr" ;;
  {banner}*) emit "{banner}\\nError: ${want_err#\{banner\}}\\nPress enter to continue\\n" >"$work/want_stderr" ;;
  *) emit "\\nError: $want_err\\nPress enter to continue\\n" >"$work/want_stderr" ;;
esac
check stderr "$work/want_stderr" "$work/stderr"

cd "$work/run" || exit 1
if [ "$want_log" = "-" ]; then
  [ ! -e logfile ] || { echo "a log was written"; status=1; }
else
  sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} //' logfile >"$work/log" 2>/dev/null
  case "$want_log" in
    '$ '*) (cd "$work" && bash -c "${want_log#\$ }") >"$work/want_log" ;;
    *) printf '%s\n' "$want_log" >"$work/want_log" ;;
  esac
  check log "$work/want_log" "$work/log"
fi
changed=$(find . -type f ! -name logfile -exec md5sum {} + | sort | comm -13 "$work/snapshot" -)
if [ -n "$changed" ]; then
  echo "files created or changed:"
  echo "$changed"
  status=1
fi
if [ -n "${MAVEK_E2E_KEEP:-}" ]; then
  mkdir -p "$MAVEK_E2E_KEEP" && cp "$work"/want_* "$work"/status "$work"/stdout "$work"/stderr "$MAVEK_E2E_KEEP/"
  [ -f "$work/log" ] && cp "$work/log" "$MAVEK_E2E_KEEP/"
fi
exit $status
