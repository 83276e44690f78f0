#!/usr/bin/env bash
# Line, region, branch and function coverage of midi/ and plugin/ reached by
# running the fuzz target once over each input of a corpus:
#   scripts/fuzz-coverage.sh [FOLDER...]
# Default: the committed seeds and regressions, plus build/fuzz/corpus when
# a long fuzz run (scripts/fuzz.sh) has filled it.
set -euo pipefail
cd "$(dirname "$0")/.."

folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  folders=(fuzz/corpus fuzz/regressions)
  [ -d build/fuzz/corpus ] && folders+=(build/fuzz/corpus)
fi

build=build/fuzz-coverage
scripts/build.sh fuzz-coverage >/dev/null

rm -f "$build"/*.profraw
# -runs=0: run every input once and stop; nothing is added to the folders.
LLVM_PROFILE_FILE="$build/corpus-%p.profraw" "$build/midifields_scan_fuzzer" -runs=0 "${folders[@]}" \
  2>"$build/coverage-run.log"
grep -E 'INFO: seed corpus' "$build/coverage-run.log" || true
llvm-profdata-14 merge -sparse "$build"/*.profraw -o "$build/corpus.profdata"
llvm-cov-14 report "$build/midifields_scan_fuzzer" -instr-profile="$build/corpus.profdata" \
  -show-region-summary -show-branch-summary -show-functions=false \
  midi/*.cpp midi/*.h plugin/*.cpp plugin/*.h
echo "(details: llvm-cov-14 show $build/midifields_scan_fuzzer -instr-profile=$build/corpus.profdata midi plugin)"
