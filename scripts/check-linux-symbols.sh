#!/usr/bin/env bash
# Checks that a Linux library loads on every system of the manylinux2014
# kind (glibc 2.17 and later, no particular C++ runtime): it may need only
# the system libraries that manylinux2014 names, no symbol version newer
# than GLIBC_2.17 or GCC_4.8.0, and nothing of libstdc++ (GLIBCXX, CXXABI).
# Prints the versions it asks for; fails naming each symbol that is too new.
#   scripts/check-linux-symbols.sh [LIBRARY]    (default build/linux/libmidifields.so)
set -euo pipefail
cd "$(dirname "$0")/.."
library=${1:-build/linux/libmidifields.so}
allowed_libraries=" libc.so.6 libm.so.6 libgcc_s.so.1 libdl.so.2 librt.so.1 libpthread.so.0 ld-linux-x86-64.so.2 "
status=0

# Whether version $1 is newer than $2 (dotted numbers).
newer() { [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -1)" = "$1" ]; }

for needed in $(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  case $allowed_libraries in
    *" $needed "*) ;;
    *) echo "check-linux-symbols: $library needs $needed, which manylinux2014 systems need not have" >&2; status=1 ;;
  esac
done

# objdump -T: "... (GLIBC_2.14) memcpy" for each symbol taken from another library.
versions=$(objdump -T "$library" | sed -n 's/.*(\([A-Z]*_[0-9.]*\))[[:space:]]*\([^[:space:]]*\)$/\1 \2/p' | sort -u)
while read -r version symbol; do
  [ -n "$version" ] || continue
  name=${version%%_*} number=${version#*_}
  case $name in
    GLIBC) newer "$number" 2.17 && { echo "check-linux-symbols: $symbol needs $version, newer than GLIBC_2.17" >&2; status=1; } ;;
    GCC) newer "$number" 4.8.0 && { echo "check-linux-symbols: $symbol needs $version, newer than GCC_4.8.0" >&2; status=1; } ;;
    *) echo "check-linux-symbols: $symbol needs $version: the system's C++ runtime" >&2; status=1 ;;
  esac
done <<<"$versions"

echo "$library asks for: $(cut -d' ' -f1 <<<"$versions" | sort -uV | tr '\n' ' ')"
[ $status -eq 0 ] && echo "$library loads on manylinux2014 systems (glibc 2.17 and later)"
exit $status
