"""read_many's worker processes: a bounded window, as many workers as the
work can use, a run that survives a worker's end, and a clean end however
the caller leaves the loop (an early stop, an exception, Ctrl-C)."""

import itertools
import json
import os
import shutil
import signal
import subprocess
import sys
import time

import pytest
from conftest import REPOSITORY, SAMPLE, child_processes, pool_threads

import midifields
from midifields import _pool, _reading

SAMPLES = list(midifields.walk("samples"))


@pytest.fixture(autouse=True)
def others():
    """Child processes of earlier tests (a Dask cluster's helpers), which
    are not this package's."""
    OTHERS[:] = child_processes()


OTHERS = []


def workers():
    return [child for child in child_processes() if child not in OTHERS]


def wait_until(condition, seconds=20.0):
    """Whether condition() came true within seconds (a bound, not a timing)."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


def assert_ended_cleanly():
    assert wait_until(lambda: not workers() and not pool_threads()), (workers(), pool_threads())


class Counted:
    """An iterator of paths that counts what has been taken from it."""

    def __init__(self, paths):
        self._paths = iter(paths)
        self.taken = 0

    def __iter__(self):
        return self

    def __next__(self):
        path = next(self._paths)
        self.taken += 1
        return path


def test_the_input_is_taken_only_a_window_ahead_and_an_early_stop_ends_the_workers():
    paths = Counted(itertools.islice(itertools.cycle(SAMPLES), 5000))
    records = midifields.read_many(paths, jobs=2)
    window = 2 * _pool.CHUNKS_IN_FLIGHT_PER_WORKER * _reading.CHUNK
    first = next(records)
    assert first["path"] == SAMPLES[0] and paths.taken <= window
    ahead = 0
    for handed_on, record in enumerate(records, start=2):
        ahead = max(ahead, paths.taken - handed_on)
        if handed_on == 3000:
            assert workers()  # the workers were reading
            break
    assert 0 < ahead <= window and paths.taken < 5000
    del records  # the caller lets go: the workers end, no zombie, no thread left
    assert_ended_cleanly()


def test_workers_are_started_as_the_chunks_in_flight_need_them(monkeypatch):
    monkeypatch.setattr(_pool, "READ_HERE_UNTIL_A_WORKER_STARTS", False)
    started = []
    real_start = _pool._Pool._start_worker
    monkeypatch.setattr(_pool._Pool, "_start_worker", lambda pool: started.append(1) or real_start(pool))
    # Eight chunks: no more than eight workers, whatever jobs allows.
    records = list(midifields.read_many(SAMPLES * 146, jobs=64))
    assert len(records) == 1022 and 1 <= len(started) <= 8
    assert_ended_cleanly()
    # Two chunks, read here until a worker has started: one is started.
    monkeypatch.setattr(_pool, "READ_HERE_UNTIL_A_WORKER_STARTS", True)
    started.clear()
    assert len(list(midifields.read_many(SAMPLES * 30, jobs=5000))) == 210
    assert len(started) == 1


def test_a_killed_worker_is_replaced_and_every_record_is_read():
    expected = {path: midifields.read(path) for path in SAMPLES}
    paths = list(itertools.islice(itertools.cycle(SAMPLES), 40000))
    records = []
    killed = None
    for record in midifields.read_many(iter(paths), jobs=2):
        records.append(record)
        if len(records) == 20000:
            killed = workers()[0]
            os.kill(killed, signal.SIGKILL)  # as the system's out-of-memory killer does
    assert killed is not None and killed not in workers()
    assert len(records) == 40000
    assert records == [expected[path] for path in paths]
    assert_ended_cleanly()


def test_a_path_that_ends_its_worker_gets_a_status_of_its_own(monkeypatch, open_folder):
    # Workers that run a copy of the package in which reading one name ends
    # the process, as a file that takes all the memory would.
    package = open_folder / "package"
    shutil.copytree(REPOSITORY / "python" / "midifields", package / "midifields")
    with open(package / "midifields" / "_reading.py", "a") as module:
        module.write("\n_read_entry = read_entry\n\n\ndef read_entry(library, entry, indexes, typed=True):\n"
                     "    if 'ends-the-worker' in entry[0]:\n        import os\n        os.kill(os.getpid(), 9)\n"
                     "    return _read_entry(library, entry, indexes, typed)\n")
    monkeypatch.setattr(_pool, "_PACKAGE_PARENT", str(package))
    monkeypatch.setattr(_pool, "READ_HERE_UNTIL_A_WORKER_STARTS", False)
    bad = str(open_folder / "song-ends-the-worker.mid")
    shutil.copyfile(SAMPLE, bad)
    paths = [SAMPLE] * 150 + [bad] + [SAMPLE] * 149
    records = list(midifields.read_many(paths, fields="ticks", jobs=2))
    assert [record["path"] for record in records] == paths
    assert records[150] == {"path": bad, "status": "a worker process ended while reading it", "length_ticks": None}
    assert all(record == {"path": SAMPLE, "status": "ok", "length_ticks": 864} for record in records[:150] + records[151:])
    assert_ended_cleanly()


def test_leaving_the_loop_by_an_exception_and_dropping_the_iterator_ends_the_workers():
    records = midifields.read_many(SAMPLES * 1000, jobs=2)
    with pytest.raises(ZeroDivisionError):
        for count, _ in enumerate(records):
            if count == 3000:
                1 / 0
    assert workers()
    del records
    assert_ended_cleanly()


CTRL_C_IN_THE_LOOP = """
import json, os, signal, sys, time
sys.path.insert(0, sys.argv[1])
from conftest import child_processes, pool_threads
import midifields
from midifields import _pool

os.setpgrp()  # a group of its own, as a terminal's job: the signal reaches the run and its workers only
_pool.READ_HERE_UNTIL_A_WORKER_STARTS = False  # so the workers are reading
records = midifields.read_many(["samples/format1-song.mid"] * 20000, jobs=2)
count = 0
try:
    for record in records:
        count += 1
        if count == 1000:
            os.killpg(0, signal.SIGINT)  # what Ctrl-C in a terminal does
            time.sleep(5)  # the loop body goes on; the signal ends it
except KeyboardInterrupt:
    pass
deadline = time.monotonic() + 20
while (child_processes() or pool_threads()) and time.monotonic() < deadline:
    time.sleep(0.01)
result = {"count": count, "children": child_processes(), "threads": [thread.name for thread in pool_threads()]}
try:
    next(records)
    result["then"] = "went on"
except midifields.WorkerError as error:
    result["then"] = str(error)
print(json.dumps(result))
"""


def test_ctrl_c_in_the_loop_body_reaps_the_workers_at_once_and_going_on_says_the_run_was_interrupted():
    run = subprocess.run([sys.executable, "-c", CTRL_C_IN_THE_LOOP, str(REPOSITORY / "python" / "tests")], cwd=REPOSITORY,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120, check=True)
    result = json.loads(run.stdout)
    # While the iterator is still held: no worker left, not even as a zombie, and no thread.
    assert result["count"] == 1000 and result["children"] == [] and result["threads"] == []
    assert "interrupted" in result["then"]
    assert b"Traceback" not in run.stderr  # the workers end quietly


def test_a_run_cut_short_does_not_end_as_if_it_were_whole(monkeypatch):
    def cut(*arguments):
        yield from itertools.islice(real(*arguments), 200)
        raise KeyboardInterrupt

    real = _reading.read_entries
    monkeypatch.setattr(_reading, "read_entries", cut)
    records = midifields.read_many(SAMPLES * 100, jobs=1)
    with pytest.raises(KeyboardInterrupt):
        for _ in records:
            pass
    with pytest.raises(midifields.WorkerError, match="interrupted"):
        next(records)
