#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, ASan and UBSan in build-fuzz/ and runs each
# for SECONDS (default 30) on a scratch copy of its corpus fuzz/corpus/<target>/, two at a time.
# Prints the executions per target; exits 1 on any finding (crash, leak, sanitizer report,
# broken invariant, hang), naming the input that caused it.
set -euo pipefail
seconds=${1:-30}
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build="$top/build-fuzz"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTIDEWELL_FUZZ=ON \
  -DTIDEWELL_DESKTOP=OFF -DTIDEWELL_TESTS=OFF -DTIDEWELL_BENCH=OFF "${launcher[@]}" >/dev/null
ninja -C "$build" -j2 fuzz_targets

work=$(mktemp -d "${TMPDIR:-/tmp}/tidewell-fuzz.XXXXXX")
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1

# One target: its own copy of the corpus, so new inputs never reach the committed one.
run_target() {
  local name=$1
  mkdir -p "$work/$name/corpus"
  cp -R "$top/fuzz/corpus/$name/." "$work/$name/corpus/"
  local status=0
  timeout --signal=KILL $((seconds + 120)) "$build/fuzz/$name" -max_total_time="$seconds" \
    -timeout=20 -print_final_stats=1 -artifact_prefix="$work/$name/" "$work/$name/corpus" \
    >"$work/$name/log" 2>&1 || status=$?
  echo "$status" >"$work/$name/status"
}

targets=()
for corpus in "$top"/fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
running=0
for name in "${targets[@]}"; do
  if [ "$running" -ge 2 ]; then
    wait -n
    running=$((running - 1))
  fi
  run_target "$name" &
  running=$((running + 1))
done
wait

failed=0
for name in "${targets[@]}"; do
  log="$work/$name/log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$(cat "$work/$name/status")" = 0 ]; then
    printf '%-24s %12s executions\n' "$name" "${runs:-?}"
    continue
  fi
  failed=1
  input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
  printf '%-24s FAILED after %s executions; input: %s\n' "$name" "${runs:-?}" "${input:-none}"
  grep -E 'invariant broken|ERROR: |SUMMARY: |runtime error' "$log" | head -5 | sed 's/^/    /'
  echo "    log: $log"
done
if [ "$failed" = 0 ]; then
  rm -rf "$work"
else
  echo "Findings are kept in $work; put each input in fuzz/corpus/<target>/ once fixed." >&2
fi
exit "$failed"
