#!/usr/bin/env bash
# Renders the operator console's windows and dialogs as the Windows build
# draws them: the same render programs' .exe under Wine, through Qt's windows
# platform plugin, inside Xvfb. Writes docs/console/windows/*.png, named as
# the Linux pictures of scripts/render-console.sh.
#   usage: scripts/render-console-windows.sh [build-dir] [name...]
#   (build-dir defaults to build-win, set up by scripts/test-windows.sh;
#    VORN_NO_BUILD=1 draws with the .exe already there)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build-win}"
shift || true
cd "$root"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
qt=${VORN_QT_MINGW:-/opt/qt6-mingw}
out="$root/docs/console/windows"
started=$(date +%s)

# Debian's wine comes without its fonts when installed without recommends;
# then only DejaVu is left and Wine's default dialog font (Tahoma) is missing.
need=()
for p in wine fonts-wine xvfb; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if [ "${VORN_NO_BUILD:-0}" != 1 ]; then
  if [ ! -f "$build/build.ninja" ]; then
    echo "render-console-windows: $build is not configured; run scripts/test-windows.sh first" >&2
    exit 1
  fi
  cmake --build "$build" --target vorndrv-render vorndrv-render-dialogs
fi
for exe in app/vorndrv-render.exe tools/vorndrv-render-dialogs.exe; do
  [ -f "$build/$exe" ] || { echo "render-console-windows: $build/$exe is missing" >&2; exit 1; }
done

# A prefix of its own, so that stopping its wineserver at the end leaves any
# other Wine run (the Windows tests) alone.
export WINEPREFIX="${VORN_RENDER_WINEPREFIX:-$build/wineprefix-render}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="Z:${qt//\//\\}\\bin;Z:\\usr\\lib\\gcc\\x86_64-w64-mingw32\\12-posix;Z:\\usr\\x86_64-w64-mingw32\\lib"
# Wine hides the host's QT_* variables from Windows programs and passes
# WINEQT_* on as QT_*.
export WINEQT_PLUGIN_PATH="Z:${qt//\//\\}\\plugins"

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "render-console-windows: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
display=$(head -1 "$work/display")
export DISPLAY=":$display"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; exit 1; }
  wineserver -w
fi
# Wine 8 reads its own fonts only from the prefix's Fonts folder; a prefix
# made before fonts-wine came has none there.
cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
# Smoothed text as Windows 10 and 11 have by default (Wine's default of none
# spaces Tahoma's letters unevenly at dialog size), and windows left to Wine
# rather than to a window manager: with none in Xvfb, Wine waits up to 2 s
# for one whenever a window is hidden.
if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /t REG_SZ /d 2 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 2 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
fi

mkdir -p "$out"
winout=$(winepath -w "$out" 2>/dev/null)
# -platform windows: the programs pick the offscreen plugin when
# QT_QPA_PLATFORM is empty, and Wine does not pass QT_QPA_PLATFORM on.
run() {  # exe args...
  local exe=$1 log rc=0
  log="$work/$(basename "$exe").log"
  shift
  timeout 600 wine "$exe" -platform windows "$@" >"$log" 2>&1 || rc=$?
  grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'apt-get install wine32' \
    -e '^X connection to' "$log" || true
  return $rc
}
failed=0
run "$build/app/vorndrv-render.exe" "$winout" "$@" || failed=1
# The operation dialogs have a program of their own; it draws them all.
if [ $# -eq 0 ]; then
  run "$build/tools/vorndrv-render-dialogs.exe" "$winout" || failed=1
fi
for f in "$out"/*.png; do echo "${f#"$root"/}"; done
echo "render-console-windows: $(($(date +%s) - started)) s"
exit $failed
