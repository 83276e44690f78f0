#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every
# test.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== Linux build and tests"
scripts/build.sh linux
# A locale with a decimal comma, for the test that numbers ignore it.
locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || true
ctest --preset linux -j "$(nproc)"
echo "== Python package"
scripts/test-python.sh
scripts/test-windows.sh
echo "== The files users get, built again in another folder, and their hardening"
scripts/check-reproducible.sh build/linux build/windows
scripts/check-hardening.sh build/linux/libmidifields.so build/linux/libmidifields_records.so build/linux/midifields \
  build/windows/midifields.dll build/windows/midifields_records.dll build/windows/midifields.exe
scripts/test-sanitizers.sh
