#!/usr/bin/env bash
# Many addresses at once on loopback: quorvik-cli's list against curl run by
# xargs and against curl's own --parallel, then a list of a million lines
# streamed through --brief. Prints one table: what, addresses per second,
# wall time, peak memory. Not part of the test suite.
#
# Usage: bench/list_bench.sh [QUORVIK_CLI]   (default: build-bench/cli/quorvik-cli)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build-bench/cli/quorvik-cli}
addresses=10000
parallel=64
stream_lines=1000000

say() { echo "== $*" >&2; }
fail() { echo "bench/list_bench.sh: $*" >&2; exit 1; }
[ -x "$cli" ] || fail "no quorvik-cli at $cli"

work=$(mktemp -d /tmp/quorvik-list-bench.XXXXXX)
nginx_pid=
cleanup() {
    [ -z "$nginx_pid" ] || kill "$nginx_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/temp"
printf '<html><body>Quorvik bench</body></html>\n' >"$work/www/small.html"
read -r port refused_port < <(perl -MIO::Socket::INET -e 'my @s = map {
    IO::Socket::INET->new(Listen => 1, LocalAddr => "127.0.0.1", LocalPort => 0,
    Proto => "tcp") or die } 1 .. 2; print join(" ", map { $_->sockport } @s), "\n"')
cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 4096; }
http {
    access_log off;
    client_body_temp_path $work/temp/body; proxy_temp_path $work/temp/proxy;
    fastcgi_temp_path $work/temp/fastcgi; uwsgi_temp_path $work/temp/uwsgi;
    scgi_temp_path $work/temp/scgi;
    types { text/html html; }
    server { listen 127.0.0.1:$port backlog=1024; root $work/www; }
}
CONF
nginx=$(command -v nginx || echo /usr/sbin/nginx)
"$nginx" -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 100); do [ -s "$work/nginx.pid" ] && break; sleep 0.05; done
[ -s "$work/nginx.pid" ] || fail "nginx did not start: $(cat "$work/error.log")"

base=http://127.0.0.1:$port/small.html
seq "$addresses" | sed "s|^|$base?|" >"$work/list.txt"
sed 's|.*|url = "&"\noutput = "/dev/null"|' "$work/list.txt" >"$work/curl.config"
# Lines that fail at once (a port nobody listens on): the stream, not the
# server, is what this row measures.
seq "$stream_lines" | sed "s|^|http://127.0.0.1:$refused_port/|" >"$work/stream.txt"

rows=()
# measure WHAT COUNT COMMAND...: wall time and peak resident set by GNU time.
measure() {
    local what=$1 count=$2
    shift 2
    /usr/bin/time -v -o "$work/time.out" "$@" >"$work/out" 2>/dev/null || true
    local wall peak
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":");
        s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time.out")
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.out")
    rows+=("$what|$(awk -v c="$count" -v w="$wall" 'BEGIN { printf "%.0f", c / w }')|$wall|$peak")
}

"$cli" --brief "$base" >/dev/null || fail "quorvik-cli cannot ask nginx"
say "$addresses addresses, $parallel at once"
measure "quorvik-cli --brief --parallel $parallel --per-host $parallel --input FILE" \
    "$addresses" "$cli" --brief --parallel $parallel --per-host $parallel --input "$work/list.txt"
[ "$(grep -c '^200	' "$work/out")" -eq "$addresses" ] || fail "quorvik-cli: not every answer 200"
measure "xargs -P $parallel -n 1 curl -sI -o /dev/null" "$addresses" \
    xargs -P $parallel -n 1 -a "$work/list.txt" curl -sI -o /dev/null
measure "curl --parallel --parallel-max $parallel -sI --config FILE" "$addresses" \
    curl --parallel --parallel-max $parallel -sI --config "$work/curl.config"
say "$stream_lines lines streamed through --brief"
measure "quorvik-cli --brief --parallel $parallel --per-host $parallel, $stream_lines refused" \
    "$stream_lines" "$cli" --brief --parallel $parallel --per-host $parallel --input "$work/stream.txt"
[ "$(wc -l <"$work/out")" -eq "$stream_lines" ] || fail "quorvik-cli: lines missing in the stream"

echo
printf '%-78s %10s %9s %11s\n' what addr/s wall_s peak_KiB
for r in "${rows[@]}"; do
    IFS='|' read -r what rate wall peak <<<"$r"
    printf '%-78s %10s %9s %11s\n' "$what" "$rate" "$wall" "$peak"
done
echo "peak_KiB: the largest single process (GNU time); with xargs that is one curl of the $parallel."
