#!/usr/bin/env bash
# Under an X server: starts the desktop program, waits until its window shows, keeps a picture
# of the screen and ends the program. Fails when the program ends first or shows no window in
# 20 seconds.
#   start_window.sh PROGRAM PICTURE.png
set -uo pipefail
program=$1
picture=$2
"$program" &
pid=$!
for _ in $(seq 1 40); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "tidewell ended (status $?) before it showed a window" >&2
    exit 1
  fi
  if xwininfo -root -tree | grep -q '"Tidewell [0-9]'; then
    sleep 1
    if command -v import >/dev/null; then import -window root "$picture" 2>/dev/null; fi
    xwininfo -root -tree | grep '"Tidewell [0-9]' | head -n 3
    kill "$pid"
    wait "$pid" 2>/dev/null
    exit 0
  fi
  sleep 0.5
done
kill "$pid"
echo "tidewell showed no window in 20 seconds" >&2
exit 1
