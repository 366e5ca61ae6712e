#!/usr/bin/env bash
# The running tool, measured on a private Xvfb with the local service on
# loopback: time from start to the window on screen, then CPU time and
# resident memory while it monitors 20 areas for 60 seconds.
# Usage: bench/tool_bench.sh [build-dir]   (default: build)
#        SENTREL_BENCH_APP="wine build-windows/bin/sentrel.exe" bench/tool_bench.sh
#        measures the Windows edition under Wine instead (CPU of its own
#        process; Wine's server process is not counted).
set -euo pipefail
build="${1:-build}"
read -r -a command <<< "${SENTREL_BENCH_APP:-$build/bin/sentrel}"
seconds="${SENTREL_BENCH_SECONDS:-60}"

display=""
for n in $(seq 150 250); do
  if [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp -noreset &
xvfb=$!
export DISPLAY="$display"
log=$(mktemp)
"$build/bin/sentrel-service" --port 0 --code 4321 2>"$log" >/dev/null &
service=$!
trap 'kill "$app" "$service" "$xvfb" 2>/dev/null || true; rm -f "$log"' EXIT
app=""
until grep -q "listening on" "$log"; do sleep 0.05; done
until xdpyinfo >/dev/null 2>&1; do sleep 0.05; done
url=$(grep -o 'http://[0-9.:]*' "$log" | head -n 1)

start=$(date +%s%N)
SENTREL_SERVICE_URL="$url" WINEDEBUG=-all "${command[@]}" 2>/dev/null &
app=$!
until xdotool search --onlyvisible --name '^Sentrel$' >/dev/null 2>&1; do sleep 0.005; done
shown=$(date +%s%N)

xdotool mousemove 972 184 click 1 type 4321
xdotool mousemove 1064 184 click 1
until grep -q "sign-in accepted" "$log"; do sleep 0.05; done
for i in $(seq 0 19); do
  x=$((60 + (i % 5) * 360)); y=$((100 + (i / 5) * 240))
  xdotool mousemove $x $y mousedown 1 mousemove $((x + 60)) $((y + 60)) mouseup 1
done
xdotool mousemove 1168 32 click 1 mousemove 728 20 click 1

ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")

echo "start to window shown:        $(( (shown - start) / 1000000 )) ms   (goal < 300 ms)"
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "CPU while monitoring 20 areas: %.3f %% of one core over %d s   (goal < 0.5 %%)\n", 100 * t / hz / s, s }'
awk -v kb="$rss" 'BEGIN { printf "resident memory:              %.1f MiB   (goal < 60 MiB)\n", kb / 1024 }'
