"""Paths into files the way the command-line host finds them
(host/file_walk.h, host/file_feed.h), one at a time, so a tree of any size
is read while it is walked.

A named file is always taken. A named folder is walked depth first (or
only its first level): the entries of each folder sorted by the bytes of
their names (by UTF-16 code units on Windows), a subfolder's files at the
subfolder's place, symbolic links followed, each folder (by its identity
on the system) entered once in a walk, so a link loop ends. In folders the
files the acceptance test takes by name are given (every file without
one); pipes, devices and sockets in folders are passed over. A path that
cannot be read is given with the reason, at its place. Only the sorted
entries of the folders on the way down are held, never the whole tree."""

from __future__ import annotations

import os
import stat

from ._detection import ascii_lower, extension
from ._status import not_a_file_reason
from ._system import folder_identity, list_folder, path_bytes, path_mode, unopenable_name_reason

from typing import TYPE_CHECKING, Callable, Iterable, Iterator, List, Optional, Set, Tuple, Union

if TYPE_CHECKING:
    from ._system import Listed

# A path to read, and what is known of it: None when nothing is yet (a path
# as the caller gave it: reading looks at it first); "" for a regular file
# the walk found; else why it cannot be read.
Entry = Tuple[str, Optional[str]]
# Decides on the name (its bytes) of a file found in a folder.
Accept = Callable[[bytes], bool]
# A folder being walked: its path, where the walk stands in its sorted
# entries, and whether its subfolders are entered.
Level = Tuple[str, Iterator["Listed"], bool]

# A regular file the walk found, to read without another look.
FOUND = ""


class FileWalk:
    """The walk of one run: a folder is entered once however many named
    paths reach it."""

    def __init__(self, accept: Optional[Accept], recurse: bool = True) -> None:
        self.accept = accept
        self.recurse = recurse
        self.skipped = 0  # files the test turned away in folders
        self._visited: Set[Tuple[int, int]] = set()

    def entries(self, path: str) -> Iterator[Entry]:
        """The files of one named path in walk order, or a problem at its place."""
        mode, problem = path_mode(path)
        if mode is None:
            yield path, problem
        elif stat.S_ISDIR(mode):
            yield from self._walk_folder(path)
        elif stat.S_ISREG(mode):
            yield path, FOUND  # whether it can be read is found out when it is read
        else:
            # Opening a pipe or a device could wait forever.
            yield path, not_a_file_reason(mode)

    def _enter(self, folder: str, levels: List[Level], recurse: bool) -> Optional[Entry]:
        """Pushes folder's sorted entries; why it could not be read, if so.
        Nothing for a folder entered before."""
        identity = folder_identity(folder)
        if identity is not None:
            if identity in self._visited:
                return None
            self._visited.add(identity)
        listed, problem = list_folder(folder)
        levels.append((folder, iter(listed), recurse))
        # A folder that could not be read, or only in part: said first,
        # then what was read.
        return (folder, problem) if problem else None

    def _walk_folder(self, top: str) -> Iterator[Entry]:
        levels: List[Level] = []
        said = self._enter(top, levels, self.recurse)
        if said is not None:
            yield said
        while levels:
            folder, listed, recurse = levels[-1]
            for _, name, mode in listed:
                path = os.path.join(folder, name)
                problem = ""
                if mode is None:
                    mode, problem = path_mode(path, listed=True)
                if mode is None:
                    yield path, problem
                elif stat.S_ISDIR(mode):
                    if recurse:
                        said = self._enter(path, levels, True)
                        if said is not None:
                            yield said
                        break  # on into the subfolder; this folder's iterator stays where it is
                elif stat.S_ISREG(mode):
                    if self.accept is None or self.accept(path_bytes(name)):
                        yield path, FOUND
                    else:
                        self.skipped += 1
                else:
                    # Other kinds (devices, pipes, sockets) are never read
                    # from a folder; a Windows name that opens a device is
                    # said to be one.
                    reason = unopenable_name_reason(path, listed=True)
                    if reason:
                        yield path, reason
            else:
                levels.pop()


def walk_entries(paths: Iterable[str], walk: FileWalk, empty: Optional[List[Tuple[str, int]]] = None) -> Iterator[Entry]:
    """The entries of each named path in turn. empty, when given, collects
    the named paths that gave nothing, each with the files the test turned
    away in it (for the host's "no MIDI files found" notice)."""
    for path in paths:
        skipped_before = walk.skipped
        gave = False
        for entry in walk.entries(path):
            gave = True
            yield entry
        if not gave and empty is not None:
            empty.append((path, walk.skipped - skipped_before))


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


def extension_list(ext: Union[None, str, Iterable[str]]) -> List[bytes]:
    """The extensions that --ext names, lower-cased: a comma-separated str
    or an iterable of str, the blanks and dots people add dropped
    ("kar, .KAR" is kar twice); ValueError for an item left empty."""
    if ext is None:
        return []
    items = ext.split(",") if isinstance(ext, str) else list(ext)
    extensions = []
    for item in items:
        if not isinstance(item, str):
            raise TypeError(f"midifields: an extension is a str, not {type(item).__name__}")
        bare = item.strip(" \t").lstrip(" .")
        if not bare:
            raise ValueError(f"midifields: ext={ext!r} is not a comma-separated list of extensions "
                             f"(an item is empty)")
        extensions.append(ascii_lower(path_bytes(bare)))
    return extensions


def name_test(detection: Accept, extensions: List[bytes]) -> Accept:
    """The files a walk takes in folders: those the detection expression
    accepts, and those with one of the extensions."""
    if not extensions:
        return detection
    wanted = frozenset(extensions)
    return lambda name: detection(name) or ascii_lower(extension(name)) in wanted
