#!/usr/bin/env bash
# Builds the Debian package of Tidewell from a Release build in build-package/ with CPack, checks
# its AppStream data (appstreamcli validate) and the package (lintian, which must report no
# error), and prints the package's path on the last line.
#   scripts/package.sh            then: sudo apt install ./build-package/tidewell_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build="$top/build-package"

# Debian's hardening flags (fortified functions, stack protector, read-only relocations).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDEWELL_TESTS=OFF \
  -DTIDEWELL_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed -E 's/(^| )-g( |$)/ /')" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
ninja -C "$build" -j2
appstreamcli validate --no-net "$top/packaging/tidewell.metainfo.xml"

rm -f "$build"/tidewell_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tidewell_*.deb)
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
# Errors fail the build; warnings are printed for the reader.
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
echo "$deb"
