"""The types of the public interface, defined at run time, so that
typing.get_type_hints works on every public function (Sphinx, typeguard,
beartype and pydantic evaluate the annotations)."""

from __future__ import annotations

import os
import types
from typing import Iterable, Optional, TypedDict, Union

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


class _RecordHead(TypedDict):
    path: Optional[str]
    status: str


class Record(_RecordHead, total=False):
    """One file's record: path (the path as given, or None for bytes),
    status, and one entry per field asked for, None where the file has no
    value for it."""

    tempo_bpm: Optional[float]
    format: Optional[int]
    tracks: Optional[int]
    division: Optional[int]
    tempo_us_per_qn: Optional[int]
    duration_s: Optional[float]
    time_signature: Optional[str]
    key_signature: Optional[str]
    length_ticks: Optional[int]


class _ModuleOnUse(types.ModuleType):
    """A module imported when an attribute is first asked of it: the
    annotations name pandas.DataFrame without importing pandas."""

    def __getattr__(self, name: str) -> object:
        import importlib

        return getattr(importlib.import_module(self.__name__), name)


pandas = _ModuleOnUse("pandas")
