#!/usr/bin/env bash
# Fuzzes the scanner, the value texts and the value export for SECONDS:
#   scripts/fuzz.sh SECONDS [SEED]
# Without SEED the run is random and keeps what it learns in
# build/fuzz/corpus/, so later runs start from there. With SEED it starts
# from the committed seeds alone and is reproducible (the test script uses
# this). Inputs in fuzz/regressions/ are run first every time. A finding is
# written to build/fuzz/findings/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [SEED]}
seed=${2:-}
build=build/fuzz

scripts/build.sh fuzz >/dev/null

if [ -n "$seed" ]; then
  corpus=$build/corpus-seed-$seed
  rm -rf "$corpus"
  seed_option=(-seed="$seed")
else
  corpus=$build/corpus
  seed_option=()
fi
mkdir -p "$corpus" "$build/findings"

echo "== Fuzzing for ${seconds} s (corpus $corpus${seed:+, seed $seed})"
# New inputs go into the first folder only; the committed ones stay as they are.
"$build/midifields_scan_fuzzer" "${seed_option[@]}" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=2048 -dict=fuzz/midi.dict -artifact_prefix="$build/findings/" -print_final_stats=1 \
  "$corpus" fuzz/corpus fuzz/regressions 2>"$build/run-${seed:-random}.log" || {
  tail -n 60 "$build/run-${seed:-random}.log" >&2
  echo "fuzzing found a fault; the input is in $build/findings/" >&2
  exit 1
}
grep -E '^(Done|INFO: Seed|INFO: seed corpus|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/run-${seed:-random}.log" || true
echo "corpus: $(find "$corpus" -type f | wc -l) inputs"
