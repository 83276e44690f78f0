#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every
# test.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/ensure-packages.sh g++ make cmake libgtest-dev locales libcli11-dev nlohmann-json3-dev
# A locale with a decimal comma, for the test that numbers ignore it.
locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || true

echo "== Linux build and tests"
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DMIDIFIELDS_BUILD_TESTS=ON -DMIDIFIELDS_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/linux -j "$jobs"
ctest --test-dir build/linux --output-on-failure -j "$jobs"
scripts/test-windows.sh
scripts/test-sanitizers.sh
