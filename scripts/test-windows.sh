#!/usr/bin/env bash
# The Windows side of the test command: cross-builds the programs and the
# tests of the layers without widgets with MinGW-w64 and the Qt for Windows of
# ../shared/toolchains, runs the tests under Wine, then runs the real
# vorndrv.exe (headless) against vorn-sim.exe over loopback TCP and compares
# its answers, its HTTP front's and vorndrv-check.exe's with the Linux
# build's, byte for byte, and prints both pickup times; then a sale over a
# pseudo-terminal mapped as COM5; last, makes the installer and checks it
# under Wine.
#   scripts/test-windows.sh [LINUX_BUILD_DIR]   (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux=${1:-build-release}
toolchains="$root/../shared/toolchains"
qt=${VORN_QT_MINGW:-/opt/qt6-mingw}
build="$root/build-win"
jobs=$(nproc)
started=$(date +%s)

if [ ! -f "$toolchains/setup-qt-mingw.sh" ]; then
  echo "windows: $toolchains is missing; the Windows build and its tests are skipped"
  exit 0
fi
args=$(bash "$toolchains/setup-qt-mingw.sh" "$qt" | tail -1)
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BENCH=OFF $args
cmake --build "$build" -j "$jobs"

unset QT_QPA_PLATFORM  # the Windows build has its own platform plugin
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="$(winepath -w "$qt/bin" 2>/dev/null || echo 'Z:\opt\qt6-mingw\bin');Z:\\usr\\lib\\gcc\\x86_64-w64-mingw32\\12-posix;Z:\\usr\\x86_64-w64-mingw32\\lib"
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
# Wine's own processes must not outlive this run.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

failed=0
for t in base receipt device simulator core execution http operations; do
  out="$build/tests/${t}_tests.log"
  if timeout 600 wine "$build/tests/${t}_tests.exe" >"$out" 2>&1 && grep -q '^\[  PASSED  \]' "$out" &&
    ! grep -q '^\[  FAILED  \]' "$out"; then
    echo "windows: ${t}_tests: $(grep '^\[  PASSED  \]' "$out")"
  else
    echo "windows: ${t}_tests FAILED:"
    grep -E '^\[  FAILED  \]|Failure' "$out" | head -20 || tail -20 "$out"
    failed=1
  fi
done

# ---- end to end: the same files on Linux and on Windows
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
run_driver() {  # folder address driver sim [runner]
  local dir=$1 address=$2 drv=$3 sim=$4 runner=${5:-}
  mkdir -p "$dir"
  printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n[ServerHTTP]\r\nActiv=DA\r\nAdresa=%s\r\n' \
    "$address" "$address" >"$dir/XVORNDRV.INI"
  $runner "$sim" --tcp "$address" >"$dir/sim.txt" 2>&1 &
  local sim_pid=$!
  local folder=$dir
  [ -n "$runner" ] && folder=$(winepath -w "$dir")
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/$address/9100") 2>/dev/null && break
    sleep 0.1
  done
  VORNDRV_HEADLESS=1 $runner "$drv" --folder "$folder" >"$dir/driver.txt" 2>&1 &
  local drv_pid=$!
  for f in SALE REFUZAT; do
    cp "$root/samples/ONLINE_$f.TXT" "$dir/ONLINE$f.TXT"
    for _ in $(seq 600); do
      [ -f "$dir/ERROR$f.TXT" ] && [ ! -f "$dir/ONLINE$f.TXT" ] && break
      sleep 0.1
    done
  done
  # Rename -> answer for a short sale written just before, as a point-of-sale program that renames
  # its file into place does: a figure for the README, nothing asserted. Each file waits out the
  # pause after the one before (1 s), then lands at a random moment of the driver's tick.
  : >"$dir/pickup.ms"
  for i in $(seq 15); do
    sleep "1.$((RANDOM % 10))"
    printf '1;PAINE;BUC;1;1;350;100000\r\n5;350;1\r\n' >"$dir/.part"
    local t0=$EPOCHREALTIME
    mv "$dir/.part" "$dir/ONLINEP$i.TXT"
    for _ in $(seq 30000); do
      [ -f "$dir/ERRORP$i.TXT" ] && break
      sleep 0.001
    done
    [ -f "$dir/ERRORP$i.TXT" ] || break
    awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f\n", (b - a) * 1000 }' >>"$dir/pickup.ms"
    for _ in $(seq 600); do
      [ -f "$dir/ONLINEP$i.TXT" ] || break
      sleep 0.01
    done
  done
  # The HTTP front: a sale posted as text, its JSON answer without the request's id.
  sleep 1.1
  # No Cheie: the token is the one the driver keeps in its folder.
  curl -s -m 60 -o "$dir/http.raw" -w '%{time_total}' -X POST -H 'Content-Type: text/plain' \
    -H "Authorization: Bearer $(cat "$dir/VORNHTTP.KEY" 2>/dev/null)" \
    --data-binary @"$root/samples/ONLINE_SALE.TXT" "http://$address:9180/receipts" \
    >"$dir/http.seconds" || true
  sed 's/"id":"[^"]*",//' "$dir/http.raw" >"$dir/http.json" 2>/dev/null || true
  if [ -n "$runner" ]; then
    # One driver per session on Windows: a second one, even on another folder, is refused.
    # (The first has answered its files by now, so it holds the lock.)
    mkdir -p "$dir/second"
    VORNDRV_HEADLESS=1 timeout 30 $runner "$drv" --folder "$(winepath -w "$dir/second")" \
      >"$dir/second.txt" 2>&1 &&
      second=0 || second=$?
    if [ "$second" = 1 ] && grep -q "Aplicatia deja lucreaza" "$dir/second.txt"; then
      echo "windows: a second vorndrv.exe is refused: Aplicatia deja lucreaza"
    else
      echo "windows: a second vorndrv.exe was not refused (exit $second):"
      cat "$dir/second.txt"
      failed=1
    fi
  fi
  kill "$drv_pid" "$sim_pid" 2>/dev/null || true
  wait "$drv_pid" "$sim_pid" 2>/dev/null || true
}
run_driver "$work/linux" 127.0.0.61 "$linux/app/vorndrv" "$linux/simulator/vorn-sim"
run_driver "$work/win" 127.0.0.62 "$build/app/vorndrv.exe" "$build/simulator/vorn-sim.exe" wine
for f in SALE REFUZAT; do
  if [ -f "$work/win/ERROR$f.TXT" ] && cmp -s "$work/linux/ERROR$f.TXT" "$work/win/ERROR$f.TXT"; then
    echo "windows: vorndrv.exe answers ONLINE_$f.TXT as on Linux: $(head -1 "$work/win/ERROR$f.TXT" | tr -d '\r')"
  else
    echo "windows: vorndrv.exe answer for ONLINE_$f.TXT differs from Linux:"
    od -c "$work/linux/ERROR$f.TXT" 2>/dev/null | head -5
    od -c "$work/win/ERROR$f.TXT" 2>/dev/null | head -5 || echo "(no answer)"
    tail -20 "$work/win/driver.txt"
    failed=1
  fi
done
if [ -s "$work/win/http.json" ] && cmp -s "$work/linux/http.json" "$work/win/http.json"; then
  echo "windows: the HTTP front answers a sale as on Linux: $(cat "$work/win/http.json")"
else
  echo "windows: the HTTP front's answer differs from Linux:"
  cat "$work/linux/http.json" "$work/win/http.json"
  failed=1
fi
pickup() {  # median and slowest of a pickup.ms file
  sort -n "$1/pickup.ms" | awk '{ v[NR] = $1 } END {
    if (NR) printf "median %d ms, slowest %d ms (%d files)", v[int((NR + 1) / 2)], v[NR], NR
    else printf "no file answered" }'
}
echo "windows: rename -> answer: Linux $(pickup "$work/linux"); Wine $(pickup "$work/win")"
echo "windows: a sale over HTTP: Linux $(cat "$work/linux/http.seconds") s; Wine $(cat "$work/win/http.seconds") s"

# ---- the serial path: the Linux simulator on a pseudo-terminal, mapped as COM5 under Wine
run_serial() {  # folder driver runner [simulator options]
  local dir=$1 drv=$2 runner=$3
  shift 3
  mkdir -p "$dir"
  "$linux/simulator/vorn-sim" --pty "$@" >"$dir/sim.txt" 2>&1 &
  local sim_pid=$! pts=""
  for _ in $(seq 100); do
    pts=$(grep -o '^/dev/pts/[0-9]*' "$dir/sim.txt" || true)
    [ -n "$pts" ] && break
    sleep 0.1
  done
  printf '[Configurari]\r\nComunicatie=0\r\nPort=5\r\n' >"$dir/XVORNDRV.INI"
  if [ -n "$runner" ]; then
    ln -sfn "$pts" "$WINEPREFIX/dosdevices/com5"
    VORNDRV_HEADLESS=1 $runner "$drv" --folder "$(winepath -w "$dir")" >"$dir/driver.txt" 2>&1 &
  else
    printf '[PorturiSeriale]\r\nCOM5=%s\r\n' "$pts" >>"$dir/XVORNDRV.INI"
    VORNDRV_HEADLESS=1 "$drv" --folder "$dir" >"$dir/driver.txt" 2>&1 &
  fi
  echo "$sim_pid $!" >"$dir/pids"
}
end_serial() {
  # shellcheck disable=SC2046
  kill $(cat "$1/pids") 2>/dev/null || true
  # shellcheck disable=SC2046
  wait $(cat "$1/pids") 2>/dev/null || true
}
for side in linux win; do
  if [ $side = win ]; then
    run_serial "$work/serial/$side" "$build/app/vorndrv.exe" wine
  else
    run_serial "$work/serial/$side" "$linux/app/vorndrv" ""
  fi
  cp "$root/samples/ONLINE_SALE.TXT" "$work/serial/$side/ONLINESALE.TXT"
  for _ in $(seq 600); do
    [ -f "$work/serial/$side/ERRORSALE.TXT" ] && [ ! -f "$work/serial/$side/ONLINESALE.TXT" ] && break
    sleep 0.1
  done
  end_serial "$work/serial/$side"
done
if [ -f "$work/serial/win/ERRORSALE.TXT" ] &&
  cmp -s "$work/serial/linux/ERRORSALE.TXT" "$work/serial/win/ERRORSALE.TXT"; then
  echo "windows: a sale over COM5 (a pseudo-terminal) is answered as on Linux:" \
    "$(head -1 "$work/serial/win/ERRORSALE.TXT" | tr -d '\r')"
else
  echo "windows: the sale over COM5 differs from Linux:"
  od -c "$work/serial/linux/ERRORSALE.TXT" 2>/dev/null | head -5
  od -c "$work/serial/win/ERRORSALE.TXT" 2>/dev/null | head -5 || echo "(no answer)"
  grep -a 'vorndrv:' "$work/serial/win/driver.txt" | head -20
  failed=1
fi
# A port that never answers: each wait ends by the link's own time-out, the driver goes on.
run_serial "$work/serial/silent" "$build/app/vorndrv.exe" wine --silent
for _ in $(seq 900); do
  grep -aq 'casa de marcat nu raspunde (8048;TIME OUT)' "$work/serial/silent/driver.txt" && break
  sleep 0.1
done
if grep -aq 'casa de marcat nu raspunde (8048;TIME OUT)' "$work/serial/silent/driver.txt"; then
  echo "windows: a silent COM5 is reported: casa de marcat nu raspunde (8048;TIME OUT)"
else
  echo "windows: a silent COM5 was never reported:"
  grep -a 'vorndrv:' "$work/serial/silent/driver.txt" | head -20
  failed=1
fi
end_serial "$work/serial/silent"

for f in "$root"/samples/ONLINE_*.TXT; do
  want=$("$linux/app/vorndrv-check" "$f" | od -c) || true
  got=$(wine "$build/app/vorndrv-check.exe" "$(winepath -w "$f")" | od -c) || true
  if [ "$want" != "$got" ]; then
    echo "windows: vorndrv-check.exe differs from Linux on $(basename "$f")"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "windows: vorndrv-check.exe agrees with Linux on every sample"

# ---- the end of the session during a held sale (scripts/test-windows-session.sh)
bash scripts/test-windows-session.sh "$build" "$linux" || failed=1

# ---- the installer: made with makensis, installed and uninstalled silently under Wine
wineserver -k >/dev/null 2>&1 || true
if bash scripts/make-windows-installer.sh "$build" && bash scripts/check-windows-installer.sh "$build"; then
  echo "windows: vorndrv-setup.exe installs and uninstalls under Wine"
else
  echo "windows: the installer check FAILED"
  failed=1
fi
echo "windows: $(($(date +%s) - started)) s"
exit $failed
