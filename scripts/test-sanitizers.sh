#!/usr/bin/env bash
# The hardening stages of the test command:
#   1. the whole unit suite built with AddressSanitizer + UndefinedBehaviorSanitizer,
#   2. the concurrency test and the host's ordered worker pool built with
#      ThreadSanitizer,
#   3. a 60 s fuzz run from the committed seeds with a fixed seed.
# Any sanitizer report or fuzz finding fails the script.
#   scripts/test-sanitizers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: unit suite"
scripts/build.sh asan >/dev/null
# The test preset sets ASAN_OPTIONS and UBSAN_OPTIONS.
ctest --preset asan -j "$(nproc)"

echo "== ThreadSanitizer: concurrency test, the host's ordered worker pool"
scripts/build.sh tsan >/dev/null
scripts/build.sh tsan --target midifields_host_tests >/dev/null
# ThreadSanitizer of clang 14 cannot map its shadow memory under the wide
# address randomisation of newer kernels; without randomisation it can.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
"${no_aslr[@]}" build/tsan/midifields_concurrency_tests
"${no_aslr[@]}" build/tsan/midifields_host_tests --gtest_filter='OrderedWork.*'

echo "== Fuzzing"
scripts/fuzz.sh 60 1
