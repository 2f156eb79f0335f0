#!/usr/bin/env bash
# Installs every build and test dependency on Debian 12. Quick when all is there.
set -euo pipefail
pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev
      qt6-base-dev qt6-serialport-dev libqt6serialport6 libboost-dev
      libgtest-dev libgmock-dev libbenchmark-dev python3 prometheus
      xvfb xauth x11-utils dpkg-dev file desktop-file-utils systemd util-linux
      libsystemd-dev pkg-config scdoc lintian)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
