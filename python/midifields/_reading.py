"""Files read through the records library, one call a file: one path (or
bytes) into a status and values; many in this process or in worker
processes, the outcomes in the order of the paths."""

from __future__ import annotations

import ctypes
import itertools
import stat
import sys

from . import _library
from ._archive import read_zip_member
from ._errors import WorkerError
from ._status import NO_SUCH_PATH, NOT_MIDI, OK, not_a_file_reason
from ._system import WINDOWS, folder_reason, open_reason, path_mode

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Iterable, Iterator, List, Optional, Sequence, Tuple, Union

    from ._types import Record
    from ._walk import Entry

    Value = Union[int, float, str, None]
    # A file read: its status and the value of each field asked for (all
    # None when the status is not "ok").
    Outcome = Tuple[str, Tuple[Value, ...]]

# Paths sent to a worker process at a time: enough that the exchange costs
# little against reading them, few enough that the work spreads evenly.
CHUNK = 128

_TEXT_CAPACITY = _library.TEXT_CAPACITY
# Each field's value from its text: a plain decimal number as the field's
# number type, as the command-line host's JSON types it. The library's
# numbers are always plain; anything else would stay text.
_KINDS = tuple(kind for _, _, kind in _library.CATALOGUE)
_FS_ENCODING = sys.getfilesystemencoding()
_FS_ERRORS = sys.getfilesystemencodeerrors()


def read_entry(library: _library.Library, entry: Entry, indexes: Sequence[int], typed: bool = True) -> Outcome:
    """One path: why it cannot be read, or the values of the fields at
    indexes (typed, or the library's texts). A path nobody has looked at
    is looked at first (a pipe or a device is never opened); a file the
    walk found is read at once."""
    path, known = entry
    empty = (None,) * len(indexes)
    if isinstance(known, bytes):  # a tar's member, read already
        return outcome_of(known, indexes, typed)
    if isinstance(known, tuple):  # a zip's member, read here
        data = read_zip_member(*known)
        if isinstance(data, str):
            return data, empty
        return outcome_of(library.read_memory(data, len(data)), indexes, typed)
    if known is None:
        mode, problem = path_mode(path)
        if mode is None:
            return problem, empty
        if stat.S_ISDIR(mode):
            return folder_reason(path), empty
        if not stat.S_ISREG(mode):
            return not_a_file_reason(mode), empty
    elif known:
        return known, empty
    if "\0" in path:  # no file has such a name, and C would read a shorter one
        return NO_SUCH_PATH, empty
    # On POSIX a name is bytes, and one that is not UTF-8 reaches Python
    # with its odd bytes as lone surrogates, which encoding gives back.
    record = library.read(path if WINDOWS else path.encode(_FS_ENCODING, _FS_ERRORS))
    if record is not None:
        return outcome_of(record, indexes, typed)
    # A file that cannot be opened reads as no value at all, like a file
    # that is not MIDI; opening it tells the two apart.
    return open_reason(path) or NOT_MIDI, empty


def outcome_of(record: bytes, indexes: Sequence[int], typed: bool = True) -> Outcome:
    """The status and values of a record: "not MIDI" when no field at all
    has a value."""
    lengths, texts = _library.record_texts(record)
    if not any(lengths):
        return NOT_MIDI, (None,) * len(indexes)
    values: List[Value] = []
    for index in indexes:
        length = lengths[index]
        if length == 0:
            values.append(None)
            continue
        start = _TEXT_CAPACITY * index
        text = texts[start:start + length]
        kind = _KINDS[index]
        if not typed or kind is str:
            values.append(text)
            continue
        try:
            values.append(kind(text))
        except ValueError:
            values.append(text)
    return OK, tuple(values)


def read_buffer(library: _library.Library, data: object) -> bytes:
    """The record of a bytes-like object's bytes: bytes and writable
    buffers are read where they lie, others copied once."""
    if isinstance(data, bytes):
        return library.read_memory(data, len(data))
    try:
        view = memoryview(data)  # type: ignore[arg-type]
    except TypeError:
        raise TypeError(f"midifields: read_bytes takes a bytes-like object, not {type(data).__name__}") from None
    with view:
        if not view.c_contiguous:
            return library.read_memory(view.tobytes(), view.nbytes)
        with view.cast("B") as octets:
            if octets.readonly:
                return library.read_memory(octets.tobytes(), octets.nbytes)
            return library.read_memory(ctypes.addressof((ctypes.c_char * octets.nbytes).from_buffer(octets)),
                                       octets.nbytes)


def read_entries(entries: Iterable[Entry], indexes: List[int], jobs: int,
                 typed: bool = True) -> Iterator[Tuple[Entry, Outcome]]:
    """Each entry with its outcome, in the order of the entries; with jobs
    above 1 read by up to that many worker processes, the input consumed
    as the work window frees up."""
    library = _library.load()
    iterator = iter(entries)
    first = list(itertools.islice(iterator, CHUNK))
    if jobs == 1 or len(first) < CHUNK:
        # One worker, or too few files to be worth starting processes for.
        for entry in itertools.chain(first, iterator):
            yield entry, read_entry(library, entry, indexes, typed)
        return
    from ._pool import read_in_processes

    def read_here(chunk: List[Entry]) -> List[Outcome]:
        return [read_entry(library, entry, indexes, typed) for entry in chunk]

    yield from read_in_processes(itertools.chain([first], _chunks(iterator)), library.path, indexes, typed, jobs,
                                 read_here)


class Records:
    """The records of a run, in order, as an iterator. A run cut short (by
    Ctrl-C, or an error) does not end as if it were whole: going on with it
    raises WorkerError."""

    def __init__(self, outcomes: Iterator[Tuple[Entry, Outcome]], keys: Sequence[str]) -> None:
        self._outcomes = outcomes
        self._keys = keys
        self._cut_by: Optional[BaseException] = None

    def __iter__(self) -> Records:
        return self

    def __next__(self) -> Record:
        if self._cut_by is not None:
            raise WorkerError(_cut_short(self._cut_by))
        try:
            (path, _), (status, values) = next(self._outcomes)
        except StopIteration:
            raise
        except BaseException as error:
            self._cut_by = error
            raise
        record = {"path": path, "status": status}
        record.update(zip(self._keys, values))  # type: ignore[arg-type]
        return record  # type: ignore[return-value]

    def close(self) -> None:
        """Ends the run here: its worker processes end and are reaped."""
        close = getattr(self._outcomes, "close", None)
        if close is not None:
            close()


def _cut_short(error: BaseException) -> str:
    if isinstance(error, WorkerError):
        return str(error)
    if isinstance(error, KeyboardInterrupt):
        return "midifields: the run was interrupted (Ctrl-C); start a new read to go on"
    return f"midifields: the run ended early ({type(error).__name__}: {error}); start a new read to go on"


def _chunks(entries: Iterator[Entry]) -> Iterator[List[Entry]]:
    while True:
        chunk = list(itertools.islice(entries, CHUNK))
        if not chunk:
            return
        yield chunk
