#!/usr/bin/env bash
# Builds the whole project and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, every finding fatal) into build/asan:
#   scripts/asan-build.sh
# Run the suite there with the options scripts/test-sanitizers.sh sets.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh clang libclang-rt-14-dev llvm-14 cmake make libcli11-dev nlohmann-json3-dev libgtest-dev

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
CXX=clang++ cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIDIFIELDS_BUILD_TESTS=ON \
  -DMIDIFIELDS_WARNINGS_AS_ERRORS=ON -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build/asan -j "$(nproc)"
