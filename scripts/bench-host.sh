#!/usr/bin/env bash
# Host throughput on Linux: builds the plug-in, the host and the benchmark,
# then prints files per second for -j 1 and -j 2 over a generated folder,
# and with TREE_FILE_COUNT the peak memory and the time to the first row
# for a tree of that many files, walked and listed with --files-from.
#   scripts/bench-host.sh [FILE_COUNT [TREE_FILE_COUNT]]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh bench --target host_throughput >/dev/null
build/bench/host_throughput "$PWD/build/bench/midifields" "${1:-3000}" ${2:+"$2"}
