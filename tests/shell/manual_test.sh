#!/usr/bin/env bash
# Renders the manual page as man(1) does and checks that groff has nothing to
# warn about and that every section a reader looks for is there. Skipped
# (status 77) where man or groff is not installed.
# Usage: manual_test.sh MANUAL_PAGE
set -u
page=$1
if ! command -v man >/dev/null || ! command -v groff >/dev/null; then
  echo "man or groff is not installed: skipped"
  exit 77
fi
[ -f "$page" ] || { echo "no manual page at $page"; exit 1; }

failed=0
for width in 80 60; do
  warnings=$(MANWIDTH=$width man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "FAIL: warnings at width $width:"
    echo "$warnings"
    failed=1
  fi
done

text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "INPUT FORMAT" "OUTPUT FILES" "RUN LOG" \
  ENVIRONMENT "EXIT STATUS" DIAGNOSTICS EXAMPLES; do
  grep -qx "$section" <<<"$text" || { echo "FAIL: no section $section"; failed=1; }
done
for name in MAVEK_THREADS MAVEK_ISA .mvd .std .cor .cov .inp .da1 .his .eig .fsc .sco logfile; do
  grep -qF -- "$name" <<<"$text" || { echo "FAIL: $name is not described"; failed=1; }
done

[ $failed -eq 0 ] && echo "manual page renders cleanly"
exit $failed
