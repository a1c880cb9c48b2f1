#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the programs need.
# Fast when everything is there already: apt is only touched for what is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-charts-dev libgl1-mesa-dev
  libsqlcipher-dev sqlcipher
  mdbtools-dev libzint-dev libcups2-dev
  libicu-dev
  fonts-wqy-zenhei
  xvfb xauth xdotool
  openssl
  libbenchmark-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
