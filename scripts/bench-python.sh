#!/usr/bin/env bash
# The Python package's throughput against the command-line host and mido,
# and its memory over 200,000 paths (bench/python_throughput.py says what
# it prints): builds the library and the host, installs Debian's mido and
# pandas when missing. CORPUS is a folder of MIDI files (the figures in
# docs/performance.md: ../shared/midi-corpus).
#   scripts/bench-python.sh CORPUS [--files N] [--rounds R]
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=$(realpath "${1:?usage: scripts/bench-python.sh CORPUS [--files N] [--rounds R]}")
shift
scripts/ensure-packages.sh python3-mido python3-pandas
scripts/build.sh linux --target midifields_cli >/dev/null
/usr/bin/python3 bench/python_throughput.py "$corpus" "$@"
