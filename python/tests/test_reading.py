"""Records against the command-line host, the fields asked for, and paths
that cannot be read."""

import os
import shutil
import threading

import pytest
from conftest import SAMPLE, as_unprivileged, run_host

import midifields
from midifields import _library


def test_records_are_the_hosts_jsonl_values_with_their_types():
    host = run_host("samples", "tests/data")
    paths = list(midifields.walk("samples", "tests/data"))
    assert paths == [row["path"] for row in host]
    records = list(midifields.read_many(paths, jobs=1))
    for record, row in zip(records, host):
        values = [record[key] for key in midifields.FIELDS]
        expected = [row[name] for name, _, _ in _library.CATALOGUE]
        assert values == expected and list(map(type, values)) == list(map(type, expected)), record
        assert record["status"] == (midifields.NOT_MIDI if values == [None] * 9 else midifields.OK)
    assert {record["status"] for record in records} == {"ok", "not MIDI"}

    # Worker processes, several chunks each: the same records in the same order.
    many = paths * 20
    assert list(midifields.read_many(iter(many), jobs=2)) == records * 20


def test_fields_are_chosen_as_the_host_takes_them_and_by_key_and_wrong_ones_raise():
    record = midifields.read(SAMPLE, fields=["key_signature", 1, "MIDI Tempo (BPM)", "duration (SEC)", "Tracks"])
    assert record == {"path": SAMPLE, "status": "ok", "key_signature": "Em", "format": 1, "tempo_bpm": 120.0,
                      "duration_s": 5.5, "tracks": 3}
    # Words and prefixes, as --fields takes them; blanks around the items.
    assert midifields.read(SAMPLE, fields="key,bpm,duration") == {
        "path": SAMPLE, "status": "ok", "key_signature": "Em", "tempo_bpm": 120.0, "duration_s": 5.5}
    assert list(midifields.read_many([SAMPLE], fields="length_ticks, 8"))[0] == {
        "path": SAMPLE, "status": "ok", "length_ticks": 864}
    with pytest.raises(ValueError, match="'tempo' is ambiguous: 'MIDI Tempo .BPM.' or 'MIDI Tempo .us/qn.'.*tempo_bpm"):
        midifields.read(SAMPLE, fields=["tempo"])
    with pytest.raises(ValueError, match="no field 'pitch'; the fields are tempo_bpm, format"):
        midifields.read(SAMPLE, fields="pitch")
    for wrong, error in (([9], ValueError), ([], ValueError), ([True], TypeError), ([1.0], TypeError)):
        with pytest.raises(error):
            midifields.read_many([SAMPLE], fields=wrong)
    with pytest.raises(TypeError):
        midifields.read(42)
    with pytest.raises(TypeError):
        midifields.read_many(SAMPLE)
    with pytest.raises(ValueError):
        midifields.read_many([SAMPLE], jobs=0)


def test_a_file_without_the_field_asked_for_is_still_ok():
    assert midifields.read("samples/format2-patterns.mid", fields=["key_signature"]) == {
        "path": "samples/format2-patterns.mid", "status": "ok", "key_signature": None}


def test_a_file_that_cannot_be_read_gives_a_record_saying_why(tmp_path):
    (tmp_path / "empty.mid").touch()
    (tmp_path / "folder.mid").mkdir()
    os.mkfifo(tmp_path / "pipe.mid")
    (tmp_path / "gone.mid").symlink_to(tmp_path / "nowhere")
    bad_name = os.path.join(os.fsencode(tmp_path), b"bad-\xff.mid")
    shutil.copyfile(SAMPLE, bad_name)
    named = {
        "missing.mid": "no such file or folder",
        "empty.mid": "not MIDI",
        "folder.mid": "a folder, not a regular file",
        "pipe.mid": "a pipe, not a regular file",
        "gone.mid": "broken symbolic link",
        "empty.mid/x": "no such file or folder",
        "nul\0.mid": "no such file or folder",
        os.fsdecode(b"bad-\xff.mid"): "ok",
    }
    paths = [str(tmp_path / name) for name in named]
    records = []
    # A pipe must not make the read wait for a writer.
    reader = threading.Thread(target=lambda: records.extend(midifields.read_many(paths, jobs=1)), daemon=True)
    reader.start()
    reader.join(timeout=30)
    assert [record["status"] for record in records] == list(named.values())
    assert all(record[key] is None for record in records[:-1] for key in midifields.FIELDS)
    # A name that is not UTF-8 is read like any other, given as str or bytes.
    assert records[-1] == {**midifields.read(SAMPLE), "path": os.fsdecode(bad_name)}
    assert midifields.read(bad_name) == records[-1]


def test_an_unreadable_file_is_permission_denied_also_for_root(open_folder):
    path = str(open_folder / "locked.mid")
    shutil.copyfile(SAMPLE, path)
    os.chmod(path, 0)
    assert as_unprivileged(lambda: midifields.read(path)["status"]) == "permission denied"


def test_a_missing_or_wrong_library_is_an_error_saying_so(monkeypatch, tmp_path):
    build = os.path.dirname(os.environ["MIDIFIELDS_LIBRARY"])
    monkeypatch.delenv("MIDIFIELDS_LIBRARY")
    monkeypatch.setattr(_library, "package_library", lambda: str(tmp_path / "lib" / "libmidifields_records.so"))
    with pytest.raises(midifields.LibraryError,
                       match="libmidifields_records.so.*MIDIFIELDS_LIBRARY.*scripts/build.sh linux"):
        _library.library_path()
    with pytest.raises(midifields.Error, match="cannot load the records library"):
        _library.Library(str(tmp_path / "elsewhere.so"))
    # The plug-in is not the records library, and the error says so.
    with pytest.raises(midifields.LibraryError, match="lacks the function ReadMidiRecord .this is the plug-in"):
        _library.Library(os.path.join(build, "libmidifields.so"))
    # A library of another version, whose fields are not the package's.
    monkeypatch.setattr(_library, "CATALOGUE", _library.CATALOGUE[1:] + _library.CATALOGUE[:1])
    with pytest.raises(midifields.LibraryError, match="fields are .*'MIDI Tempo .BPM.'.*not the 9 fields"):
        _library.Library(os.path.join(build, "libmidifields_records.so"))


def test_bytes_in_memory_read_as_the_file_does():
    with open(SAMPLE, "rb") as file:
        data = file.read()
    record = midifields.read(SAMPLE)
    for bytes_like in (data, bytearray(data), memoryview(data), memoryview(bytearray(data))[0:]):
        assert midifields.read_bytes(bytes_like) == {**record, "path": None}, type(bytes_like)
    # Not contiguous: every other byte of a doubled copy, copied once.
    doubled = bytes(b for byte in data for b in (byte, 0))
    assert midifields.read_bytes(memoryview(doubled)[::2]) == {**record, "path": None}
    # Cut inside the first track, before its End of Track.
    assert midifields.read_bytes(data[:30], fields="format,length_ticks") == {
        "path": None, "status": "ok", "format": 1, "length_ticks": None}
    for nothing in (b"", b"MThd", bytearray(), b"not a MIDI file" * 10):
        assert midifields.read_bytes(nothing)["status"] == "not MIDI"
    with pytest.raises(TypeError, match="bytes-like"):
        midifields.read_bytes("MThd")
