"""Records as a pandas DataFrame: the columns path, status and the fields
asked for, in nullable dtypes, so a field without a value is <NA>."""

from __future__ import annotations

from typing import TYPE_CHECKING, Iterable, List, Sequence, Tuple

from . import _library

if TYPE_CHECKING:
    import pandas

    from ._reading import Outcome, Value

_DTYPES = {int: "Int64", float: "Float64", str: "string"}


def dtypes(indexes: Sequence[int]) -> List[Tuple[str, str]]:
    """Each column's name and dtype."""
    columns = [("path", "string"), ("status", "string")]
    columns += [(key, _DTYPES[kind]) for _, key, kind in (_library.CATALOGUE[index] for index in indexes)]
    return columns


def make_frame(rows: Iterable[Tuple[str, Outcome]], indexes: Sequence[int], start: int = 0) -> pandas.DataFrame:
    """A frame of (path, outcome) rows, its index counting from start."""
    import pandas

    columns: List[List[Value]] = [[] for _ in range(2 + len(indexes))]
    path_column, status_column, value_columns = columns[0], columns[1], columns[2:]
    for path, (status, values) in rows:
        path_column.append(path)
        status_column.append(status)
        for column, value in zip(value_columns, values):
            column.append(value)
    index = pandas.RangeIndex(start, start + len(path_column))
    return pandas.DataFrame({name: pandas.array(column, dtype=dtype)
                             for (name, dtype), column in zip(dtypes(indexes), columns)}, index=index)
