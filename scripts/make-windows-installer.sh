#!/usr/bin/env bash
# Makes the Windows installer from the MinGW cross-build (scripts/test-windows.sh):
# stages the programs with the Qt and MinGW DLLs they load, the licence and the
# sample receipt files, writes the lists of those files for the installer and
# its uninstaller, and runs makensis on packaging/windows/vorndrv.nsi.
#   scripts/make-windows-installer.sh [BUILD_WIN_DIR] [OUT]
# Defaults: build-win and BUILD_WIN_DIR/vorndrv-setup.exe. Qt for Windows comes
# from VORN_QT_MINGW (default /opt/qt6-mingw). VORN_INSTALLER_COMPRESSOR=bzip2
# takes a fifth of the time for a quarter more bytes (default: solid lzma).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m -- "${1:-$root/build-win}")
out=$(realpath -m -- "${2:-$build/vorndrv-setup.exe}")
qt=${VORN_QT_MINGW:-/opt/qt6-mingw}
stage="$build/installer-stage"
files="$stage/files"
started=$(date +%s%N)
objdump=x86_64-w64-mingw32-objdump
strip=x86_64-w64-mingw32-strip
cxx=x86_64-w64-mingw32-g++-posix

if ! command -v makensis >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nsis >/dev/null ||
    { $SUDO apt-get update -q && DEBIAN_FRONTEND=noninteractive \
      $SUDO apt-get install -y -q --no-install-recommends nsis >/dev/null; }
fi

if [ ! -f "$qt/plugins/platforms/qwindows.dll" ] || [ ! -d "$qt/bin" ]; then
  echo "windows installer: no Qt for Windows (MinGW) in $qt (plugins/platforms/qwindows.dll, bin/);" \
    "set VORN_QT_MINGW to its folder" >&2
  exit 1
fi

programs=("$build/app/vorndrv.exe" "$build/app/vorndrv-check.exe" "$build/simulator/vorn-sim.exe")
for p in "${programs[@]}"; do
  [ -f "$p" ] || { echo "windows installer: $p is missing; run scripts/test-windows.sh first" >&2; exit 1; }
done

rm -rf "$stage"
mkdir -p "$files/platforms" "$files/styles" "$files/Samples"
cp "${programs[@]}" "$files/"
# The windows platform plugin and the styles are all the programs load: their
# icons are drawn in code (no image format plugin) and nothing speaks TLS.
cp "$qt/plugins/platforms/qwindows.dll" "$files/platforms/"
cp "$qt/plugins/styles/"*.dll "$files/styles/"

# The DLLs that the programs and plugins import, followed through each other,
# from Qt's bin/ and MinGW's runtime; the rest belong to Windows.
runtime_dirs=("$qt/bin")
for d in libstdc++-6.dll libwinpthread-1.dll; do
  f=$("$cxx" -print-file-name="$d" 2>/dev/null || true)
  [ -f "$f" ] && runtime_dirs+=("$(dirname "$(realpath "$f")")")
done
runtime_dirs+=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
pending=("$files"/*.exe "$files"/*/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  bin=${pending[0]}
  pending=("${pending[@]:1}")
  for dll in $("$objdump" -p "$bin" | sed -n 's/^\s*DLL Name: //p'); do
    [ -f "$files/$dll" ] && continue
    for d in "${runtime_dirs[@]}"; do
      if [ -f "$d/$dll" ]; then
        cp "$d/$dll" "$files/"
        pending+=("$files/$dll")
        break
      fi
    done
  done
done
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network libstdc++-6 libgcc_s_seh-1 libwinpthread-1; do
  [ -f "$files/$dll.dll" ] || { echo "windows installer: $dll.dll not found" >&2; exit 1; }
done
# Debug sections only make the download bigger and the compression slower.
"$strip" --strip-unneeded "$files"/*.exe "$files"/*.dll "$files"/*/*.dll

# CR LF so that Notepad shows the licence as it is.
sed 's/\r*$/\r/' "$root/LICENSE" >"$files/LICENSE.txt"
cp "$root"/samples/ONLINE_*.TXT "$files/Samples/"

# The lists: the installer writes these files and the uninstaller deletes
# exactly these, folder by folder, deepest first.
nsis_path() { printf '%s' "$1" | sed 's/\$/$$/g'; }
list=$(cd "$files" && find . -type f -printf '%h/\t%P\n' | LC_ALL=C sort | cut -f2)
if grep -q '["`]' <<<"$list"; then
  echo "windows installer: a staged file name holds a quote" >&2
  exit 1
fi
{
  current=/
  while IFS= read -r f; do
    dir=$(dirname "$f"); [ "$dir" = . ] && dir=
    if [ "$dir" != "$current" ]; then
      echo "SetOutPath \"\$INSTDIR${dir:+\\${dir//\//\\}}\""
      current=$dir
    fi
    echo "File \"$(nsis_path "$files/$f")\""
  done <<<"$list"
} >"$stage/install-files.nsh"
{
  while IFS= read -r f; do
    echo "Delete \"\$INSTDIR\\$(nsis_path "${f//\//\\}")\""
  done <<<"$list"
  (cd "$files" && find . -mindepth 1 -type d | sed 's|^\./||' | awk -F/ '{print NF "\t" $0}' |
    LC_ALL=C sort -rn | cut -f2) | while IFS= read -r d; do
    echo "RMDir \"\$INSTDIR\\$(nsis_path "${d//\//\\}")\""
  done
} >"$stage/uninstall-files.nsh"

version=$(sed -n 's/^project(Vorn_Drv VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
while [ "$(tr -cd . <<<"$version" | wc -c)" -lt 3 ]; do version="$version.0"; done
size_kb=$(du -sk "$files" | cut -f1)
mkdir -p "$(dirname "$out")"
defines=("-DVERSION=$version" "-DSTAGE=$stage" "-DOUTFILE=$out" "-DSIZE_KB=$size_kb")
[ -n "${VORN_INSTALLER_COMPRESSOR:-}" ] && defines+=("-DCOMPRESSOR=$VORN_INSTALLER_COMPRESSOR")
makensis -V2 "${defines[@]}" \
  "$root/packaging/windows/vorndrv.nsi"
echo "windows installer: $out ($(($(stat -c %s "$out") / 1024)) KiB, $(wc -l <<<"$list") files," \
  "version $version) in $((($(date +%s%N) - started) / 1000000)) ms"
