"""python -m midifields against the command-line host: the same bytes on
stdout and stderr, and the same exit status."""

import io
import os
import shutil
import subprocess
import sys

import pytest
from conftest import REPOSITORY, SAMPLE, host

from midifields.__main__ import main

FORMATS = ["jsonl", "json", "csv", "tsv"]


def python_run(*arguments, cwd=REPOSITORY):
    """python -m midifields in this process: exit status, stdout, stderr."""
    out, err = io.BytesIO(), io.BytesIO()
    previous = os.getcwd()
    os.chdir(cwd)
    try:
        status = main(list(arguments), out, err)
    finally:
        os.chdir(previous)
    return status, out.getvalue(), err.getvalue()


def assert_same_as_host(*arguments, cwd=REPOSITORY):
    expected = host(*arguments, cwd=cwd)
    assert python_run(*arguments, cwd=cwd) == (expected.returncode, expected.stdout, expected.stderr), arguments
    return expected


@pytest.fixture(scope="module")
def awkward_tree(tmp_path_factory):
    """Names a real collection has: bytes that are not UTF-8, blanks, tabs,
    line breaks, quotes, commas, control characters; and a pipe, a broken
    link, a text file, files in a subfolder."""
    tree = tmp_path_factory.mktemp("awkward")
    for name in (b"bad\xff.mid", b"caf\xe9.MID", b"tab\there.mid", b"new\nline.mid", b'quote".mid', b"comma,.mid",
                 b"esc\x1b[31m.mid", "\u00e9t\u00e9.mid".encode(), b"sub/deep.midi", b"sub/deeper/x\xff.kar"):
        path = os.path.join(os.fsencode(tree), name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(SAMPLE, path)
    (tree / "notes.kar").write_text("not MIDI")
    (tree / "sub" / "empty.mid").touch()
    os.mkfifo(tree / "pipe.mid")
    (tree / "gone\x07.mid").symlink_to(tree / "nowhere")
    os.symlink(b"nowhere", os.path.join(os.fsencode(tree), b"gone\xff.mid"))
    return tree


@pytest.mark.parametrize("layout", FORMATS)
def test_the_samples_are_written_byte_for_byte_as_the_host_writes_them(layout):
    result = assert_same_as_host("--format", layout, "samples/")
    assert result.returncode == 0 and len(result.stdout) > 500
    assert_same_as_host("--format", layout, "--fields", "key,1,bpm,1", "--all-files", "samples", "tests/data")


@pytest.mark.parametrize("layout", FORMATS)
def test_awkward_names_are_written_and_said_as_the_host_does(layout, awkward_tree):
    for options in ([], ["--ext", "KAR", "-j", "1"], ["--all-files", "-j", "2"], ["--no-recurse"],
                    ["--fields", "stat,dur"]):
        result = assert_same_as_host("--format", layout, *options, ".", "missing.mid", cwd=awkward_tree)
        assert result.returncode == 1
    # The name that is not UTF-8 gives its bytes back in JSON, as they are in CSV.
    jsonl = host("--format", "jsonl", "bad\xff.mid".encode("latin-1").decode(sys.getfilesystemencoding(),
                                                                             "surrogateescape"), cwd=awkward_tree)
    assert jsonl.stdout.startswith(b'{"path":{"bytes":"YmFk/y5taWQ="},')


def test_exit_statuses_and_messages_are_the_hosts(tmp_path):
    (tmp_path / "empty").mkdir()
    (tmp_path / "other").mkdir()
    (tmp_path / "other" / "notes.txt").write_text("x")
    # Nothing found: 1, and why.
    for arguments in (["empty", "other"], ["--all-files", "empty"], ["missing.mid"]):
        for layout in ("jsonl", "json"):
            assert assert_same_as_host("--format", layout, *arguments, cwd=tmp_path).returncode == 1
    assert b"other: no MIDI files found (1 other file; --all-files reads them)" in host("other", cwd=tmp_path).stderr
    assert assert_same_as_host("--list-fields").returncode == 0
    # Usage errors: 2, the hint naming this program.
    for wrong in (["--format", "xml", "samples"], ["-j", "0", "samples"], ["-j", "1025", "samples"],
                  ["--fields", "tempo", "samples"], ["--fields", "0,,1", "samples"], ["--ext", "kar,,", "samples"],
                  ["--bogus", "samples"], [], ["--fields"]):
        status, out, err = python_run(*wrong)
        assert (status, host(*wrong).returncode) == (2, 2) and out == b"", wrong
        assert err.startswith(b"midifields: ") and err.endswith(b" (try 'python -m midifields --help')\n"), err
    assert python_run("--fields", "tempo", "samples")[2].startswith(host("--fields", "tempo", "samples").stderr[:-30])


def test_a_full_disk_is_a_failure_with_the_reason():
    environment = {**os.environ, "PYTHONPATH": str(REPOSITORY / "python")}
    with open("/dev/full", "wb") as full:
        run = subprocess.run([sys.executable, "-m", "midifields", "samples"], stdout=full, stderr=subprocess.PIPE,
                             env=environment)
        expected = subprocess.run([str(REPOSITORY / "build" / "linux" / "midifields"), "--format", "jsonl", "samples"],
                                  stdout=full, stderr=subprocess.PIPE)
    assert (run.returncode, run.stderr) == (expected.returncode, expected.stderr) == (
        1, b"midifields: standard output: no space left on device\n")
