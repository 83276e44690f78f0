"""Paths into files the way the command-line host finds them, and why a
path cannot be read, in the host's words.

A named file is always taken. A named folder is walked depth first: the
entries of each folder sorted by the bytes of their names, a subfolder's
files at the subfolder's place, symbolic links followed, each folder (by
device and inode) entered once, so a link loop ends. In folders only the
files the plug-in's detection expression accepts are taken (every file
with all_files); pipes, devices and sockets in folders are passed over.
Only the sorted entries of the folders on the way down are held, never
the whole tree."""

from __future__ import annotations

import errno
import os
import stat
import sys

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Callable, Iterable, Iterator, List, Optional, Set, Tuple

    # A path to read, and why it cannot be read (None when it can be tried).
    Entry = Tuple[str, Optional[str]]


_FS_ENCODING = sys.getfilesystemencoding()
_FS_ERRORS = sys.getfilesystemencodeerrors()


class Walk:
    """The paths of a walk as an iterator of str, which also keeps what the
    walk found out about each: read_many then reads a walk's files without
    looking at them again, and its problems in the walk's words."""

    def __init__(self, entries: Iterator[Entry]) -> None:
        self.entries = entries

    def __iter__(self) -> Walk:
        return self

    def __next__(self) -> str:
        return next(self.entries)[0]


def path_text(path: object) -> str:
    """A path argument as the str it stands for; TypeError for anything else."""
    try:
        text = os.fspath(path)  # type: ignore[call-overload]
    except TypeError:
        raise TypeError(f"midifields: a path is a str or an os.PathLike, not {type(path).__name__}") from None
    if not isinstance(text, str):
        raise TypeError("midifields: a path is a str or an os.PathLike giving one, not bytes "
                        "(os.fsdecode makes a str of a bytes path)")
    return text


def reason_text(error: OSError) -> str:
    """Why the system refused, as the host says it."""
    if error.errno == errno.ENOENT:
        return "no such file or folder"
    if error.errno in (errno.EACCES, errno.EPERM):
        return "permission denied"
    text = (error.strerror or str(error)).rstrip(". \t\r\n")
    # "Too many levels..." becomes "too many levels...", "ELOOP..." stays.
    if len(text) > 0 and "A" <= text[0] <= "Z" and not (len(text) > 1 and "A" <= text[1] <= "Z"):
        text = text[0].lower() + text[1:]
    return text


def missing_reason(path: str) -> str:
    return "broken symbolic link" if os.path.islink(path) else "no such file or folder"


def status_of(path: str) -> Tuple[Optional[os.stat_result], Optional[str]]:
    """The path's status with symbolic links followed, or why it has none."""
    try:
        return os.stat(path), None
    except (FileNotFoundError, NotADirectoryError):
        return None, missing_reason(path)
    except OSError as error:
        return None, reason_text(error)
    except ValueError:  # a NUL character: no file has such a name
        return None, "no such file or folder"


def not_a_file_reason(mode: int) -> str:
    if stat.S_ISCHR(mode) or stat.S_ISBLK(mode):
        return "a device, not a regular file"
    if stat.S_ISFIFO(mode):
        return "a pipe, not a regular file"
    if stat.S_ISSOCK(mode):
        return "a socket, not a regular file"
    return "not a regular file"


def folder_reason(path: str) -> str:
    """Why a folder is no file to read; or, when it cannot even be opened,
    why not (as the host says of a folder it cannot walk). Windows opens
    no folder this way, so there a folder is only a folder."""
    if os.name == "nt":
        return "a folder, not a regular file"
    try:
        os.close(os.open(path, os.O_RDONLY | getattr(os, "O_DIRECTORY", 0)))
    except OSError as error:
        return reason_text(error)
    return "a folder, not a regular file"


def parse_detect_string(text: str) -> Callable[[bytes], bool]:
    """The plug-in's detection expression as a test of a file name's bytes.
    Its grammar is the host's without fields: EXT or NAME compared with
    text by = or !=, joined by & (and), | (or, binding less), ! (not) and
    parentheses. EXT is the text after the last dot of the name, NAME the
    whole name, where * stands for any run of characters and ? for one;
    both compare without regard to ASCII case."""
    import re  # here, so worker processes, which walk nothing, start without it

    position = 0

    def fail(message: str) -> ValueError:
        return ValueError(f"cannot use the plug-in's detection expression {text!r}: {message} "
                          f"at position {position + 1}")

    def skip_space() -> None:
        nonlocal position
        while position < len(text) and text[position].isspace():
            position += 1

    def take(character: str) -> bool:
        nonlocal position
        skip_space()
        if text.startswith(character, position):
            position += 1
            return True
        return False

    def parse_or() -> Callable[[bytes], bool]:
        left = parse_and()
        while take("|"):
            left = (lambda a, b: lambda name: a(name) or b(name))(left, parse_and())
        return left

    def parse_and() -> Callable[[bytes], bool]:
        left = parse_unary()
        while take("&"):
            left = (lambda a, b: lambda name: a(name) and b(name))(left, parse_unary())
        return left

    def parse_unary() -> Callable[[bytes], bool]:
        if take("!"):
            operand = parse_unary()
            return lambda name: not operand(name)
        if take("("):
            inner = parse_or()
            if not take(")"):
                raise fail("expected ')'")
            return inner
        return parse_term()

    def parse_term() -> Callable[[bytes], bool]:
        nonlocal position
        skip_space()
        word = re.match(r"\w*", text[position:], re.ASCII).group(0)  # type: ignore[union-attr]
        if word.lower() not in ("ext", "name"):
            raise fail(f"unknown property '{word}'")
        position += len(word)
        equal = take("=")
        if not equal and not (take("!") and take("=")):
            raise fail("expected '='")
        skip_space()
        quote = text[position:position + 1]
        end = text.find(quote, position + 1) if quote in ("\"", "'") else -1
        if end < 0:
            raise fail("expected text in quotes")
        value = text[position + 1:end].encode("utf-8").lower()
        position = end + 1
        if word.lower() == "ext":
            return lambda name: (extension(name).lower() == value) == equal
        pattern = re.compile(b".*".join(b".".join(re.escape(part) for part in piece.split(b"?"))
                                        for piece in value.split(b"*")), re.DOTALL)
        return lambda name: (pattern.fullmatch(name.lower()) is not None) == equal

    accepts = parse_or()
    skip_space()
    if position < len(text):
        raise fail(f"unexpected '{text[position]}'")
    return accepts


def extension(name: bytes) -> bytes:
    """The text after the last dot, or nothing when there is none or the
    only dot starts the name (".mid" has no extension)."""
    dot = name.rfind(b".")
    return b"" if dot <= 0 else name[dot + 1:]


def walk_entries(paths: Iterable[object], accept: Optional[Callable[[bytes], bool]]) -> Iterator[Entry]:
    """The files a host run reads for these paths, in its order, each with
    the reason it cannot be read, if one is known yet. accept decides on
    the names of files found in folders (None: every file)."""
    visited: Set[Tuple[int, int]] = set()
    for path in paths:
        text = path_text(path)
        status, problem = status_of(text)
        if status is None:
            yield text, problem
        elif stat.S_ISDIR(status.st_mode):
            yield from _walk_folder(text, accept, visited)
        elif stat.S_ISREG(status.st_mode):
            yield text, None
        else:
            # Opening a pipe or a device could wait forever.
            yield text, not_a_file_reason(status.st_mode)


def _list_folder(folder: str, visited: Set[Tuple[int, int]]) -> Tuple[List[Tuple[bytes, os.DirEntry[str]]], Optional[str]]:
    """A folder's entries sorted by the bytes of their names, each with
    those bytes, and why it could not be read (in part or at all). Nothing
    for a folder entered before."""
    try:
        identity = os.stat(folder)
        key = (identity.st_dev, identity.st_ino)
        if key in visited:
            return [], None
        visited.add(key)
    except OSError:
        pass
    entries: List[Tuple[bytes, os.DirEntry[str]]] = []
    problem = None
    try:
        with os.scandir(folder) as listing:
            for entry in listing:
                entries.append((entry.name.encode(_FS_ENCODING, _FS_ERRORS), entry))
    except OSError as error:
        problem = reason_text(error)
    # Names are unique in a folder: the bytes alone decide.
    entries.sort(key=_first)
    return entries, problem


def _first(pair: Tuple[bytes, os.DirEntry[str]]) -> bytes:
    return pair[0]


def _walk_folder(top: str, accept: Optional[Callable[[bytes], bool]],
                 visited: Set[Tuple[int, int]]) -> Iterator[Entry]:
    # The folders on the way down, each as an iterator over its sorted
    # entries where the walk stands in it.
    stack: List[Iterator[Tuple[bytes, os.DirEntry[str]]]] = []

    def enter(folder: str) -> Optional[Entry]:
        entries, problem = _list_folder(folder, visited)
        stack.append(iter(entries))
        return None if problem is None else (folder, problem)

    said = enter(top)
    if said is not None:
        yield said
    while stack:
        for name, entry in stack[-1]:
            # The kind of entry, with links followed; a listed name's kind
            # usually comes with the listing, without asking the system again.
            mode: Optional[int] = None
            try:
                if entry.is_symlink():
                    pass
                elif entry.is_dir(follow_symlinks=False):
                    mode = stat.S_IFDIR
                elif entry.is_file(follow_symlinks=False):
                    mode = stat.S_IFREG
            except OSError:
                pass
            if mode is None:
                status, problem = status_of(entry.path)
                if status is None:
                    yield entry.path, problem
                    continue
                mode = status.st_mode
            if stat.S_ISREG(mode):
                if accept is None or accept(name):
                    yield entry.path, None
            elif stat.S_ISDIR(mode):
                said = enter(entry.path)
                if said is not None:
                    yield said
                break  # on into the subfolder; this folder's iterator stays where it is
            # Other kinds (devices, pipes, sockets) are never read from a folder.
        else:
            stack.pop()
