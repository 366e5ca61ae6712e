#!/usr/bin/env bash
# The Linux launcher against stand-ins for the service, which writes the
# given ready record, and for the window, which says what it was given.
# usage: sentrel-local-test.sh <built sentrel-local>
set -euo pipefail
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
install -m 755 "$1" "$folder/sentrel-local"
cat >"$folder/sentrel-service" <<'STAND_IN'
#!/usr/bin/env bash
echo "service on port $2"
printf '%s\n' "$RECORD" >"$4"
exec sleep 60
STAND_IN
printf '#!/bin/sh\necho "window for $SENTREL_SERVICE_URL, page ${SENTREL_PAGE_URL:-none}"\n' >"$folder/sentrel"
chmod +x "$folder/sentrel-service" "$folder/sentrel"

failed=0
port=1
expect() {  # record, what the output must hold, what it must not
  local said
  said="$(RECORD="$1" SENTREL_PORT="$port" "$folder/sentrel-local" 2>&1)" || true
  [[ "$said" == *"$2"* && ( -z "$3" || "$said" != *"$3"* ) ]] || { echo "record $1 gave:"$'\n'"$said"; failed=1; }
}
topic="https://ntfy.sh/AbCdEfGhIjKlMnOpQrStUv_x"
expect "{\"url\":\"http://127.0.0.1:1\",\"code\":\"123456\",\"subscribe\":\"$topic\",\"page\":\"http://192.168.1.20:1/\"}" \
  "$(qrencode -t UTF8 "$topic")
Scan with your phone to get Sentrel's alerts there: $topic
Sign in with the code 123456 (single use, valid for ten minutes; a new one at http://127.0.0.1:1/)
window for http://127.0.0.1:1, page http://192.168.1.20:1/" ""
expect '{"url":"http://127.0.0.1:1","code":"123456","subscribe":"","page":""}' \
  "service on port 1
Sign in with the code 123456 (single use, valid for ten minutes; a new one at http://127.0.0.1:1/)
window for http://127.0.0.1:1, page none" "Scan"
# Another program on the port never sees the window: the launcher's own
# service takes a free one.
coproc taken { exec python3 -u -m http.server --bind 127.0.0.1 0; }
read -r _ _ _ _ _ port _ <&"${taken[0]}"
expect '{"url":"http://127.0.0.1:2","code":"123456","subscribe":"","page":""}' \
  "Port $port is taken by another program; starting this user's own service on a free port
service on port 0
Sign in with the code 123456 (single use, valid for ten minutes; a new one at http://127.0.0.1:2/)
window for http://127.0.0.1:2, page none" ""
kill "$taken_PID"
exit "$failed"
