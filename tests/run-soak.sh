#!/usr/bin/env bash
# scripts/soak.sh on a 127.0.40.x whose ports 9100 and 9101 are free now: two
# runs of the suite on one machine never share the simulator's address.
set -euo pipefail
address=$(python3 - <<'PY'
import os
import socket

start = os.getpid()
for i in range(240):
    candidate = "127.0.40.%d" % (10 + (start + i) % 240)
    held = []
    try:
        for port in (9100, 9101):
            s = socket.socket()
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            held.append(s)
            s.bind((candidate, port))
            s.listen(1)
    except OSError:
        continue
    finally:
        for s in held:
            s.close()
    print(candidate)
    break
PY
)
[ -n "$address" ] || { echo "no 127.0.40.x with ports 9100 and 9101 free" >&2; exit 1; }
VORN_SOAK_ADDRESS=$address exec "$(dirname "$0")/../scripts/soak.sh" "$@"
