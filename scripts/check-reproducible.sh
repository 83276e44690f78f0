#!/usr/bin/env bash
# Builds the files users get a second time, from a copy of the sources in
# another folder, and checks that they are byte-identical to those of the
# given builds: the Linux plug-in and host, the Windows DLL and host.
#   scripts/check-reproducible.sh [LINUX_BUILD [WINDOWS_BUILD]]
# The builds given are those of the presets linux and windows (scripts/test.sh
# makes them); the copy is built with the same presets, without the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/linux}
windows=${2:-build/windows}

copy=$(mktemp -d "${TMPDIR:-/tmp}/midifields-again.XXXXXX")
trap 'rm -rf "$copy"' EXIT
tar -c --exclude=./.git --exclude=./build --exclude=./dist . | tar -x -C "$copy"

status=0
check() {  # preset, build folder, targets that make the files, files...
  local preset=$1 build=$2 targets=$3
  shift 3
  # shellcheck disable=SC2086  # the targets are words
  (cd "$copy" && cmake --preset "$preset" -DMIDIFIELDS_BUILD_TESTS=OFF >/dev/null &&
    cmake --build --preset "$preset" -j "${JOBS:-$(nproc)}" --target $targets >/dev/null)
  for file in "$@"; do
    if cmp -s "$build/$file" "$copy/build/$preset/$file"; then
      echo "reproducible: $preset/$file"
    else
      echo "NOT reproducible: $build/$file differs from a build in $copy:" >&2
      cmp -l "$build/$file" "$copy/build/$preset/$file" | head -5 >&2 || true
      status=1
    fi
  done
}
check linux "$linux" "midifields_cli midifields midifields_records" libmidifields.so libmidifields_records.so midifields
# The Windows DLLs come from a sub-build of their own (CMakeLists.txt), whose
# target is midifields_dll; there midifields is only its imported file.
check windows "$windows" "midifields_cli midifields_dll" midifields.dll midifields_records.dll midifields.exe
exit $status
