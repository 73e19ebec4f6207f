#!/usr/bin/env bash
# The whole pipeline of larkspire-ping (read the list, check every URL, write the exports) beside curl and wrk,
# all three against a local nginx that closes every connection, over HTTP and over HTTPS (TLS 1.2) with an
# ECDSA P-256 and with an RSA-2048 certificate; the same run through the main window; and the peak memory and
# steadiness of a large headless run.
# Loopback addresses only. Run as root: it installs what is missing and widens the ephemeral port range.
#
#   bench/pipeline/run.sh [URLS [BIG_URLS [REPEATS [BIG_REPEATS]]]]     defaults: 10000 1000000 3 1
#
# LARKSPIRE_BENCH_BUILD names the Release build folder (default build/bench-release).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/packages.sh"

urls=${1:-10000}
big_urls=${2:-1000000}
repeats=${3:-3}
big_repeats=${4:-1}
workers=60
http_port=18080
ecdsa_port=18443
rsa_port=18444
addresses=(127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8)

ensure_packages nginx wrk curl openssl time cmake g++

build=${LARKSPIRE_BENCH_BUILD:-$root/build/bench-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLARKSPIRE_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target larkspire-ping bench_window_run >/dev/null
ping_exe="$build/cli/larkspire-ping"
window_exe="$build/bench/bench_window_run"
window_urls=20000

work=$(mktemp -d /tmp/larkspire-pipeline.XXXXXX)
saved_sysctls=()

cleanup() {
    if [ -f "$work/nginx.pid" ]; then
        nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" -s stop 2>/dev/null || true
    fi
    local setting
    for setting in "${saved_sysctls[@]}"; do sysctl -q -w "$setting" >/dev/null 2>&1 || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Tens of thousands of closed connections wait in TIME_WAIT for a minute; let new ones reuse their ports.
tune() {
    local name=$1 value=$2 old
    old=$(sysctl -n "$name" 2>/dev/null) || { echo "note: cannot read $name"; return; }
    if sysctl -q -w "$name=$value" >/dev/null 2>&1; then
        saved_sysctls+=("$name=$old")
    else
        echo "note: cannot set $name (kept: $old)"
    fi
}
tune net.ipv4.tcp_tw_reuse 1
tune net.ipv4.ip_local_port_range "1024 65000"

# --- the server ------------------------------------------------------------------------------------------------
# Two certificates, so the clients' costs show against a cheap (ECDSA P-256) and a dear (RSA-2048) server half.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost \
    -keyout "$work/ecdsa-key.pem" -out "$work/ecdsa-cert.pem" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -keyout "$work/rsa-key.pem" -out "$work/rsa-cert.pem" 2>/dev/null
mkdir -p "$work/temp"
{
    echo "worker_processes auto;"
    echo "pid $work/nginx.pid;"
    echo "error_log $work/error.log warn;"
    echo "worker_rlimit_nofile 65536;"
    echo "events { worker_connections 8192; }"
    echo "http {"
    echo "    access_log off;"
    echo "    keepalive_timeout 0;"  # the server closes every connection: one connection per URL
    for kind in client_body proxy fastcgi uwsgi scgi; do echo "    ${kind}_temp_path $work/temp/$kind;"; done
    echo "    ssl_protocols TLSv1.2;"
    echo "    ssl_session_cache off;"  # every handshake a full one, for every client
    echo "    ssl_session_tickets off;"
    echo "    server {"
    for address in "${addresses[@]}"; do echo "        listen $address:$http_port backlog=4096;"; done
    echo "        location /p/ { default_type text/plain; return 200 \"ok\\n\"; }"
    echo "        location = /status { stub_status; }"
    echo "    }"
    for key in ecdsa rsa; do
        port=$ecdsa_port
        [ "$key" = rsa ] && port=$rsa_port
        echo "    server {"
        echo "        listen 127.0.0.1:$port ssl backlog=4096;"
        echo "        ssl_certificate $work/$key-cert.pem;"
        echo "        ssl_certificate_key $work/$key-key.pem;"
        echo "        location /p/ { default_type text/plain; return 200 \"ok\\n\"; }"
        echo "    }"
    done
    echo "}"
} >"$work/nginx.conf"
nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log"

# Connections the server has accepted so far. Between two readings the first reading's own connection counts too.
accepted() {
    curl -sS "http://127.0.0.1:$http_port/status" | awk 'NR == 3 {print $1}'
}

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds_now() { date +%s.%N; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN {printf "%.0f", n / s}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# The lists: URLs for larkspire-ping, the same as url/output pairs for curl.
make_lists() {
    local scheme=$1 port=$2 count=$3 name=$4 spread=$5 i address
    for ((i = 1; i <= count; i++)); do
        address=${addresses[$(((i - 1) % spread))]}
        printf '%s://%s:%s/p/%d\r\n' "$scheme" "$address" "$port" "$i"
    done >"$work/$name.txt"
    awk '{sub(/\r$/, ""); printf "url = \"%s\"\noutput = \"/dev/null\"\n", $0}' "$work/$name.txt" >"$work/$name.cfg"
}

# Runs one client over a list; prints its URLs per second, the connections the server accepted meanwhile (over
# HTTP, where stub_status sees them) and the client's processor time (user + system) per URL in microseconds.
# wrk has no list: it fetches the list's first URL for 5 s over as many connections, so it counts what it made.
measure() {
    local client=$1 name=$2 count before start end connections seconds first cpu
    count=$(wc -l <"$work/$name.txt")
    before=$(accepted)
    start=$(seconds_now)
    case $client in
    ours)
        /usr/bin/time -f "%U %S" -o "$work/cpu" "$ping_exe" --urls "$work/$name.txt" --threads "$workers" \
            --timeout 10 --export-not-completed "$work/rest.txt" 2>"$work/ours.err"
        grep -q "Completed $count\$" "$work/ours.err" || { echo "larkspire-ping did not complete every URL:" >&2; cat "$work/ours.err" >&2; exit 1; }
        ;;
    curl)
        /usr/bin/time -f "%U %S" -o "$work/cpu" curl -sS -Z --parallel-max "$workers" --http1.1 \
            -H "Connection: close" --no-sessionid -k --tlsv1.2 --tls-max 1.2 -K "$work/$name.cfg" 2>"$work/curl.err" ||
            { echo "curl failed on some URLs:" >&2; tail -3 "$work/curl.err" >&2; }
        ;;
    wrk)
        first=$(head -1 "$work/$name.txt" | tr -d '\r')
        /usr/bin/time -f "%U %S" -o "$work/cpu" wrk -t2 -c"$workers" -d5s -H "Connection: close" "$first" \
            >"$work/wrk.out"
        count=$(awk '/requests in/ {print $1}' "$work/wrk.out")
        ;;
    esac
    end=$(seconds_now)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')
    [ "$client" = wrk ] && seconds=$(awk '/requests in/ {sub(/s,$/, "", $4); print $4}' "$work/wrk.out")
    connections=$(($(accepted) - before - 1))
    case $name in
    http | window)
        [ "$client" = wrk ] || [ "$connections" -eq "$count" ] ||
            echo "warning: $client made $connections connections for $count URLs" >&2
        ;;
    esac
    cpu=$(awk -v n="$count" '{printf "%.0f", ($1 + $2) * 1e6 / n}' "$work/cpu")
    echo "$(rate "$count" "$seconds") $connections $cpu"
}

machine="$(nproc) × $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(uname -r)"
echo "Machine: $machine; load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# --- 1: URLs per second and processor time per URL, the three clients interleaved ------------------------------
targets=(http ecdsa rsa)
clients=(ours curl wrk)
make_lists http "$http_port" "$urls" http 1
make_lists https "$ecdsa_port" "$urls" ecdsa 1
make_lists https "$rsa_port" "$urls" rsa 1
declare -A rates cpus
for ((run = 1; run <= repeats; run++)); do
    for target in "${targets[@]}"; do
        line="$target run $run:"
        for client in "${clients[@]}"; do
            read -r client_rate _ client_cpu <<<"$(measure "$client" "$target")"
            rates[$target.$client]+="$client_rate "
            cpus[$target.$client]+="$client_cpu "
            line+=" $client $client_rate/s $client_cpu µs;"
        done
        echo "$line"
    done
done

# --- 2: the same kind of run through the real main window ----------------------------------------------------
# The window expands websites into templates, so its websites file holds the URLs without "http://".
make_lists http "$http_port" "$window_urls" window 1
sed 's#^http://##' "$work/window.txt" >"$work/window-sites.txt"
window_rates=()
window_gaps=()
window_cli_rates=()
for ((run = 1; run <= repeats; run++)); do
    QT_QPA_PLATFORM=offscreen "$window_exe" "$work/window-sites.txt" "http://{website}" "$workers" >"$work/window.out" 2>/dev/null
    grep -q "Completed: $window_urls\$" "$work/window.out" || { echo "the window run did not complete every URL:" >&2; cat "$work/window.out" >&2; exit 1; }
    window_rates+=("$(awk '/^run / {print $4}' "$work/window.out")")
    window_gaps+=("$(awk '/^run / {print $9}' "$work/window.out")")
    read -r cli_rate _ _ <<<"$(measure ours window)"
    window_cli_rates+=("$cli_rate")
    echo "window run $run: ${window_rates[-1]}/s, longest event-loop gap ${window_gaps[-1]} ms; larkspire-ping on the same URLs $cli_rate/s"
done

# --- 3: peak memory and steadiness of a large run ---------------------------------------------------------------
# The server's accepted-connection count, read every second, gives the rate in the first and the last fifth.
make_lists http "$http_port" "$big_urls" big "${#addresses[@]}"
peaks=()
big_rates=()
for ((run = 1; run <= big_repeats; run++)); do
    before=$(accepted)
    start=$(seconds_now)
    /usr/bin/time -v "$ping_exe" --urls "$work/big.txt" --threads "$workers" --timeout 10 \
        --export-completed "$work/big-completed.txt" 2>"$work/big.err" &
    big_pid=$!
    : >"$work/samples"
    load_peak=
    while kill -0 "$big_pid" 2>/dev/null; do
        now_accepted=$(accepted)
        echo "$(seconds_now) $now_accepted" >>"$work/samples"
        # The peak so far once the first checks have begun: what reading the list and filling the table took.
        if [ -z "$load_peak" ] && [ "$now_accepted" -gt $((before + 1)) ]; then
            ping_pid=$(pgrep -P "$big_pid" -x larkspire-ping || true)
            [ -n "$ping_pid" ] && load_peak=$(awk '/VmHWM/ {printf "%.1f", $2 / 1024}' "/proc/$ping_pid/status")
        fi
        sleep 1
    done
    wait "$big_pid"
    end=$(seconds_now)
    grep -q "Completed $big_urls\$" "$work/big.err" || { echo "the large run did not complete every URL:" >&2; grep -v '^\s' "$work/big.err" >&2; exit 1; }
    # Every sample was a connection of its own.
    connections=$(($(accepted) - before - 1 - $(wc -l <"$work/samples")))
    [ "$connections" -eq "$big_urls" ] || echo "warning: $connections connections for $big_urls URLs" >&2
    peaks+=("$(awk '/Maximum resident set size/ {printf "%.1f", $6 / 1024}' "$work/big.err")")
    big_rates+=("$(rate "$big_urls" "$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')")")
    # Rates between samples while checks ran (the count moved), then the medians of the first and last fifth.
    awk -v total="$big_urls" -v base="$before" '
        NR > 1 && $2 > last + 1 && $2 - base < total { printf "%.0f\n", ($2 - last - 1) / ($1 - t) }
        { t = $1; last = $2 }' "$work/samples" >"$work/rates"
    fifth=$(( ($(wc -l <"$work/rates") + 4) / 5 ))
    steadiness="$(head -n "$fifth" "$work/rates" | median) $(tail -n "$fifth" "$work/rates" | median)"
    echo "large run $run: peak ${peaks[-1]} MB (${load_peak:-?} MB when the checks began)," \
        "${big_rates[-1]} URLs/s ($connections connections), first and last fifth $steadiness URLs/s"
done

echo
echo "Medians of $repeats interleaved runs (the large run: $big_repeats); $(date -u +%Y-%m-%d); $machine"
echo
echo "| Target | ours URLs/s | curl URLs/s | wrk URLs/s | ours/curl | ours/wrk | CPU µs/URL ours, curl, wrk |"
echo "|---|---|---|---|---|---|---|"
for target in "${targets[@]}"; do
    declare -A m=()
    for client in "${clients[@]}"; do
        m[$client]=$(printf '%s\n' ${rates[$target.$client]} | median)
        m[$client.cpu]=$(printf '%s\n' ${cpus[$target.$client]} | median)
    done
    case $target in http) title="HTTP" ;; ecdsa) title="HTTPS, ECDSA P-256" ;; rsa) title="HTTPS, RSA-2048" ;; esac
    echo "| $urls URLs, $title, $workers in flight | ${m[ours]} | ${m[curl]} | ${m[wrk]} |" \
        "$(ratio "${m[ours]}" "${m[curl]}") | $(ratio "${m[ours]}" "${m[wrk]}") |" \
        "${m[ours.cpu]}, ${m[curl.cpu]}, ${m[wrk.cpu]} |"
done
window_rate=$(printf '%s\n' "${window_rates[@]}" | median)
window_cli_rate=$(printf '%s\n' "${window_cli_rates[@]}" | median)
echo
echo "| Measurement | figure |"
echo "|---|---|"
echo "| $window_urls URLs through the main window, $workers threads: window, larkspire-ping (URLs/s); ratio |" \
    "$window_rate, $window_cli_rate; $(ratio "$window_rate" "$window_cli_rate") |"
worst_gap=$(printf '%s\n' "${window_gaps[@]}" | sort -g | tail -1)
echo "| longest event-loop gap during the window run (worst of $repeats) | $worst_gap ms |"
echo "| $big_urls URLs headless over ${#addresses[@]} loopback addresses: peak resident memory; URLs/s |" \
    "$(printf '%s\n' "${peaks[@]}" | median) MB; $(printf '%s\n' "${big_rates[@]}" | median)" \
    "(last run's first and last fifth: $steadiness) |"
