"""Properties of Standard MIDI Files, read by the midifields records library.

The library (libmidifields_records.so, or midifields_records.dll on
Windows) is loaded through ctypes on first use and reads every field of a
file in one call, with the same code as the midifields plug-in; its texts
are the values, typed as the command-line host's JSON types them. The
library is found beside these files (the wheel puts it there) or where
MIDIFIELDS_LIBRARY points.

    >>> import midifields
    >>> midifields.read("samples/format0-waltz.mid")["time_signature"]
    '3/4'

A record is a dict: path (the str given), status ("ok", "not MIDI" when
the file opened but no field has a value, or why it could not be read, in
the command-line host's words), then one entry per field: an int, a float,
a str, or None where the file has no value. A problem with one file never
raises; a wrong argument does (ValueError, TypeError).
"""

from __future__ import annotations

import os

from . import _library, _reading, _walk
from ._library import FIELDS, LibraryError

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Callable, Dict, Iterable, Iterator, Optional, Union

    import pandas

    Path = Union[str, os.PathLike[str]]
    Buffer = Union[bytes, bytearray, memoryview]
    Fields = Union[None, str, Iterable[Union[str, int]]]
    Record = Dict[str, Union[int, float, str, None]]

__all__ = ["FIELDS", "LibraryError", "read", "read_bytes", "read_frame", "read_many", "walk"]


def read(path: Path, fields: Fields = None) -> Record:
    """The record of one file. fields: keys of FIELDS (default: all, in
    that order), the plug-in's names or indexes, or one str listing them
    comma-separated."""
    indexes = _reading.field_indexes(fields)
    text = _walk.path_text(path)
    status, values = _reading.read_entry(_library.load(), text, indexes)
    return _reading.record(text, status, [FIELDS[index] for index in indexes], values)


def read_bytes(data: Buffer, fields: Fields = None) -> Record:
    """The record of a MIDI file's bytes that never were a file of their
    own: a column of a data set, a member of an archive, a download. data:
    any bytes-like object (bytes, bytearray, memoryview, mmap, a NumPy
    array of bytes), read where it lies when it is bytes or writable, else
    copied once. The record's path is None; its status "ok" or "not MIDI".
    fields as for read()."""
    indexes = _reading.field_indexes(fields)
    status, values = _reading.outcome_of(_reading.read_buffer(_library.load(), data), indexes)
    return _reading.record(None, status, [FIELDS[index] for index in indexes], values)


def walk(*paths: Path, all_files: bool = False) -> Iterator[str]:
    """The paths a run of the command-line host reads for these arguments,
    in its order, as the folders are walked: a named file, or the files of
    a named folder and its subfolders (each folder's entries sorted by the
    bytes of their names, symbolic links followed, each folder entered
    once) that the plug-in's detection expression accepts (every file with
    all_files). A path that cannot be read (missing, a folder that cannot
    be listed, a broken link) is given too, so reading it says why."""
    accept = None if all_files else _detection()
    return _walk.Walk(_walk.walk_entries(paths, accept))


def read_many(paths: Iterable[Path], fields: Fields = None, jobs: Optional[int] = None) -> Iterator[Record]:
    """The records of paths, in their order, read by jobs worker processes
    (default: one per core this process may use). paths may be any
    iterable, a generator of millions included: it is consumed as the
    work goes, so memory is bounded by the work window, not by its length.
    Each path is read as it is; folders are walked by walk() or read_frame()
    (the paths of a walk are read without a second look at each)."""
    if isinstance(paths, (str, bytes, os.PathLike)):
        # A str is an iterable too: of one-letter paths.
        raise TypeError("midifields: read_many takes an iterable of paths; read() reads one path")
    indexes = _reading.field_indexes(fields)
    jobs = _reading.check_jobs(jobs)
    keys = [FIELDS[index] for index in indexes]
    if isinstance(paths, _walk.Walk):
        rows = _reading.read_entries(paths.entries, indexes, jobs, named=False)
    else:
        rows = _reading.read_entries(_reading.named_entries(paths), indexes, jobs, named=True)
    return (_reading.record(path, status, keys, values) for path, status, values in rows)


def read_frame(paths: Union[Path, Iterable[Path]], fields: Fields = None,
               jobs: Optional[int] = None) -> "pandas.DataFrame":
    """The records as a pandas DataFrame: columns path, status and the
    fields, in nullable dtypes (Int64, Float64, string), so a missing
    value is <NA>. paths: one file or folder, or several; folders are
    walked as walk() walks them. Needs pandas."""
    indexes = _reading.field_indexes(fields)
    jobs = _reading.check_jobs(jobs)
    from ._frame import make_frame

    entries = _walk.walk_entries(_path_list(paths), _detection())
    return make_frame(_reading.read_entries(entries, indexes, jobs, named=False), indexes)


def _path_list(paths: Union[Path, Iterable[Path]]) -> Iterable[Path]:
    return [paths] if isinstance(paths, (str, bytes, os.PathLike)) else paths


def _detection() -> Callable[[bytes], bool]:
    try:
        return _walk.parse_detect_string(_library.load().detect_string)
    except ValueError as error:
        raise LibraryError(f"{_library.load().path}: {error}") from None
