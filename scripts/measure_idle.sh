#!/usr/bin/env bash
# Runs vorndrv idle against vorn-sim for about 20 seconds with the default
# settings (a connection test every second) and prints the driver's CPU use,
# in % of one core, and its resident memory.
#   usage: scripts/measure_idle.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-20}
address=${VORN_IDLE_ADDRESS:-127.0.0.93}
for exe in "$build/app/vorndrv" "$build/simulator/vorn-sim"; do
  [ -x "$exe" ] || { echo "missing $exe: build first (cmake --build $build)" >&2; exit 1; }
done

folder=$(mktemp -d)
sim_pid=""
drv_pid=""
cleanup() {
  [ -n "$drv_pid" ] && kill "$drv_pid" 2>/dev/null && wait "$drv_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  rm -rf "$folder"
}
trap cleanup EXIT

"$build/simulator/vorn-sim" --tcp "$address" --control 9101 >"$folder/sim.out" 2>&1 &
sim_pid=$!
printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n' "$address" >"$folder/XVORNDRV.INI"
VORNDRV_HOME="$folder" VORNDRV_HEADLESS=1 "$build/app/vorndrv" >"$folder/driver.out" 2>&1 &
drv_pid=$!

# Let start-up settle, then take the counters over the measured window.
for _ in $(seq 50); do
  grep -qs 'ConectatLaCasa=DA' "$folder/VORNDRV.INFO" && break
  sleep 0.1
done
if ! grep -qs 'ConectatLaCasa=DA' "$folder/VORNDRV.INFO"; then
  echo "the driver did not reach the simulator at $address" >&2
  cat "$folder/driver.out" "$folder/sim.out" >&2
  exit 1
fi
sleep 1

ticks() { awk '{ print $14 + $15 }' "/proc/$drv_pid/stat"; }
# Frames the simulator has received so far, asked over its control channel.
frames() {
  exec 3<>"/dev/tcp/$address/9101"
  printf 'status\nquit\n' >&3
  awk -F': ' '/frames received/ { print $2 }' <&3
  exec 3>&-
}
hz=$(getconf CLK_TCK)
f0=$(frames)
t0=$(ticks)
s0=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks)
s1=$(date +%s.%N)
f1=$(frames)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$drv_pid/status")

awk -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" -v hz="$hz" -v rss="$rss" \
    -v frames="$((${f1:-0} - ${f0:-0}))" 'BEGIN {
  wall = s1 - s0
  cpu = (t1 - t0) / hz
  printf "idle for %.1f s: CPU %.2f %% of one core (%.2f s), resident memory %.1f MB (VmRSS %d kB)\n",
         wall, 100 * cpu / wall, cpu, rss / 1024, rss
  printf "device frames meanwhile: %d (%.1f per second)\n", frames, frames / wall
}'
