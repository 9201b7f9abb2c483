#!/usr/bin/env bash
# Benchmark: `quervik dkontrol --format json` against the text form of the same command on
# the same generated DRG delivery of about 200 MB with 100,000 seeded line findings, in the
# same run (five rounds of both, the best time of each, output to files). Target: the JSON
# run within 1.5x of the text run. Data goes to build/bench-data (not in git).
# JSON_BENCH_DOCUMENTS sets the number of documents (default 700000, about 200 MB).
set -euo pipefail
cd "$(dirname "$0")/.."
documents=${JSON_BENCH_DOCUMENTS:-700000}
findings=100000
target=1.5
data=build/bench-data/json-$documents
mkdir -p "$data"
if [ ! -s "$data/F.DRG" ]; then
  build/drg_generate --out "$data" --name F --documents "$documents" --centres 2000 \
    --findings "letter=$((findings / 2)),code=$((findings / 2))" --seed 3 >/dev/null
fi
drg="$data/F.DRG"
bytes=$(stat -c %s "$drg")
cat "$drg" >/dev/null  # into the page cache
out=$(mktemp) text_out=$(mktemp)
trap 'rm -f "$out" "$text_out"' EXIT

now() { date +%s%N; }
# Five rounds, each running the text form and then the JSON form, so that both meet the same
# load on the machine; the best wall time of each counts. The outputs of the last round stay.
text_ns=0 json_ns=0
for _ in 1 2 3 4 5; do
  t0=$(now); build/quervik dkontrol --drg "$drg" >"$text_out" || true; t=$(( $(now) - t0 ))
  if [ "$text_ns" -eq 0 ] || [ "$t" -lt "$text_ns" ]; then text_ns=$t; fi
  t0=$(now); build/quervik dkontrol --drg "$drg" --format json >"$out" || true; t=$(( $(now) - t0 ))
  if [ "$json_ns" -eq 0 ] || [ "$t" -lt "$json_ns" ]; then json_ns=$t; fi
done
text_findings=$(grep -c ') (7900)$' "$text_out" || true)
json_findings=$(grep -c '"line":' "$out" || true)
# Every line must parse; the findings of both forms must agree.
python3 -c 'import json,sys; [json.loads(l) for l in open(sys.argv[1])]' "$out"
[ "$text_findings" -eq "$json_findings" ] || {
  echo "text form: $text_findings findings, JSON: $json_findings"
  exit 1
}

awk -v b="$bytes" -v t="$text_ns" -v j="$json_ns" -v n="$json_findings" -v target="$target" 'BEGIN {
  ratio = j / t
  printf "file: %.0f MB, %d findings\n", b / 1e6, n
  printf "dkontrol, text form: %6.2f s (baseline)\n", t / 1e9
  printf "dkontrol --format json: %6.2f s\n", j / 1e9
  printf "ratio %.2fx (target <= %.1fx): %s\n", ratio, target, (ratio <= target) ? "PASS" : "FAIL"
  printf "RESULT|dkontrol --format json, %.0f MB with %d findings|%.2f s|text form: %.2f s|%.2fx|<= %.1fx|%s\n", b / 1e6, n, j / 1e9, t / 1e9, ratio, target, (ratio <= target) ? "PASS" : "FAIL"
  exit (ratio <= target) ? 0 : 1
}'
