#!/usr/bin/env bash
# Installs what a configuration of CMakePresets.json needs, configures it
# (quietly) and builds it; further arguments go to `cmake --build`:
#   scripts/build.sh PRESET [--target TARGET...]
# JOBS sets the parallel jobs (default: one per core); NO_TESTS=1 configures
# without the test programs (the release's --no-tests).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: scripts/build.sh PRESET [cmake --build options]}
shift

case $preset in
  samples) packages=(g++) ;;
  linux) packages=(g++ libgtest-dev locales) ;;
  bench) packages=(g++ libbenchmark-dev strace) ;;  # strace: bench.sh counts system calls
  # The DLL is made with the win32 thread model, everything else with posix.
  windows | bench-windows) packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine64 googletest) ;;
  *) packages=(clang libclang-rt-14-dev llvm-14 libgtest-dev) ;;  # the sanitizer and fuzz builds
esac
# The host's header-only libraries come from the build machine, for the cross build too;
# libarchive is the Linux program's, for reading archives.
scripts/ensure-packages.sh make cmake libcli11-dev nlohmann-json3-dev libarchive-dev "${packages[@]}"

cmake --preset "$preset" ${NO_TESTS:+-DMIDIFIELDS_BUILD_TESTS=OFF} >/dev/null
cmake --build --preset "$preset" -j "${JOBS:-$(nproc)}" "$@"
