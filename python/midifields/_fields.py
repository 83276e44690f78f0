"""Fields named as the command-line host's --fields names them
(host/field_selection.h): an index, a catalogue name, a header of the
table (short or abbreviated), or any word or prefix of those that picks
one field ("duration", "key", "bpm"), in any case; a word that fits several
fields is an error naming them. The package also takes its own keys
(tempo_bpm, ...) and int indexes."""

from __future__ import annotations

from . import _library

from typing import List, Sequence, Union

from ._types import FieldChoice

# The abbreviations a reader of tables knows; other words stay whole.
# The status column's name, and its index after the catalogue's fields.
STATUS_NAME = "status"
STATUS = len(_library.CATALOGUE)

_ABBREVIATIONS = {"Format": "Fmt", "Tracks": "Trks", "Division": "Div", "Duration": "Dur", "Signature": "Sig",
                  "Length": "Len"}
_BLANKS = " \t"


class FieldError(ValueError):
    """A field name that picks no field, or several; the message in the
    host's words."""


def short_field_names(catalogue: Sequence[str]) -> List[str]:
    """The names without the leading words every one of them shares ("MIDI "),
    unchanged when nothing is shared or a name would be left empty."""
    if len(catalogue) < 2:
        return list(catalogue)
    shared = len(catalogue[0])
    for name in catalogue:
        same = 0
        while same < shared and same < len(name) and name[same] == catalogue[0][same]:
            same += 1
        shared = same
    blank = catalogue[0].rfind(" ", 0, shared)  # whole words only
    cut = blank + 1
    if any(len(name) <= cut for name in catalogue):
        return list(catalogue)
    return [name[cut:] for name in catalogue]


def compact_field_name(short_name: str) -> str:
    """A short name with its long words abbreviated ("Time Sig", "Dur (sec)")."""
    return " ".join(_ABBREVIATIONS.get(word, word) for word in short_name.split())


def _ascii_lower(text: str) -> str:
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def _names_of(name: str, short_name: str) -> List[str]:
    return [_ascii_lower(name), _ascii_lower(short_name), _ascii_lower(compact_field_name(short_name))]


def _is_prefix_of(item: str, names: Sequence[str]) -> bool:
    """item names the field by a prefix of one of its names, or by a word of
    them or the start of one, a unit's parentheses optional ("bpm")."""
    for name in names:
        if name.startswith(item):
            return True
        for word in name.split():
            if len(word) > 2 and word[0] == "(" and word[-1] == ")":
                word = word[1:-1]
            if word.startswith(item):
                return True
    return False


def find_field(item: str, on_command_line: bool = False) -> int:
    """The catalogue index of the field item names, as --fields takes it,
    or STATUS for the status column, which the host names like a field;
    FieldError in the host's words when it names none or several.
    on_command_line: the words of the command line's message."""
    catalogue = [name for name, _, _ in _library.CATALOGUE]
    short_names = short_field_names(catalogue)
    # Every column's names: the fields', then the status column's one.
    names = [_names_of(name, short_name) for name, short_name in zip(catalogue, short_names)] + [[STATUS_NAME]]
    shown = catalogue + [STATUS_NAME]
    lower = _ascii_lower(item)
    if item and len(item) <= 9 and all("0" <= c <= "9" for c in item) and int(item) < len(catalogue):
        return int(item)
    # A whole name wins over a prefix of another ("tempo (bpm)").
    for index, column_names in enumerate(names):
        if lower in column_names:
            return index
    candidates = [index for index, column_names in enumerate(names) if lower and _is_prefix_of(lower, column_names)]
    if len(candidates) == 1:
        return candidates[0]
    if not item:
        raise FieldError("an empty field name")
    if not candidates:
        raise FieldError(f"no field '{item}'" + (" (see --list-fields)" if on_command_line else ""))
    quoted = [f"'{shown[index]}'" for index in candidates]
    raise FieldError(f"'{item}' is ambiguous: " + ", ".join(quoted[:-1]) + " or " + quoted[-1])


def select_fields(text: str) -> List[int]:
    """The fields of a --fields list, in the order given, repeats kept;
    FieldError with the command line's message."""
    selected = []
    for item in text.split(","):
        item = item.strip(_BLANKS)
        if not item:
            raise FieldError("an empty field name in --fields")
        try:
            selected.append(find_field(item, on_command_line=True))
        except FieldError as error:
            raise FieldError(f"--fields: {error}") from None
    return selected


def field_indexes(fields: FieldChoice) -> List[int]:
    """The catalogue indexes of the fields asked for, each once, in the
    order given: None for all; keys (tempo_bpm, ...), or the names --fields
    takes, or int indexes; a str may list several, comma-separated. The
    status, which every record has, may be named too ("status": no field
    but the status). ValueError (TypeError) for a field that is not one."""
    if fields is None:
        return list(range(len(_library.FIELDS)))
    items: List[Union[str, int]] = []
    if isinstance(fields, str):
        items += fields.split(",")
    else:
        items += fields
    indexes: List[int] = []
    named_status = False
    for item in items:
        index = _field_index(item)
        # Every record has its status: naming it asks for nothing more.
        if index == STATUS:
            named_status = True
        elif index not in indexes:
            indexes.append(index)
    if not indexes and not named_status:
        raise ValueError("midifields: no fields chosen; " + _FIELDS_ARE)
    return indexes


_FIELDS_ARE = (f"the fields are {', '.join(_library.FIELDS)} (or the plug-in's names, such as "
               f"{_library.CATALOGUE[0][0]!r}, words or prefixes of them, or indexes 0 to {len(_library.FIELDS) - 1})")


def _field_index(item: object) -> int:
    if isinstance(item, bool) or not isinstance(item, (int, str)):
        raise TypeError(f"midifields: a field is a key, a name or an index, not {type(item).__name__}")
    if isinstance(item, int):
        if 0 <= item < len(_library.FIELDS):
            return item
        raise ValueError(f"midifields: no field {item}; {_FIELDS_ARE}")
    wanted = item.strip(_BLANKS)
    if wanted in _library.FIELDS:
        return _library.FIELDS.index(wanted)
    try:
        return find_field(wanted)
    except FieldError as error:
        raise ValueError(f"midifields: {error}; {_FIELDS_ARE}") from None
