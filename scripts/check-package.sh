#!/usr/bin/env bash
# Checks the Debian package and the installed layout of a Release tree
# (packaged with cpack): lintian, the package's file list and dependencies,
# the systemd unit, the desktop entries, and a demo receipt run by the
# programs installed into a scratch prefix.
# Usage: bash scripts/check-package.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
address=${VORN_PACKAGE_CHECK_ADDRESS:-127.0.50.250}
deb=$(find "$build" -maxdepth 1 -name "vorndrv_*_*.deb" | sort | tail -1)
[ -n "$deb" ] || { echo "package check: no package in $build" >&2; exit 1; }
scratch=$(mktemp -d /tmp/vorndrv-package-check.XXXXXX)
sim_pid=""
drv_pid=""
cleanup() {
  set +e
  [ -n "$drv_pid" ] && kill "$drv_pid" 2>/dev/null && wait "$drv_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "package check: $*" >&2; exit 1; }

echo "package: $deb"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$scratch/files"
for f in /usr/bin/vorndrv /usr/bin/vorndrv-check /usr/bin/vorndrv-detect /usr/bin/vorn-sim \
         /usr/share/doc/vorndrv/README.md /usr/share/doc/vorndrv/samples/ONLINE_SALE.TXT \
         /usr/share/applications/vorndrv.desktop /usr/share/icons/hicolor/scalable/apps/vorndrv.svg \
         /etc/xdg/autostart/vorndrv.desktop /usr/lib/systemd/system/vorndrv@.service \
         /usr/share/doc/vorndrv/copyright /usr/share/doc/vorndrv/changelog.gz \
         /usr/share/man/man8/vorndrv.8.gz /usr/share/man/man1/vorndrv-check.1.gz \
         /usr/share/man/man8/vorndrv-detect.8.gz /usr/share/man/man1/vorn-sim.1.gz; do
  grep -qx "$f" "$scratch/files" || fail "$f missing from the package"
done
! grep -q '^/usr/local' "$scratch/files" || fail "the package installs under /usr/local"
# Every picture the README shows, at the path it names.
for f in $(grep -o '](docs/[^)]*\.png)' README.md | sed 's/^](//; s/)$//' | sort -u); do
  grep -qx "/usr/share/doc/vorndrv/$f" "$scratch/files" || fail "README picture $f missing from the package"
done

# Any error or warning fails the check; information tags do not.
if command -v lintian >/dev/null; then
  lint=$(lintian --fail-on none "$deb" 2>&1 | grep -E '^[EW]: ' || true)
  [ -z "$lint" ] || { echo "$lint" >&2; fail "lintian"; }
  echo "lintian: no errors, no warnings"
else
  fail "lintian not found (scripts/install-deps.sh installs it)"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in adduser libqt6core6 libqt6network6 libqt6serialport6; do
  grep -q "\b$p\b" <<<"$depends" || fail "dependency $p missing"
done
info=$(dpkg-deb -I "$deb")
for f in postinst prerm postrm conffiles; do
  grep -q " $f " <<<"$info" || fail "$f missing from the control archive"
done

# The unit and desktop files as the package installs them.
dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch/root/usr/share/applications/vorndrv.desktop" \
  "$scratch/root/etc/xdg/autostart/vorndrv.desktop"
if command -v systemd-analyze >/dev/null; then
  # A copy whose ExecStart names the unpacked program, which verify wants to exist;
  # any complaint (unknown key, bad value) fails the check.
  mkdir -p "$scratch/units"
  sed "s|^ExecStart=/usr/bin/|ExecStart=$scratch/root/usr/bin/|" \
    "$scratch/root/usr/lib/systemd/system/vorndrv@.service" >"$scratch/units/vorndrv@.service"
  out=$(systemd-analyze verify --man=no "$scratch/units/vorndrv@.service" 2>&1) ||
    { echo "$out" >&2; fail "systemd-analyze verify"; }
  [ -z "$out" ] || { echo "$out" >&2; fail "systemd-analyze verify"; }
  echo "unit verified"
else
  echo "systemd-analyze not found: unit not verified"
fi

# Installed into a scratch prefix, never onto the machine: the demo receipt.
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
prefix="$scratch/prefix"
[ -f "$prefix/etc/xdg/autostart/vorndrv.desktop" ] || fail "autostart entry not under the prefix"
grep -qx "ExecStart=$prefix/bin/vorndrv --folder /var/lib/vorndrv/%i" \
  "$prefix/lib/systemd/system/vorndrv@.service" || fail "the unit of a scratch install names another program"
"$prefix/bin/vorndrv" --version
work="$scratch/work"
mkdir -p "$work"
"$prefix/bin/vorn-sim" --tcp "$address" >"$scratch/sim.txt" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/$address/9100") 2>/dev/null && break
  sleep 0.1
done
printf '[Configurari]\r\nComunicatie=1\r\nIP=%s\r\n' "$address" >"$work/XVORNDRV.INI"
VORNDRV_HEADLESS=1 "$prefix/bin/vorndrv" --folder "$work" >"$scratch/driver.txt" 2>&1 &
drv_pid=$!
cp "$prefix/share/doc/vorndrv/samples/ONLINE_SALE.TXT" "$work/.part"
mv "$work/.part" "$work/ONLINE_SALE.TXT"
for _ in $(seq 300); do
  [ -f "$work/ERROR_SALE.TXT" ] && [ ! -f "$work/ONLINE_SALE.TXT" ] && break
  sleep 0.1
done
head -1 "$work/ERROR_SALE.TXT" 2>/dev/null | grep -q '^0 OK' || {
  cat "$scratch/driver.txt" >&2
  fail "the installed driver did not answer the demo receipt with 0 OK"
}
echo "installed driver answered the demo receipt: $(head -1 "$work/ERROR_SALE.TXT" | tr -d '\r')"
echo "package check passed"
