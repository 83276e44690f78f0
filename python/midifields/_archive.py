"""The members of a zip or tar archive (plain, or compressed with gzip,
bzip2 or xz), read in the order the archive stores them, each into memory:
collections are read as they are shipped, without unpacking them to disk.
The standard library's zipfile and tarfile do the reading; a tar is read
as a stream, never sought back over, so memory holds one member at most.
Members are only read: their names are shown, never used to touch the
file system.

A member that cannot be read gets a status of its own, in the words of the
command-line host: "encrypted, not read", "larger than 256 MiB, not read",
"a link within the archive, not read". An archive that is truncated or
corrupt gives the members before the damage, then ends with "damaged
archive: REASON"."""

from __future__ import annotations

import os
import sys

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Callable, Iterator, Optional, Tuple

    # A member: its name as the archive stores it (os.fsdecode of its
    # bytes), its data, or why it was not read.
    Member = Tuple[str, Optional[bytes], Optional[str]]

# The largest member read into memory; larger ones (as stated, or as they
# turn out when read) are not read.
LARGEST_MEMBER = 256 << 20
# The bytes looks_like_archive needs at most.
SNIFF_SIZE = 512

ENCRYPTED = "encrypted, not read"
TOO_LARGE = "larger than 256 MiB, not read"
LINK = "a link within the archive, not read"
DAMAGED = "damaged archive: "

_ARCHIVE_SUFFIXES = (b".zip", b".tar", b".tgz", b".tar.gz", b".tbz2", b".tar.bz2", b".txz", b".tar.xz")
_FS_ENCODING = sys.getfilesystemencoding()
_FS_ERRORS = sys.getfilesystemencodeerrors()


def looks_like_archive(head: bytes) -> bool:
    """Whether a file's first bytes are those of an archive read here: a zip
    (a local header, or the end record of an empty one), a tar (its "ustar"
    magic at offset 257), or gzip, bzip2 or xz data, which may hold a tar."""
    return (head.startswith((b"PK\x03\x04", b"PK\x05\x06", b"\x1f\x8b", b"BZh", b"\xfd7zXZ\x00"))
            or head[257:262] == b"ustar")


def has_archive_name(name: bytes) -> bool:
    """Whether a file name (its bytes) says archive, in any case: a folder's
    files are opened as archives only when their name says so and their
    content agrees."""
    lower = name.lower()
    return any(lower.endswith(suffix) and len(lower) > len(suffix) for suffix in _ARCHIVE_SUFFIXES)


def is_archive(path: str) -> bool:
    """Whether the file at path starts as an archive does; False when it
    cannot be read."""
    try:
        with open(path, "rb") as file:
            return looks_like_archive(file.read(SNIFF_SIZE))
    except OSError:
        return False


def damage(error: BaseException) -> str:
    """The status of an archive that stopped reading with error."""
    text = str(error).strip().rstrip(".") or type(error).__name__
    if len(text) > 1 and "A" <= text[0] <= "Z" and not "A" <= text[1] <= "Z":
        text = text[0].lower() + text[1:]
    return DAMAGED + text


def members(path: str, accept: Optional[Callable[[bytes], bool]]) -> Iterator[Member]:
    """The members of the archive at path that accept takes by the bytes of
    their last name component (every file when accept is None), in the
    archive's order; then, when the archive is damaged, one member named ""
    whose problem says so. Raises NotAnArchive when the file holds no
    archive of a kind read here (gzip data holding no tar, say)."""
    with open(path, "rb") as file:
        zipped = file.read(4) in (b"PK\x03\x04", b"PK\x05\x06")
    return _zip_members(path, accept) if zipped else _tar_members(path, accept)


class NotAnArchive(Exception):
    """The file is compressed data, or starts like an archive, but holds no
    archive: it is a file like any other."""


def _accepted(name: bytes, accept: Optional[Callable[[bytes], bool]]) -> bool:
    return accept is None or accept(name.rpartition(b"/")[2])


def _zip_members(path: str, accept: Optional[Callable[[bytes], bool]]) -> Iterator[Member]:
    import zipfile
    import zlib

    try:
        archive = zipfile.ZipFile(path)
    except (zipfile.BadZipFile, OSError, EOFError, ValueError) as error:
        yield "", None, damage(error)
        return
    with archive:
        for info in archive.infolist():
            # A name is UTF-8 when its flag says so, else the bytes zipfile
            # read as code page 437.
            stored = info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437", "surrogateescape")
            if info.is_dir() or not _accepted(stored, accept):
                continue
            name = os.fsdecode(stored)
            if info.flag_bits & 0x1:
                yield name, None, ENCRYPTED
                continue
            if info.file_size > LARGEST_MEMBER:
                yield name, None, TOO_LARGE
                continue
            try:
                with archive.open(info) as member:
                    data = member.read(LARGEST_MEMBER + 1)
            except (zipfile.BadZipFile, zlib.error, OSError, EOFError, ValueError, NotImplementedError,
                    RuntimeError) as error:
                yield name, None, damage(error)
                continue
            yield (name, None, TOO_LARGE) if len(data) > LARGEST_MEMBER else (name, data, None)


def _tar_members(path: str, accept: Optional[Callable[[bytes], bool]]) -> Iterator[Member]:
    import tarfile

    errors = (tarfile.TarError, OSError, EOFError, ValueError) + _decompression_errors()
    try:
        archive = tarfile.open(path, mode="r|*", errors="surrogateescape")
    except (tarfile.ReadError, tarfile.CompressionError) as error:
        raise NotAnArchive(str(error)) from None
    except errors as error:  # type: ignore[misc]
        yield "", None, damage(error)
        return
    with archive:
        gave = False
        try:
            for info in archive:
                gave = True
                stored = info.name.encode(_FS_ENCODING, _FS_ERRORS)
                if info.isdir() or not (info.isreg() or info.islnk() or info.issym()):
                    continue
                if not _accepted(stored, accept):
                    continue
                name = os.fsdecode(stored)
                if info.islnk() or info.issym():
                    yield name, None, LINK
                elif info.size > LARGEST_MEMBER:
                    yield name, None, TOO_LARGE
                else:
                    member = archive.extractfile(info)
                    yield name, member.read() if member is not None else b"", None
        except errors as error:  # type: ignore[misc]
            if not gave and isinstance(error, tarfile.ReadError):
                raise NotAnArchive(str(error)) from None
            yield "", None, damage(error)


def _decompression_errors() -> Tuple[type, ...]:
    import zlib

    found: list = [zlib.error]
    for module, name in (("bz2", None), ("lzma", "LZMAError")):
        try:
            imported = __import__(module)
        except ImportError:
            continue
        if name is not None:
            found.append(getattr(imported, name))
    return tuple(found)
