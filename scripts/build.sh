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
# The test packages too, unless the tests are left out.
deps=(--test)
for argument in "$@"; do
    case $argument in
    -DQUORVIK_TESTS=* | -DQUORVIK_TESTS:BOOL=*)
        case ${argument#*=} in
        OFF | off | Off | 0 | NO | no | FALSE | false) deps=() ;;
        *) deps=(--test) ;;
        esac
        ;;
    esac
done
bash scripts/deps.sh "${deps[@]}"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
