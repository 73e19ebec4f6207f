#!/usr/bin/env bash
# The whole pipeline of larkspire-ping (read the list, check every URL, write the exports) against curl, both
# fetching the same distinct URLs from a local nginx that closes every connection, over HTTP and over HTTPS
# (TLS 1.2); wrk on the same server as the machine's ceiling; and the peak memory of a large run.
# Loopback addresses only. Run as root: it installs what is missing and widens the ephemeral port range.
#
#   bench/pipeline/run.sh [URLS [BIG_URLS [REPEATS]]]     defaults: 10000 200000 3
#
# LARKSPIRE_BENCH_BUILD names the Release build folder (default build/bench-release).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/packages.sh"

urls=${1:-10000}
big_urls=${2:-200000}
repeats=${3:-3}
workers=60
http_port=18080
https_port=18443
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
# An ECDSA P-256 certificate keeps the server's half of each full handshake cheap, so the clients' own costs show.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
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
    echo "    ssl_certificate $work/cert.pem;"
    echo "    ssl_certificate_key $work/key.pem;"
    echo "    ssl_protocols TLSv1.2;"
    echo "    ssl_session_cache off;"  # every handshake a full one, for every client
    echo "    ssl_session_tickets off;"
    echo "    server {"
    for address in "${addresses[@]}"; do echo "        listen $address:$http_port backlog=4096;"; done
    echo "        listen 127.0.0.1:$https_port ssl backlog=4096;"
    echo "        location /p/ { default_type text/plain; return 200 \"ok\\n\"; }"
    echo "        location = /status { stub_status; }"
    echo "    }"
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

# The lists: URLs for larkspire-ping, the same as url/output pairs for curl.
make_lists() {
    local scheme=$1 port=$2 count=$3 name=$4 spread=$5 i address
    : >"$work/$name.txt"
    : >"$work/$name.cfg"
    for ((i = 1; i <= count; i++)); do
        address=${addresses[$(((i - 1) % spread))]}
        printf '%s://%s:%s/p/%d\r\n' "$scheme" "$address" "$port" "$i"
    done >"$work/$name.txt"
    awk '{sub(/\r$/, ""); printf "url = \"%s\"\noutput = \"/dev/null\"\n", $0}' "$work/$name.txt" >"$work/$name.cfg"
}

# Runs one client over a list; prints its URLs per second, the connections the server accepted meanwhile and the
# client's processor time (user + system) per URL in microseconds.
measure() {
    local client=$1 name=$2 count before start end connections
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
    esac
    end=$(seconds_now)
    connections=$(($(accepted) - before - 1))
    [ "$connections" -eq "$count" ] || echo "warning: $client made $connections connections for $count URLs" >&2
    echo "$(rate "$count" "$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')") $connections" \
        "$(awk -v n="$count" '{printf "%.0f", ($1 + $2) * 1e6 / n}' "$work/cpu")"
}

wrk_ceiling() {
    local url=$1
    wrk -t2 -c"$workers" -d10s -H "Connection: close" "$url" | awk '/Requests\/sec/ {printf "%.0f", $2}'
}

machine="$(nproc) × $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(uname -r)"
echo "Machine: $machine"
echo

# --- 1: URLs per second, ours against curl, and the ceiling ---------------------------------------------------
declare -A result
for scheme in http https; do
    port=$http_port
    [ "$scheme" = https ] && port=$https_port
    make_lists "$scheme" "$port" "$urls" "$scheme" 1
    ours=()
    theirs=()
    ours_cpu=()
    theirs_cpu=()
    ceiling=()
    for ((run = 1; run <= repeats; run++)); do
        measured=$(measure ours "$scheme")
        read -r our_rate our_connections our_cpu <<<"$measured"
        measured=$(measure curl "$scheme")
        read -r curl_rate curl_connections curl_cpu <<<"$measured"
        ours+=("$our_rate")
        theirs+=("$curl_rate")
        ours_cpu+=("$our_cpu")
        theirs_cpu+=("$curl_cpu")
        ceiling+=("$(wrk_ceiling "$scheme://127.0.0.1:$port/p/1")")
        echo "$scheme run $run: larkspire-ping $our_rate/s ($our_connections connections, $our_cpu µs CPU/URL)," \
            "curl $curl_rate/s ($curl_connections connections, $curl_cpu µs CPU/URL), wrk ${ceiling[-1]}/s"
    done
    result[$scheme.ours]=$(printf '%s\n' "${ours[@]}" | median)
    result[$scheme.curl]=$(printf '%s\n' "${theirs[@]}" | median)
    result[$scheme.wrk]=$(printf '%s\n' "${ceiling[@]}" | median)
    result[$scheme.ours_cpu]=$(printf '%s\n' "${ours_cpu[@]}" | median)
    result[$scheme.curl_cpu]=$(printf '%s\n' "${theirs_cpu[@]}" | median)
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

# --- 3: peak memory of a large run ------------------------------------------------------------------------------
make_lists http "$http_port" "$big_urls" big "${#addresses[@]}"
peaks=()
big_rates=()
for ((run = 1; run <= repeats; run++)); do
    before=$(accepted)
    start=$(seconds_now)
    /usr/bin/time -v "$ping_exe" --urls "$work/big.txt" --threads "$workers" --timeout 10 \
        --export-completed "$work/big-completed.txt" 2>"$work/big.err"
    end=$(seconds_now)
    grep -q "Completed $big_urls\$" "$work/big.err" || { echo "the large run did not complete every URL:" >&2; grep -v '^\s' "$work/big.err" >&2; exit 1; }
    connections=$(($(accepted) - before - 1))
    [ "$connections" -eq "$big_urls" ] || echo "warning: $connections connections for $big_urls URLs" >&2
    peaks+=("$(awk '/Maximum resident set size/ {printf "%.1f", $6 / 1024}' "$work/big.err")")
    big_rates+=("$(rate "$big_urls" "$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')")")
    echo "large run $run: peak ${peaks[-1]} MB, ${big_rates[-1]} URLs/s ($connections connections)"
done

echo
echo "Medians of $repeats runs; $(date -u +%Y-%m-%d); $machine"
echo
echo "| Measurement | larkspire-ping | curl | ours/curl | wrk ceiling | CPU µs/URL ours, curl | goal |"
echo "|---|---|---|---|---|---|---|"
for scheme in http https; do
    goal="≥ 1.0"
    [ "$scheme" = https ] && goal="≥ 1.2"
    ratio=$(awk -v a="${result[$scheme.ours]}" -v b="${result[$scheme.curl]}" 'BEGIN {printf "%.2f", a / b}')
    echo "| $urls distinct URLs, ${scheme^^}, $workers workers (URLs/s) | ${result[$scheme.ours]} | ${result[$scheme.curl]} | $ratio | ${result[$scheme.wrk]} | ${result[$scheme.ours_cpu]}, ${result[$scheme.curl_cpu]} | $goal |"
done
window_rate=$(printf '%s\n' "${window_rates[@]}" | median)
window_cli_rate=$(printf '%s\n' "${window_cli_rates[@]}" | median)
echo "| $window_urls URLs, HTTP, through the main window (URLs/s; ratio to larkspire-ping on the same URLs) | $window_rate | | $(awk -v a="$window_rate" -v b="$window_cli_rate" 'BEGIN {printf "%.2f", a / b}') | | | ≥ 0.8 |"
echo "| longest event-loop gap during the window run | $(printf '%s\n' "${window_gaps[@]}" | sort -g | tail -1) ms (worst of $repeats) | | | | | ≤ 50 ms |"
echo "| $big_urls URLs over ${#addresses[@]} loopback addresses: peak resident memory | $(printf '%s\n' "${peaks[@]}" | median) MB ($(printf '%s\n' "${big_rates[@]}" | median) URLs/s) | | | | | < 150 MB |"
