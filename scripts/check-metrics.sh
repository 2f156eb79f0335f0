#!/usr/bin/env bash
# The Prometheus side: the shipped alert rules load, and a real scrape of a
# driver that has answered a sale and a refused file is valid exposition text.
# Usage: check-metrics.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
address=127.0.70.31
promtool check rules packaging/prometheus/vorndrv-alerts.yml

work=$(mktemp -d)
sim_pid=""
drv_pid=""
cleanup() {
  [ -n "$drv_pid" ] && kill "$drv_pid" 2>/dev/null && wait "$drv_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$build/simulator/vorn-sim" --tcp "$address" --roll "$work/roll.txt" >"$work/sim.out" 2>&1 &
sim_pid=$!
printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n[ServerHTTP]\r\nActiv=DA\r\nAdresa=%s\r\n[Metrici]\r\nActiv=DA\r\nAdresa=%s\r\n' \
  "$address" "$address" "$address" >"$work/XVORNDRV.INI"
VORNDRV_HOME="$work" VORNDRV_HEADLESS=1 VORNDRV_TIME_SCALE=0.1 "$build/app/vorndrv" >"$work/drv.out" 2>&1 &
drv_pid=$!

answer() {  # drops ONLINE$1.TXT with the bytes $2 and waits for its answer
  printf '%b' "$2" >"$work/tmp.$1" && mv "$work/tmp.$1" "$work/ONLINE$1.TXT"
  for _ in $(seq 300); do
    [ -f "$work/ERROR$1.TXT" ] && [ ! -f "$work/ONLINE$1.TXT" ] && return 0
    sleep 0.1
  done
  echo "no answer for ONLINE$1.TXT"; cat "$work/drv.out"; exit 1
}
answer 1 '1;PAINE;BUC;1;1;350;200000\r\n5;350;1\r\n'
answer 2 '01;X\r\n'

# No Cheie: the scrape carries the token the driver keeps in its folder.
python3 - "$address" "$work/VORNHTTP.KEY" >"$work/scrape.txt" <<'PY'
import sys, urllib.request
token = open(sys.argv[2]).read().strip()
request = urllib.request.Request(f"http://{sys.argv[1]}:9181/metrics",
                                 headers={"Authorization": f"Bearer {token}"})
print(urllib.request.urlopen(request, timeout=10).read().decode(), end="")
PY
promtool check metrics <"$work/scrape.txt"
grep -q '^vorndrv_answers_total{result="ok"} 1$' "$work/scrape.txt"
grep -q '^vorndrv_answer_errors_total{code="8006"} 1$' "$work/scrape.txt"
echo "metrics: alert rules load, a real scrape is valid"
