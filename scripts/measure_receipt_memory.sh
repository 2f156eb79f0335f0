#!/usr/bin/env bash
# Peak memory for one large receipt file: the driver (file dropped into a running
# driver on the simulator, answered, driver stopped) and vorndrv-check, both under
# /usr/bin/time -v. Usage: measure_receipt_memory.sh [build dir] [MB] [line] [address]
# The default file is 20 MB of "8" CR LF lines.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mb=${2:-20}
line=${3-8}
address=${4:-127.0.70.9}
work=$(mktemp -d)
trap 'kill "$sim_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

python3 - "$work/big.txt" "$mb" "$line" <<'PY'
import sys
path, mb, line = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode() + b"\r\n"
with open(path, "wb") as f:
    f.write(line * (mb * 1024 * 1024 // len(line)))
PY
size=$(stat -c %s "$work/big.txt")

peak() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$1"; }

/usr/bin/time -v "$build/app/vorndrv-check" "$work/big.txt" >/dev/null 2>"$work/check.time" || true
echo "file $size bytes; vorndrv-check peak $(($(peak "$work/check.time") / 1024)) MB"

mkdir -p "$work/drv"
"$build/simulator/vorn-sim" --tcp "$address" --roll "$work/roll.txt" >"$work/sim.txt" 2>&1 &
sim_pid=$!
sleep 0.5
printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n' "$address" >"$work/drv/XVORNDRV.INI"
VORNDRV_HOME="$work/drv" VORNDRV_HEADLESS=1 /usr/bin/time -v "$build/app/vorndrv" \
  >"$work/drv.txt" 2>"$work/drv.time" &
drv_pid=$!
sleep 3
mv "$work/big.txt" "$work/drv/ONLINE.TXT"
for _ in $(seq 600); do
  [ -f "$work/drv/ERROR.TXT" ] && [ ! -f "$work/drv/ONLINE.TXT" ] && break
  sleep 0.1
done
sleep 1
kill -TERM $(pgrep -P "$drv_pid") 2>/dev/null || true
wait "$drv_pid" || true
echo "driver peak $(($(peak "$work/drv.time") / 1024)) MB; answer:"; head -c 200 "$work/drv/ERROR.TXT" | tr -d "\r"; echo
