"""midifields on Dask: the records of a collection as a dask DataFrame,
read on whatever scheduler is active (threads, processes, or a
dask.distributed cluster of many machines, whose workers load the
library from their own installed package or MIDIFIELDS_LIBRARY). Needs
dask[dataframe] and pandas.

    >>> import midifields.dask
    >>> frame = midifields.dask.read_frame("/data/collection")
    >>> frame.groupby("time_signature").duration_s.sum().compute()
"""

from __future__ import annotations

import math
import os
from typing import List, Optional, Tuple

import dask.dataframe
import pandas

from . import _archive_walk, _named, _walk_entries
from ._fields import field_indexes
from ._frame import make_frame
from ._reading import read_entries
from ._system import WINDOWS
from ._walk import ARCHIVE
from ._types import Extensions, FieldChoice, PathArgs

# Files per partition unless npartitions says otherwise: a partition takes
# a worker about a tenth of a second, long against the scheduler's cost of
# a task, short enough to spread a collection over many workers.
PARTITION_FILES = 1000


def read_frame(paths: PathArgs, fields: FieldChoice = None, npartitions: Optional[int] = None, *,
               ext: Extensions = None, recurse: bool = True, all_files: bool = False) -> dask.dataframe.DataFrame:
    """The records as a dask DataFrame with the columns and dtypes of
    midifields.read_frame for the same arguments.

    paths: one file or folder, or an iterable of them, listed here (folders
    walked as midifields.walk walks them, with ext, recurse and all_files
    as there); a relative path is relative to the current folder here,
    wherever the workers stand, and the frame shows it as given.
    fields: as for midifields.read.
    npartitions: how many partitions the files are split into (default: one
    per 1,000 files), each read by one task with one thread.

    An archive (see midifields.walk) is a partition of its own, its members
    listed and read by the task that reads it, so a set shipped as shards
    spreads over the workers. How many members an archive has is known only
    once it is read: with archives the divisions are unknown, and each
    partition's index counts from 0 (reset_index(drop=True) after compute()
    gives midifields.read_frame's). Without them the index counts the files
    from 0 across the partitions, and the divisions are known."""
    indexes = field_indexes(fields)
    if npartitions is not None and (isinstance(npartitions, bool) or not isinstance(npartitions, int)
                                    or npartitions < 1):
        raise ValueError(f"midifields: npartitions is a number of partitions, 1 or more, not {npartitions!r}")
    walk = (ext, recurse, all_files)
    here = os.getcwd()
    # Each file as the frame shows it, and as a worker opens it.
    files = [(path, (_from(here, path), known))
             for path, known in _walk_entries(_named([paths]), ext, recurse, all_files, defer_archives=True)]
    archives = [at for at, (_, (_, known)) in enumerate(files) if known == ARCHIVE]
    meta = make_frame([], indexes)
    if not archives:
        parts = _split(files, npartitions or math.ceil(len(files) / PARTITION_FILES))
        # The index counts the files from 0 across the partitions, so divisions
        # are known: each partition's first index, and the last one's last.
        divisions = tuple(start for start, _ in parts) + (len(files) - 1,) if files else (None, None)
        return dask.dataframe.from_map(_read_partition, parts, args=(indexes, walk), meta=meta,
                                       divisions=divisions, label="midifields-read")
    # The files between the archives split as they would be alone, each
    # archive a partition of its own, in order.
    parts, start = [], 0
    for at in archives + [len(files)]:
        run = files[start:at]
        if run:
            parts += [(0, part) for _, part in _split(run, npartitions or math.ceil(len(run) / PARTITION_FILES))]
        if at < len(files):
            parts.append((0, [files[at]]))
        start = at + 1
    return dask.dataframe.from_map(_read_partition, parts, args=(indexes, walk), meta=meta,
                                   divisions=(None,) * (len(parts) + 1), label="midifields-read")


def _from(folder: str, path: str) -> str:
    """path as seen from folder: as it is when absolute. On POSIX joined
    as it stands, so the system resolves it as it would the relative path
    (through links, "..": as Windows resolves it, by the text)."""
    return os.path.abspath(os.path.join(folder, path)) if WINDOWS else os.path.join(folder, path)


# A file as the frame shows it, and its entry to read.
_File = Tuple[str, Tuple[str, Optional[str]]]


def _split(files: List[_File], count: int) -> List[Tuple[int, List[_File]]]:
    """count runs of files as even as can be (none empty), each with the
    position of its first file."""
    count = max(1, min(count, len(files)))
    size, extra = divmod(len(files), count)
    parts, start = [], 0
    for number in range(count):
        end = start + size + (1 if number < extra else 0)
        parts.append((start, files[start:end]))
        start = end
    return parts


def _read_partition(part: Tuple[int, List[_File]], indexes: List[int],
                    walk: Tuple[Extensions, bool, bool]) -> pandas.DataFrame:
    start, files = part
    if len(files) == 1 and files[0][1][1] == ARCHIVE:
        # An archive: its members listed here, by the same walk.
        shown, (opened, _) = files[0]
        ext, recurse, all_files = walk
        files = [(member_shown, (member_shown, known)) for member_shown, known in
                 _archive_walk(ext, recurse, all_files).archive_entries(opened, shown)]
    outcomes = read_entries([entry for _, entry in files], indexes, jobs=1)
    return make_frame(((shown, outcome) for (shown, _), (_, outcome) in zip(files, outcomes)), indexes, start)
