#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  librtmidi-dev jackd2
  libpng-dev zlib1g-dev
  libx11-dev xvfb xauth xdotool
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
  libcurl4-openssl-dev nlohmann-json3-dev
  libssl-dev nettle-dev openssl python3
  libcairo2-dev libpixman-1-dev
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
