"""The cases of tests/data/shared_cases.json, which the command-line host's
C++ tests read too (tests/shared_cases_test.cpp), so the two hosts keep one
behaviour: the detection expression, --fields, walks of trees made for each
case, and the Windows rules for names and long paths."""

import base64
import json
import ntpath
import os
import shutil

import pytest
from conftest import REPOSITORY, as_unprivileged

import midifields
from midifields import _detection, _fields, _reading, _system
from midifields.__main__ import _options, _Run

CASES = json.loads((REPOSITORY / "tests" / "data" / "shared_cases.json").read_text(encoding="utf-8"))
MIDI = REPOSITORY / "samples" / "format0-waltz.mid"


def raw(value) -> bytes:
    """A text of the case file as bytes: a string's UTF-8, {"bytes": base64}'s
    bytes, or a list of pieces joined ([text, count]: text repeated)."""
    if isinstance(value, str):
        return value.encode("utf-8")
    if isinstance(value, dict):
        return base64.b64decode(value["bytes"])
    pieces = []
    for piece in value:
        if isinstance(piece, list) and len(piece) == 2 and isinstance(piece[1], int):
            pieces.append(raw(piece[0]) * piece[1])
        else:
            pieces.append(raw(piece))
    return b"".join(pieces)


def text(value) -> str:
    return os.fsdecode(raw(value))


def test_detection_expressions_accept_the_names_they_should():
    for case in CASES["detection"]["accepts"]:
        accepts = _detection.parse(text(case["expression"]))
        for name, accepted in case["names"]:
            assert accepts(raw(name)) is accepted, (case["expression"], name)


@pytest.mark.parametrize("case", CASES["detection"]["errors"], ids=lambda case: repr(text(case["expression"])[:30]))
def test_malformed_detection_expressions_are_refused_saying_what_and_where(case):
    with pytest.raises(_detection.ExpressionError) as refused:
        _detection.parse(text(case["expression"]))
    assert (refused.value.message, refused.value.position) == (case["message"], case["position"])


def test_field_lists_pick_their_fields_or_say_why_not():
    for case in CASES["fields"]:
        if "indexes" in case:
            assert _fields.select_fields(case["list"]) == case["indexes"], case
            # The package's own fields= takes them too, each field once;
            # every record has its status.
            assert _fields.field_indexes(case["list"]) == [
                index for index in dict.fromkeys(case["indexes"]) if index != _fields.STATUS], case
        else:
            with pytest.raises(_fields.FieldError) as refused:
                _fields.select_fields(case["list"])
            assert str(refused.value) == case["error"]
            if case["list"] not in midifields.FIELDS:  # the package's keys are its own
                with pytest.raises(ValueError):
                    _fields.field_indexes(case["list"])


def make_tree(root, tree):
    for entry in tree:
        kind = next(key for key in ("file", "folder", "link", "fifo", "mode") if key in entry)
        path = os.path.join(os.fsencode(root), raw(entry[kind]))
        if kind == "mode":
            continue
        os.makedirs(path if kind == "folder" else os.path.dirname(path), exist_ok=True)
        if kind == "file":
            if "text" in entry:
                with open(path, "wb") as file:
                    file.write(entry["text"].encode())
            else:
                shutil.copyfile(MIDI, path)
        elif kind == "link":
            os.symlink(entry["to"], path)
        elif kind == "fifo":
            os.mkfifo(path)
    for entry in tree:
        if "mode" in entry:
            os.chmod(os.path.join(os.fsencode(root), raw(entry["mode"])), int(entry["bits"], 8))


def statuses(root, arguments):
    """What a run with these arguments in root reads, in its order, with each
    path's status: by python -m midifields's walk, and by walk() and
    read_many() with the same options. The two must agree."""
    options = _options().parse_args(arguments)
    options.paths = [os.path.join(root, path) for path in options.paths]
    cli = [(entry[0], outcome[0]) for entry, outcome in _reading.read_entries(_Run(options, None, None).entries(),
                                                                               [0], jobs=1)]
    walked = midifields.walk(options.paths, ext=options.ext, recurse=not options.no_recurse,
                             all_files=options.all_files)
    api = [(record["path"], record["status"]) for record in midifields.read_many(walked, fields=[0], jobs=1)]
    assert api == cli
    prefix = os.path.join(root, "")
    return [(os.fsencode(path[len(prefix):] if path.startswith(prefix) else path), status) for path, status in cli]


@pytest.mark.parametrize("case", CASES["walks"], ids=lambda case: case["name"])
def test_walks_read_the_paths_they_should_in_their_order_each_with_its_status(case, open_folder):
    if "systems" in case and "posix" not in case["systems"]:
        pytest.skip("a case of another system")
    make_tree(open_folder, case["tree"])
    if case.get("unprivileged"):
        found = as_unprivileged(lambda: statuses(str(open_folder), case["arguments"]))
    else:
        found = statuses(str(open_folder), case["arguments"])
    expected = case["expected"]["posix"] if isinstance(case["expected"], dict) else case["expected"]
    assert found == [(raw(path), status) for path, status in expected]
    if isinstance(case["expected"], dict):
        # The Windows order, by UTF-16 code units, here by its sort key.
        windows = [text(path) for path, _ in case["expected"]["windows"]]
        assert sorted(windows, key=_system.windows_name_key) == windows


def test_windows_names_it_cannot_open_are_told_by_the_name():
    for name, reason in CASES["windows"]["unopenable_names"]:
        assert _system.windows_unopenable_name(name) == reason, name


def test_long_windows_paths_take_their_long_form():
    for case in CASES["windows"]["long_paths"]:
        path = raw(case["path"]).decode("utf-8")
        # ntpath normalises an absolute Windows path on any system, as
        # GetFullPathNameW does.
        assert _system.windows_long_path(path, ntpath.abspath(path)) == raw(case["system"]).decode("utf-8"), path
