#!/usr/bin/env bash
# The pace per host of larkspire-ping against a local nginx on 100 loopback addresses (127.0.0.1-127.0.0.100):
# 1. URLS URLs spread over the 100 hosts with --per-host 2 --threads 60, against the same run without limits;
# 2. RATE_URLS URLs to one host with --rate 50, whose time should be RATE_URLS / 50 s.
# Loopback addresses only. Run as root: it installs nginx when missing.
#
#   bench/pace/run.sh [URLS [RATE_URLS [REPEATS]]]     defaults: 10000 1000 3
#
# LARKSPIRE_BENCH_BUILD names the Release build folder (default build/bench-release).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/packages.sh"

urls=${1:-10000}
rate_urls=${2:-1000}
repeats=${3:-3}
port=18090
hosts=100

ensure_packages nginx cmake g++
build=${LARKSPIRE_BENCH_BUILD:-$root/build/bench-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLARKSPIRE_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target larkspire-ping >/dev/null
ping_exe="$build/cli/larkspire-ping"

work=$(mktemp -d /tmp/larkspire-pace.XXXXXX)
cleanup() {
    [ -f "$work/nginx.pid" ] && nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" -s stop 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/temp"
{
    echo "worker_processes auto; pid $work/nginx.pid; error_log $work/error.log warn; worker_rlimit_nofile 65536;"
    echo "events { worker_connections 8192; }"
    echo "http { access_log off; keepalive_timeout 0;"
    for kind in client_body proxy fastcgi uwsgi scgi; do echo "    ${kind}_temp_path $work/temp/$kind;"; done
    echo "    server {"
    for ((h = 1; h <= hosts; h++)); do echo "        listen 127.0.0.$h:$port backlog=4096;"; done
    echo "        location /p/ { default_type text/plain; return 200 \"ok\\n\"; } } }"
} >"$work/nginx.conf"
nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log"

for ((i = 1; i <= urls; i++)); do printf 'http://127.0.0.%d:%d/p/%d\r\n' $(((i - 1) % hosts + 1)) "$port" "$i"; done \
    >"$work/spread.txt"
for ((i = 1; i <= rate_urls; i++)); do printf 'http://127.0.0.1:%d/p/%d\r\n' "$port" "$i"; done >"$work/one.txt"

seconds_now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Prints the run's seconds; fails unless every URL completed.
timed() {
    local list=$1 count start end
    shift
    count=$(wc -l <"$list")
    start=$(seconds_now)
    "$ping_exe" --urls "$list" --timeout 10 "$@" 2>"$work/err"
    end=$(seconds_now)
    grep -q "Completed $count\$" "$work/err" || { echo "not every URL completed:" >&2; cat "$work/err" >&2; exit 1; }
    awk -v a="$start" -v b="$end" 'BEGIN {print b - a}'
}

free_rates=() limited_rates=() rate_times=()
for ((run = 1; run <= repeats; run++)); do
    free=$(timed "$work/spread.txt" --threads 60)
    limited=$(timed "$work/spread.txt" --threads 60 --per-host 2)
    paced=$(timed "$work/one.txt" --threads 60 --rate 50)
    free_rates+=("$(awk -v n="$urls" -v s="$free" 'BEGIN {printf "%.0f", n / s}')")
    limited_rates+=("$(awk -v n="$urls" -v s="$limited" 'BEGIN {printf "%.0f", n / s}')")
    rate_times+=("$paced")
    echo "run $run: no limit ${free_rates[-1]}/s, --per-host 2 ${limited_rates[-1]}/s, --rate 50 ${paced} s"
done
free_median=$(printf '%s\n' "${free_rates[@]}" | median)
limited_median=$(printf '%s\n' "${limited_rates[@]}" | median)
echo
echo "| Measurement | figure |"
echo "|---|---|"
echo "| $urls URLs over $hosts hosts, 60 threads: no limit, --per-host 2 (URLs/s); ratio | $free_median," \
    "$limited_median; $(awk -v a="$limited_median" -v b="$free_median" 'BEGIN {printf "%.2f", a / b}') |"
echo "| $rate_urls URLs to one host, --rate 50: seconds (goal $((rate_urls / 50)) ± 5 %) |" \
    "$(printf '%s\n' "${rate_times[@]}" | median) |"
