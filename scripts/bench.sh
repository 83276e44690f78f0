#!/usr/bin/env bash
# Scan benchmarks, Linux and the Windows DLL under Wine in one run:
#
#   scripts/bench.sh                 # figures and system-call counts
#   BUFFER_SIZES="16384 32768 65536" scripts/bench.sh   # also compare read buffer sizes
#
# Prints the Google Benchmark table (Linux), the self-timed table for Linux
# and for the Windows DLL under Wine, and the read and seek calls of one
# value request per file on both systems. Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

files="$PWD/build/bench-files"
mkdir -p "$files"
names="tiny typical dense huge-sysex many-tracks"

echo "== Linux build"
scripts/build.sh bench >/dev/null
echo "== Windows build"
scripts/build.sh bench-windows >/dev/null
windows_timing=build/bench-windows/midifields_scan_timing.exe
. scripts/wine-env.sh "$PWD/build/bench-windows/wineprefix"
windows_files=$(winepath -w "$files")

echo
echo "== Linux: Google Benchmark (read_ratio = scan time / open+fread+close time)"
MIDIFIELDS_BENCH_DIR="$files" build/bench/midifields_scan_benchmark --benchmark_min_time=0.3
echo
echo "== Linux: self-timed (ratio = scan / open+fread+close)"
build/bench/midifields_scan_timing "$files"
echo
echo "== Windows DLL under Wine: self-timed"
wine "$windows_timing" "$windows_files" | tr -d '\r'

if [ -n "${BUFFER_SIZES:-}" ]; then
  for size in $BUFFER_SIZES; do
    echo
    echo "== Linux, read buffer of $size bytes"
    cmake --preset bench -B "build/bench-buffer-$size" -DCMAKE_CXX_FLAGS="-DMIDIFIELDS_READ_BUFFER_SIZE=$size" >/dev/null
    cmake --build "build/bench-buffer-$size" -j 2 --target midifields >/dev/null
    build/bench/midifields_scan_timing "$files" "build/bench-buffer-$size/libmidifields.so"
  done
fi

echo
echo "== System calls of one value request (Linux: strace; Wine: its file trace)"
printf '%-12s %10s %8s %8s %10s %8s\n' file bytes reads seeks wine-reads seeks
for name in $names; do
  file="$files/$name.mid"
  counts=$(strace -f -c -P "$file" build/bench/midifields_scan_timing --once "$file" 2>&1 >/dev/null)
  reads=$(awk '$NF == "read" {print $(NF-1)}' <<<"$counts")
  seeks=$(awk '$NF == "lseek" {print $(NF-1)}' <<<"$counts")
  # Wine: the calls on the handle that CreateFileW returned for this file,
  # on the thread that opened it.
  trace=$(WINEDEBUG=+file wine "$windows_timing" --once "$(winepath -w "$file")" 2>&1 >/dev/null || true)
  wine_counts=$(awk -v name="$name.mid" '
    index($0, "trace:file:CreateFileW L\"") && index($0, name "\"") { thread = substr($0, 1, 4); opening = 1; next }
    opening && substr($0, 1, 4) == thread && index($0, "CreateFileW returning") {
      handle = $NF; sub(/^0+/, "", handle); handle = "0x" tolower(handle); opening = 0; next }
    handle != "" && substr($0, 1, 4) == thread && index($0, "NtReadFile (" handle ",") { reads++ }
    handle != "" && substr($0, 1, 4) == thread && index($0, "NtSetInformationFile (" handle ",") && /0x0000000e\)$/ { seeks++ }
    END { print reads + 0, seeks + 0 }' <<<"$trace")
  printf '%-12s %10s %8s %8s %10s %8s\n' "$name" "$(stat -c %s "$file")" "${reads:-0}" "${seeks:-0}" $wine_counts
done
