#!/bin/sh
# Usage: run-at-dpi.sh DPI PROGRAM [ARGUMENTS...]: runs the program under Wine
# with the screen at that density, in a Wine prefix of its own for the run.
set -eu
dpi=$1
shift
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
trap 'wineserver -k; rm -rf "$WINEPREFIX"' EXIT
wineboot --init >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
SENTREL_TEST_DPI=$dpi wine "$@"
