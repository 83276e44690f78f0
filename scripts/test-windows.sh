#!/usr/bin/env bash
# The Windows side of the test command: cross-builds the DLL, the host and
# the tests with MinGW-w64 (installing it and Wine when missing), runs the
# tests under Wine, then checks that the Windows and the Linux hosts print
# the same bytes. Expects the Linux build in build/linux (scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

scripts/ensure-packages.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest cmake make

echo "== Windows build and tests (MinGW-w64, Wine)"
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DMIDIFIELDS_BUILD_TESTS=ON -DMIDIFIELDS_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/windows -j "$jobs"

# One Wine server and prefix for the whole run, owned by whoever runs the
# tests. Without a running server each program start pays for setting it
# up again, and Wine's background processes started by the first test would
# hold ctest's output pipe open; so start them here, away from any pipe.
export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
export LC_ALL=C.UTF-8
# No Mono or Gecko installers: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1

ctest --test-dir build/windows --output-on-failure -j "$jobs"

echo "== Windows host against Linux host"
scripts/cross-check-hosts.sh build/linux build/windows
