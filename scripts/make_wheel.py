#!/usr/bin/python3
"""Writes the Python wheel from python/ and a built library, the same bytes
for the same inputs (entries in a fixed order, one time for all of them,
fixed permissions), without a network or a build backend:

    scripts/make_wheel.py VERSION LIBRARY OUT_DIR

A wheel is a zip: the package's files with the library in its lib folder
(where no one takes it for a Python module), then
midifields-VERSION.dist-info/ with METADATA (from python/pyproject.toml),
WHEEL (the tag), the licence files and RECORD (each file's SHA-256 and
size). Prints the wheel's path."""

import base64
import hashlib
import os
import re
import sys
import time
import tomllib
import zipfile
from pathlib import Path

TAG = "py3-none-manylinux2014_x86_64"
ROOT = Path(__file__).resolve().parent.parent


def metadata(project: dict, version: str) -> str:
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {project['name']}",
        f"Version: {version}",
        f"Summary: {project['description']}",
        f"License: {project['license']['text']}",
        f"Requires-Python: {project['requires-python']}",
    ]
    lines += [f"Classifier: {classifier}" for classifier in project["classifiers"]]
    for extra, requirements in project["optional-dependencies"].items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f'Requires-Dist: {requirement}; extra == "{extra}"' for requirement in requirements]
    lines.append("Description-Content-Type: text/plain")
    description = (f"{project['description']}.\n\nThe midifields records library (libmidifields_records.so, "
                   "inside) read through ctypes, one call a file: midifields.read, read_bytes, read_many "
                   "(worker processes), read_frame (pandas) and midifields.dask.read_frame (Dask, "
                   "dask.distributed clusters); python -m midifields prints the records as the "
                   "command-line host does. See the README of the midifields release.\n")
    return "\n".join(lines) + "\n\n" + description


def record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def main() -> None:
    version, library, out_dir = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    project = tomllib.loads((ROOT / "python" / "pyproject.toml").read_text())["project"]
    package = ROOT / "python" / "midifields"
    dist_info = f"midifields-{version}.dist-info"
    wheel_text = (f"Wheel-Version: 1.0\nGenerator: midifields scripts/make_wheel.py\n"
                  f"Root-Is-Purelib: false\nTag: {TAG}\n")

    package_version = re.search(r'^__version__ = "([^"]+)"', (package / "__init__.py").read_text(), re.MULTILINE)
    if package_version is None or package_version.group(1) != version:
        sys.exit(f"make_wheel.py: python/midifields/__init__.py says version "
                 f"{package_version.group(1) if package_version else 'nothing'}, the build {version}")
    files = [(f"midifields/{path.name}", path.read_bytes())
             for path in sorted(package.iterdir()) if path.suffix == ".py" or path.name == "py.typed"]
    files.append((f"midifields/lib/{library.name}", library.read_bytes()))
    files += [
        (f"{dist_info}/METADATA", metadata(project, version).encode()),
        (f"{dist_info}/WHEEL", wheel_text.encode()),
        (f"{dist_info}/LICENSE", (ROOT / "LICENSE").read_bytes()),
        (f"{dist_info}/THIRD-PARTY-NOTICES.txt", (ROOT / "THIRD-PARTY-NOTICES.txt").read_bytes()),
    ]
    record = "\n".join([record_line(name, data) for name, data in files] + [f"{dist_info}/RECORD,,"]) + "\n"
    files.append((f"{dist_info}/RECORD", record.encode()))

    # Zip times are local, without a zone, from 1980 on: the commit's time in UTC.
    stamp = max(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")), 315532800)
    date_time = time.gmtime(stamp)[:6]
    out_dir.mkdir(parents=True, exist_ok=True)
    wheel = out_dir / f"midifields-{version}-{TAG}.whl"
    with zipfile.ZipFile(wheel, "w") as archive:
        for name, data in files:
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = 3  # Unix, so the permissions below are read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)
    print(wheel)


if __name__ == "__main__":
    main()
