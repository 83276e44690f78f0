#!/usr/bin/env bash
# Makes the release files from this tree: builds both systems and runs every
# test (scripts/test.sh), then writes dist/:
#   midifields-VERSION-windows-x64.zip      midifields.dll, midifields_records.dll, midifields.exe, the documents
#   midifields-VERSION-linux-x86_64.tar.gz  the installed tree: bin/, lib/midifields/,
#                                           share/man/man1/, share/doc/midifields/
#   midifields_VERSION_amd64.deb            the same tree under /usr (CPack)
#   midifields-VERSION-py3-none-manylinux2014_x86_64.whl  the Python package (scripts/make-wheel.sh)
#   SHA256SUMS
# and checks that every program and library in them is hardened
# (scripts/check-hardening.sh), that the unpacked archives read the samples
# as the Linux build does and that lintian finds no error in the .deb. The
# archives are reproducible: members in name order, owned by root, modes 644
# or 755, every time that of the last commit (SOURCE_DATE_EPOCH).
#   scripts/release.sh [--no-tests]    (--no-tests: build and pack only, no test programs)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh git zip dpkg-dev lintian

if [ "${1:-}" = --no-tests ]; then
  NO_TESTS=1 scripts/build.sh linux
  NO_TESTS=1 scripts/build.sh windows
else
  scripts/test.sh
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux/CMakeCache.txt)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
linux=midifields-$version-linux-x86_64
windows=midifields-$version-windows-x64
stage=$(mktemp -d "${TMPDIR:-/tmp}/midifields-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
rm -rf dist
mkdir -p dist

cmake --install build/linux --prefix "$stage/$linux" >/dev/null
cmake --install build/windows --prefix "$stage/$windows" >/dev/null
# No file goes out without its hardening (stack protector, RELRO, ASLR, NX).
scripts/check-hardening.sh "$stage/$linux/lib/midifields/midifields" "$stage/$linux/lib/midifields/libmidifields.so" \
  "$stage/$windows/midifields.exe" "$stage/$windows/midifields.dll" "$stage/$windows/midifields_records.dll"
# Whatever the umask and the clock said: 755 for folders and programs, 644
# for the rest, one time for all.
chmod -R u=rwX,go=rX "$stage"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

tar -C "$stage" -c --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
  --format=gnu "$linux" | gzip -9n >"dist/$linux.tar.gz"
# -X: no owners or extra times; -D: no folder entries. Zip stores local
# time, so the time zone is fixed too.
(cd "$stage" && find "$windows" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q -9 "$OLDPWD/dist/$windows.zip" -@)
(cd build/linux && cpack -B "$stage/deb" >/dev/null)
cp "$stage"/deb/*.deb dist/
# Debian's policy checks: errors fail the release, warnings are shown.
lintian --fail-on error --tag-display-limit 0 dist/*.deb
scripts/make-wheel.sh build/linux  # the Python wheel, checked in a virtual environment
(cd dist && sha256sum -- * >SHA256SUMS)

# The unpacked archives at work, run from another folder: each host reads
# the samples and prints what the Linux build prints.
expected=$(build/linux/midifields --format tsv samples/*.mid)
mkdir "$stage/unpacked"
cp -r samples "$stage/unpacked/"
tar -xzf "dist/$linux.tar.gz" -C "$stage/unpacked"
unzip -q "dist/$windows.zip" -d "$stage/unpacked"
. scripts/wine-env.sh "$PWD/build/windows/wineprefix"
for host in "$linux/bin/midifields" "wine $windows/midifields.exe"; do
  # shellcheck disable=SC2086 # "wine PROGRAM" is two words
  [ "$(cd "$stage/unpacked" && $host --format tsv samples/*.mid)" = "$expected" ] ||
    { echo "release: $host from the archive does not read the samples as the build does" >&2; exit 1; }
done
echo "release $version: the archives read the samples"
ls -l dist
cat dist/SHA256SUMS
