"""Archives read in place: the same records as the files unpacked, in the
archive's order, with the command-line host's paths and statuses; and every
way an archive or a member can be bad."""

import base64
import io
import os
import shutil
import tarfile
import zipfile

import pandas
import pytest
from conftest import host, run_host

import midifields
import midifields.dask

SONGS = sorted(name for name in os.listdir("samples") if name.endswith(".mid"))


def members(count=150):
    """count members (enough for worker processes), the samples in turn,
    in folders of 50, a name that is not UTF-8 among them."""
    chosen = []
    for i in range(count):
        name = f"set{i // 50}/{i:03}-{SONGS[i % len(SONGS)]}".encode()
        if i == 7:
            name = b"set0/007-caf\xe9.mid"
        with open(os.path.join("samples", SONGS[i % len(SONGS)]), "rb") as file:
            chosen.append((name, file.read()))
    return chosen


def write_folder(folder, chosen):
    for name, data in chosen:
        path = os.path.join(os.fsencode(folder), name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(data)


def write_tar(path, chosen, mode="w:gz"):
    with tarfile.open(path, mode, format=tarfile.GNU_FORMAT, encoding="utf-8", errors="surrogateescape") as tar:
        for name, data in chosen:
            info = tarfile.TarInfo(os.fsdecode(name))
            info.size = len(data)
            tar.addfile(info, io.BytesIO(data))


def write_zip(path, chosen):
    # zipfile writes a name that is not ASCII as flagged UTF-8: one that is
    # not UTF-8 at all (as old zips store them, without the flag) is
    # written with stand-ins for its odd bytes, then patched in.
    odd = {}
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in chosen:
            text = name.decode("ascii", "replace").replace("\ufffd", "?")
            odd[text.encode()] = name
            archive.writestr(text, data)
    content = path.read_bytes() if hasattr(path, "read_bytes") else open(path, "rb").read()
    for stand_in, name in odd.items():
        if stand_in != name:
            content = content.replace(stand_in, name)
    with open(path, "wb") as file:
        file.write(content)


def json_path(path):
    """A path as the host's JSON gives it back: a str, or its bytes."""
    return os.fsdecode(base64.b64decode(path["bytes"])) if isinstance(path, dict) else path


def records_under(prefix, records):
    return [{**record, "path": record["path"][len(prefix):]} for record in records]


def test_the_same_files_in_a_folder_a_zip_and_compressed_tars_give_the_same_records(tmp_path):
    chosen = members()
    write_folder(tmp_path / "folder", chosen)
    # A folder's walk sorts by name; an archive keeps its own order, here the same.
    expected = records_under(str(tmp_path / "folder"), midifields.read_many(midifields.walk(tmp_path / "folder"), jobs=1))
    assert len(expected) == len(chosen) and expected[7]["path"] == os.fsdecode(b"/set0/007-caf\xe9.mid")
    archives = {"a.zip": write_zip, "a.tar.gz": write_tar, "a.tar.xz": lambda p, c: write_tar(p, c, "w:xz"),
                "a.tar.bz2": lambda p, c: write_tar(p, c, "w:bz2"), "a.tar": lambda p, c: write_tar(p, c, "w")}
    for name, write in archives.items():
        write(tmp_path / name, chosen)
        archive = str(tmp_path / name)
        for jobs in (1, 2):
            records = list(midifields.read_many(midifields.walk(archive), jobs=jobs))
            assert records_under(archive, records) == expected, (name, jobs)
        # The program reads them alike, path for path.
        program = run_host("--fields", "status,key,duration", archive)
        assert [(json_path(row["path"]), row["status"], row["MIDI Key Signature"], row["MIDI Duration (sec)"])
                for row in program] == [(record["path"], record["status"], record["key_signature"],
                                         record["duration_s"]) for record in records], name
    # A folder holding the archives walks into each, as into a subfolder.
    frame = midifields.read_frame(tmp_path, fields="format")
    assert len(frame) == (len(archives) + 1) * len(chosen) and set(frame.status) == {"ok", "not MIDI"}
    # The program's rows are the package's.
    program = run_host(str(tmp_path))
    assert [json_path(row["path"]) for row in program] == list(frame.path)


def test_an_archive_named_like_a_file_is_found_by_its_content_and_compressed_data_without_one_is_a_file(tmp_path):
    write_zip(tmp_path / "collection.bin", members(3))
    assert [record["path"] for record in midifields.read_many(midifields.walk(tmp_path / "collection.bin"))] == [
        str(tmp_path / "collection.bin" / "set0" / f"{i:03}-{SONGS[i]}") for i in range(3)]
    # In a folder only names that say archive are opened.
    assert list(midifields.walk(tmp_path)) == []
    shutil.copyfile("samples/format1-song.mid", tmp_path / "song.mid")
    with open(tmp_path / "song.mid", "rb") as file, open(tmp_path / "song.mid.gz", "wb") as out:
        import gzip

        out.write(gzip.compress(file.read()))
    assert midifields.read(tmp_path / "song.mid.gz")["status"] == "not MIDI"
    record = list(midifields.read_many(midifields.walk(tmp_path / "song.mid.gz")))
    assert [(r["path"], r["status"]) for r in record] == [(str(tmp_path / "song.mid.gz"), "not MIDI")]


def test_damaged_and_hostile_archives_give_their_statuses_never_a_traceback(tmp_path):
    chosen = [(f"s{i}.mid".encode(), open("samples/format1-song.mid", "rb").read() + bytes(20000)) for i in range(20)]
    write_tar(tmp_path / "whole.tar.gz", chosen)
    whole = (tmp_path / "whole.tar.gz").read_bytes()
    (tmp_path / "cut.tar.gz").write_bytes(whole[:len(whole) // 2])
    records = list(midifields.read_many(midifields.walk(tmp_path / "cut.tar.gz")))
    assert 1 < len(records) < 21
    assert records[-1]["path"] == str(tmp_path / "cut.tar.gz")
    assert records[-1]["status"].startswith("damaged archive: ")
    assert all(record["status"] == "ok" for record in records[:-1])

    write_zip(tmp_path / "whole.zip", members(5))
    data = bytearray((tmp_path / "whole.zip").read_bytes())
    directory = data.find(b"PK\x01\x02")
    data[directory:directory + 100] = b"x" * 100
    (tmp_path / "bad.zip").write_bytes(bytes(data))
    records = list(midifields.read_many(midifields.walk(tmp_path / "bad.zip")))
    assert [record["path"] for record in records] == [str(tmp_path / "bad.zip")]
    assert records[0]["status"].startswith("damaged archive: ")

    # A member that says it is encrypted (bit 0 of its flags, in both headers).
    write_zip(tmp_path / "plain.zip", [(b"secret.mid", b"MThd")])
    data = bytearray((tmp_path / "plain.zip").read_bytes())
    data[6] |= 1
    data[data.find(b"PK\x01\x02") + 8] |= 1
    (tmp_path / "secret.zip").write_bytes(bytes(data))
    assert [r["status"] for r in midifields.read_many(midifields.walk(tmp_path / "secret.zip"))] == [
        "encrypted, not read"]

    # A tar member whose header states 300 MiB: not read into memory.
    write_tar(tmp_path / "small.tar", [(b"big.mid", b"MThd" * 4)], mode="w")
    data = bytearray((tmp_path / "small.tar").read_bytes())
    data[124:136] = b"%011o\0" % (300 << 20)
    data[148:156] = b" " * 8
    data[148:155] = b"%06o\0" % sum(data[:512])
    (tmp_path / "big.tar").write_bytes(bytes(data))
    records = list(midifields.read_many(midifields.walk(tmp_path / "big.tar")))
    assert records[0] == {**records[0], "path": str(tmp_path / "big.tar" / "big.mid"),
                          "status": "larger than 256 MiB, not read"}

    # Names that climb out, start at the root or hold control characters
    # are only shown; links are not followed.
    hostile = tmp_path / "hostile.tar"
    with tarfile.open(hostile, "w") as tar:
        for name in ("../escape.mid", "/etc/root.mid", "bell\a\x1b[31m.mid"):
            info = tarfile.TarInfo(name)
            info.size = 4
            tar.addfile(info, io.BytesIO(b"MThd"))
        link = tarfile.TarInfo("link.mid")
        link.type = tarfile.SYMTYPE
        link.linkname = "/etc/passwd"
        tar.addfile(link)
    got = [(r["path"][len(str(hostile)):], r["status"]) for r in midifields.read_many(midifields.walk(hostile))]
    assert got == [("/../escape.mid", "not MIDI"), ("//etc/root.mid", "not MIDI"), ("/bell\a\x1b[31m.mid", "not MIDI"),
                   ("/link.mid", "a link within the archive, not read")]
    assert not os.path.exists(tmp_path.parent / "escape.mid")

    # A zip inside a zip is not opened: one member, not MIDI.
    write_zip(tmp_path / "inner.zip", members(2))
    write_zip(tmp_path / "outer.zip", [(b"a.mid", open("samples/format0-waltz.mid", "rb").read()),
                                       (b"inner.zip", (tmp_path / "inner.zip").read_bytes())])
    assert [(r["path"][-9:], r["status"]) for r in midifields.read_many(midifields.walk(tmp_path / "outer.zip",
                                                                                          all_files=True))] == [
        ("zip/a.mid", "ok"), ("inner.zip", "not MIDI")]

    # The program: the same statuses in its messages, and no traceback anywhere.
    run = host("--format", "tsv", str(tmp_path / "cut.tar.gz"), str(tmp_path / "secret.zip"), str(tmp_path / "big.tar"))
    assert run.returncode == 1
    assert b"secret.zip/secret.mid: encrypted, not read" in run.stderr
    assert b"big.tar/big.mid: larger than 256 MiB, not read" in run.stderr
    assert b"cut.tar.gz: damaged archive: " in run.stderr


def test_on_dask_each_archive_is_a_partition_of_its_own(tmp_path):
    write_zip(tmp_path / "a.zip", members(30))
    write_tar(tmp_path / "b.tar.gz", members(40))
    paths = [str(tmp_path / "a.zip"), "samples", str(tmp_path / "b.tar.gz")]
    lazy = midifields.dask.read_frame(paths, npartitions=1)
    assert lazy.npartitions == 3 and not lazy.known_divisions
    pandas.testing.assert_frame_equal(lazy.compute().reset_index(drop=True), midifields.read_frame(paths))
