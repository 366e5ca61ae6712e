#!/usr/bin/env bash
# Sets everything up, builds, and starts Sentrel with its local notification
# service. The service's console (with the sign-in code and every alert) stays
# in this terminal; closing the Sentrel window stops both.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default

if [ -z "${DISPLAY:-}" ]; then
  echo "Sentrel needs a graphical desktop (an X11 or XWayland display); DISPLAY is not set." >&2
  exit 1
fi

port="${SENTREL_PORT:-8731}"
build/bin/sentrel-service --port "$port" &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT
sleep 0.5

echo
echo "Sign in to Sentrel with the verification code printed above (or one from http://127.0.0.1:$port/)."
echo "Accepted alerts appear here as JSON lines."
echo
SENTREL_SERVICE_URL="http://127.0.0.1:$port" build/bin/sentrel
