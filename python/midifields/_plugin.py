"""The plug-in library, loaded through ctypes and used through its four
exports the way the command-line host uses them: the defaults handed over
once after loading, the catalogue read up to the first index refused, and
each value written as UTF-16 into a buffer of 256 characters."""

from __future__ import annotations

import _thread
import codecs
import ctypes
import os
import sys

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any, List, Optional, Sequence, Tuple, Type, Union

LIBRARY_VARIABLE = "MIDIFIELDS_LIBRARY"
LIBRARY_FILE = "midifields.dll" if sys.platform == "win32" else "libmidifields.so"

# The plug-in's field names in catalogue order, the key each has here, and
# the type its value takes when it is a plain decimal number. The one place
# the names are mapped: a library whose catalogue differs is refused.
CATALOGUE: Tuple[Tuple[str, str, Type[Union[int, float, str]]], ...] = (
    ("MIDI Tempo (BPM)", "tempo_bpm", float),
    ("MIDI Format", "format", int),
    ("MIDI Tracks", "tracks", int),
    ("MIDI Division", "division", int),
    ("MIDI Tempo (us/qn)", "tempo_us_per_qn", int),
    ("MIDI Duration (sec)", "duration_s", float),
    ("MIDI Time Signature", "time_signature", str),
    ("MIDI Key Signature", "key_signature", str),
    ("MIDI Length (ticks)", "length_ticks", int),
)
FIELDS: Tuple[str, ...] = tuple(key for _, key, _ in CATALOGUE)

# The host interface's result codes and the host's buffer sizes.
_VALUE_KIND_WIDE_TEXT = 11
_NO_MORE_FIELDS = 0
_TEXT_BYTES = 256
_VALUE_CHARACTERS = 256
_VALUE_BYTES = 2 * _VALUE_CHARACTERS
# Far beyond any catalogue; stops a plug-in that never ends its list.
_MAX_FIELDS = 1000

# bytes.decode without the look-up of the codec by name, for every value.
_decode_utf16 = codecs.utf_16_le_decode


class LibraryError(RuntimeError):
    """The plug-in library could not be found, loaded or used."""


class _PluginDefaults(ctypes.Structure):
    """What a host hands a plug-in once after loading it: the block's size,
    the interface version the host speaks, and a settings file (none here;
    the plug-in keeps no settings, but it gets the call every host makes)."""

    _fields_ = [
        ("size", ctypes.c_int),
        ("version_low", ctypes.c_int),
        ("version_high", ctypes.c_int),
        ("settings_file", ctypes.c_char * 260),
    ]


def typed_value(text: str, kind: type) -> Union[int, float, str]:
    """A value's text typed as the host's JSON types it: a plain decimal
    number becomes the field's number type, anything else stays text."""
    if kind is str or not is_plain_number(text):
        return text
    if kind is int and "." not in text:
        return int(text)
    return float(text)


def is_plain_number(text: str) -> bool:
    """What the host's JSON writes as a number: an optional minus, ASCII
    digits without a leading zero, and an optional fraction."""
    whole, dot, fraction = (text[1:] if text.startswith("-") else text).partition(".")
    return (whole.isascii() and whole.isdigit() and (whole[0] != "0" or len(whole) == 1)
            and (not dot or (fraction.isascii() and fraction.isdigit())))


class Plugin:
    """One loaded library. Safe to use from several threads at once: each
    value request brings its own buffer."""

    def __init__(self, path: str) -> None:
        self.path = path
        try:
            library = ctypes.CDLL(path)
        except OSError as error:
            raise LibraryError(f"{path}: cannot load the plug-in: {error}") from None
        self._library = library
        exports = {}
        for name in ("ContentGetDetectString", "ContentGetSupportedField", "ContentGetValueW",
                     "ContentSetDefaultParams"):
            try:
                exports[name] = getattr(library, name)
            except AttributeError:
                raise LibraryError(f"{path}: the plug-in lacks the export {name}") from None
        exports["ContentGetDetectString"].argtypes = [ctypes.c_char_p, ctypes.c_int]
        exports["ContentGetSupportedField"].argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int]
        exports["ContentSetDefaultParams"].argtypes = [ctypes.c_void_p]
        exports["ContentSetDefaultParams"].restype = None
        # Called for every value: without argtypes, ctypes passes bytes as
        # pointers and ints as C ints with the least work.
        self._get_value = exports["ContentGetValueW"]
        self._get_value.restype = ctypes.c_int

        defaults = _PluginDefaults(ctypes.sizeof(_PluginDefaults), 0, 1, b"")
        exports["ContentSetDefaultParams"](ctypes.byref(defaults))

        self.catalogue = self._read_catalogue(exports["ContentGetSupportedField"])
        expected = [name for name, _, _ in CATALOGUE]
        if self.catalogue != expected:
            raise LibraryError(
                f"{path}: the plug-in's fields are {self.catalogue}, not the {len(expected)} fields this "
                f"package knows ({expected}): a library of another version?")
        text = ctypes.create_string_buffer(_TEXT_BYTES)
        exports["ContentGetDetectString"](text, _TEXT_BYTES)
        self.detect_string = text.raw[: _TEXT_BYTES - 1].split(b"\0", 1)[0].decode("utf-8", "replace")

    @staticmethod
    def _read_catalogue(get_supported_field: Any) -> List[str]:
        names = []
        for index in range(_MAX_FIELDS):
            name = ctypes.create_string_buffer(_TEXT_BYTES)
            units = ctypes.create_string_buffer(_TEXT_BYTES)
            if get_supported_field(index, name, units, _TEXT_BYTES) == _NO_MORE_FIELDS:
                break
            names.append(name.raw[: _TEXT_BYTES - 1].split(b"\0", 1)[0].decode("utf-8", "replace"))
        return names

    def values(self, wide_path: bytes, indexes: Sequence[int]) -> List[Optional[str]]:
        """The text of each field in indexes for the file at wide_path
        (UTF-16LE with its terminator), None where the plug-in gives none."""
        buffer = ctypes.create_string_buffer(_VALUE_BYTES)
        get_value = self._get_value
        texts: List[Optional[str]] = []
        for index in indexes:
            if get_value(wide_path, index, 0, buffer, _VALUE_BYTES, 0) != _VALUE_KIND_WIDE_TEXT:
                texts.append(None)
                continue
            # The plug-in may fill the buffer without a terminator: the last
            # character is not read, as the host sets it to 0.
            text = _decode_utf16(buffer.raw[: _VALUE_BYTES - 2], "replace", True)[0].partition("\0")[0]
            texts.append(text or None)
        return texts


def package_library() -> str:
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY_FILE)


def library_path() -> str:
    """Where the library is: MIDIFIELDS_LIBRARY when set, else beside this
    package's files (where the wheel puts it)."""
    chosen = os.environ.get(LIBRARY_VARIABLE)
    if chosen:
        return os.path.abspath(chosen)
    beside = package_library()
    if os.path.exists(beside):
        return beside
    raise LibraryError(
        f"the midifields plug-in library was not found. Looked for {LIBRARY_FILE} in the package "
        f"({beside}: not there) and in the environment variable {LIBRARY_VARIABLE} (not set). "
        f"Install the wheel, which carries the library, or build it in a midifields source tree with "
        f"'scripts/build.sh linux' (it writes build/linux/{LIBRARY_FILE}; on Windows take midifields.dll "
        f"from the release zip) and set {LIBRARY_VARIABLE} to that file.")


_loaded: Optional[Plugin] = None
_loading = _thread.allocate_lock()


def load(path: Optional[str] = None) -> Plugin:
    """The process's plug-in, loaded on first use (from path when given:
    the worker processes take the library their parent found)."""
    global _loaded
    with _loading:
        if _loaded is None:
            _loaded = Plugin(path or library_path())
        return _loaded
