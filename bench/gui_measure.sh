#!/usr/bin/env bash
# The window's figures, measured from outside the program; bench/run.sh runs
# this under xvfb-run and takes the medians. Prints key=value lines:
#   mapped_ms    start to the main window being viewable (xdotool polls)
#   painted_ms   start to the first capture of the window (ImageMagick's
#                import) that holds more than a plain background: the first
#                painted frame
#   peak_kib     peak resident set (/usr/bin/time -v) of a run ended just
#                after its first frame
# these three once for each of RUNS starts; then, from one more start:
#   idle_cpu_ms  CPU time of the started window in the next WAIT seconds
#   wait_cpu_ms  CPU time in WAIT seconds after the address of a silent
#                server was typed and Enter pressed, once the connection stands
#
# Usage: gui_measure.sh QUORVIK FOLDER RUNS SILENT_URL WAIT_SECONDS
set -euo pipefail

gui=$1 dir=$2 runs=$3 silent_url=$4 wait_s=$5
silent_port=${silent_url##*:}
silent_port=${silent_port%%/*}
start_deadline_s=30
poll_interval_s=0.005
# A frame that is drawn has text, icons and gradients; a window not yet
# drawn shows one background colour.
min_painted_colours=16

mkdir -p "$dir/data" "$dir/runtime"
chmod 700 "$dir/runtime"
# Own settings, log and single-copy lock, so that no other copy interferes.
export QUORVIK_DATA_DIR=$dir/data XDG_RUNTIME_DIR=$dir/runtime QT_QPA_PLATFORM=xcb

now_ns() { date +%s%N; }
ms_since() { echo $((($(now_ns) - $1) / 1000000)); }
fail() { echo "gui_measure.sh: $*" >&2; exit 1; }

# Starts the window under /usr/bin/time -v and waits for its first frame;
# sets time_pid, gui_pid, wid, mapped_ms and painted_ms.
start_window() {
    local start deadline colours
    start=$(now_ns)
    deadline=$((start + start_deadline_s * 1000000000))
    /usr/bin/time -v -o "$dir/time.out" "$gui" >/dev/null 2>"$dir/gui.err" &
    time_pid=$!
    wid=""
    while [ -z "$wid" ]; do
        kill -0 "$time_pid" 2>/dev/null || fail "the window ended: $(cat "$dir/gui.err")"
        [ "$(now_ns)" -lt $deadline ] || fail "no window after $start_deadline_s s"
        wid=$(xdotool search --onlyvisible --name Quorvik 2>/dev/null | head -1 || true)
        [ -n "$wid" ] || sleep $poll_interval_s
    done
    mapped_ms=$(ms_since "$start")
    while :; do
        [ "$(now_ns)" -lt $deadline ] || fail "no painted frame after $start_deadline_s s"
        colours=$(import -silent -window "$wid" -format %k info:- 2>/dev/null ||
            echo 0)
        [ "$colours" -gt $min_painted_colours ] && break
        sleep $poll_interval_s
    done
    painted_ms=$(ms_since "$start")
    gui_pid=$(pgrep -P "$time_pid")
}

stop_window() {
    kill "$gui_pid"
    wait "$time_pid" 2>/dev/null || true
}

# Nanoseconds on a CPU of the window's living threads, from the scheduler's
# accounting: finer than the 10 ms of user and system time.
cpu_ns() { cat /proc/"$gui_pid"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d", sum }'; }
ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'; }

for ((i = 0; i < runs; i++)); do
    start_window
    stop_window
    echo "mapped_ms=$mapped_ms"
    echo "painted_ms=$painted_ms"
    awk -F': ' '/Maximum resident set size/ { print "peak_kib=" $2 }' "$dir/time.out"
done

start_window
before=$(cpu_ns)
sleep "$wait_s"
echo "idle_cpu_ms=$(ms_between "$before" "$(cpu_ns)")"

# The address field has the focus on the first page; Enter asks.
xdotool windowfocus --sync "$wid"
xdotool key --window "$wid" ctrl+a
xdotool type --window "$wid" --delay 1 "$silent_url"
xdotool key --window "$wid" Return
deadline=$(($(now_ns) + start_deadline_s * 1000000000))
until ss -tnpH state established "dport = :$silent_port" | grep -q "pid=$gui_pid,"; do
    [ "$(now_ns)" -lt $deadline ] || fail "the window did not connect to $silent_url"
    sleep $poll_interval_s
done
before=$(cpu_ns)
sleep "$wait_s"
echo "wait_cpu_ms=$(ms_between "$before" "$(cpu_ns)")"
stop_window
