"""Rows as the command-line host writes them (host/output/), byte for
byte: JSON Lines, a JSON array, CSV and TSV of the library's texts, and
paths in messages.

JSON: one object per file, keys "path" and the fields' catalogue names in
column order; a plain decimal number is a JSON number with exactly the
library's digits, other text a string, an empty field null. A path that is
not UTF-8 (a POSIX name may be any bytes) is {"bytes": "<base64>"} of its
bytes. CSV as RFC 4180 has it (CRLF line ends); TSV with a tab, line feed
or carriage return in a value written \\t, \\n, \\r; both carry a path's
bytes as they are."""

from __future__ import annotations

import base64
import json
from typing import BinaryIO, List, Optional, Sequence

from ._system import path_bytes

FORMATS = ("jsonl", "json", "csv", "tsv")
_CSV_SPECIAL = frozenset(b',"\r\n')
_TSV_ESCAPES = {ord("\t"): "\\t", ord("\n"): "\\n", ord("\r"): "\\r"}


def is_plain_number(text: str) -> bool:
    """What the host's JSON writes as a number: an optional minus, ASCII
    digits without a leading zero, and an optional fraction."""
    whole, dot, fraction = (text[1:] if text.startswith("-") else text).partition(".")
    return (whole.isascii() and whole.isdigit() and (whole[0] != "0" or len(whole) == 1)
            and (not dot or (fraction.isascii() and fraction.isdigit())))


def json_text(text: str) -> bytes:
    """A JSON string, escaped as the host's JSON escapes it (control
    characters, the quote and the backslash; nothing else)."""
    return json.dumps(text, ensure_ascii=False).encode("utf-8")


def json_path(path: str) -> bytes:
    raw = path_bytes(path)
    try:
        return json_text(raw.decode("utf-8"))
    except UnicodeDecodeError:
        return b'{"bytes":"' + base64.b64encode(raw) + b'"}'


def csv_field(raw: bytes) -> bytes:
    if not _CSV_SPECIAL.intersection(raw):
        return raw
    return b'"' + raw.replace(b'"', b'""') + b'"'


def tsv_field(raw: bytes) -> bytes:
    return raw.decode("latin-1").translate(_TSV_ESCAPES).encode("latin-1")


class RowWriter:
    """Writes the rows of one run in one of FORMATS: the header at once,
    then each row, then the end."""

    def __init__(self, out: BinaryIO, layout: str, names: Sequence[str]) -> None:
        self._out = out
        self._layout = layout
        self._rows = 0
        if layout in ("json", "jsonl"):
            self._keys = [json_text(name) for name in names]
            if layout == "json":
                out.write(b"[")
        else:
            self._field = csv_field if layout == "csv" else tsv_field
            self._separator = b"," if layout == "csv" else b"\t"
            self._line_end = b"\r\n" if layout == "csv" else b"\n"
            out.write(self._separator.join([b"path"] + [self._field(name.encode("utf-8")) for name in names])
                      + self._line_end)

    def row(self, path: str, texts: Sequence[Optional[str]]) -> None:
        """One file's row: its path and the text of each field, None where empty."""
        self._rows += 1
        if self._layout in ("json", "jsonl"):
            parts: List[bytes] = [b'{"path":', json_path(path)]
            for key, text in zip(self._keys, texts):
                value = (b"null" if text is None else text.encode("utf-8") if is_plain_number(text)
                         else json_text(text))
                parts += [b",", key, b":", value]
            parts.append(b"}\n" if self._layout == "jsonl" else b"}")
            if self._layout == "json":
                parts.insert(0, b"\n" if self._rows == 1 else b",\n")
            self._out.write(b"".join(parts))
        else:
            cells = [self._field(path_bytes(path))]
            cells += [b"" if text is None else self._field(text.encode("utf-8")) for text in texts]
            self._out.write(self._separator.join(cells) + self._line_end)

    def end(self) -> None:
        if self._layout == "json":
            self._out.write(b"]\n" if self._rows == 0 else b"\n]\n")
        self._out.flush()


def printable(text: str) -> str:
    """A path for a message on a terminal: every byte that is not UTF-8,
    and every control character (C0, DEL, C1), shown as \\xNN, so a file
    name can never drive the terminal."""
    out = []
    for character in path_bytes(text).decode("utf-8", "surrogateescape"):
        code = ord(character)
        if 0xDC80 <= code <= 0xDCFF:  # a byte that is not UTF-8
            out.append(f"\\x{code - 0xDC00:02X}")
        elif code < 0x20 or 0x7F <= code < 0xA0:
            out.append("".join(f"\\x{byte:02X}" for byte in character.encode("utf-8")))
        else:
            out.append(character)
    return "".join(out)
