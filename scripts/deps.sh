#!/usr/bin/env bash
# Installs the Debian packages Tidewell builds, tests and packages with, when any is missing
# (gcovr for scripts/test_share.sh; dpkg-dev, lintian and appstream for scripts/package.sh).
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev fonts-dejavu-core xvfb xauth xdg-utils
  libcurl4-openssl-dev libgmime-3.0-dev ca-certificates openssl
  dovecot-core dovecot-pop3d dovecot-imapd python3-aiosmtpd
  libssl-dev libsecret-1-dev gnome-keyring dbus-daemon qt6-networkauth-dev
  php-cli chromium chromium-driver python3-selenium libxml2-dev
  clang libfuzzer-14-dev libclang-rt-14-dev
  gcovr dpkg-dev lintian appstream qt6-qpa-plugins x11-utils)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
