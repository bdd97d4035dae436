#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need; quick when all are there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ca-certificates git dpkg-dev file man-db
    qt6-base-dev libcurl4-openssl-dev libssl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    python3 python3-aiosmtpd clang-format
    xvfb xauth trayer xdotool imagemagick dbus at-spi2-core python3-pyatspi python3-xlib iproute2
    desktop-file-utils appstream libglib2.0-bin chromium fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
