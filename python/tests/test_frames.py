"""DataFrames: pandas, and Dask on a local cluster of worker processes."""

import distributed
import pandas
import pytest

import midifields

FOLDERS = ["samples", "tests/data"]


@pytest.fixture(scope="module")
def frame():
    return midifields.read_frame(FOLDERS)


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


def test_dask_frame_on_a_local_cluster_is_the_pandas_frame(frame):
    import midifields.dask

    lazy = midifields.dask.read_frame(FOLDERS, npartitions=3)
    assert lazy.npartitions == 3 and lazy.known_divisions
    # Two worker processes on this machine, on the loopback interface only.
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        pandas.testing.assert_frame_equal(lazy.compute(), frame)
