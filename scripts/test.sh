#!/usr/bin/env bash
# Installs what is missing, builds Quorvik with its tests and runs the whole
# suite; the exit status is non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DQUORVIK_TESTS=ON
cd build
ctest --output-on-failure --timeout 300 -j"$(nproc)"
