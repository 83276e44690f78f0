"""DataFrames: pandas, and Dask on a local cluster of worker processes."""

import os
import shutil

import distributed
import pandas
import pytest
from conftest import SAMPLE

import midifields

FOLDERS = ["samples", "tests/data"]


@pytest.fixture(scope="module")
def frame():
    return midifields.read_frame(FOLDERS)


@pytest.fixture
def tree(tmp_path):
    for name in ("a.kar", "b.mid", "c.txt", "sub/d.mid", "sub/e.kar"):
        (tmp_path / name).parent.mkdir(exist_ok=True)
        shutil.copyfile(SAMPLE, tmp_path / name)
    return tmp_path


def test_read_frame_has_nullable_columns_holding_the_records(frame):
    assert dict(frame.dtypes.astype(str)) == {
        "path": "string", "status": "string", "tempo_bpm": "Float64", "format": "Int64", "tracks": "Int64",
        "division": "Int64", "tempo_us_per_qn": "Int64", "duration_s": "Float64", "time_signature": "string",
        "key_signature": "string", "length_ticks": "Int64"}
    records = list(midifields.read_many(midifields.walk(*FOLDERS)))
    as_records = frame.astype(object).where(frame.notna(), None).to_dict("records")
    assert as_records == records

    subset = midifields.read_frame("samples/format2-patterns.mid", fields=["key_signature", "division"])
    assert list(subset.columns) == ["path", "status", "key_signature", "division"]
    assert subset.key_signature.isna().all() and subset.division.tolist() == [240]


def test_frames_walk_with_the_hosts_options(tree):
    import midifields.dask

    assert list(midifields.read_frame(tree, ext="KAR", recurse=False).path) == [str(tree / "a.kar"), str(tree / "b.mid")]
    assert list(midifields.read_frame([tree], all_files=True, fields="ticks").path) == [
        str(tree / name) for name in ("a.kar", "b.mid", "c.txt", "sub/d.mid", "sub/e.kar")]
    lazy = midifields.dask.read_frame(str(tree), ext=[".kar"], npartitions=2)
    assert lazy.compute().path.tolist() == list(midifields.walk(tree, ext=".kar"))
    with pytest.raises(ValueError, match="comma-separated list of extensions"):
        midifields.read_frame(tree, ext="kar,")


def test_a_frame_with_a_name_that_is_not_utf8_is_written_with_its_bytes(tmp_path):
    shutil.copyfile(SAMPLE, os.path.join(os.fsencode(tmp_path), b"bad\xff.mid"))
    frame = midifields.read_frame(tmp_path, fields="format")
    frame.to_csv(tmp_path / "fields.csv", index=False, errors="surrogateescape")
    assert (tmp_path / "fields.csv").read_bytes() == b"path,status,format\n" + os.fsencode(tmp_path) + b"/bad\xff.mid,ok,1\n"


def test_dask_frame_on_a_local_cluster_standing_elsewhere_is_the_pandas_frame(frame, tmp_path, monkeypatch):
    import midifields.dask

    lazy = midifields.dask.read_frame(FOLDERS, npartitions=3)  # relative to the repository, where this stands
    assert lazy.npartitions == 3 and lazy.known_divisions and lazy.divisions[-1] == len(frame) - 1
    # Two worker processes on this machine, on the loopback interface only,
    # started in another folder: the relative paths are not theirs.
    monkeypatch.chdir(tmp_path)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        assert set(client.run(os.getcwd).values()) == {str(tmp_path)}
        pandas.testing.assert_frame_equal(lazy.compute(), frame)
        last = lazy.partitions[-1].compute()
        assert last.index[0] == lazy.divisions[-2] and last.index[-1] == lazy.divisions[-1]
