#!/usr/bin/env bash
# The Windows side of the test command: cross-builds the DLL, the host and
# the tests with MinGW-w64 (installing it and Wine when missing), runs the
# tests under Wine, then checks that the Windows and the Linux hosts print
# the same bytes. Expects the Linux build in build/linux (scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
export JOBS=${JOBS:-2}

echo "== Windows build and tests (MinGW-w64, Wine)"
scripts/build.sh windows
. scripts/wine-env.sh "$PWD/build/windows/wineprefix"
ctest --preset windows -j "$JOBS"

echo "== Windows host against Linux host"
scripts/cross-check-hosts.sh build/linux build/windows
