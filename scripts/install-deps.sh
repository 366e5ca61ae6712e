#!/usr/bin/env bash
# Installs everything Sentrel needs to build, run and test on Debian or Ubuntu.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libcurl4-openssl-dev libcpp-httplib-dev
  qt6-base-dev libqrencode-dev libxcb1-dev libxcb-composite0-dev libxcb-keysyms1-dev
  fonts-wqy-zenhei
  libgtest-dev libgmock-dev libssl-dev
  xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick openbox picom
  g++-mingw-w64-x86-64 googletest qrencode wine wine64
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${packages[@]}"
