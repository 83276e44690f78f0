#!/usr/bin/env bash
# The hardening stages of the test command:
#   1. the whole unit suite built with AddressSanitizer + UndefinedBehaviorSanitizer,
#   2. the concurrency test built with ThreadSanitizer,
#   3. a 60 s fuzz run from the committed seeds with a fixed seed.
# Any sanitizer report or fuzz finding fails the script.
#   scripts/test-sanitizers.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: unit suite"
scripts/asan-build.sh >/dev/null
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== ThreadSanitizer: concurrency test"
flags="-fsanitize=thread -fno-omit-frame-pointer -g"
CXX=clang++ cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIDIFIELDS_BUILD_TESTS=ON \
  -DMIDIFIELDS_WARNINGS_AS_ERRORS=ON -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build/tsan -j "$jobs" --target midifields_hardening_tests >/dev/null
# ThreadSanitizer of clang 14 cannot map its shadow memory under the wide
# address randomisation of newer kernels; without randomisation it can.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  "${no_aslr[@]}" build/tsan/midifields_hardening_tests --gtest_filter='ConcurrencyTest.*'

echo "== Fuzzing"
scripts/fuzz.sh 60 1
