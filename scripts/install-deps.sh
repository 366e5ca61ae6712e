#!/usr/bin/env bash
# Installs what Sentrel needs on Debian or Ubuntu.
#   install-deps.sh        to build and run the Linux tool and its local service
#   install-deps.sh test   also the test tools, the Windows cross-build and Wine
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcurl4-openssl-dev libboost-dev libsqlite3-dev
  qt6-base-dev libqt6svg6 libqrencode-dev libxcb1-dev libxcb-composite0-dev libxcb-keysyms1-dev libxcb-randr0-dev
  libxcb-screensaver0-dev
  libwayland-dev wayland-protocols libpipewire-0.3-dev qt6-wayland
  fonts-wqy-zenhei
  # sentrel-local prints the phone's QR code with it
  qrencode
  # for the Debian package: cpack's DEB generator runs file and dpkg-shlibdeps
  file dpkg-dev
)
if [ "${1:-}" = "test" ]; then
  packages+=(
    clang-format libgtest-dev libgmock-dev googletest
    xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick openbox picom dbus-daemon i3lock
    # the Windows edition: SQLite's amalgamation is made with tclsh; the
    # installer's icon is drawn by rsvg-convert, the installer made by NSIS
    g++-mingw-w64-x86-64 tcl librsvg2-bin nsis wine wine64
    clang libclang-rt-dev
    sway grim wtype swaylock python3-dbusmock mutter pipewire pipewire-bin wireplumber xdg-desktop-portal
    xdg-desktop-portal-gnome gnome-shell
    # the installer test reads the page with curl and the processes with ps;
    # the launcher's test holds a port with python3
    curl procps python3
    # the code page in headless Chromium, its QR code read back from the screenshot by zbarimg
    chromium zbar-tools
  )
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${packages[@]}"
