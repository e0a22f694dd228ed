#!/usr/bin/env bash
# Builds the libFuzzer targets into ./build-fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30) on a copy
# of its committed corpus, which never grows. Prints one line per target and
# exits non-zero when any target crashed or found its property violated; the
# input that did it is kept in build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
targets=(url_request http_receive ini_roundtrip socks_line tls_handshake)

bash scripts/deps.sh --test
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQUORVIK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failed=0
summary=()
for target in "${targets[@]}"; do
    corpus="$work/$target"
    artifacts="build-fuzz/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    cp fuzz/corpus/"$target"/* "$corpus"/
    # The receive path needs inputs longer than one 100 KiB header line.
    max_len=4096
    [ "$target" = http_receive ] && max_len=120000
    log="$work/$target.log"
    status=0
    build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    if [ "$status" -eq 0 ]; then
        result=ok
    else
        result="FAILED (exit $status): $(grep -m1 -E '^(==[0-9]+== ?ERROR|SUMMARY)' "$log" || true)"
        failed=1
        tail -n 60 "$log" >&2
    fi
    summary+=("$(printf 'fuzz %-14s %8s runs, coverage %5s, %s' "$target" "${runs:-0}" "${cov:-0}" "$result")")
done
printf '%s\n' "${summary[@]}"
exit "$failed"
