"""The records library (libmidifields_records.so, midifields_records.dll),
loaded through ctypes: every field of a file from one call, as the nine
value requests of the midifields plug-in would give them, by the same code.

A record, as the library writes it (records/midi_record.h), in the
machine's byte order (little-endian on every system the package runs on):

    int32 results[9]            11 (wide text) or -3 (empty), per field
    int32 lengths[9]            UTF-16 code units of each text, 0 when empty
    uint16 texts[9][48]         each terminated, "" when empty
"""

from __future__ import annotations

import _thread
import codecs
import ctypes
import os
import struct
import sys

from ._errors import LibraryError

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any, List, Optional, Tuple, Type, Union


LIBRARY_VARIABLE = "MIDIFIELDS_LIBRARY"
LIBRARY_FILE = "midifields_records.dll" if sys.platform == "win32" else "libmidifields_records.so"
LIBRARY_FOLDER = "lib"

# The fields' names in catalogue order, the key each has here, and the type
# its value takes when it is a plain decimal number. The one place the names
# are mapped: a library whose catalogue differs is refused.
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

# What ReadMidiRecord returns, and a record's layout.
_RECORD_READ = 1
_FIELD_COUNT = 9
_TEXT_CAPACITY = 48
_TEXTS_AT = 2 * 4 * _FIELD_COUNT
_TEXT_BYTES = 2 * _TEXT_CAPACITY
_RECORD_BYTES = _TEXTS_AT + _FIELD_COUNT * _TEXT_BYTES
_lengths = struct.Struct(f"<{_FIELD_COUNT}i").unpack_from
_LENGTHS_AT = 4 * _FIELD_COUNT
_decode_utf16 = codecs.utf_16_le_decode


class Library:
    """One loaded library. Safe to use from several threads at once: each
    call brings its own record."""

    def __init__(self, path: str) -> None:
        self.path = path
        try:
            library = ctypes.CDLL(path)
        except OSError as error:
            raise LibraryError(f"{path}: cannot load the records library: {error}") from None
        functions = {}
        for name in ("ReadMidiRecord", "ReadMidiRecordFromMemory", "GetMidiRecordFieldName",
                     "GetMidiRecordDetectString"):
            try:
                functions[name] = getattr(library, name)
            except AttributeError:
                hint = (" (this is the plug-in; the package reads with the records library, "
                        f"{LIBRARY_FILE}, beside it in a build)") if hasattr(library, "ContentGetValueW") else ""
                raise LibraryError(f"{path}: the library lacks the function {name}{hint}") from None
        self._library = library
        functions["GetMidiRecordFieldName"].argtypes = [ctypes.c_int]
        functions["GetMidiRecordFieldName"].restype = ctypes.c_char_p
        functions["GetMidiRecordDetectString"].argtypes = []
        functions["GetMidiRecordDetectString"].restype = ctypes.c_char_p
        # Called for every file: without argtypes ctypes passes bytes and str
        # as pointers and ints as C ints with the least work. A str is a
        # wchar_t string, UTF-16 on Windows, where paths are UTF-16 too; on
        # POSIX a path goes as its bytes.
        self._read = functions["ReadMidiRecord"]
        self._read.restype = ctypes.c_int
        self._read_memory = functions["ReadMidiRecordFromMemory"]
        self._read_memory.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_char_p]
        self._read_memory.restype = ctypes.c_int

        self.catalogue = self._read_catalogue(functions["GetMidiRecordFieldName"])
        expected = [name for name, _, _ in CATALOGUE]
        if self.catalogue != expected:
            raise LibraryError(
                f"{path}: the library's fields are {self.catalogue}, not the {len(expected)} fields this "
                f"package knows ({expected}): a library of another version?")
        self.detect_string = functions["GetMidiRecordDetectString"]().decode("utf-8", "replace")

    @staticmethod
    def _read_catalogue(field_name: Any) -> List[str]:
        names = []
        for index in range(1000):  # far beyond any catalogue
            name = field_name(index)
            if name is None:
                break
            names.append(name.decode("utf-8", "replace"))
        return names

    def read(self, system_path: Union[str, bytes]) -> Optional[bytes]:
        """The record of the file, or None when it could not be opened.
        system_path: the name as the system takes it (bytes on POSIX, str
        on Windows), without NUL."""
        record = _Record()
        return record.raw if self._read(system_path, record) == _RECORD_READ else None

    def read_memory(self, data: Any, size: int) -> bytes:
        """The record of the size bytes at data (an address, or bytes), read
        where they lie."""
        record = _Record()
        self._read_memory(data, size, record)
        return record.raw


_Record = ctypes.c_char * _RECORD_BYTES


def record_texts(record: bytes) -> Tuple[Tuple[int, ...], str]:
    """A record's nine text lengths, and its texts as one string in which
    field i's text starts at TEXT_CAPACITY * i."""
    return _lengths(record, _LENGTHS_AT), _decode_utf16(record[_TEXTS_AT:])[0]


TEXT_CAPACITY = _TEXT_CAPACITY


def package_library() -> str:
    """Where the wheel puts the library: in a folder of its own in the
    package, where no one takes it for a Python module."""
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY_FOLDER, LIBRARY_FILE)


def library_path() -> str:
    """Where the library is: MIDIFIELDS_LIBRARY when set, else in the
    package's lib folder (where the wheel puts it)."""
    chosen = os.environ.get(LIBRARY_VARIABLE)
    if chosen:
        return os.path.abspath(chosen)
    beside = package_library()
    if os.path.exists(beside):
        return beside
    raise LibraryError(
        f"the midifields records library was not found. Looked for {LIBRARY_FILE} in the package "
        f"({beside}: not there) and in the environment variable {LIBRARY_VARIABLE} (not set). "
        f"Install the wheel, which carries the library, or build it in a midifields source tree with "
        f"'scripts/build.sh linux' (it writes build/linux/{LIBRARY_FILE}; on Windows take "
        f"midifields_records.dll from the release zip) and set {LIBRARY_VARIABLE} to that file.")


_loaded: Optional[Library] = None
_loading = _thread.allocate_lock()


def load(path: Optional[str] = None) -> Library:
    """The process's library, loaded on first use (from path when given: the
    worker processes take the library their parent found)."""
    global _loaded
    with _loading:
        if _loaded is None:
            _loaded = Library(path or library_path())
        return _loaded
