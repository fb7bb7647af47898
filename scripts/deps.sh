#!/usr/bin/env bash
# Installs the Debian packages Dexaro needs to build, test and run, when any is missing.
set -euo pipefail
pkgs=(
    # build
    cmake ninja-build g++ make pkg-config qt6-base-dev libxcb1-dev libgtest-dev
    # run: picture formats; the controls' face with its designed widths (an outline MS Sans
    # Serif), a Palatino for the title, and a face for everything else
    qt6-image-formats-plugins fonts-wine fonts-urw-base35 fonts-dejavu-core
    # tests: attribute and file-system tools (the fault matrix makes ext4, btrfs, XFS and NTFS
    # images), Samba's own attribute codec, and a real desktop for the end-to-end tests
    attr e2fsprogs util-linux btrfs-progs xfsprogs ntfs-3g python3 python3-samba
    xvfb xauth openbox xfwm4 xfconf dbus-daemon xdotool x11-utils xclip
    # installing and packaging (make install, make deb): the launcher, metainfo and manual page
    # checks, and the package's own tools
    desktop-file-utils appstream man-db dpkg-dev lintian
    # fuzzing (make fuzz): clang with libFuzzer; the format check (make check)
    clang libclang-rt-14-dev clang-format
)
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
