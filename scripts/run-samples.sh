#!/usr/bin/env bash
# The main job on the bundled samples: builds the command-line program
# (installing the compiler, CMake and the libraries when missing) and
# prints the fields of every file in samples/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh samples >/dev/null
build/linux/midifields samples/
