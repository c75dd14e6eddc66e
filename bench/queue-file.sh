#!/bin/bash
# Load time, save time and peak memory of a queue file of 100,000 download items
# (or ITEMS), in a fresh data folder. The peak memory is that of the loading
# process, measured by /usr/bin/time -v.
#
#   bench/queue-file.sh [ITEMS]
#
# The program is $VANTOR_QUEUE_FILE_BENCH (default build/bin/queue_file_bench).
set -u
. "$(dirname "$0")/lib.sh"

items=${1:-100000}
program=${VANTOR_QUEUE_FILE_BENCH:-$BENCH_ROOT/build/bin/queue_file_bench}
[ -x "$program" ] || { bench_log "no $program (build the queue_file_bench target)"; exit 1; }
[ -x /usr/bin/time ] || { bench_log "/usr/bin/time is missing (apt-get install time)"; exit 1; }

bench_init
dir=$BENCH_WORK/data
"$program" make "$dir" "$items" >&2 || exit 1
bytes=$(stat -c %s "$dir/Queue.xml")
/usr/bin/time -v "$program" load "$dir" > "$BENCH_WORK/out" 2> "$BENCH_WORK/time" || { cat "$BENCH_WORK/time" >&2; exit 1; }
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$BENCH_WORK/time")
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$BENCH_WORK/time")
printf 'items          %s\n' "$(sed -n 's/^items //p' "$BENCH_WORK/out")"
printf 'file_bytes     %s\n' "$bytes"
printf 'load_seconds   %s\n' "$(sed -n 's/^load_s //p' "$BENCH_WORK/out")"
printf 'save_seconds   %s\n' "$(sed -n 's/^save_s //p' "$BENCH_WORK/out")"
printf 'peak_rss_mb    %s\n' "$(awk -v k="$peak_kb" 'BEGIN { printf "%.1f", k / 1024 }')"
printf 'process_wall   %s\n' "$wall"
