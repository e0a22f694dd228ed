#!/usr/bin/env bash
# Installs what is missing, builds Quorvik with its tests and runs the whole
# suite twice: the normal build (./build), then the AddressSanitizer and
# UndefinedBehaviorSanitizer build (./build-asan) with leak detection on and
# every finding fatal. Last, each fuzz target runs for 30 s (scripts/fuzz.sh).
# The exit status is non-zero when any test or target fails.
# QUORVIK_SKIP_SANITIZE=1 runs the first phase only; QUORVIK_SKIP_FUZZ=1 leaves
# out the fuzz phase.
set -euo pipefail
cd "$(dirname "$0")/.."

phase() { # name, command...
    local name=$1 start=$SECONDS
    shift
    echo "== ${name}"
    "$@"
    echo "== ${name}: $((SECONDS - start)) s"
}

run_suite() { # build folder
    (cd "$1" && ctest --output-on-failure --timeout 300 -j"$(nproc)")
}

phase "build" bash scripts/build.sh -DQUORVIK_TESTS=ON
phase "tests" run_suite build

[ "${QUORVIK_SKIP_SANITIZE:-0}" = 1 ] && exit 0

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
phase "sanitizer build" bash scripts/build.sh --dir build-asan -DQUORVIK_TESTS=ON \
    -DQUORVIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
phase "sanitizer tests" run_suite build-asan

[ "${QUORVIK_SKIP_FUZZ:-0}" = 1 ] && exit 0
phase "fuzz targets" bash scripts/fuzz.sh "${QUORVIK_FUZZ_SECONDS:-30}"
