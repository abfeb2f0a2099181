#!/usr/bin/env bash
# Prints how large the tests are against the code (lines of the .cpp, .h, .py, .php, .sh and .js
# files of tests/ and fuzz/ against src/ and web/) and the line coverage of the core (src/
# without the Qt folders ui/ and app/), measured with gcovr over a --coverage build of every test
# in build-cov/. The coverage build leaves out the desktop program (-DTIDEWELL_DESKTOP=OFF): the core
# is what is measured, and the Qt-free core builds and tests without it.
#   scripts/test_share.sh           share and coverage (builds and runs the whole suite)
#   scripts/test_share.sh --share   the share only (instant)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

lines() {
  git ls-files -- "$@" | grep -E '\.(cpp|h|py|php|sh|js)$' | tr '\n' '\0' | xargs -0 -r cat | wc -l
}
tests=$(lines tests fuzz)
code=$(lines src web)
echo "tests/ $(lines tests) + fuzz/ $(lines fuzz) = $tests lines against src/ $(lines src) + web/ $(lines web) = $code lines"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "test share: %.1f%%\n", 100 * t / c }'
[ "${1:-}" = --share ] && exit 0

"$top/scripts/deps.sh"
build="$top/build-cov"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIDEWELL_BENCH=OFF \
  -DTIDEWELL_DESKTOP=OFF -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
  -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
ninja -C "$build" -j2
find "$build" -name '*.gcda' -delete
status=0
ctest --test-dir "$build" -j2 --output-on-failure >"$build/ctest.log" 2>&1 || status=$?
grep -E 'tests passed|\*\*\*Failed|\*\*\*Timeout' "$build/ctest.log" || true
# The core: every library under src/ except the Qt panels (ui/) and the desktop program (app/).
gcovr --root "$top" --object-directory "$build" --filter "$top/src/" \
  --exclude "$top/src/app/" --exclude '.*/ui/.*' --exclude '.*_autogen/.*' \
  --gcov-ignore-parse-errors --print-summary \
  -o "$build/coverage.txt" "$build" | grep -E "^(lines|functions|branches):" |
  sed 's/^lines:/core line coverage:/; s/^branches:/core branch coverage:/; s/^functions:/core function coverage:/'
[ "$status" -eq 0 ] || echo "some tests failed (see $build/ctest.log): the coverage is without them" >&2
exit "$status"
