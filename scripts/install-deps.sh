#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the
# fuzzer need. Safe to run again: packages already present are skipped.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev
  libqt6opengl6-dev libgl-dev
  libboost-dev libcurl4-openssl-dev libgumbo-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  curl python3 python3-websocket
  dbus-daemon
  xvfb xdotool xclip
  qt6-wayland weston
  at-spi2-core python3-pyatspi
  fonts-dejavu-core
  dpkg-dev fakeroot lintian desktop-file-utils appstream help2man
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
