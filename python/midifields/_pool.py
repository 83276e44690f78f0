"""Reading in worker processes, the outcomes in the order of the input.

Threads gain little here: most of a record's time is Python's, under the
GIL. So each worker is a Python process of its own (midifields._worker),
started afresh with `python -I -S`, not forked: nothing of the caller (its
threads, its main module) goes with it, so a script without a
`__name__ == "__main__"` guard, a notebook or a threaded server can use
them alike. The messages are lists, tuples, text and numbers in marshal's
format: quicker than pickle, and nothing to import in a worker.

    to a worker:    the setup (library path, field indexes, typed), then
                    chunks: lists of entries (path, what is known of it)
    from a worker:  True once it has loaded the library, then for each
                    chunk, in order, the list of its outcomes

A worker ends at the end of its input, and on Ctrl-C (which a terminal
sends to the whole process group) with the exit status INTERRUPTED. This process decides
everything in the caller's thread; each worker has a thread here that only
reads its answers and, when the worker ends, reaps it at once, even while
the caller is busy elsewhere.

A bounded number of chunks is in flight; the input is taken only as the
oldest chunk's outcomes are handed on, so memory stays bounded by that
window whatever the input's length. Workers are started as the chunks in
flight need them, up to jobs. A worker that ends without answering is
replaced and its chunk read again; a chunk that ends a worker twice is
read one path at a time, and a path that ends a worker twice gets the
status WORKER_ENDED, so the run goes on."""

from __future__ import annotations

import collections
import marshal
import os
import queue
import subprocess
import sys
import threading

from ._errors import WorkerError
from ._status import WORKER_ENDED
from ._worker import INTERRUPTED

# typing is imported only by type checkers.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any, Callable, Deque, Iterable, Iterator, List, Optional, Sequence, Tuple

    from ._reading import Outcome
    from ._walk import Entry

# Chunks in flight per worker: one being read, the next ones waiting, so
# no worker waits for work while this process hands on outcomes.
CHUNKS_IN_FLIGHT_PER_WORKER = 3
# Chunks sent to one worker ahead of its answers: it goes on to the next
# while this process is busy with the caller.
CHUNKS_PER_WORKER = 2
MAX_JOBS = 1024  # as the command-line host's -j
# A chunk, or a path, that ends a worker this often is not tried whole again.
ATTEMPTS = 2
# Workers that end one after the other with no answer between, or before
# they have started: the run cannot go on (a library that fails on every
# file, a worker that cannot start).
ENDINGS_IN_A_ROW = 10
FAILED_STARTS_IN_A_ROW = 3
# A worker's exit status on Ctrl-C, and how a process ends that the signal
# itself ends (POSIX; Windows' STATUS_CONTROL_C_EXIT).
_INTERRUPTED_STATUSES = (INTERRUPTED, -2, 0xC000013A)
# Until a worker has started, and while no chunk is in flight, chunks are
# read in this process: a worker takes longer to start than a few hundred
# small files take to read.
READ_HERE_UNTIL_A_WORKER_STARTS = True

_PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The package's modules without its __init__, which the public interface
# needs and a worker does not. Ctrl-C while it starts ends it quietly too.
_START = f"""import sys
try:
    package = type(sys)("midifields")
    package.__path__ = [sys.argv[1] + "/midifields"]
    sys.modules["midifields"] = package
    from midifields._worker import serve
except KeyboardInterrupt:
    sys.exit({INTERRUPTED})
serve()"""
_READY = True
_WAIT_STEP = 0.25  # seconds: waits are cut so Ctrl-C gets through on every system


def read_in_processes(chunks: Iterable[List[Entry]], library_path: str, indexes: Sequence[int], typed: bool,
                      jobs: int, read_here: Callable[[List[Entry]], List[Outcome]]) -> Iterator[Tuple[Entry, Outcome]]:
    """Each entry of chunks with its outcome, in order, read by up to jobs
    worker processes that load the library at library_path and read the
    fields at indexes (typed, or the library's texts); read_here reads a
    chunk in this process."""
    jobs = min(jobs, MAX_JOBS)
    pool = _Pool((library_path, list(indexes), typed), jobs, len(indexes))
    window: Deque[_Task] = collections.deque()
    try:
        for chunk in chunks:
            pool.take_events()
            if READ_HERE_UNTIL_A_WORKER_STARTS and not window and not pool.started:
                pool.start_first()
                for pair in zip(chunk, read_here(chunk)):
                    pool.check()
                    yield pair
                continue
            task = _Task(chunk)
            window.append(task)
            pool.submit(task)
            if len(window) >= jobs * CHUNKS_IN_FLIGHT_PER_WORKER:
                yield from _finish_oldest(window, pool)
        while window:
            yield from _finish_oldest(window, pool)
    finally:
        # Also when the caller stops early or an error ends the run: the
        # workers end now and are reaped, their threads joined.
        pool.close()


def _finish_oldest(window: Deque[_Task], pool: _Pool) -> Iterator[Tuple[Entry, Outcome]]:
    task = window[0]
    pool.wait_for(task)
    window.popleft()
    assert task.outcomes is not None
    for pair in zip(task.entries, task.outcomes):
        pool.check()
        yield pair


class _Task:
    """A chunk to read: its outcomes once read. A chunk that ended workers
    too often is read in parts, one entry each."""

    __slots__ = ("entries", "outcomes", "attempts", "parts", "whole")

    def __init__(self, entries: List[Entry], whole: Optional[_Task] = None) -> None:
        self.entries = entries
        self.outcomes: Optional[List[Any]] = None
        self.attempts = 0  # workers it ended
        self.parts: List[_Task] = []
        self.whole = whole  # the chunk this is a part of

    def finish(self, outcomes: List[Any]) -> None:
        self.outcomes = outcomes
        whole = self.whole
        if whole is not None and all(part.outcomes is not None for part in whole.parts):
            whole.finish([part.outcomes[0] for part in whole.parts])  # type: ignore[index]


class _Worker:
    """One worker process, the chunks sent to it, and the thread that reads
    its answers and reaps it."""

    def __init__(self, setup: Tuple[Any, ...], events: queue.SimpleQueue[Tuple[_Worker, Any]],
                 on_end: Callable[[int], None]) -> None:
        # -I: none of the caller's PYTHON* settings or user site; -S: no site
        # packages either, since the worker needs only the standard library
        # and this package, whose folder it is given.
        self.process = subprocess.Popen([sys.executable, "-I", "-S", "-c", _START, _PACKAGE_PARENT],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.tasks: Deque[_Task] = collections.deque()  # sent, not yet answered, oldest first
        self.ready = False
        self._send(setup)
        self.reader = threading.Thread(target=self._read_answers, args=(events, on_end), name="midifields reader",
                                       daemon=True)
        self.reader.start()

    def _send(self, message: Any) -> None:
        try:
            assert self.process.stdin is not None
            marshal.dump(message, self.process.stdin)
            self.process.stdin.flush()
        except (OSError, ValueError):
            pass  # it ended: its reader says so

    def send(self, task: _Task) -> None:
        self.tasks.append(task)
        self._send(task.entries)

    def _read_answers(self, events: queue.SimpleQueue[Tuple[_Worker, Any]], on_end: Callable[[int], None]) -> None:
        stdout = self.process.stdout
        assert stdout is not None
        try:
            while True:
                events.put((self, marshal.load(stdout)))
        except (EOFError, ValueError, TypeError, OSError):
            pass
        status = self.process.wait()  # no zombie, whatever the caller is doing
        stdout.close()
        on_end(status)
        events.put((self, _Ended(status)))

    def close_input(self) -> None:
        try:
            assert self.process.stdin is not None
            self.process.stdin.close()
        except OSError:
            pass

    def end(self) -> None:
        """Ends the process now; its reader then reaps it."""
        try:
            self.process.kill()
        except OSError:
            pass


class _Ended:
    __slots__ = ("status",)

    def __init__(self, status: int) -> None:
        self.status = status


class _Pool:
    """The workers of one run and what they hold, used from the caller's
    thread only (their reader threads only report)."""

    def __init__(self, setup: Tuple[Any, ...], jobs: int, field_count: int) -> None:
        self._setup = setup
        self._jobs = jobs
        self._worker_ended = (WORKER_ENDED, (None,) * field_count)
        self._events: queue.SimpleQueue[Tuple[_Worker, Any]] = queue.SimpleQueue()
        self._workers: List[_Worker] = []  # alive, as far as this thread knows
        self._all: List[_Worker] = []  # every worker started, for the clean-up
        self._pending: Deque[_Task] = collections.deque()  # to send, oldest first
        self._endings_in_a_row = 0
        self._failed_starts = 0
        self.started = False  # a worker has loaded the library
        self.interrupted = False  # set by a reader: a worker ended on Ctrl-C

    def _note_end(self, status: int) -> None:
        # From a reader's thread, as soon as a worker has ended: the caller
        # may be busy elsewhere, and the next record must not pass for one
        # of a whole run.
        if status in _INTERRUPTED_STATUSES:
            self.interrupted = True

    def check(self) -> None:
        """Raises WorkerError when Ctrl-C has reached the workers: the run
        does not go on with some of them gone."""
        if self.interrupted:
            raise WorkerError("midifields: the run was interrupted (Ctrl-C reached its worker processes, "
                              "which have ended); start a new read to go on")

    def start_first(self) -> None:
        if not self._workers:
            self._start_worker()

    def _start_worker(self) -> _Worker:
        worker = _Worker(self._setup, self._events, self._note_end)
        self._workers.append(worker)
        self._all.append(worker)
        return worker

    def submit(self, task: _Task) -> None:
        self._pending.append(task)
        self._dispatch()

    def _dispatch(self) -> None:
        """Sends the pending chunks: to a worker without one, else a new
        worker while there may be more, else one with room."""
        while self._pending:
            free = [worker for worker in self._workers if not worker.tasks]
            if not free and len(self._workers) < self._jobs:
                free = [self._start_worker()]
            if not free:
                free = [worker for worker in self._workers if len(worker.tasks) < CHUNKS_PER_WORKER]
                if not free:
                    return
            # A started worker reads it soonest.
            target = next((worker for worker in free if worker.ready), free[0])
            target.send(self._pending.popleft())

    def take_events(self) -> None:
        """Handles what the readers have reported, without waiting."""
        while True:
            try:
                worker, message = self._events.get_nowait()
            except queue.Empty:
                return
            self._handle(worker, message)

    def wait_for(self, task: _Task) -> None:
        while task.outcomes is None:
            self.check()
            try:
                worker, message = self._events.get(timeout=_WAIT_STEP)
            except queue.Empty:
                continue
            self._handle(worker, message)

    def _handle(self, worker: _Worker, message: Any) -> None:
        if isinstance(message, _Ended):
            self._ended(worker, message.status)
        elif message is _READY:
            worker.ready = self.started = True
            self._failed_starts = 0
        else:
            self._endings_in_a_row = 0
            worker.tasks.popleft().finish(message)
            self._dispatch()

    def _ended(self, worker: _Worker, status: int) -> None:
        self._workers.remove(worker)
        self.check()
        self._endings_in_a_row += 1
        self._failed_starts += 0 if worker.ready else 1
        if self._failed_starts >= FAILED_STARTS_IN_A_ROW:
            raise WorkerError(f"midifields: worker processes end as they start ({self._failed_starts} in a row, the "
                              f"last with exit status {status}); see their messages above")
        if self._endings_in_a_row >= ENDINGS_IN_A_ROW:
            raise WorkerError(f"midifields: worker processes keep ending ({self._endings_in_a_row} in a row, the last "
                              f"with exit status {status}); see their messages above")
        # The chunks it held go first to the next worker; the one it was
        # reading counts against itself.
        unread = list(worker.tasks)
        if unread and worker.ready:
            reading = unread.pop(0)
            reading.attempts += 1
            if reading.attempts < ATTEMPTS:
                unread.insert(0, reading)
            elif len(reading.entries) > 1:
                reading.parts = [_Task([entry], reading) for entry in reading.entries]
                unread[:0] = reading.parts
            else:
                reading.finish([self._worker_ended])
        self._pending.extendleft(reversed(unread))
        self._dispatch()

    def close(self) -> None:
        for worker in self._all:
            if worker.tasks or not worker.ready:
                worker.end()  # what it reads now is wanted no more
        for worker in self._all:
            worker.close_input()  # an idle worker ends at the end of its input
        for worker in self._all:
            try:
                worker.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                worker.end()
            worker.reader.join()
        self._workers.clear()
