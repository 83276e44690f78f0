#!/usr/bin/env bash
# Host throughput on Linux: builds the plug-in, the host and the benchmark,
# then prints files per second for -j 1 and -j 2 over a generated folder.
#   scripts/bench-host.sh [FILE_COUNT]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh g++ make cmake libcli11-dev nlohmann-json3-dev
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DMIDIFIELDS_BUILD_TESTS=OFF -DMIDIFIELDS_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build/bench --target host_throughput -j 2 >/dev/null
build/bench/host_throughput "$PWD/build/bench/midifields" "${1:-3000}"
