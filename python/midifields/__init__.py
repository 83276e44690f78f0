"""Properties of Standard MIDI Files, read by the midifields records library.

The library (libmidifields_records.so, or midifields_records.dll on
Windows) is loaded through ctypes on first use and reads every field of a
file in one call, with the same code as the midifields plug-in; its texts
are the values, typed as the command-line host's JSON types them. The
library is found in the package's lib folder (the wheel puts it there) or
where MIDIFIELDS_LIBRARY points.

    >>> import midifields
    >>> midifields.read("samples/format0-waltz.mid")["time_signature"]
    '3/4'

A record (Record) is a dict: path (the path as given), status, then one
entry per field asked for: an int, a float or a str, or None where the file
has no value. status is OK ("ok"), NOT_MIDI ("not MIDI": the file opened,
but no field has a value), or why the path could not be read, in the
command-line host's words ("no such file or folder", "permission denied",
"a folder, not a regular file", "broken symbolic link", ...). A problem
with one file never raises; a wrong argument does (ValueError, TypeError),
and so do the package's own failures, all of them Error: LibraryError (the
library), WorkerError (the worker processes of read_many).

python -m midifields PATH... prints the records as the command-line host
does (JSON Lines, or --format csv), for machines that have only the wheel.
"""

from __future__ import annotations

from typing import TYPE_CHECKING, Iterable, Iterator, Optional

from . import _library, _reading, _system, _walk
from ._errors import Error, LibraryError, WorkerError
from ._fields import field_indexes
from ._library import FIELDS
from ._status import NOT_MIDI, OK
from ._types import BytesLike, Extensions, FieldChoice, PathArg, PathArgs, Record

if TYPE_CHECKING:
    import pandas
else:
    from ._types import pandas  # imported when an annotation is evaluated

__version__ = "1.3.0"

__all__ = ["FIELDS", "NOT_MIDI", "OK", "BytesLike", "Error", "Extensions", "FieldChoice", "LibraryError", "PathArg",
           "PathArgs", "Record", "WorkerError", "read", "read_bytes", "read_frame", "read_many", "walk"]


def __dir__() -> list[str]:
    return sorted(__all__ + ["__version__"])


def read(path: PathArg, fields: FieldChoice = None) -> Record:
    """The record of one file.

    path: a str, bytes or os.PathLike; the record's path is its str.
    fields: None for every field in catalogue order (FIELDS); else the
    fields in the order given, each by its key (FIELDS), by a name as the
    command-line host's --fields takes it (the plug-in's "MIDI Key
    Signature", a header, any word or prefix that picks one field: "key",
    "bpm", "duration"), or by its index; or one str listing them
    comma-separated. A word that fits several fields ("tempo") is a
    ValueError naming them."""
    indexes = field_indexes(fields)
    text = _system.path_text(path)
    status, values = _reading.read_entry(_library.load(), (text, None), indexes)
    return _record(text, status, indexes, values)


def read_bytes(data: BytesLike, fields: FieldChoice = None) -> Record:
    """The record of a MIDI file's bytes that never were a file of their
    own: a column of a data set, a member of an archive, a download.

    data: any bytes-like object (bytes, bytearray, memoryview, mmap, a NumPy
    array of bytes), read where it lies when it is bytes or writable, else
    copied once. The record's path is None, its status "ok" or "not MIDI".
    fields: as for read()."""
    indexes = field_indexes(fields)
    status, values = _reading.outcome_of(_reading.read_buffer(_library.load(), data), indexes)
    return _record(None, status, indexes, values)


def walk(*paths: PathArgs, ext: Extensions = None, recurse: bool = True, all_files: bool = False) -> Iterator[str]:
    """The paths a run of the command-line host reads for these arguments,
    in its order, found as the folders are walked.

    paths: files and folders, each argument one path or an iterable of
    them. A named file is always given. A folder is walked depth first,
    each folder's entries sorted by the bytes of their names (by UTF-16
    code units on Windows), a subfolder's files at its place, symbolic
    links followed, each folder entered once (a link loop ends). A path
    that cannot be read (missing, a folder that cannot be listed, a broken
    link) is given too, so reading it says why.
    ext: in folders, also take files with these extensions (a str listing
    them comma-separated, as --ext does, or an iterable of str); by default
    only the names the plug-in's detection expression accepts (.mid, .midi).
    recurse: False walks only the first level of each named folder.
    all_files: in folders, take every file whatever its name."""
    return _walk.Walk(_walk_entries(_named(paths), ext, recurse, all_files))


def read_many(paths: Iterable[PathArg], fields: FieldChoice = None, jobs: Optional[int] = None) -> Iterator[Record]:
    """The records of paths, in their order, read by worker processes.

    paths: any iterable of paths, a generator of millions included: it is
    consumed as the work goes, so memory is bounded by the work window, not
    by its length. Each path is read as it is (a folder gives the status "a
    folder, not a regular file"); folders are walked by walk() or
    read_frame(), and the paths of a walk are read without a second look.
    fields: as for read().
    jobs: the most worker processes to use; default one per core this
    process may run on, at most 1,024. Workers are started as the work
    needs them (no more than the chunks of 128 paths in flight), fewer than
    128 paths are read in this process, and so is the start of a run until
    a worker is ready. A worker that ends (killed, out of memory) is
    replaced and its paths read again; a path that ends a worker twice gets
    the status "a worker process ended while reading it". When Ctrl-C
    reaches the workers the run ends: they are reaped at once, and going on
    with the iterator raises WorkerError."""
    if isinstance(paths, (str, bytes)) or hasattr(paths, "__fspath__"):
        # A str is an iterable too: of one-letter paths.
        raise TypeError("midifields: read_many takes an iterable of paths; read() reads one path")
    indexes = field_indexes(fields)
    jobs = _jobs(jobs)
    entries = paths.entries if isinstance(paths, _walk.Walk) else ((_system.path_text(path), None) for path in paths)
    return _reading.Records(_reading.read_entries(entries, indexes, jobs), [FIELDS[index] for index in indexes])


def read_frame(paths: PathArgs, fields: FieldChoice = None, jobs: Optional[int] = None, *, ext: Extensions = None,
               recurse: bool = True, all_files: bool = False) -> pandas.DataFrame:
    """The records as a pandas DataFrame: columns path, status and the
    fields, in nullable dtypes (Int64, Float64, string), so a missing value
    is <NA>. Needs pandas.

    paths: one file or folder, or an iterable of them; folders are walked
    as walk() walks them, with ext, recurse and all_files as there.
    fields and jobs: as for read_many()."""
    indexes = field_indexes(fields)
    jobs = _jobs(jobs)
    from ._frame import make_frame

    entries = _walk_entries(_named([paths]), ext, recurse, all_files)
    return make_frame(((entry[0], outcome) for entry, outcome in _reading.read_entries(entries, indexes, jobs)),
                      indexes)


def _record(path: Optional[str], status: str, indexes: Iterable[int], values: Iterable[object]) -> Record:
    record = {"path": path, "status": status}
    record.update(zip((FIELDS[index] for index in indexes), values))  # type: ignore[arg-type]
    return record  # type: ignore[return-value]


def _named(arguments: Iterable[PathArgs]) -> Iterator[str]:
    """The paths of arguments, each one path or an iterable of them, as str."""
    for argument in arguments:
        if isinstance(argument, (str, bytes)) or hasattr(argument, "__fspath__"):
            yield _system.path_text(argument)
        else:
            try:
                items = iter(argument)
            except TypeError:
                raise TypeError(f"midifields: a path is a str, bytes or an os.PathLike, or an iterable of them, "
                                f"not {type(argument).__name__}") from None
            for item in items:
                yield _system.path_text(item)


def _walk_entries(paths: Iterable[str], ext: Extensions, recurse: bool, all_files: bool,
                  defer_archives: bool = False) -> Iterator[_walk.Entry]:
    return _walk.walk_entries(paths, _archive_walk(ext, recurse, all_files, defer_archives))


def _archive_walk(ext: Extensions, recurse: bool, all_files: bool, defer_archives: bool = False) -> _walk.FileWalk:
    """The walk that ext, recurse and all_files ask for."""
    extensions = _walk.extension_list(ext)  # checked whether used or not
    midi_name = _walk.name_test(_detection_test(), extensions)
    accept = None if all_files else midi_name
    return _walk.FileWalk(accept, bool(recurse), midi_name, _library.load(), defer_archives)


def _detection_test() -> _walk.Accept:
    from ._detection import ExpressionError, parse

    library = _library.load()
    try:
        return parse(library.detect_string)
    except ExpressionError as error:
        raise LibraryError(f"{library.path}: cannot use the plug-in's detection expression "
                           f"{library.detect_string!r}: {error}") from None


def _jobs(jobs: Optional[int]) -> int:
    """jobs checked; the pool caps it at what the work can use."""
    if jobs is None:
        return _system.usable_cores()
    if isinstance(jobs, bool) or not isinstance(jobs, int):
        raise TypeError(f"midifields: jobs is a number of worker processes, not {type(jobs).__name__}")
    if jobs < 1:
        raise ValueError(f"midifields: jobs is 1 or more, not {jobs}")
    return jobs
