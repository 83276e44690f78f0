#!/usr/bin/env bash
# Runs the Linux host and the Windows host (under Wine) on the same files and
# checks that they print byte-identical output: every file in samples/ and
# tests/data/, and every file the test programs write (the Linux test
# programs are run again with MIDIFIELDS_TEST_FILES_DIR so they keep them).
#   scripts/cross-check-hosts.sh [LINUX_BUILD [WINDOWS_BUILD]]
# Both hosts get the same relative paths, run from the repository's top.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/linux}
windows=${2:-build/windows}

. scripts/wine-env.sh "${WINEPREFIX:-$PWD/$windows/wineprefix}"

work=build/cross-check
rm -rf "$work"
mkdir -p "$work/generated"
for program in midifields_unit_tests midifields_export_tests; do
  MIDIFIELDS_TEST_FILES_DIR="$PWD/$work/generated" "$linux/$program" >"$work/$program.log" 2>&1 ||
    { cat "$work/$program.log"; echo "cross-check: $program failed" >&2; exit 1; }
done

files=()
while IFS= read -r -d '' file; do files+=("$file"); done < <(
  find samples tests/data "$work/generated" -type f -print0 | LC_ALL=C sort -z)
# A path that names nothing: both hosts must report it alike (on stderr,
# exit status 1) and still print the other rows.
files+=("$work/no-such-file.mid")

# In batches, to stay well inside Windows' command-line length.
: >"$work/linux.out"
: >"$work/windows.out"
: >"$work/linux.err"
: >"$work/windows.err"
for ((start = 0; start < ${#files[@]}; start += 100)); do
  batch=("${files[@]:start:100}")
  status=0
  "$linux/midifields" --format tsv "${batch[@]}" >>"$work/linux.out" 2>>"$work/linux.err" || status=$?
  echo "exit status $status" >>"$work/linux.err"
  status=0
  wine "$windows/midifields.exe" --format tsv "${batch[@]}" >>"$work/windows.out" 2>>"$work/windows.err" || status=$?
  echo "exit status $status" >>"$work/windows.err"
done

for stream in out err; do
  if ! cmp -s "$work/linux.$stream" "$work/windows.$stream"; then
    diff "$work/linux.$stream" "$work/windows.$stream" | head -40
    echo "cross-check: the hosts differ (outputs in $work)" >&2
    exit 1
  fi
done
echo "cross-check: ${#files[@]} files, Linux and Windows hosts printed identical output" \
  "($(wc -l <"$work/linux.out") lines, $(wc -c <"$work/linux.out") bytes)"
