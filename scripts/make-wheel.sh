#!/usr/bin/env bash
# Writes the Python wheel, dist/midifields-VERSION-py3-none-manylinux2014_x86_64.whl,
# from python/ and the records library of a Linux build, and checks it: the library
# asks for nothing newer than glibc 2.17 (scripts/check-linux-symbols.sh),
# and the wheel, installed by pip into a new virtual environment (Debian's
# Python, its pandas through --system-site-packages, no index), reads the
# samples as the build's command-line host does, from another folder, and
# python -m midifields prints what the host prints.
#   scripts/make-wheel.sh [LINUX_BUILD]    (default build/linux; SOURCE_DATE_EPOCH sets the files' time)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
scripts/ensure-packages.sh python3-venv python3-pip python3-pandas

scripts/check-linux-symbols.sh "$build/libmidifields_records.so"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
wheel=$(/usr/bin/python3 scripts/make_wheel.py "$version" "$build/libmidifields_records.so" dist)

check=$(mktemp -d "${TMPDIR:-/tmp}/midifields-wheel.XXXXXX")
trap 'rm -rf "$check"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$check/venv"
"$check/venv/bin/python" -m pip install --quiet --no-index --no-deps --disable-pip-version-check "$wheel"
cp -r samples "$check/"
"$build/midifields" --format jsonl "$check/samples" >"$check/host.jsonl"
program=$(cd "$build" && pwd)/midifields
(cd "$check" && env -u MIDIFIELDS_LIBRARY -u PYTHONPATH venv/bin/python -m midifields samples >python.jsonl &&
  "$program" --format jsonl samples | cmp - python.jsonl)
(cd "$check" && env -u MIDIFIELDS_LIBRARY -u PYTHONPATH venv/bin/python - "$check/samples" host.jsonl) <<'EOF'
import importlib, json, pkgutil, sys
import midifields
from midifields import _library

folder, host_file = sys.argv[1], sys.argv[2]
assert "/venv/" in midifields.__file__ and _library.load().path.endswith("/midifields/lib/libmidifields_records.so"), midifields.__file__
# help() lists the package's modules: each one imports.
for module in pkgutil.iter_modules(midifields.__path__):
    if module.name != "dask":
        importlib.import_module(f"midifields.{module.name}")
host = [json.loads(line) for line in open(host_file)]
records = list(midifields.read_many(midifields.walk(folder)))
frame = midifields.read_frame(folder)
assert len(records) == len(host) == len(frame) > 0
for record, row, path in zip(records, host, frame.path):
    got = [record["path"]] + [record[key] for key in midifields.FIELDS]
    expected = [row["path"]] + [row[name] for name, _, _ in _library.CATALOGUE]
    assert got == expected and list(map(type, got)) == list(map(type, expected)) and path == row["path"], (got, expected)
# Worker processes started from the installed package.
paths = [record["path"] for record in records] * 40
assert list(midifields.read_many(paths, jobs=2)) == records * 40
EOF
echo "wheel: $wheel installs with pip and reads the samples as the command-line host does, python -m midifields too"
