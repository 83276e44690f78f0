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
from typing import TYPE_CHECKING, Iterable, List, Optional, Tuple, Union

from . import _detection, _path_list
from ._reading import field_indexes, read_entries
from ._walk import walk_entries

if TYPE_CHECKING:
    import dask.dataframe
    import pandas

    from . import Fields, Path
    from ._walk import Entry

# Files per partition unless npartitions says otherwise: a partition takes
# a worker about a tenth of a second, long against the scheduler's cost of
# a task, short enough to spread a collection over many workers.
PARTITION_FILES = 1000


def read_frame(paths: Union[Path, Iterable[Path]], fields: Fields = None,
               npartitions: Optional[int] = None) -> "dask.dataframe.DataFrame":
    """The records as a dask DataFrame with the columns and dtypes of
    midifields.read_frame, index included. The paths (one file or folder,
    or several; folders walked as midifields.walk walks them) are listed
    here, then split into npartitions partitions (default: one per 1,000
    files), each read by one task with one thread."""
    import dask.dataframe

    from ._frame import make_frame

    indexes = field_indexes(fields)
    if npartitions is not None and (isinstance(npartitions, bool) or not isinstance(npartitions, int)
                                    or npartitions < 1):
        raise ValueError(f"midifields: npartitions is a number of partitions, 1 or more, not {npartitions!r}")
    entries = list(walk_entries(_path_list(paths), _detection()))
    parts = _split(entries, npartitions or math.ceil(len(entries) / PARTITION_FILES))
    # The index counts the files from 0 across the partitions, so divisions
    # are known: each partition's first index, and the last one's last.
    starts = [start for start, _ in parts]
    divisions = tuple(starts) + (len(entries) - 1,) if entries else (None, None)
    meta = make_frame([], indexes)
    return dask.dataframe.from_map(_read_partition, parts, args=(indexes,), meta=meta,
                                   divisions=divisions, label="midifields-read")


def _split(entries: List[Entry], count: int) -> List[Tuple[int, List[Entry]]]:
    """count runs of entries as even as can be (none empty), each with the
    position of its first entry."""
    count = max(1, min(count, len(entries)))
    size, extra = divmod(len(entries), count)
    parts, start = [], 0
    for number in range(count):
        end = start + size + (1 if number < extra else 0)
        parts.append((start, entries[start:end]))
        start = end
    return parts


def _read_partition(part: Tuple[int, List[Entry]], indexes: List[int]) -> "pandas.DataFrame":
    from ._frame import make_frame

    start, entries = part
    return make_frame(read_entries(entries, indexes, jobs=1, named=False), indexes, start)
