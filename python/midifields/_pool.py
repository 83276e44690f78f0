"""Reading in worker processes, the results in the order of the input.

Threads gain little here: most of a record's time is Python's, under the
GIL. So each worker is a Python process of its own (midifields._worker),
fed chunks of paths through a pipe; a thread of this process for each
worker sends it a chunk and waits for the chunk's outcomes, so a pipe
never holds more than one chunk each way. The messages are tuples,
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
import marshal
import os
import queue
import subprocess
import sys
import threading
from typing import TYPE_CHECKING, Any, Callable, Deque, Iterable, Iterator, List, Optional, Sequence, Tuple

from ._errors import WorkerError

if TYPE_CHECKING:
    from ._reading import Outcome
    from ._walk import Entry

# Chunks in flight per worker: one being read, the next ones waiting, so
# no worker waits for work while this process hands on records.
CHUNKS_IN_FLIGHT_PER_WORKER = 3

_PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_START = "import sys; sys.path.insert(0, sys.argv[1]); from midifields._worker import serve; serve()"


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

    def _receive(self) -> Any:
        try:
            return marshal.load(self._process.stdout)  # type: ignore[arg-type]
        except (EOFError, ValueError):
            status = self._process.wait()
            raise WorkerError(f"midifields: a worker process ended without answering (exit status {status})") from None

    def wait_until_ready(self) -> None:
        """Returns once the worker has started and loaded the library."""
        self._receive()

    def read(self, chunk: List[Entry]) -> List[Any]:
        try:
            self._send(chunk)
        except BrokenPipeError:
            pass  # it ended: receiving says how
        outcomes: List[Any] = self._receive()
        return outcomes

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
    this process takes the first paths, each served by a thread of its own
    that takes the next chunk once its worker has answered the last."""

    def __init__(self, jobs: int, setup: Tuple[Any, ...]) -> None:
        self._workers: List[_Worker] = []
        try:
            for _ in range(jobs):
                self._workers.append(_Worker(setup))
        except BaseException:
            self._close_workers()
            raise
        self._tasks: "queue.SimpleQueue[Optional[Tuple[List[Entry], concurrent.futures.Future[List[Any]]]]]" = (
            queue.SimpleQueue())
        self._ready = 0  # workers that have started; only ever grows
        self._threads = [threading.Thread(target=self._serve, args=(worker,), name="midifields", daemon=True)
                         for worker in self._workers]
        for thread in self._threads:
            thread.start()

    @property
    def ready(self) -> bool:
        """Whether a worker has started, so chunks sent now are read soon."""
        return self._ready > 0

    def submit(self, chunk: List[Entry]) -> "concurrent.futures.Future[List[Any]]":
        future: "concurrent.futures.Future[List[Any]]" = concurrent.futures.Future()
        self._tasks.put((chunk, future))
        return future

    def _serve(self, worker: _Worker) -> None:
        failure: Optional[BaseException] = None
        try:
            worker.wait_until_ready()
            self._ready += 1  # one thread a worker: no other writes it at once but by this +=, under the GIL
        except BaseException as error:  # noqa: B902 - handed to whoever waits for this worker's chunks
            failure = error
        while True:
            task = self._tasks.get()
            if task is None:
                return
            chunk, future = task
            if not future.set_running_or_notify_cancel():
                continue
            if failure is not None:
                future.set_exception(failure)
                continue
            try:
                future.set_result(worker.read(chunk))
            except BaseException as error:  # noqa: B902
                failure = error
                future.set_exception(error)

    def close(self) -> None:
        # Chunks not yet begun are dropped; each thread ends after its chunk.
        while True:
            try:
                task = self._tasks.get_nowait()
            except queue.Empty:
                break
            if task is not None:
                task[1].cancel()
        for _ in self._threads:
            self._tasks.put(None)
        for thread in self._threads:
            thread.join()
        self._close_workers()

    def _close_workers(self) -> None:
        for worker in self._workers:
            worker.close()


def read_in_processes(chunks: Iterable[List[Entry]], library_path: str, indexes: Sequence[int], typed: bool,
                      jobs: int, read_here: Callable[[List[Entry]], List[Outcome]]) -> Iterator[Tuple[Entry, Outcome]]:
    """Each entry of chunks with its outcome, in order, read by jobs worker
    processes that load the library at library_path and read the fields at
    indexes (typed, or the library's texts). Until a worker has started,
    and only while no chunk is in flight, the chunks are read here by
    read_here: a worker takes longer to start than a few hundred small
    files take to read."""
    pool = _ProcessPool(jobs, (library_path, list(indexes), typed))
    window: Deque[Tuple[List[Entry], "concurrent.futures.Future[List[Any]]"]] = collections.deque()
    try:
        for chunk in chunks:
            if not window and not pool.ready:
                yield from zip(chunk, read_here(chunk))
                continue
            window.append((chunk, pool.submit(chunk)))
            if len(window) >= jobs * CHUNKS_IN_FLIGHT_PER_WORKER:
                yield from _finish_oldest(window)
        while window:
            yield from _finish_oldest(window)
    finally:
        # Also when the caller stops early: the chunks not yet begun are
        # dropped, and the workers end after the ones they hold.
        pool.close()


def _finish_oldest(window: Deque[Tuple[List[Entry], "concurrent.futures.Future[List[Any]]"]]
                   ) -> Iterator[Tuple[Entry, Outcome]]:
    chunk, future = window.popleft()
    yield from zip(chunk, future.result())
