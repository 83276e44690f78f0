"""What the package needs from the operating system to find and look at
files, with the command-line host's rules for each system (its
host/system_posix.cpp and host/system_windows.cpp): a path's kind with
links followed, a folder's sorted entries, a folder's identity, the form of
a long path on Windows, and the names Windows lists but cannot open.

The Windows rules that are plain text work (windows_*) are defined on every
system, so they are tested everywhere."""

from __future__ import annotations

import os
import stat
import sys

from ._status import A_FOLDER, BROKEN_LINK, NO_SUCH_PATH, reason_text

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import List, Optional, Tuple

    # A folder's entry: the key it is sorted by, its name, and its mode when
    # the listing says for sure that it is a regular file or a folder (no
    # link), else None: the walk looks at it.
    Listed = Tuple[bytes, str, Optional[int]]

WINDOWS = sys.platform == "win32"
_FS_ENCODING = sys.getfilesystemencoding()
_FS_ERRORS = sys.getfilesystemencodeerrors()

# Windows: the longest path its calls take without the \\?\ form, and any.
_CLASSIC_LIMIT = 259
_LONGEST_PATH = 32767
_LONG_PREFIX_ROOM = 8  # \\?\UNC\
_ERROR_INVALID_NAME = 123  # a name with a wildcard or a colon: it names nothing
_FILE_ATTRIBUTE_REPARSE_POINT = 0x400
UNOPENABLE_TRAILER = "the name ends in a dot or a blank, which Windows drops, so the file cannot be opened by it"
UNOPENABLE_DEVICE = "the name is a Windows device (NUL, CON, COM1, ...), not a file"
UNOPENABLE_LISTED = "Windows lists the name but cannot open it: not a file or folder (a pipe or a device)"


def path_text(path: object) -> str:
    """A path argument as the str it stands for: str as it is, bytes and
    os.PathLike of bytes by os.fsdecode; TypeError for anything else."""
    try:
        text: object = os.fspath(path)  # type: ignore[call-overload]
    except TypeError:
        raise TypeError(f"midifields: a path is a str, bytes or an os.PathLike, not {type(path).__name__}") from None
    if isinstance(text, bytes):
        return os.fsdecode(text)
    assert isinstance(text, str)
    return text


def usable_cores() -> int:
    """The cores this process may run on."""
    try:
        return max(1, len(os.sched_getaffinity(0)))
    except (AttributeError, OSError):
        return max(1, os.cpu_count() or 1)


def path_bytes(name: str) -> bytes:
    """A name or path as the host has it in UTF-8 text (the detection
    expression, its output): the bytes on POSIX, UTF-8 or not; UTF-8 on
    Windows, a lone surrogate of a UTF-16 name as U+FFFD."""
    if WINDOWS:
        return name.encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace").encode("utf-8")
    return name.encode(_FS_ENCODING, _FS_ERRORS)


def name_key(name: str) -> bytes:
    """What a folder's entries are sorted by: the bytes of the name on
    POSIX, its UTF-16 code units on Windows."""
    return windows_name_key(name) if WINDOWS else name.encode(_FS_ENCODING, _FS_ERRORS)


def windows_name_key(name: str) -> bytes:
    # Big-endian: the bytes sort as the code units do.
    return name.encode("utf-16-be", "surrogatepass")


def windows_is_device_name(name: str) -> bool:
    """CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, alone or
    before an extension: Windows opens the device in whatever folder."""
    stem = name.split(".", 1)[0]
    if not stem.isascii():
        return False
    stem = stem.upper()
    return stem in ("CON", "PRN", "AUX", "NUL") or (len(stem) == 4 and stem[:3] in ("COM", "LPT")
                                                     and "1" <= stem[3] <= "9")


def windows_unopenable_name(name: str) -> str:
    """Why Windows cannot open a file by this name, judged by the name
    alone, or ""."""
    if name.endswith((".", " ")):
        return UNOPENABLE_TRAILER
    if windows_is_device_name(name):
        return UNOPENABLE_DEVICE
    return ""


def windows_long_path(path: str, full: str) -> str:
    """The form of path for the system's calls on Windows: the \\\\?\\ form
    of full (path made absolute and normalised, as GetFullPathNameW does)
    when path, made absolute, is longer than 259 characters; else path."""
    if path.startswith(("\\\\?\\", "\\\\.\\")):
        return path
    separators = ("\\", "/")
    qualified = (path[:1] in separators and path[1:2] in separators) or (
        len(path) > 2 and path[1] == ":" and path[2] in separators)
    if _utf16_length(path if qualified else full) <= _CLASSIC_LIMIT:
        return path
    if _utf16_length(full) >= _LONGEST_PATH + 1 - _LONG_PREFIX_ROOM:
        return path  # no form of it fits
    return "\\\\?\\UNC" + full[1:] if full.startswith("\\\\") else "\\\\?\\" + full


def _utf16_length(text: str) -> int:
    return len(text.encode("utf-16-le", "surrogatepass")) // 2


def system_path(path: str) -> str:
    """The form of path that the system's calls take (see windows_long_path);
    path itself but on Windows."""
    return windows_long_path(path, os.path.abspath(path)) if WINDOWS else path


def is_link(path: str) -> bool:
    """Whether path itself is a symbolic link (on Windows any reparse
    point: a link or a junction)."""
    try:
        status = os.lstat(system_path(path))
    except (OSError, ValueError):
        return False
    if WINDOWS:
        return bool(getattr(status, "st_file_attributes", 0) & _FILE_ATTRIBUTE_REPARSE_POINT)
    return stat.S_ISLNK(status.st_mode)


def path_mode(path: str, listed: bool = False) -> Tuple[Optional[int], str]:
    """The mode of what path names, symbolic links followed, or None and why
    it has none. listed: path is an entry of a folder's listing."""
    if WINDOWS and windows_is_device_name(os.path.basename(path)):
        return stat.S_IFCHR, ""
    try:
        return os.stat(system_path(path)).st_mode, ""
    except (FileNotFoundError, NotADirectoryError):
        return None, missing_reason(path, listed)
    except OSError as error:
        if WINDOWS and getattr(error, "winerror", None) == _ERROR_INVALID_NAME:
            return None, missing_reason(path, listed)
        return None, reason_text(error)
    except ValueError:  # a NUL character: no file has such a name
        return None, NO_SUCH_PATH


def missing_reason(path: str, listed: bool = False) -> str:
    """Why a path that should name a file or folder does not: a name the
    system cannot open as written (Windows), a dangling link, or nothing."""
    if WINDOWS:
        reason = unopenable_name_reason(path, listed)
        if reason:
            return reason
    return BROKEN_LINK if is_link(path) else NO_SUCH_PATH


def unopenable_name_reason(path: str, listed: bool = False) -> str:
    """Why Windows cannot open a file by this name although a folder lists
    it, or "": the name alone, else a listed name that reaches nothing (a
    pipe of a shared POSIX file system). On POSIX every listed name opens."""
    if not WINDOWS:
        return ""
    name = os.path.basename(path)
    reason = windows_unopenable_name(name)
    if reason or "*" in name or "?" in name:
        return reason
    if not listed:
        # A named path: only when its folder lists this very name.
        try:
            with os.scandir(system_path(os.path.dirname(path) or ".")) as listing:
                listed = any(entry.name.lower() == name.lower() for entry in listing)
        except OSError:
            return ""
    if not listed or os.path.lexists(system_path(path)):
        return ""
    return UNOPENABLE_LISTED


def list_folder(folder: str) -> Tuple[List[Listed], str]:
    """The entries of folder, sorted (name_key), and why it could not be
    read, or only in part ("" when it could)."""
    entries: List[Listed] = []
    # A folder that can be listed but not entered (r without x) lists names
    # whose every look fails: those are looked at, and said to be unreadable.
    # Windows lists names that need a look of their own (see
    # unopenable_name_reason), so there every entry is looked at.
    searchable = not WINDOWS and os.access(folder, os.X_OK)
    reason = ""
    try:
        with os.scandir(system_path(folder)) as listing:
            for entry in listing:
                mode: Optional[int] = None
                if searchable:
                    try:
                        if entry.is_symlink():
                            pass
                        elif entry.is_file(follow_symlinks=False):
                            mode = stat.S_IFREG
                        elif entry.is_dir(follow_symlinks=False):
                            mode = stat.S_IFDIR
                    except OSError:
                        pass
                entries.append((name_key(entry.name), entry.name, mode))
    except OSError as error:
        reason = reason_text(error)
    entries.sort(key=_first)  # names are unique in a folder: the keys alone decide
    return entries, reason


def _first(entry: Listed) -> bytes:
    return entry[0]


def folder_identity(folder: str) -> Optional[Tuple[int, int]]:
    """The same for two paths exactly when they name the same folder (device
    and inode; volume and file index on Windows); None when unknown."""
    try:
        status = os.stat(system_path(folder))
    except (OSError, ValueError):
        return None
    return status.st_dev, status.st_ino


def open_reason(path: str) -> str:
    """Why the file does not open for reading ("" when it does), found out
    without waiting (a pipe opens at once, never waiting for a writer)."""
    try:
        os.close(os.open(system_path(path), os.O_RDONLY | getattr(os, "O_NONBLOCK", 0) | getattr(os, "O_NOCTTY", 0)))
    except OSError as error:
        return reason_text(error)
    return ""


def folder_reason(path: str) -> str:
    """Why a folder named to read() is no file to read: as the host says of
    a folder it cannot walk, or that it is a folder."""
    if WINDOWS:
        return A_FOLDER
    try:
        os.close(os.open(path, os.O_RDONLY | getattr(os, "O_DIRECTORY", 0)))
    except OSError as error:
        return reason_text(error)
    return A_FOLDER
