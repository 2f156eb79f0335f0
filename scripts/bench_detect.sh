#!/usr/bin/env bash
# Times vorndrv-detect over 40 candidate serial ports of which none answers
# (silent pseudo-terminals), plus the machine's own /dev/ttyS* etc.
# Usage: bash scripts/bench_detect.sh [build-dir]   (aim: under 3 s)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
exec python3 - "$build/app/vorndrv-detect" <<'PY'
import os, subprocess, sys, time
detect = sys.argv[1]
pairs = [os.openpty() for _ in range(40)]  # masters kept open and never read: silent ports
args = []
for _, slave in pairs:
    args += ["--port", os.ttyname(slave)]
env = dict(os.environ, VORNDRV_SERVICE_ROOT="/nonexistent")
env.pop("VORNDRV_HOME", None)
start = time.monotonic()
out = subprocess.run([detect, "--no-system-ports"] + args, env=env, capture_output=True, text=True)
elapsed = time.monotonic() - start
lines = out.stdout.splitlines()
silent = sum(1 for l in lines if l.endswith(": nu raspunde"))
print(f"40 silent ports scanned in {elapsed:.2f} s ({silent} reported silent, exit {out.returncode})")
sys.exit(0 if silent == 40 else 1)
PY
