#!/usr/bin/env bash
# Installs what is missing, builds Quorvik and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DQUORVIK_TESTS=OFF
exec ./build/app/quorvik
