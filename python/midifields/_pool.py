"""Reading in worker processes, the results in the order of the input.

Threads gain nothing here: the GIL changes hands at every call into the
library. So each worker is a Python process of its own (midifields._worker),
fed chunks of paths through a pipe; as many threads of this process each
take an idle worker, send it a chunk and wait for the chunk's outcomes, so
a pipe never holds more than one chunk each way. The messages are tuples,
lists, text and numbers in marshal's format: quicker than pickle, and
nothing to import in a worker. The workers are
started afresh with `python -I -S`, not forked: nothing of the caller (its
threads, its main module) goes with them, so a script without a
`__name__ == "__main__"` guard, a notebook or a threaded server can use
them alike.

A bounded number of chunks is in flight; the input is taken only as the
oldest chunk's records are handed on, so memory stays bounded by that
window whatever the input's length."""

from __future__ import annotations

import collections
import concurrent.futures
import os
import marshal
import queue
import subprocess
import sys
from typing import TYPE_CHECKING, Any, Deque, Iterable, Iterator, List, Tuple

if TYPE_CHECKING:
    from ._reading import Row
    from ._walk import Entry

# Chunks in flight per worker: one being read, the next ones waiting, so
# no worker waits for work while this process hands on records.
CHUNKS_IN_FLIGHT_PER_WORKER = 3

_PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_START = "import sys; sys.path.insert(0, sys.argv[1]); from midifields._worker import serve; serve()"


class WorkerError(RuntimeError):
    """A worker process ended without answering (killed, out of memory)."""


class _Worker:
    """One worker process and the pipes to it; used by one thread at a time."""

    def __init__(self, setup: Tuple[Any, ...]) -> None:
        # -I: none of the caller's PYTHON* settings or user site; -S: no site
        # packages either, since the worker needs only the standard library
        # and this package, whose folder it is given.
        self._process = subprocess.Popen([sys.executable, "-I", "-S", "-c", _START, _PACKAGE_PARENT],
                                         stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self._send(setup)

    def _send(self, message: Any) -> None:
        assert self._process.stdin is not None
        marshal.dump(message, self._process.stdin)
        self._process.stdin.flush()

    def read(self, chunk: List[Entry]) -> List[Any]:
        try:
            self._send(chunk)
            outcomes: List[Any] = marshal.load(self._process.stdout)  # type: ignore[arg-type]
            return outcomes
        except (EOFError, BrokenPipeError, ValueError):
            status = self._process.wait()
            raise WorkerError(f"midifields: a worker process ended without answering (exit status {status})") from None

    def close(self) -> None:
        # The end of its input ends the worker.
        try:
            assert self._process.stdin is not None
            self._process.stdin.close()
        except OSError:
            pass
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        if self._process.stdout is not None:
            self._process.stdout.close()


class _ProcessPool:
    """jobs worker processes, started at once so that they start up while
    this process takes the first paths, and jobs threads, each taking an
    idle worker for a chunk."""

    def __init__(self, jobs: int, setup: Tuple[Any, ...]) -> None:
        self._workers: List[_Worker] = []
        try:
            for _ in range(jobs):
                self._workers.append(_Worker(setup))
        except BaseException:
            self._close_workers()
            raise
        self._idle: "queue.SimpleQueue[_Worker]" = queue.SimpleQueue()
        for worker in self._workers:
            self._idle.put(worker)
        self._threads = concurrent.futures.ThreadPoolExecutor(max_workers=jobs, thread_name_prefix="midifields")

    def submit(self, chunk: List[Entry]) -> "concurrent.futures.Future[List[Any]]":
        return self._threads.submit(self._read, chunk)

    def _read(self, chunk: List[Entry]) -> List[Any]:
        # As many threads as workers: one is always idle for a thread.
        worker = self._idle.get()
        try:
            return worker.read(chunk)
        finally:
            self._idle.put(worker)

    def close(self) -> None:
        self._threads.shutdown(wait=True, cancel_futures=True)
        self._close_workers()

    def _close_workers(self) -> None:
        for worker in self._workers:
            worker.close()


def read_in_processes(chunks: Iterable[List[Entry]], setup: Tuple[Any, ...],
                      jobs: int) -> Iterator[Row]:
    """(path, status, values) for the entries of chunks, in order. setup:
    the library's path, the field indexes and whether the paths are named."""
    pool = _ProcessPool(jobs, setup)
    window: Deque[Tuple[List[Entry], "concurrent.futures.Future[List[Any]]"]] = collections.deque()
    try:
        for chunk in chunks:
            window.append((chunk, pool.submit(chunk)))
            if len(window) >= jobs * CHUNKS_IN_FLIGHT_PER_WORKER:
                yield from _finish_oldest(window)
        while window:
            yield from _finish_oldest(window)
    finally:
        # Also when the caller stops early: the chunks not yet begun are
        # dropped, and the workers end after the ones they hold.
        pool.close()


def _finish_oldest(window: Deque[Tuple[List[Entry], "concurrent.futures.Future[List[Any]]"]]) -> Iterator[Row]:
    chunk, future = window.popleft()
    for (path, _), (status, values) in zip(chunk, future.result()):
        yield path, status, values
