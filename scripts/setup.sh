#!/usr/bin/env bash
# Installs the Debian packages TERVPalm needs to build, test and run its demo.
# Idempotent: packages already installed are skipped, and apt is not touched at all
# when nothing is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git clang-format clang libclang-rt-dev
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libsqlite3-dev sqlite3 libsqlite3-mod-spatialite
  libzip-dev zip unzip libzint-dev libjpeg62-turbo-dev
  nlohmann-json3-dev libcpp-httplib-dev libssl-dev
  libgtest-dev libgmock-dev
  qpdf poppler-utils zbar-tools imagemagick
  fonts-liberation fonts-urw-base35 python3 python3-fonttools
  xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
