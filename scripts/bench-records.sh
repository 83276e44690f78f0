#!/usr/bin/env bash
# Records throughput: builds the program, the plug-in, the records library
# and the benchmark, then prints the program's reading against reading
# through the plug-in and against plain reads, and the Python package's
# (with Debian's Python), over hard links to the files of CORPUS and copies
# of the typical file, all in one run.
#   scripts/bench-records.sh [CORPUS]    (default ../shared/midi-corpus)
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${1:-../shared/midi-corpus}

scripts/build.sh bench --target records_throughput >/dev/null
build/bench/records_throughput "$PWD/build/bench/midifields" "$PWD/build/bench/libmidifields.so" "$corpus" \
  "MIDIFIELDS_LIBRARY='$PWD/build/bench/libmidifields_records.so' PYTHONPATH='$PWD/python' /usr/bin/python3 '$PWD/bench/python_records.py'"
