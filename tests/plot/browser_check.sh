#!/usr/bin/env bash
# The pages in a real browser: runs "mavek -c -h -e" and then mavek-plot on the
# example tables and the tables of this folder, loads every page in headless
# Chromium, checks the parsed document for the charts and the column names,
# and takes a screenshot 1200 pixels wide. Exits 77 (skipped) when Chromium
# is not installed. Set MAVEK_PLOT_SHOTS to a folder to keep the screenshots.
#
# usage: browser_check.sh MAVEK MAVEK_PLOT SOURCE_DIR
set -u
mavek=$(readlink -f "$1")
plot=$(readlink -f "$2")
src=$(readlink -f "$3")

browser=$(command -v chromium || command -v chromium-browser) || {
  echo "chromium is not installed: skipped"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

chrome() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --hide-scrollbars "$@" 2>>"$work/chromium.log"
}

# The names a table's columns should get, worked out here on their own: the
# words of the last comment line above the first data line, when there are
# as many as the first data line has numbers; else x1, x2, ...
expected_names() {
  awk '
    /^[#;!]/ { last = substr($0, 2); next }
    {
      n = 0
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$/) n++; else break
      }
      w = split(last, word, /[ \t\r]+/)
      k = 0
      for (i = 1; i <= w; i++) if (word[i] != "") name[++k] = word[i]
      for (i = 1; i <= n; i++) print (k == n ? name[i] : "x" i)
      exit
    }' "$1"
}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

count() { grep -o -F -- "$1" "$2" | wc -l; }

tables=()
for t in "$src"/examples/*.dat "$src"/tests/plot/data/*.dat; do
  [ -f "$t" ] && tables+=("$t")
done
cd "$work" || exit 1
for t in "${tables[@]}"; do
  cp "$t" .
  name=$(basename "$t")
  base=${name%.*}
  "$mavek" --quiet -c -h -e "$name" >/dev/null 2>>"$work/mavek.log" || fail "$name: mavek failed"
  out=$("$plot" "$name") || fail "$name: mavek-plot failed"
  [ "$out" = "Writing file: $base.html" ] || fail "$name: mavek-plot printed '$out'"

  chrome --dump-dom "file://$work/$base.html" >"$base.dom"
  [ -s "$base.dom" ] || { fail "$name: no document from chromium"; continue; }
  mapfile -t names < <(expected_names "$name")
  m=${#names[@]}
  hist=$((m < 50 ? m : 50))
  [ "$(count '<svg class="chart histogram"' "$base.dom")" -eq "$hist" ] || fail "$name: not $hist histograms"
  [ "$(count '<svg class="chart ranges"' "$base.dom")" -eq 1 ] || fail "$name: no range chart"
  [ "$(count '<svg class="chart heatmap"' "$base.dom")" -eq 1 ] || fail "$name: no heat map"
  [ "$(count '<g class="cell">' "$base.dom")" -eq $((m * m)) ] || fail "$name: not $((m * m)) heat-map cells"
  [ "$(count '<svg class="chart scree"' "$base.dom")" -eq 1 ] || fail "$name: no scree plot"
  if [ "$m" -ge 2 ]; then
    [ "$(count '<svg class="chart loadings"' "$base.dom")" -eq 1 ] || fail "$name: no loadings"
  fi
  for n in "${names[@]}"; do
    grep -q -F "<td class=\"name\">$n</td>" "$base.dom" || fail "$name: column name '$n' missing"
  done
  ! grep -q -i '<script\|<link\|src="' "$base.dom" || fail "$name: the page refers to something outside"

  chrome --screenshot="$work/$base.png" --window-size=1200,2400 "file://$work/$base.html" >/dev/null
  [ "$(head -c 8 "$base.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
    fail "$name: no screenshot"
  if [ -n "${MAVEK_PLOT_SHOTS:-}" ]; then cp "$base.png" "$MAVEK_PLOT_SHOTS/"; fi
  echo "$name: $m variables, page checked"
done
[ ${#tables[@]} -gt 0 ] || fail "no example tables"
if [ "$failures" -gt 0 ]; then
  echo "--- chromium log"
  tail -20 "$work/chromium.log"
  exit 1
fi
exit 0
