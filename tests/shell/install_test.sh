#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that the program, its
# manual page, its bash completion and the documentation land where users
# and tools look for them.
# Usage: install_test.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

failed=0
for f in bin/mavek share/man/man1/mavek.1 share/bash-completion/completions/mavek \
  share/doc/mavek/README.md share/doc/mavek/CHANGELOG.md share/doc/mavek/LICENSE \
  share/doc/mavek/formats.md share/doc/mavek/examples/iris.dat \
  share/doc/mavek/examples/weather.dat share/doc/mavek/examples/airquality.csv \
  share/doc/mavek/examples/batch.sh; do
  [ -f "$prefix/$f" ] || { echo "FAIL: $f not installed"; failed=1; }
done
[ -x "$prefix/bin/mavek" ] || { echo "FAIL: bin/mavek is not executable"; failed=1; }
[ -x "$prefix/share/doc/mavek/examples/batch.sh" ] || { echo "FAIL: batch.sh is not executable"; failed=1; }

# The installed program runs from its new place.
"$prefix/bin/mavek" --more -? 2>/dev/null | head -n 1 | grep -q '^mavek Version ' ||
  { echo "FAIL: the installed program does not run"; failed=1; }

[ $failed -eq 0 ] && echo "install tree complete"
exit $failed
