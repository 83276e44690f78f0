"""Properties of Standard MIDI Files, read by the midifields plug-in library.

The library (libmidifields.so, or midifields.dll on Windows) is loaded
through ctypes on first use and asked for each field through its exports,
as every host program does; its texts are the values, typed as the
command-line host's JSON types them. The library is found beside these
files (the wheel puts it there) or where MIDIFIELDS_LIBRARY points.

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

from . import _plugin, _reading, _walk
from ._plugin import FIELDS, LibraryError

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Callable, Dict, Iterable, Iterator, Optional, Union

    import pandas

    Path = Union[str, os.PathLike[str]]
    Fields = Union[None, str, Iterable[Union[str, int]]]
    Record = Dict[str, Union[int, float, str, None]]

__all__ = ["FIELDS", "LibraryError", "read", "read_frame", "read_many", "walk"]


def read(path: Path, fields: Fields = None) -> Record:
    """The record of one file. fields: keys of FIELDS (default: all, in
    that order), the plug-in's names or indexes, or one str listing them
    comma-separated."""
    indexes = _reading.field_indexes(fields)
    text = _walk.path_text(path)
    status, values = _reading.read_entry(_plugin.load(), text, indexes)
    return _reading.record(text, status, [FIELDS[index] for index in indexes], values)


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
        return _walk.parse_detect_string(_plugin.load().detect_string)
    except ValueError as error:
        raise LibraryError(f"{_plugin.load().path}: {error}") from None
