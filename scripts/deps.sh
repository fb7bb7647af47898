#!/usr/bin/env bash
# Installs the Debian packages Dexaro needs to build, test and run, when any is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ make pkg-config qt6-base-dev qt6-image-formats-plugins libgtest-dev
      xvfb xauth attr e2fsprogs util-linux fonts-dejavu-core)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
