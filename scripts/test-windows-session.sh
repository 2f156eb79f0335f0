#!/usr/bin/env bash
# The end of a Windows session under Wine: `wineboot --end-session` while the
# register holds the reply to a sale's close (3011) must end vorndrv.exe only
# after that sale is answered, headless and with its window. The windowed one
# is started as the Start menu starts it, without standard handles: its lines
# must reach Log\vorndrv.txt. Last, on a serial port whose register never
# answers, the session's end ends the driver within the link's time-outs.
#   scripts/test-windows-session.sh BUILD_WIN_DIR LINUX_BUILD_DIR
# Called by scripts/test-windows.sh, with its WINEPREFIX and WINEPATH. The
# simulator is the Linux one: the session's end must not take it down too.
# Wine without a display has no desktop whose windows the session's end could
# reach, so the prefix's processes are ended and started again on an Xvfb of
# this script's own.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
linux=$2
work=$(mktemp -d)
sim_pid=
drv_pid=
xvfb_pid=
trap 'kill $sim_pid $drv_pid 2>/dev/null; wineserver -k >/dev/null 2>&1; kill $xvfb_pid 2>/dev/null
      rm -rf "$work"' EXIT
failed=0

if ! command -v Xvfb >/dev/null; then
  echo "windows session: no Xvfb; the end-of-session test is skipped"
  exit 0
fi
Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
wineserver -k >/dev/null 2>&1

wait_for() {  # seconds command...: true once the command succeeds
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}
control() {  # the simulator's one-line answer to a control command
  local line
  { exec 3<>"/dev/tcp/$address/$control_port"; } 2>/dev/null || return 1
  printf '%s\n' "$1" >&3
  IFS= read -r line <&3
  exec 3<&-
  printf '%s' "$line"
}
held() { [[ $(control held) == HELD* ]]; }
gone() { ! kill -0 "$drv_pid" 2>/dev/null; }

end_session_during_sale() {  # mode address
  local mode=$1 dir="$work/$1" out
  address=$2
  mkdir -p "$dir"
  printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n' "$address" >"$dir/XVORNDRV.INI"
  "$linux/simulator/vorn-sim" --tcp "$address" --control 0 >"$dir/sim.txt" 2>&1 &
  sim_pid=$!
  wait_for 10 grep -q '^control ' "$dir/sim.txt"
  control_port=$(sed -n 's/^control .*:\([0-9]*\)$/\1/p' "$dir/sim.txt")
  control "hold 3011" >/dev/null
  if [ "$mode" = headless ]; then
    out="$dir/driver.txt"
    VORNDRV_HEADLESS=1 wine "$build/app/vorndrv.exe" --folder "$(winepath -w "$dir")" >"$out" 2>&1 &
  else
    out="$dir/Log/vorndrv.txt"
    wine start /wait /unix "$build/app/vorndrv.exe" --folder "$(winepath -w "$dir")" \
      >"$dir/start.txt" 2>&1 &
  fi
  drv_pid=$!
  cp "$root/samples/ONLINE_SALE.TXT" "$dir/ONLINE1.TXT"
  if ! wait_for 60 held; then
    echo "windows session ($mode): the sale's close never reached the register"
    tail -n 5 "$out" "$dir/sim.txt"
    failed=1
  else
    wineboot --end-session --shutdown >/dev/null 2>&1 &
    local boot=$!
    wait_for 30 grep -q 'oprire dupa lucrul in curs' "$out"
    local before="running"
    gone && before="ended"
    [ -f "$dir/ERROR1.TXT" ] && before="$before, answered"
    control release >/dev/null
    wait_for 60 gone
    wait "$boot" 2>/dev/null
    local answer
    answer=$(head -1 "$dir/ERROR1.TXT" 2>/dev/null | tr -d '\r')
    if [ "$before" = running ] && gone && [ "$answer" = "0 OK" ] && [ ! -f "$dir/ONLINE1.TXT" ] &&
      grep -q 'DRIVER INCHIS' "$dir/VORNDRV.INFO" && grep -q 'driver inchis' "$out"; then
      echo "windows session ($mode): the end of the session waited for the held sale: $answer," \
        "DRIVER INCHIS; its lines in ${out#"$dir/"}"
    else
      echo "windows session ($mode) FAILED: at the session's end the driver was $before;" \
        "answer '${answer:-none}'; $(tr -d '\r' <"$dir/VORNDRV.INFO" 2>/dev/null | head -1)"
      tail -n 8 "$out"
      failed=1
    fi
  fi
  kill "$drv_pid" "$sim_pid" 2>/dev/null
  wait "$drv_pid" "$sim_pid" 2>/dev/null
}

# A register that never answers, on a serial port: every device wait ends by the
# link's own time-out, so the end of the session ends the driver in bounded time.
end_session_on_silent_port() {
  local dir="$work/silent" pts=""
  mkdir -p "$dir"
  "$linux/simulator/vorn-sim" --pty --silent >"$dir/sim.txt" 2>&1 &
  sim_pid=$!
  wait_for 10 grep -q '^/dev/pts/' "$dir/sim.txt"
  pts=$(grep -o '^/dev/pts/[0-9]*' "$dir/sim.txt")
  ln -sfn "$pts" "$WINEPREFIX/dosdevices/com6"
  printf '[Configurari]\r\nComunicatie=0\r\nPort=6\r\n' >"$dir/XVORNDRV.INI"
  VORNDRV_HEADLESS=1 wine "$build/app/vorndrv.exe" --folder "$(winepath -w "$dir")" \
    >"$dir/driver.txt" 2>&1 &
  drv_pid=$!
  cp "$root/samples/ONLINE_SALE.TXT" "$dir/ONLINE1.TXT"
  wait_for 60 grep -qs 'procesare pornita' "$dir/driver.txt"
  local started=$SECONDS
  wineboot --end-session --shutdown >/dev/null 2>&1 &
  local boot=$!
  # The longest wait is one job's time-outs on a silent port, well under this.
  wait_for 120 gone
  wait "$boot" 2>/dev/null
  if gone && grep -q 'DRIVER INCHIS' "$dir/VORNDRV.INFO" && grep -q 'driver inchis' "$dir/driver.txt"; then
    echo "windows session (silent COM6): the driver ended $((SECONDS - started)) s after the" \
      "session's end, DRIVER INCHIS"
  else
    echo "windows session (silent COM6) FAILED: the driver did not end in 120 s after the session's end"
    tail -n 8 "$dir/driver.txt"
    failed=1
  fi
  kill "$drv_pid" "$sim_pid" 2>/dev/null
  wait "$drv_pid" "$sim_pid" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com6"
}

end_session_during_sale headless 127.0.0.63
end_session_during_sale window 127.0.0.64
end_session_on_silent_port
exit $failed
