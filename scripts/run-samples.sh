#!/usr/bin/env bash
# The main job on the bundled samples: builds the plug-in and the
# command-line host (installing the compiler and CMake when missing) and
# prints the fields of every file in samples/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh g++ make cmake libcli11-dev nlohmann-json3-dev
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=Release -DMIDIFIELDS_BUILD_TESTS=OFF >/dev/null
cmake --build build/linux --target midifields_cli -j "$(nproc)" >/dev/null
build/linux/midifields samples/
