#!/usr/bin/env bash
# Renders the operator console's windows and dialogs into docs/console/*.png.
#   usage: scripts/render-console.sh [build-dir] [name...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
shift || true
cd "$root"
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target vorndrv-render vorndrv-render-dialogs
QT_QPA_PLATFORM=offscreen "$build/app/vorndrv-render" "$root/docs/console" "$@"
# The operation dialogs have a program of their own; it draws them all.
[ $# -gt 0 ] || QT_QPA_PLATFORM=offscreen "$build/tools/vorndrv-render-dialogs" "$root/docs/console"
