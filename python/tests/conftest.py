"""The package from this tree, the library and the command-line host from
the Linux build (scripts/build.sh linux), unless MIDIFIELDS_LIBRARY names
another library."""

import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

REPOSITORY = Path(__file__).resolve().parents[2]
BUILD = REPOSITORY / "build" / "linux"
sys.path.insert(0, str(REPOSITORY / "python"))
os.environ.setdefault("MIDIFIELDS_LIBRARY", str(BUILD / "libmidifields_records.so"))


def run_host(*arguments: str) -> list:
    """The command-line host's JSON Lines for arguments, run in the tree."""
    output = subprocess.run([str(BUILD / "midifields"), "--format", "jsonl", *arguments], cwd=REPOSITORY,
                            check=True, stdout=subprocess.PIPE).stdout
    return [json.loads(line) for line in output.splitlines()]


@pytest.fixture(autouse=True)
def in_repository(monkeypatch):
    monkeypatch.chdir(REPOSITORY)
