#!/usr/bin/env bash
# The running tool as a user has it, measured on a private Xvfb with openbox
# and the local service on loopback: time from start to the window on screen,
# then, signed in and watching 20 areas with the window left shown, the
# tool's CPU time, the X server's CPU time it causes and its resident memory.
# Usage: bench/tool_bench.sh [build-dir]   (default: build)
#        SENTREL_BENCH_SECONDS=20 shortens both measured intervals (default 60).
#        SENTREL_BENCH_APP="wine build-windows/bin/sentrel.exe" bench/tool_bench.sh
#        measures the Windows edition under Wine instead (CPU of its own
#        process; Wine's server process is not counted).
set -euo pipefail
build="${1:-build}"
read -r -a command <<< "${SENTREL_BENCH_APP:-$build/bin/sentrel}"
seconds="${SENTREL_BENCH_SECONDS:-60}"
if ! command -v openbox >/dev/null; then
  echo "tool_bench.sh: needs openbox (apt-get install -y openbox)" >&2
  exit 1
fi

work=$(mktemp -d)
app="" service="" openbox="" xvfb=""
trap 'kill $app $service $openbox $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

# A display number nobody holds, and whose lock names this Xvfb: another
# server may take a free number between the check and the start.
for n in $(seq 150 250); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset 2>/dev/null &
  xvfb=$!
  until DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 || ! kill -0 "$xvfb" 2>/dev/null; do sleep 0.05; done
  if kill -0 "$xvfb" 2>/dev/null && [ "$(tr -d ' ' < "/tmp/.X$n-lock")" = "$xvfb" ]; then
    export DISPLAY=":$n"
    break
  fi
  kill "$xvfb" 2>/dev/null || true
  xvfb=""
done
[ -n "$xvfb" ] || { echo "tool_bench.sh: could not start Xvfb" >&2; exit 1; }

# The window tests' openbox configuration, so the user's own is not read.
openbox --sm-disable --config-file "$(cd "$(dirname "$0")/.." && pwd)/tests/e2e/openbox-rc.xml" 2>/dev/null &
openbox=$!
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.05; done
"$build/bin/sentrel-service" --port 0 --code 4321 2>"$work/service.log" >/dev/null &
service=$!
until grep -q "listening on" "$work/service.log"; do sleep 0.05; done
url=$(grep -o 'http://[0-9.:]*' "$work/service.log" | head -n 1)

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

# What the X server spends with the window manager alone, over as long as
# the tool is measured; subtracted below.
xvfb_idle_before=$(ticks "$xvfb")
sleep "$seconds"
xvfb_idle=$(($(ticks "$xvfb") - xvfb_idle_before))

start=$(date +%s%N)
SENTREL_SERVICE_URL="$url" WINEDEBUG=-all "${command[@]}" 2>/dev/null &
app=$!
until xdotool search --onlyvisible --name '^Sentrel$' >/dev/null 2>&1; do sleep 0.005; done
shown=$(date +%s%N)

xdotool mousemove 972 184 click 1 type 4321
xdotool mousemove 1064 184 click 1
until grep -q "sign-in accepted" "$work/service.log"; do sleep 0.05; done
for i in $(seq 0 19); do
  x=$((60 + (i % 5) * 360)); y=$((100 + (i / 5) * 240))
  xdotool mousemove $x $y mousedown 1 mousemove $((x + 60)) $((y + 60)) mouseup 1
done
# The change mode, then start, leaving the window shown; the repaints the
# clicks cause are over before the measured interval begins.
xdotool mousemove 1168 32 click 1 mousemove 728 20 click 1
sleep 2

app_before=$(ticks "$app")
xvfb_before=$(ticks "$xvfb")
sleep "$seconds"
app_ticks=$(($(ticks "$app") - app_before))
xvfb_ticks=$(($(ticks "$xvfb") - xvfb_before))
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
# An area that has alerted is no longer sampled, which would flatter the figures.
alerts=$(grep -c "alert for area" "$work/service.log" || true)

percent() { awk -v t="$1" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.3f", 100 * t / hz / s }'; }
echo "start to window shown:           $(((shown - start) / 1000000)) ms   (goal < 300 ms)"
echo "tool CPU, 20 areas, window shown: $(percent "$app_ticks") % of one core over $seconds s   (goal < 0.4 %)"
echo "X server CPU the tool causes:     $(percent $((xvfb_ticks - xvfb_idle))) % of one core" \
  "($(percent "$xvfb_ticks") % less $(percent "$xvfb_idle") % idle)   (goal < 0.2 %)"
awk -v kb="$rss" 'BEGIN { printf "resident memory:                  %.1f MiB   (goal < 60 MiB)\n", kb / 1024 }'
echo "alerts sent:                      $alerts   (nothing beneath the areas changes: 0 expected)"
