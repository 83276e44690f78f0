#!/usr/bin/env bash
# The main job on the bundled samples: builds the plug-in and the
# command-line host (installing the compiler and CMake when missing) and
# prints the fields of every file in samples/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh samples >/dev/null
build/linux/midifields samples/
