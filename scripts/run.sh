#!/usr/bin/env bash
# Sets everything up, builds, and starts Sentrel with its local notification service.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default

echo
echo "Starting the local notification service. Sign in with the verification code it prints;"
echo "a fresh code is on the page it serves. Accepted alerts appear below as JSON lines."
echo "(The Sentrel window itself is not part of this build yet.) Stop with Ctrl+C."
echo
exec build/bin/sentrel-service "$@"
