"""Files read through the records library, one call a file: one at a
time, or many in worker processes with the results in the order of the
paths."""

from __future__ import annotations

import ctypes
import itertools
import os
import stat
import sys

from . import _library
from ._walk import folder_reason, not_a_file_reason, path_text, reason_text, status_of

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any, Dict, Iterable, Iterator, List, Optional, Sequence, Tuple, Union

    from ._walk import Entry

    Value = Union[int, float, str, None]
    # A file read: its status and the value of each field asked for (all
    # None when the status is not "ok").
    Outcome = Tuple[str, Tuple[Value, ...]]
    # A file read, with its path.
    Row = Tuple[str, str, Tuple[Value, ...]]

OK = "ok"
NOT_MIDI = "not MIDI"

# Paths sent to a worker process at a time: enough that the exchange costs
# little against reading them, few enough that the work spreads evenly.
CHUNK = 128

_NONBLOCK = getattr(os, "O_NONBLOCK", 0)
_WINDOWS = sys.platform == "win32"
# Each field's value from its text: a plain decimal number as the field's
# number type, as the command-line host's JSON types it. The library's
# numbers are always plain; anything else would stay text.
_KINDS = tuple(kind for _, _, kind in _library.CATALOGUE)
_TEXT_CAPACITY = _library.TEXT_CAPACITY
_FS_ENCODING = sys.getfilesystemencoding()
_FS_ERRORS = sys.getfilesystemencodeerrors()


def field_indexes(fields: Union[None, str, Iterable[Union[str, int]]]) -> List[int]:
    """The catalogue indexes of the fields asked for: keys, the plug-in's
    names, headers without the shared "MIDI " (any case), or indexes; a
    str may list several, comma-separated, as --fields does."""
    if fields is None:
        return list(range(len(_library.FIELDS)))
    items: List[Any] = []
    if isinstance(fields, str):
        items += fields.split(",")
    else:
        items += fields
    indexes: List[int] = []
    for item in items:
        index = _field_index(item)
        if index not in indexes:
            indexes.append(index)
    if not indexes:
        raise ValueError("midifields: no fields chosen; the fields are " + ", ".join(_library.FIELDS))
    return indexes


def _field_index(item: Any) -> int:
    count = len(_library.CATALOGUE)
    if isinstance(item, bool) or not isinstance(item, (int, str)):
        raise TypeError(f"midifields: a field is a key, a name or an index, not {type(item).__name__}")
    if isinstance(item, int):
        if 0 <= item < count:
            return item
    else:
        wanted = item.strip().lower()
        if wanted.isdigit() and int(wanted) < count:
            return int(wanted)
        for index, (name, key, _) in enumerate(_library.CATALOGUE):
            short = name[len("MIDI "):] if name.startswith("MIDI ") else name
            if wanted in (key, name.lower(), short.lower()):
                return index
    raise ValueError(f"midifields: no field {item!r}; the fields are {', '.join(_library.FIELDS)} "
                     f"(or the plug-in's names, such as {_library.CATALOGUE[0][0]!r}, or indexes 0 to {count - 1})")


def read_entry(library: _library.Library, path: str, indexes: Sequence[int], problem: Optional[str] = None,
               named: bool = True) -> Outcome:
    """One path: why it cannot be read, or the values of the fields at
    indexes, typed. A named path is looked at first (a pipe or a device is
    never opened); an entry of a walk is a regular file, or comes with the
    problem the walk found."""
    empty = (None,) * len(indexes)
    if problem is not None:
        return problem, empty
    if named:
        status, problem = status_of(path)
        if status is None:
            return problem or "no such file or folder", empty
        if stat.S_ISDIR(status.st_mode):
            return folder_reason(path), empty
        if not stat.S_ISREG(status.st_mode):
            return not_a_file_reason(status.st_mode), empty
    elif "\0" in path:
        return "no such file or folder", empty
    # On POSIX a name is bytes, and one that is not UTF-8 reaches Python
    # with its odd bytes as lone surrogates, which encoding gives back.
    record = library.read(path if _WINDOWS else path.encode(_FS_ENCODING, _FS_ERRORS))
    if record is not None:
        return outcome_of(record, indexes)
    # A file that cannot be opened reads as no value at all, like a file
    # that is not MIDI; opening it tells the two apart.
    try:
        os.close(os.open(path, os.O_RDONLY | _NONBLOCK))
    except OSError as error:
        return reason_text(error), empty
    return NOT_MIDI, empty


def outcome_of(record: bytes, indexes: Sequence[int]) -> Outcome:
    """The status and typed values of a record: "not MIDI" when no field
    at all has a value."""
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
        try:
            values.append(text if kind is str else kind(text))
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
                 named: bool) -> Iterator[Row]:
    """(path, status, values) for each entry, in the order of the entries;
    with jobs above 1 read by that many worker processes, the input
    consumed as the window frees up. named: the entries are paths as given,
    not the output of a walk."""
    library = _library.load()
    iterator = iter(entries)
    first = list(itertools.islice(iterator, CHUNK))
    if jobs == 1 or len(first) < CHUNK:
        # One worker, or too few files to be worth starting processes for.
        for path, problem in itertools.chain(first, iterator):
            yield (path, *read_entry(library, path, indexes, problem, named))
        return
    from ._pool import read_in_processes

    def read_here(chunk: List[Entry]) -> List[Outcome]:
        return [read_entry(library, path, indexes, problem, named) for path, problem in chunk]

    yield from read_in_processes(itertools.chain([first], _chunks(iterator)), (library.path, indexes, named), jobs,
                                 read_here)


def _chunks(entries: Iterator[Entry]) -> Iterator[List[Entry]]:
    while True:
        chunk = list(itertools.islice(entries, CHUNK))
        if not chunk:
            return
        yield chunk


def default_jobs() -> int:
    """The cores this process may run on."""
    try:
        return max(1, len(os.sched_getaffinity(0)))
    except (AttributeError, OSError):
        return max(1, os.cpu_count() or 1)


def check_jobs(jobs: Optional[int]) -> int:
    if jobs is None:
        return default_jobs()
    if isinstance(jobs, bool) or not isinstance(jobs, int):
        raise TypeError(f"midifields: jobs is a number of worker processes, not {type(jobs).__name__}")
    if jobs < 1:
        raise ValueError(f"midifields: jobs is 1 or more, not {jobs}")
    return jobs


def record(path: Optional[str], status: str, keys: Sequence[str], values: Sequence[Value]) -> Dict[str, Value]:
    result: Dict[str, Value] = {"path": path, "status": status}
    result.update(zip(keys, values))
    return result


def named_entries(paths: Iterable[object]) -> Iterator[Entry]:
    for path in paths:
        yield path_text(path), None
