#!/usr/bin/env bash
# Builds Tidewell with its tests and benchmarks and runs every test.
# TIDEWELL_SANITIZE=1 builds and runs them under AddressSanitizer + UndefinedBehaviorSanitizer.
# TIDEWELL_WERROR=1 fails the build on any compiler warning (continuous integration sets it).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build="$top/build"
werror=OFF
[ "${TIDEWELL_WERROR:-0}" = 1 ] && werror=ON
flags=(-DCMAKE_COMPILE_WARNING_AS_ERROR=$werror)
if [ "${TIDEWELL_SANITIZE:-0}" = 1 ]; then
  build="$top/build-asan"
  flags+=(-DTIDEWELL_SANITIZE=ON -DTIDEWELL_BENCH=OFF)
fi
cmake -S "$top" -B "$build" -G Ninja "${flags[@]}" >/dev/null
ninja -C "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2
