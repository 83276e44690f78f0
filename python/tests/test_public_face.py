"""What a user of the package sees: its names, version, types and errors,
and what a worker process loads."""

import marshal
import re
import subprocess
import sys
import typing

from conftest import REPOSITORY

import midifields
from midifields import _library, _pool


def test_only_the_public_names_are_shown_and_each_is_there():
    assert dir(midifields) == sorted(midifields.__all__ + ["__version__"])
    assert all(hasattr(midifields, name) for name in midifields.__all__)
    assert {"TYPE_CHECKING", "os", "typing"}.isdisjoint(dir(midifields))


def test_the_version_is_the_projects():
    project = re.search(r"project\(midifields VERSION (\S+)", (REPOSITORY / "CMakeLists.txt").read_text())
    assert project and midifields.__version__ == project.group(1)


def test_type_hints_are_there_at_run_time_and_a_record_is_typed_by_field():
    import midifields.dask

    for function in (midifields.read, midifields.read_bytes, midifields.read_many, midifields.read_frame,
                     midifields.walk, midifields.dask.read_frame):
        hints = typing.get_type_hints(function)
        assert "return" in hints and len(hints) > 1, function
    hints = typing.get_type_hints(midifields.Record)
    assert list(hints) == ["path", "status", *midifields.FIELDS]
    assert hints["status"] is str and hints["path"] == typing.Optional[str]
    assert [hints[key] for key in midifields.FIELDS] == [typing.Optional[kind] for _, _, kind in _library.CATALOGUE]


def test_the_packages_errors_have_one_base():
    for error in (midifields.LibraryError, midifields.WorkerError):
        assert issubclass(error, midifields.Error) and issubclass(error, RuntimeError)
    assert (midifields.OK, midifields.NOT_MIDI) == ("ok", "not MIDI")


def test_a_worker_starts_with_the_reading_modules_only():
    setup = marshal.dumps((_library.load().path, [0], True))
    run = subprocess.run([sys.executable, "-X", "importtime", "-I", "-S", "-c", _pool._START, _pool._PACKAGE_PARENT],
                         input=setup, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    assert run.stdout == marshal.dumps(True)  # started, then ended at the end of its input
    modules = {line.split("|")[-1].strip() for line in run.stderr.decode().splitlines() if "|" in line}
    package = {module for module in modules if module.startswith("midifields")}
    assert package == {"midifields._archive", "midifields._errors", "midifields._library", "midifields._status",
                       "midifields._system", "midifields._reading", "midifields._worker"}
    assert {"typing", "re", "subprocess", "threading"}.isdisjoint(modules)
