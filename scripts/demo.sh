#!/usr/bin/env bash
# The driver's main job, end to end: the simulated fiscal device listens on a
# loopback address, the driver runs headless on ./demo, a sample receipt file is
# dropped there, and its answer and the printed paper roll are shown. The
# driver then keeps running on ./demo until Ctrl-C, which stops both.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
address=${VORN_DEMO_ADDRESS:-127.0.0.77}
build=${VORN_BUILD_DIR:-build}
demo="$root/demo"
sample="$root/samples/ONLINE_SALE.TXT"

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target vorndrv vorn-sim vorndrv-check

sim_pid=""
drv_pid=""
stop_all() {
  trap - INT TERM EXIT
  echo
  if [ -n "$drv_pid" ] && kill -0 "$drv_pid" 2>/dev/null; then
    kill "$drv_pid" 2>/dev/null || true
    wait "$drv_pid" 2>/dev/null || true
    echo "driver stopped"
  fi
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    echo "simulator stopped"
  fi
}
trap stop_all INT TERM EXIT

# Windows-1252 files shown on a UTF-8 terminal.
show() { iconv -f WINDOWS-1252 -t UTF-8 "$1" 2>/dev/null | tr -d '\r' || tr -d '\r' <"$1"; }

rm -rf "$demo"
mkdir -p "$demo"
roll="$demo/paper-roll.txt"
: >"$roll"

"$root/$build/simulator/vorn-sim" --tcp "$address" --roll "$roll" >"$demo/simulator-output.txt" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/$address/9100") 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if ! kill -0 "$sim_pid" 2>/dev/null; then
  echo "the simulator did not start on $address:9100:" >&2
  cat "$demo/simulator-output.txt" >&2
  exit 1
fi
echo "simulator listening on $address:9100, paper roll in $roll"

printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\nLogFile=DA\r\n' "$address" >"$demo/XVORNDRV.INI"
VORNDRV_HOME="$demo" VORNDRV_HEADLESS=1 "$root/$build/app/vorndrv" >"$demo/driver-output.txt" 2>&1 &
drv_pid=$!
echo "driver running on $demo (pid $drv_pid)"

# Dropped as a point-of-sale application should: written elsewhere, then renamed in.
cp "$sample" "$demo/.ONLINE_SALE.part"
mv "$demo/.ONLINE_SALE.part" "$demo/ONLINE_SALE.TXT"
echo "dropped ONLINE_SALE.TXT:"
show "$sample" | sed 's/^/    /'

for _ in $(seq 300); do
  [ -f "$demo/ERROR_SALE.TXT" ] && [ ! -f "$demo/ONLINE_SALE.TXT" ] && break
  kill -0 "$drv_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -f "$demo/ERROR_SALE.TXT" ]; then
  echo "no answer within 30 seconds; driver output:" >&2
  cat "$demo/driver-output.txt" >&2
  exit 1
fi

echo
echo "answer file ERROR_SALE.TXT:"
show "$demo/ERROR_SALE.TXT" | sed 's/^/    /'
echo
echo "paper roll of the simulated device:"
show "$roll" | sed 's/^/    /'
echo
cat <<EOF
The driver keeps running on $demo.
Drop more receipt files there (write under another name, then rename), e.g.:
    printf '1;CAFEA;BUC;1;1;1200;100000\\r\\n5;1200;1\\r\\n' > $demo/.tmp && mv $demo/.tmp $demo/ONLINE2.TXT
    cat $demo/ERROR2.TXT
    cp samples/ONLINE_Z.TXT $demo/.tmp && mv $demo/.tmp $demo/ONLINEZ.TXT    # daily Z report
The paper roll grows in $roll, the logs go to $demo/Log/.
Press Ctrl-C to stop the driver and the simulator.
EOF
wait "$drv_pid"
