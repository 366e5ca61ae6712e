#!/usr/bin/env bash
# Sets everything up, builds, and starts Sentrel with its local notification
# service. The service's console (with the sign-in code and every alert) stays
# in this terminal; closing the Sentrel window stops both.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default -DBUILD_TESTING=OFF
cmake --build --preset default

if [ -z "${DISPLAY:-}" ]; then
  echo "Sentrel needs a graphical desktop (an X11 or XWayland display); DISPLAY is not set." >&2
  exit 1
fi
exec build/bin/sentrel-local
