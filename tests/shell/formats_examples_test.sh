#!/usr/bin/env bash
# Checks the examples of docs/formats.md against the program. Each example is
# a fenced block after a line
#   `mavek ARGS iris.dat` writes `FILE`:     (a result file)
#   `mavek ARGS iris.dat` prints:            (the standard output)
# and must equal that output of the run in a directory holding only the
# example table, byte for byte. A block whose last line is "..." shows the
# first lines of the file only.
# Usage: formats_examples_test.sh MAVEK FORMATS_MD IRIS_DAT
set -u
bin=$(readlink -f "$1")
doc=$2
table=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

checked=0
failed=0
in_block=0
args=
file=
expect="$work/expected"
writes='^`mavek (.*)iris\.dat` writes `([^`]+)`:$'
prints='^`mavek (.*)iris\.dat` prints:$'
while IFS= read -r line || [ -n "$line" ]; do
  if [ $in_block -eq 0 ]; then
    if [[ $line =~ $writes ]]; then
      args=${BASH_REMATCH[1]} file=${BASH_REMATCH[2]}
    elif [[ $line =~ $prints ]]; then
      args=${BASH_REMATCH[1]} file=stdout
    else
      continue
    fi
    in_block=1
    : >"$expect"
    continue
  fi
  if [ $in_block -eq 1 ]; then  # the opening fence
    [ -z "$line" ] && continue
    [ "$line" = '```' ] || { echo "example for $file: no code block after its command"; exit 1; }
    in_block=2
    continue
  fi
  if [ "$line" != '```' ]; then
    printf '%s\n' "$line" >>"$expect"
    continue
  fi
  in_block=0
  run="$work/run"
  rm -rf "$run" && mkdir "$run" && cp "$table" "$run/iris.dat"
  eval "set -- $args"
  (cd "$run" && "$bin" "$@" iris.dat </dev/null >stdout 2>/dev/null)
  actual="$run/$file"
  if [ "$(tail -n 1 "$expect")" = "..." ]; then
    keep=$(($(wc -l <"$expect") - 1))
    head -n "$keep" "$expect" >"$expect.head" && mv "$expect.head" "$expect"
    [ -f "$actual" ] && head -n "$keep" "$actual" >"$work/actual" || : >"$work/actual"
  else
    [ -f "$actual" ] && cp "$actual" "$work/actual" || : >"$work/actual"
  fi
  if ! diff -u --label "docs: mavek $args iris.dat -> $file" --label "program" "$expect" "$work/actual"; then
    failed=$((failed + 1))
  fi
  checked=$((checked + 1))
done <"$doc"

[ $in_block -eq 0 ] || { echo "unterminated example block in $doc"; exit 1; }
echo "$checked examples checked, $failed differ"
[ $checked -gt 0 ] && [ $failed -eq 0 ]
