#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs; quick when all are present.
set -euo pipefail

packages=(
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libhidapi-dev libudev-dev umockdev libumockdev-dev
  libpulse-dev pulseaudio pulseaudio-utils sox libsndfile1-dev python3
  qt6-base-dev fonts-dejavu-core fontconfig xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q || true
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
