#!/usr/bin/env bash
# Benchmark: `quervik kkontrol` on a generated clean VZP file that mixes the batch types,
# against `wc -l` reading the same file in the same run (both from the page cache, best of
# three). Prints MB/s of both, their ratio (target >= 4 %), and the peak memory of the
# check on the large file and on a small one (memory must not grow with the file).
# Data goes to build/bench-data (not in git). KKONTROL_BENCH_MB sets the size (default 256).
set -euo pipefail
cd "$(dirname "$0")/.."
mb=${KKONTROL_BENCH_MB:-256}
target=4
data=build/bench-data
mkdir -p "$data"
big="$data/vzp-${mb}M.111" small="$data/vzp-8M.111"
[ -s "$big" ] || build/vzp_generate "$big" --size "${mb}M" --documents 200 --seed 1
[ -s "$small" ] || build/vzp_generate "$small" --size 8M --documents 200 --seed 1
bytes=$(stat -c %s "$big")
cat "$big" "$small" >/dev/null  # into the page cache

now() { date +%s%N; }
best() {  # best wall time in ns of three runs of the command
  local b=0 t0 t
  for _ in 1 2 3; do
    t0=$(now); "$@" >/dev/null; t=$(( $(now) - t0 ))
    if [ "$b" -eq 0 ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

wc_ns=$(best wc -l "$big")
kk_ns=$(best build/quervik kkontrol "$big")
status=0
build/quervik kkontrol "$big" >/dev/null || status=$?
[ "$status" -eq 0 ] || { echo "kkontrol found findings in the generated file (exit $status)"; exit 1; }
mem_big=$(peak_kb build/quervik kkontrol "$big")
mem_small=$(peak_kb build/quervik kkontrol "$small")

awk -v b="$bytes" -v w="$wc_ns" -v k="$kk_ns" -v t="$target" -v mb="$mem_big" -v ms="$mem_small" 'BEGIN {
  wr = b / 1e6 / (w / 1e9); kr = b / 1e6 / (k / 1e9); ratio = 100 * kr / wr
  printf "file: %.0f MB, generated, clean, all batch types but 16 and 80\n", b / 1e6
  printf "wc -l:           %8.0f MB/s (baseline)\n", wr
  printf "quervik kkontrol: %7.0f MB/s\n", kr
  printf "peak memory: %d KiB on %.0f MB, %d KiB on 8 MiB\n", mb, b / 1e6, ms
  printf "ratio %.1f %% (target >= %d %%): %s\n", ratio, t, (ratio >= t) ? "PASS" : "FAIL"
  printf "RESULT|quervik kkontrol, %.0f MB vs. wc -l|%.0f MB/s|%.0f MB/s|%.1f %%|>= %d %%|%s\n", b / 1e6, kr, wr, ratio, t, (ratio >= t) ? "PASS" : "FAIL"
  printf "RESULT|quervik kkontrol, peak memory %.0f MB vs. 8 MiB|%d KiB|%d KiB|%.2f|none (shown only)|-\n", b / 1e6, mb, ms, mb / ms
  if (ratio >= t) exit 0
  exit 1
}'
