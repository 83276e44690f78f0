"""The package from this tree, the library and the command-line host from
the Linux build (scripts/build.sh linux), unless MIDIFIELDS_LIBRARY names
another library; and helpers the tests share."""

import json
import os
import pickle
import subprocess
import sys
import tempfile
from pathlib import Path

import pytest

REPOSITORY = Path(__file__).resolve().parents[2]
BUILD = REPOSITORY / "build" / "linux"
sys.path.insert(0, str(REPOSITORY / "python"))
os.environ.setdefault("MIDIFIELDS_LIBRARY", str(BUILD / "libmidifields_records.so"))
SAMPLE = "samples/format1-song.mid"


def host(*arguments: str, cwd=REPOSITORY) -> subprocess.CompletedProcess:
    """A run of the command-line host: its exit status, stdout and stderr (bytes)."""
    return subprocess.run([str(BUILD / "midifields"), *arguments], cwd=cwd, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)


def run_host(*arguments: str) -> list:
    """The command-line host's JSON Lines for arguments, run in the tree."""
    output = host("--format", "jsonl", *arguments)
    return [json.loads(line) for line in output.stdout.splitlines()]


@pytest.fixture(autouse=True)
def in_repository(monkeypatch):
    monkeypatch.chdir(REPOSITORY)


@pytest.fixture
def open_folder():
    """A fresh folder that a user without root's rights can enter too
    (pytest's tmp_path is its owner's only)."""
    folder = tempfile.mkdtemp()
    os.chmod(folder, 0o755)
    yield Path(folder)
    subprocess.run(["chmod", "-R", "u+rwx", folder], check=False)
    subprocess.run(["rm", "-rf", folder], check=True)


def as_unprivileged(function):
    """function() as a user without root's rights to every file (nobody),
    in a child process that gives them up; as it is when not root. Its
    result comes back pickled."""
    if os.geteuid() != 0:
        return function()
    import midifields

    midifields.read(SAMPLE)  # the library loaded before giving up root
    reading, writing = os.pipe()
    child = os.fork()
    if child == 0:
        try:
            os.setgroups([])
            os.setgid(65534)
            os.setuid(65534)
            with os.fdopen(writing, "wb") as answer:
                answer.write(pickle.dumps(function()))
        finally:
            os._exit(0)
    os.close(writing)
    with os.fdopen(reading, "rb") as answer:
        data = answer.read()
    os.waitpid(child, 0)
    assert data, "the unprivileged child gave no answer"
    return pickle.loads(data)


def child_processes() -> list:
    """The ids of this process's children, zombies included."""
    children = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat", "rb") as status:
                    fields = status.read().rsplit(b")", 1)[1].split()
            except OSError:
                continue
            if int(fields[1]) == os.getpid():
                children.append(int(entry))
    return children


def pool_threads() -> list:
    import threading

    return [thread for thread in threading.enumerate() if thread.name.startswith("midifields")]
