#!/bin/sh
# Runs a test program inside a private D-Bus session with its own GNOME Keyring, created and
# unlocked for the test in a temporary home, so no desktop's keyring is ever touched.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
# Under the sanitizers: what GLib keeps for the session bus is not a leak of ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/keyring_session.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
dbus-run-session -- sh -c \
  'printf %s test-unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null && "$@"' \
  keyring-session "$@"
