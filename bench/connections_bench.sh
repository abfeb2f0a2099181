#!/usr/bin/env bash
# Sending over a slow link, on 127.0.0.1 only: Postfix's smtp-sink behind a proxy that holds
# back every reply by DELAY_MS (default 25), as a link with that round trip does. A sending
# pass of COUNT messages (default 2000) over 1 and over 4 connections, beside smtp-source with
# -s 1 and -s 4 (messages of the same size, connections kept open) through the same proxy.
# Needs the postfix package for smtp-sink and smtp-source (the postfix service is not run).
#
#   bench/connections_bench.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
count=${COUNT:-2000}
delay=${DELAY_MS:-25}
bench="$build/bench/mail_bench"
python=/usr/bin/python3
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# shellcheck source=bench/bench_common.sh
source "$top/bench/bench_common.sh"
rate() { printf '%.0f' "$(echo "$count / $1" | bc -l)"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

sink=$(free_port)
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(-u nobody)
smtp-sink "${as_user[@]}" "127.0.0.1:$sink" 256 &
pids+=($!)
wait_for_port "$sink"
slow=$(free_port)
"$python" "$top/bench/delay_proxy.py" "$slow" "$sink" "$delay" &
pids+=($!)
wait_for_port "$slow"

echo "messages: $count through a proxy holding back each reply by $delay ms"
for connections in ${CONNECTION_COUNTS:-1 4}; do
  read -r tidewell sent bytes < <("$bench" send "$slow" "$count" 2 "$connections")
  source=$(seconds_of smtp-source -d -s "$connections" -m "$count" -l "$bytes" \
    -f list@example.net -t reader@example.net "127.0.0.1:$slow")
  printf '%-36s %8.2f s %6s msg/s\n' "Tidewell, $connections connection(s)" "$tidewell" \
    "$(rate "$tidewell")"
  printf '%-36s %8.2f s %6s msg/s\n' "smtp-source -s $connections" "$source" "$(rate "$source")"
  echo "Tidewell rate / smtp-source rate at $connections: $(ratio "$source" "$tidewell")" \
    "(target >= 0.90)"
done
