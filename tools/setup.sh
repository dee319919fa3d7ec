#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  librtmidi-dev jackd2 libjack-jackd2-dev
  libpng-dev zlib1g-dev
  libx11-dev xvfb xauth xdotool imagemagick dbus-daemon
  libglib2.0-dev libgtk-3-dev libxtst-dev x11-utils locales
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
  libcurl4-openssl-dev nlohmann-json3-dev
  libssl-dev nettle-dev openssl python3
  libcairo2-dev libpixman-1-dev
  libepoxy-dev libgl1-mesa-dri libegl-dev
  clang-14 libclang-rt-14-dev clang-format-14
  poppler-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -ne 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# A comma locale: the desktop tests check that numbers keep the "C" form under it.
if ! locale -a 2>/dev/null | grep -i '^de_DE\.utf-\?8$' >/dev/null; then
  echo "setup: generating the de_DE.UTF-8 locale"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "setup: could not generate de_DE.UTF-8; the comma-locale case will be skipped"
fi
