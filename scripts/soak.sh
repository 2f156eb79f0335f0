#!/usr/bin/env bash
# Faulty-device soak: vorndrv and vorn-sim from a build, random receipt files
# while the simulator injects faults, then the ledger check of the paper roll
# (see scripts/soak.py). Exit 0 when the ledger holds.
#   usage: scripts/soak.sh [build-dir] [files] [seed]
# VORN_SOAK_ADDRESS picks the simulator's loopback address (default 127.0.40.20).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
files=${2:-1000}
seed=${3:-1}
for exe in "$build/app/vorndrv" "$build/simulator/vorn-sim"; do
  [ -x "$exe" ] || { echo "missing $exe: build first (cmake --build $build)" >&2; exit 1; }
done
exec python3 scripts/soak.py --build "$build" --files "$files" --seed "$seed" \
  --address "${VORN_SOAK_ADDRESS:-127.0.40.20}"
