#!/usr/bin/env bash
# Measures Quorvik against curl on loopback and prints one table: what, the
# quorvik figure, curl's figure and their ratio (quorvik/curl). Each pair is
# measured in one run, the two sides taking turns. One row puts a bare loop of
# the system calls of a HEAD in quorvik's column: the ceiling of any client. Needs root for missing
# packages (scripts/deps.sh --bench), about 2.5 GiB free in /tmp and a few
# minutes. Not part of the test suite.
#
# Usage: bench/run.sh [--quick]   (--quick: fewer rounds, for trying it out)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# Some shells name a trust store of their own; every row names its store.
unset SSL_CERT_FILE SSL_CERT_DIR CURL_CA_BUNDLE
build=$root/build-bench
quick=0
[ "${1:-}" = "--quick" ] && quick=1

head_rounds=6 head_runs=5      # 30 runs per side at least
get_rounds=4 get_runs=2
bench_rounds=5
gui_runs=5
silent_wait_s=10
if [ $quick -eq 1 ]; then
    head_rounds=2 get_rounds=1 bench_rounds=1 gui_runs=1
fi
big_size_mib=1024
post_size_mib=100
free_needed_mib=$((2 * big_size_mib + post_size_mib + 256))

say() { echo "== $*" >&2; }
fail() { echo "bench/run.sh: $*" >&2; exit 1; }

# --- packages and build -------------------------------------------------------

bash "$root/scripts/deps.sh" --bench
say "building (Release, $build)"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVIK_TESTS=OFF \
    "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target quorvik-cli quorvik http_client_bench >/dev/null
cli=$build/cli/quorvik-cli
gui=$build/app/quorvik
client_bench=$build/bench/http_client_bench

# --- work folder, files, certificates -------------------------------------------

free_mib=$(df -Pm /tmp | awk 'NR == 2 { print $4 }')
[ "$free_mib" -ge "$free_needed_mib" ] ||
    fail "/tmp has $free_mib MiB free, the files need $free_needed_mib MiB"
work=$(mktemp -d /tmp/quorvik-bench.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/temp"
printf '<html><body>Quorvik bench</body></html>\n' >"$work/www/small.html"
: >"$work/www/post"
: >"$work/www/ok.txt"
# Sparse: made at once, and read from the page cache like any cached file.
truncate -s "${big_size_mib}M" "$work/www/big.bin"
head -c "$((post_size_mib * 1024 * 1024))" /dev/urandom >"$work/post.bin"

say "certificates"
(
    cd "$work"
    key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
    openssl req -x509 "${key[@]}" -keyout ca.key -out ca.pem -days 2 \
        -subj "/CN=Quorvik Bench CA" 2>/dev/null
    openssl req "${key[@]}" -keyout server.key -out server.csr -subj /CN=localhost 2>/dev/null
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >san.cnf
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial \
        -out server.pem -days 2 -extfile san.cnf 2>/dev/null
)

# --- servers ---------------------------------------------------------------------

# Ports the kernel hands out for listeners that are closed again at once.
free_ports() {
    perl -MIO::Socket::INET -e 'my @s = map { IO::Socket::INET->new(Listen => 1,
        LocalAddr => "127.0.0.1", LocalPort => 0, Proto => "tcp") or die } 1 .. 2;
        print join(" ", map { $_->sockport } @s), "\n"'
}

start_nginx() {
    read -r http_port tls_port < <(free_ports)
    rm -f "$work/nginx.pid"
    cat >"$work/nginx.conf" <<EOF
daemon off; master_process off; pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 1024; }
http {
    access_log off; sendfile on; tcp_nopush on;
    client_body_temp_path $work/temp/body; proxy_temp_path $work/temp/proxy;
    fastcgi_temp_path $work/temp/fastcgi; uwsgi_temp_path $work/temp/uwsgi;
    scgi_temp_path $work/temp/scgi;
    types { text/html html; }
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$http_port;
        listen 127.0.0.1:$tls_port ssl;
        ssl_certificate $work/server.pem; ssl_certificate_key $work/server.key;
        root $work/www;
        client_max_body_size $((2 * post_size_mib))m;
        # The mirror reads the whole body before the answer; the static
        # file's 405 for a POST becomes an empty 200.
        location = /post { mirror /sink; mirror_request_body on; error_page 405 =200 /ok.txt; }
        location = /sink { internal; return 204; }
    }
}
EOF
    local nginx
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    "$nginx" -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
    nginx_pid=$!
    # nginx writes its pid file once it listens.
    for _ in $(seq 100); do
        [ -s "$work/nginx.pid" ] && return 0
        kill -0 "$nginx_pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

say "nginx"
started=0
for _ in 1 2 3; do
    if start_nginx; then started=1; break; fi
done
[ $started -eq 1 ] || fail "nginx did not start: $(cat "$work/error.log" 2>/dev/null)"
pids+=("$nginx_pid")

# Accepts connections, reads what comes and never answers.
perl -MIO::Socket::INET -MIO::Select -e '
    my $l = IO::Socket::INET->new(Listen => 16, LocalAddr => "127.0.0.1", LocalPort => 0,
        Proto => "tcp", ReuseAddr => 1) or die;
    open(my $f, ">", $ARGV[0]) or die; print $f $l->sockport, "\n"; close $f;
    my $sel = IO::Select->new($l);
    while (my @ready = $sel->can_read) {
        for my $s (@ready) {
            if ($s == $l) { $sel->add($l->accept) }
            elsif (!sysread($s, my $b, 65536)) { $sel->remove($s); close $s }
        }
    }' "$work/silent.port" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/silent.port" ] && break; sleep 0.05; done
silent_port=$(cat "$work/silent.port")

http=http://127.0.0.1:$http_port
https=https://127.0.0.1:$tls_port
silent=http://127.0.0.1:$silent_port/

# --- measuring helpers ---------------------------------------------------------

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

rows=()
# row WHAT QUORVIK CURL UNIT BETTER
row() { rows+=("$1|$2|$3|$4|$5"); }

# Whole-process wall times with hyperfine; the order of the pair flips each
# round. Prints the two medians in milliseconds.
paired_times() {
    local rounds=$1 runs=$2 quorvik=$3 curl=$4 prepare=${5:-}
    local json=$work/hyperfine.json extra=()
    [ -n "$prepare" ] && extra=(--prepare "$prepare")
    : >"$work/t.quorvik"
    : >"$work/t.curl"
    for ((r = 0; r < rounds; r++)); do
        local order=("$quorvik" "$curl")
        [ $((r % 2)) -eq 1 ] && order=("$curl" "$quorvik")
        hyperfine -N --style none --warmup 1 --runs "$runs" "${extra[@]}" \
            --export-json "$json" "${order[@]}" >/dev/null
        jq -r --arg c "$quorvik" '.results[] | select(.command == $c) | .times[]' "$json" \
            >>"$work/t.quorvik"
        jq -r --arg c "$curl" '.results[] | select(.command == $c) | .times[]' "$json" \
            >>"$work/t.curl"
    done
    echo "$(median <"$work/t.quorvik" | awk '{ print $1 * 1000 }')" \
        "$(median <"$work/t.curl" | awk '{ print $1 * 1000 }')" \
        "$(wc -l <"$work/t.quorvik")"
}

# Fails unless the file holds exactly the expected number of bytes.
check_size() {
    local size
    size=$(stat -c %s "$1")
    [ "$size" -eq "$2" ] || fail "$3: $size bytes instead of $2"
}

# CPU seconds (user + system) of one command, by /usr/bin/time.
cpu_seconds() {
    /usr/bin/time -f '%U %S' -o "$work/time.out" "$@" >/dev/null 2>&1 || true
    awk '{ print $1 + $2 }' "$work/time.out"
}

# Peak resident set of one command, in KiB, by /usr/bin/time -v.
peak_kib() {
    /usr/bin/time -v -o "$work/time.out" "$@" >/dev/null 2>&1 || true
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.out"
}

# --- the rows -----------------------------------------------------------------

"$cli" "$http/small.html" >/dev/null || fail "quorvik-cli cannot ask nginx"

say "HEAD, whole process ($((head_rounds * head_runs)) runs each)"
read -r q c n < <(paired_times $head_rounds $head_runs "$cli $http/small.html" \
    "curl -sI $http/small.html")
row "HEAD small page, quorvik-cli URL vs curl -sI (median of $n, ms)" "$q" "$c" ms lower

big_bytes=$((big_size_mib * 1024 * 1024))
out_q=$work/out.quorvik out_c=$work/out.curl

get_rows() {
    local label=$1 base=$2 tls_q=$3 tls_c=$4
    say "GET 1 GiB$label to /dev/null"
    # shellcheck disable=SC2086
    read -r q c n < <(paired_times $get_rounds $get_runs \
        "$cli $tls_q --get -o /dev/null $base/big.bin" \
        "curl $tls_c -s -o /dev/null $base/big.bin")
    row "GET 1 GiB$label to /dev/null (median of $n, ms)" "$q" "$c" ms lower
    say "GET 1 GiB$label to a file"
    # shellcheck disable=SC2086
    "$cli" $tls_q --get -o "$out_q" "$base/big.bin" >/dev/null
    # shellcheck disable=SC2086
    curl $tls_c -s -o "$out_c" "$base/big.bin"
    check_size "$out_q" $big_bytes "quorvik-cli GET$label"
    check_size "$out_c" $big_bytes "curl GET$label"
    # Each run writes a new file, the old one removed beforehand.
    read -r q c n < <(paired_times $get_rounds $get_runs \
        "$cli $tls_q --get -o $out_q $base/big.bin" \
        "curl $tls_c -s -o $out_c $base/big.bin" "rm -f $out_q $out_c")
    row "GET 1 GiB$label to a file in /tmp (median of $n, ms)" "$q" "$c" ms lower
}
get_rows "" "$http" "" ""

say "peak memory, GET 1 GiB to a file"
q=$(peak_kib "$cli" --get -o "$out_q" "$http/big.bin")
c=$(peak_kib curl -s -o "$out_c" "$http/big.bin")
row "peak RSS, GET 1 GiB to a file (KiB)" "$q" "$c" KiB lower
rm -f "$out_q" "$out_c"

# A trust store of the system's size: the system's certificates and the
# bench CA, as one bundle file and as a hashed directory (what
# update-ca-certificates makes of /etc/ssl/certs), and an empty directory.
make_stores() {
    local store=$work/store
    mkdir -p "$store/hashed" "$store/none"
    cat /etc/ssl/certs/ca-certificates.crt "$work/ca.pem" >"$store/bundle.pem"
    cp -L /etc/ssl/certs/*.pem "$work/ca.pem" "$store/hashed/"
    openssl rehash "$store/hashed"
    echo "$(grep -c 'BEGIN CERTIFICATE' "$store/bundle.pem") certificates"
}

# Verified HEAD over TLS, each program given the same store: quorvik-cli by
# the variables OpenSSL reads, curl by its options (with the system's store,
# curl reads its bundle file and searches the directory).
https_head_rows() {
    local store=$work/store url=$https/small.html
    say "trust stores: $(make_stores)"
    say "HEAD over https, whole process ($((head_rounds * head_runs)) runs each)"
    read -r q c n < <(paired_times $head_rounds $head_runs \
        "env SSL_CERT_DIR=$store/hashed $cli $url" \
        "env curl -sI --cacert $store/bundle.pem --capath $store/hashed $url")
    row "HEAD over https, whole process, system store (median of $n, ms)" "$q" "$c" ms lower
    read -r q c n < <(paired_times $head_rounds $head_runs \
        "env SSL_CERT_FILE=$store/bundle.pem SSL_CERT_DIR=$store/none $cli $url" \
        "env curl -sI --cacert $store/bundle.pem --capath $store/none $url")
    row "HEAD over https, whole process, bundle file only (median of $n, ms)" "$q" "$c" ms lower
    read -r q c n < <(paired_times $head_rounds $head_runs \
        "env $cli --cacert $work/ca.pem $url" "env curl -sI --cacert $work/ca.pem $url")
    row "HEAD over https, whole process, --cacert (median of $n, ms)" "$q" "$c" ms lower
}

tls_note=""
if tls_error=$("$cli" --cacert "$work/ca.pem" "$https/small.html" 2>&1 >/dev/null); then
    https_head_rows
    get_rows " over TLS" "$https" "--cacert $work/ca.pem" "--cacert $work/ca.pem"
else
    tls_note="TLS rows skipped: quorvik-cli does not fetch https yet ($(echo "$tls_error" | head -1))"
fi

say "in-process HEAD and POST ($bench_rounds rounds)"
"$client_bench" --head-url="$http/small.html" --post-url="$http/post" \
    --post-file="$work/post.bin" --rounds=$bench_rounds --benchmark_format=json \
    >"$work/bench.json" 2>"$work/bench.err" || fail "http_client_bench: $(cat "$work/bench.err")"
bench_median() {
    jq -r --arg p "$1/$2/" --arg f "$3" \
        '.benchmarks[] | select(.name | startswith($p)) | .[$f]' "$work/bench.json" | median
}
errors=$(jq -r '.benchmarks[] | select(.error_occurred) | "\(.name): \(.error_message)"' \
    "$work/bench.json")
[ -z "$errors" ] || fail "http_client_bench: $errors"
row "HEAD in-process, new connection each, HTTP/1.0 (req/s)" \
    "$(bench_median head quorvik items_per_second)" "$(bench_median head curl items_per_second)" \
    req/s higher
row "HEAD in-process, the system calls alone, no library (req/s)" \
    "$(bench_median head syscalls items_per_second)" "$(bench_median head curl items_per_second)" \
    req/s higher
row "POST ${post_size_mib} MB in-process, THttpClient vs libcurl (ms)" \
    "$(bench_median post quorvik real_time)" "$(bench_median post curl real_time)" ms lower

say "CPU while waiting ${silent_wait_s} s on a silent server"
q=$(cpu_seconds "$cli" --timeout $silent_wait_s "$silent")
c=$(cpu_seconds curl -s -m $silent_wait_s "$silent")
row "CPU time, CLI waiting ${silent_wait_s} s on a silent server (ms)" \
    "$(awk "BEGIN { print $q * 1000 }")" "$(awk "BEGIN { print $c * 1000 }")" ms lower

say "GUI under Xvfb ($gui_runs starts)"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/bench/gui_measure.sh" "$gui" "$work/gui" \
    "$gui_runs" "$silent" "$silent_wait_s" >"$work/gui.out" || fail "GUI measurement failed"
gui_value() { awk -F= -v k="$1" '$1 == k { print $2 }' "$work/gui.out" | median; }
row "GUI start to mapped window (median of $gui_runs, ms)" "$(gui_value mapped_ms)" - ms lower
row "GUI start to first painted frame (median of $gui_runs, ms)" "$(gui_value painted_ms)" - ms lower
row "GUI peak RSS up to the first frame (median, KiB)" "$(gui_value peak_kib)" - KiB lower
row "CPU time, GUI idle for ${silent_wait_s} s (ms)" "$(gui_value idle_cpu_ms)" - ms lower
row "CPU time, GUI waiting ${silent_wait_s} s on a silent server (ms)" \
    "$(gui_value wait_cpu_ms)" - ms lower

# --- the table ------------------------------------------------------------------

echo
printf '%-66s %12s %12s %7s  %s\n' what quorvik curl ratio better
for r in "${rows[@]}"; do
    IFS='|' read -r what q c unit better <<<"$r"
    case $unit in
    ms) decimals=1 ;;
    *) decimals=0 ;;
    esac
    [ "$q" = - ] || q=$(printf %.*f "$decimals" "$q")
    [ "$c" = - ] || c=$(printf %.*f "$decimals" "$c")
    ratio=$(awk -v q="$q" -v c="$c" 'BEGIN {
        if (c == "-" || c + 0 == 0) print "-"; else printf "%.2f", q / c }')
    printf '%-66s %12s %12s %7s  %s\n' "$what" "$q" "$c" "$ratio" "$better"
done
[ -z "$tls_note" ] || echo "$tls_note"
echo "ratio = quorvik/curl. The CLI's CPU time (GNU time) has a resolution of 10 ms, the window's"
echo "(scheduler accounting of its threads) of 0.1 ms."

say "lists of addresses"
bash "$root/bench/list_bench.sh" "$cli"
