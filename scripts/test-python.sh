#!/usr/bin/env bash
# The Python package's tests (python/tests), with Debian's Python and its
# packages, installed when missing, whatever python3 comes first on PATH;
# against the Linux build (scripts/build.sh linux), whose records library
# must also load on glibc 2.17 systems, as the wheel promises.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh python3-pytest python3-pandas python3-dask python3-distributed
scripts/check-linux-symbols.sh build/linux/libmidifields.so
scripts/check-linux-symbols.sh build/linux/libmidifields_records.so
/usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
