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

import itertools
import os
import stat

from . import _archive
from ._detection import ascii_lower, extension
from ._status import not_a_file_reason
from ._system import folder_identity, list_folder, path_bytes, path_mode, unopenable_name_reason

from typing import TYPE_CHECKING, Callable, Iterable, Iterator, List, Optional, Set, Tuple, Union

if TYPE_CHECKING:
    from ._library import Library
    from ._system import Listed

# A path to read, and what is known of it: None when nothing is yet (a path
# as the caller gave it: reading looks at it first); "" for a regular file
# the walk found; a str, why it cannot be read; for a member of an archive
# (its path "ARCHIVE/MEMBER" is only shown), its record read already from
# memory (bytes: a tar's member), or the zip and the member's index to read
# (a zip's, which any process can read on its own).
Known = Union[None, str, bytes, Tuple[str, int]]
Entry = Tuple[str, Known]
# Decides on the name (its bytes) of a file found in a folder.
Accept = Callable[[bytes], bool]
# A folder being walked: its path, where the walk stands in its sorted
# entries, and whether its subfolders are entered.
Level = Tuple[str, Iterator["Listed"], bool]

# A regular file the walk found, to read without another look.
FOUND = ""
# An archive the walk gives as one entry, its members to be walked later.
ARCHIVE = ("", -1)


class FileWalk:
    """The walk of one run: a folder is entered once however many named
    paths reach it.

    Archives are walked as folders are: a named file whose name is no MIDI
    file's (midi_name) and whose first bytes are an archive's, and a file
    met in a folder whose name and content say archive (only where the
    folder's subfolders are entered). Their members, in the archive's
    order, are taken by accept as a folder's files are."""

    def __init__(self, accept: Optional[Accept], recurse: bool = True, midi_name: Optional[Accept] = None,
                 library: Optional[Library] = None, defer_archives: bool = False) -> None:
        self.accept = accept
        self.recurse = recurse
        self.skipped = 0  # files the test turned away in folders and archives
        self._midi_name = midi_name
        self._library = library  # reads a tar's members; without one, archives are files
        # Give each archive as one entry, (path, ARCHIVE), to be walked
        # later (archive_entries), where its members are read.
        self._defer_archives = defer_archives
        self._visited: Set[Tuple[int, int]] = set()

    def entries(self, path: str) -> Iterator[Entry]:
        """The files of one named path in walk order, or a problem at its place."""
        mode, problem = path_mode(path)
        if mode is None:
            yield path, problem
        elif stat.S_ISDIR(mode):
            yield from self._walk_folder(path)
        elif stat.S_ISREG(mode):
            name = path_bytes(os.path.basename(path))
            if self._library is None or (self._midi_name is not None and self._midi_name(name)):
                yield path, FOUND  # whether it can be read is found out when it is read
                return
            archive = self._archive_entries(path, self.recurse)
            yield from archive if archive is not None else [(path, FOUND)]
        else:
            # Opening a pipe or a device could wait forever.
            yield path, not_a_file_reason(mode)

    def archive_entries(self, path: str, shown: Optional[str] = None) -> Iterator[Entry]:
        """The entries of a deferred archive, its members shown under shown
        (default: path)."""
        entries = self._archive_entries(path, self.recurse, defer=False)
        if entries is None:  # no archive after all: a file
            yield shown or path, FOUND
            return
        for member, known in entries:
            yield (member if shown is None else shown + member[len(path):]), known

    def _archive_entries(self, path: str, recurse: bool, defer: Optional[bool] = None) -> Optional[Iterator[Entry]]:
        """The entries of the archive at path, or None when it is no archive."""
        head = _archive.head_of(path)
        if not _archive.looks_like_archive(head):
            return None
        if self._defer_archives if defer is None else defer:
            return iter([(path, ARCHIVE)])
        members = _archive.members(path, head)
        try:
            first = next(members, None)
        except _archive.NotAnArchive:
            return None
        return self._members(path, itertools.chain([first] if first is not None else [], members), recurse)

    def _members(self, path: str, members: Iterator[_archive.Member], recurse: bool) -> Iterator[Entry]:
        assert self._library is not None
        for stored, kind, how in members:
            if not stored:  # the archive's damage, after what could be read
                yield path, how  # type: ignore[misc]
                return
            if kind in (_archive.FOLDER, _archive.OTHER):
                continue
            # From the archive's top: tar members are often stored as "./name".
            top = stored
            while top.startswith(b"./"):
                top = top[2:]
            if not recurse and b"/" in top.rstrip(b"/"):
                continue
            if self.accept is not None and not self.accept(top.rpartition(b"/")[2]):
                self.skipped += 1
                continue
            shown = path + "/" + os.fsdecode(stored)
            if isinstance(how, bytes):
                yield shown, self._library.read_memory(how, len(how))
            elif isinstance(how, int):
                yield shown, (path, how)
            else:
                yield shown, how

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
                    name_bytes = path_bytes(name)
                    if self.accept is None or self.accept(name_bytes):
                        yield path, FOUND
                        continue
                    # An archive in a folder is walked as a subfolder is.
                    archive = None
                    if recurse and self._library is not None and _archive.has_archive_name(name_bytes):
                        archive = self._archive_entries(path, True)
                    if archive is None:
                        self.skipped += 1
                    else:
                        yield from archive
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
