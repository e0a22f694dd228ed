#!/usr/bin/env bash
# Configures and builds Quorvik (extra CMake arguments are passed on).
# --dir FOLDER builds into FOLDER instead of ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
if [ "${1:-}" = "--dir" ]; then
    dir=$2
    shift 2
fi
bash scripts/deps.sh
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
