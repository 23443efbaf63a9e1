# Sourced by the end-to-end runners. The program's version comes from
# project() in CMakeLists.txt, which CTest passes as MAVEK_VERSION.
#
# mask_streams FILE: the banner line "mavek Version <version> <build date>
# <build time> Build: 0 by Kestrin" becomes "mavek Version VERSION DATE TIME
# Build: 0 by Kestrin", and the elapsed "<n> seconds" becomes "N seconds".
# Only a line of exactly that shape, with this version, is masked.
if [ -z "${MAVEK_VERSION:-}" ]; then
  echo "MAVEK_VERSION is not set (CTest sets it from project() in CMakeLists.txt)"
  exit 1
fi
mask_version=$(printf '%s' "$MAVEK_VERSION" | sed 's/[.[\*^$/]/\\&/g')
mask_streams() {
  sed -E -e "s/^mavek Version $mask_version [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} Build: 0 by Kestrin\$/mavek Version VERSION DATE TIME Build: 0 by Kestrin/" \
         -e 's/^[0-9]+ seconds$/N seconds/' "$1" >"$1.masked" && mv "$1.masked" "$1"
}
