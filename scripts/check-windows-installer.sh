#!/usr/bin/env bash
# Installs BUILD_WIN_DIR/vorndrv-setup.exe silently under Wine, checks what it
# put in place, runs a program from the install folder, and uninstalls it
# silently: the program files, shortcuts and keys must go, the receipts,
# answers and logs must stay.
#   scripts/check-windows-installer.sh [BUILD_WIN_DIR]   (default build-win)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m -- "${1:-$root/build-win}")
setup="$build/vorndrv-setup.exe"
started=$(date +%s%N)

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
# No menu entries on the host for the shortcuts the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Without Qt's or MinGW's folders on the path: the installed DLLs alone must do.
unset WINEPATH QT_PLUGIN_PATH
[ -f "$setup" ] || { echo "windows installer: $setup is missing (scripts/make-windows-installer.sh)"; exit 1; }
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
trap 'kill $(jobs -p) 2>/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT

failed=0
pass() { echo "windows installer: $*"; }
fail() { echo "windows installer: FAILED: $*"; failed=1; }
check() {  # description command...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninst_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorn_Drv'
reg_value() {  # key name: the value's data, or nothing
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
shopt -s nullglob
users="$WINEPREFIX/drive_c/users"
menu_of() { printf '%s' "$users"/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Vorn_Drv; }

# What a failed earlier run left behind would hide what this one does.
stale=("$users"/*/AppData/Local/Vorn_Drv
       "$users"/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Vorn_Drv)
if [ ${#stale[@]} -gt 0 ] || [ -n "$(reg_value "$run_key" Vorn_Drv)" ]; then
  rm -rf "${stale[@]}"
  for k in "$run_key /v Vorn_Drv" "$uninst_key" 'HKCU\Software\Vorn_Drv'; do
    # shellcheck disable=SC2086
    wine reg delete $k /f >/dev/null 2>&1 || true
  done
fi

# ---- install
t=$(date +%s%N)
wine "$setup" /S
status=$?
check "vorndrv-setup.exe /S exits 0 ($(( ($(date +%s%N) - t) / 1000000 )) ms)" [ $status -eq 0 ]
location=$(reg_value "$uninst_key" InstallLocation)
inst=$([ -n "$location" ] && winepath -u "$location" 2>/dev/null)
if [ -z "$inst" ] || [ ! -d "$inst" ]; then
  fail "no install folder in the Add/Remove Programs entry ($uninst_key)"
  exit 1
fi
inst=$(realpath "$inst")
local_dir() { realpath -e "$users"/*/AppData/Local/Vorn_Drv 2>/dev/null; }
check "installed into %LOCALAPPDATA%\\Vorn_Drv: $location" \
  [ "$inst" = "$(local_dir)" ]
check "Add/Remove Programs entry uninstalls with uninstall.exe" \
  grep -qi 'uninstall.exe' <<<"$(reg_value "$uninst_key" UninstallString)"

expected=(vorndrv.exe vorndrv-check.exe vorn-sim.exe uninstall.exe
          Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll
          libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll
          platforms/qwindows.dll styles/qwindowsvistastyle.dll
          LICENSE.txt Samples/ONLINE_SALE.TXT)
missing=()
for f in "${expected[@]}"; do [ -f "$inst/$f" ] || missing+=("$f"); done
check "programs, Qt and MinGW DLLs, plugins, licence and samples installed${missing:+ (missing: ${missing[*]})}" \
  [ ${#missing[@]} -eq 0 ]
mapfile -t installed < <(cd "$inst" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)

run=$(reg_value "$run_key" Vorn_Drv)
check "log-on start: $run_key Vorn_Drv = $run" grep -qi 'Vorn_Drv\\vorndrv.exe"$' <<<"$run"
menu=$(menu_of)
check "Start menu: Vorn_Drv\\Vorn_Drv.lnk and Uninstall Vorn_Drv.lnk" \
  [ -f "$menu/Vorn_Drv.lnk" -a -f "$menu/Uninstall Vorn_Drv.lnk" ]

version=$(wine "$inst/vorndrv-check.exe" --version 2>&1 | tr -d '\r')
status=$?
check "installed vorndrv-check.exe --version: $version" [ $status -eq 0 -a -n "$version" ]
wine "$inst/vorndrv-check.exe" "$(winepath -w "$inst/Samples/ONLINE_SALE.TXT")" >/dev/null 2>&1
check "installed vorndrv-check.exe accepts Samples\\ONLINE_SALE.TXT" [ $? -eq 0 ]

# ---- a running driver holds its files: setup and uninstall must refuse
# With its window, so that the platform plugin must load too; Wine without a
# display draws it nowhere.
log="$build/installer-driver.txt"
env -u DISPLAY -u WAYLAND_DISPLAY wine "$inst/vorndrv.exe" >"$log" 2>&1 &
driver=$!
for _ in $(seq 100); do grep -q 'procesare pornita' "$log" && break; sleep 0.1; done
check "installed vorndrv.exe runs with its window: $(head -1 "$log" | tr -d '\r')" \
  grep -q 'cu fereastra' "$log"
wine "$setup" /S
status=$?
check "setup refuses while the driver runs (exit $status)" [ $status -eq 3 ]
wine "$inst/uninstall.exe" /S "_?=$location" # _?= runs it in place, so its status is heard
status=$?
check "uninstall refuses while the driver runs (exit $status), files stay" \
  [ $status -eq 3 -a -f "$inst/vorndrv.exe" ]
kill "$driver" 2>/dev/null
wait "$driver" 2>/dev/null

# ---- uninstall: what the driver and the point-of-sale application wrote stays
mkdir -p "$inst/Log" "$inst/History"
kept=(ONLINE1.TXT ERROR1.TXT Log/x.txt History/ONLINE0.TXT XVORNDRV.INI VORNDRV.INFO)
for f in "${kept[@]}"; do printf 'x\r\n' >"$inst/$f"; done
t=$(date +%s%N)
wine "$inst/uninstall.exe" /S
# It runs on from a copy in the temp folder; dropping the entry comes after
# the files.
done_=no
for _ in $(seq 300); do
  [ -z "$(reg_value "$uninst_key" InstallLocation)" ] && { done_=yes; break; }
  sleep 0.1
done
check "uninstall.exe /S finished in $(( ($(date +%s%N) - t) / 1000000 )) ms" [ $done_ = yes ]
left=()
for f in "${installed[@]}"; do [ -e "$inst/$f" ] && left+=("$f"); done
check "every installed file removed (${#installed[@]})${left:+ (left: ${left[*]})}" [ ${#left[@]} -eq 0 ]
for d in platforms styles Samples; do
  [ -d "$inst/$d" ] && fail "$d\\ left behind"
done
gone=()
for f in "${kept[@]}"; do [ -f "$inst/$f" ] || gone+=("$f"); done
check "receipts, answers, logs and settings kept: ${kept[*]}${gone:+ (removed: ${gone[*]})}" \
  [ ${#gone[@]} -eq 0 ]
check "Start menu folder removed" [ ! -e "$menu" ]
check "log-on start removed" [ -z "$(reg_value "$run_key" Vorn_Drv)" ]
check "Add/Remove Programs entry removed" [ -z "$(reg_value "$uninst_key" DisplayName)" ]

# The test's own leftovers; only ever the prefix's own folder.
[ "$inst" = "$(local_dir)" ] && rm -rf "$inst"
echo "windows installer: $(( ($(date +%s%N) - started) / 1000000 )) ms"
exit $failed
