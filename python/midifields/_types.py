"""The types of the interface's arguments and records."""

from __future__ import annotations

import os
from typing import Dict, Iterable, Union

# A path: text, its bytes, or an object giving either (pathlib.Path).
PathArg = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
# One path, or any iterable of them.
PathArgs = Union[PathArg, Iterable[PathArg]]
# The fields to read: None for all; keys, the names --fields takes, or
# indexes; or one str listing them comma-separated.
FieldChoice = Union[None, str, Iterable[Union[str, int]]]
# Extensions taken in folders besides the detection expression's: one str
# listing them comma-separated, or an iterable of str.
Extensions = Union[None, str, Iterable[str]]
# What read_bytes reads: any object with the buffer protocol.
BytesLike = Union[bytes, bytearray, memoryview]


# One file's record: path, status, and a value per field asked for.
Record = Dict[str, Union[int, float, str, None]]
