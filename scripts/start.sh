#!/usr/bin/env bash
# Builds Tidewell and starts the desktop program. "start.sh cli ARGS..." runs tidewell-cli
# with ARGS instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTIDEWELL_TESTS=OFF -DTIDEWELL_BENCH=OFF >/dev/null
if [ "${1:-}" = cli ]; then
  shift
  ninja -C "$top/build-release" -j2 tidewell-cli >/dev/null
  if [ $# -eq 0 ]; then set -- help; fi
  exec "$top/build-release/src/cli/tidewell-cli" "$@"
fi
ninja -C "$top/build-release" -j2 tidewell >/dev/null
exec "$top/build-release/src/app/tidewell"
