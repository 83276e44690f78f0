"""The members of a zip or tar archive (plain, or compressed with gzip,
bzip2 or xz), in the order the archive stores them: collections are read
as they are shipped, without unpacking them to disk. The standard
library's zipfile and tarfile do the reading. A tar is read forward only,
never sought back over, each member's data into memory while it is the
current one; a zip's members are listed from its central directory and
each read on its own, by whichever process reads it (each opens the
archive). Members are only read: their names are shown, never used to
touch the file system.

A member that cannot be read gets a status of its own, in the words of the
command-line host: "encrypted, not read", "larger than 256 MiB, not read",
"a link within the archive, not read". An archive that is truncated or
corrupt gives the members before the damage, then ends with "damaged
archive: REASON"."""

from __future__ import annotations

# typing is imported only by type checkers: worker processes start without it.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any, Iterator, Optional, Tuple, Union

# The largest member read into memory; larger ones (as stated, or as they
# turn out when read) are not read.
LARGEST_MEMBER = 256 << 20
# The bytes looks_like_archive needs at most.
SNIFF_SIZE = 512

ENCRYPTED = "encrypted, not read"
TOO_LARGE = "larger than 256 MiB, not read"
LINK = "a link within the archive, not read"
DAMAGED = "damaged archive: "

# A member's kinds.
FILE, FOLDER, LINKED, OTHER = "file", "folder", "link", "other"

_ARCHIVE_SUFFIXES = (b".zip", b".tar", b".tgz", b".tar.gz", b".tbz2", b".tar.bz2", b".txz", b".tar.xz")
_ZIP_STARTS = (b"PK\x03\x04", b"PK\x05\x06")


class NotAnArchive(Exception):
    """The file starts as an archive might (gzip data, say) but holds none:
    it is a file like any other."""


def looks_like_archive(head: bytes) -> bool:
    """Whether a file's first bytes are those of an archive read here: a zip
    (a local header, or the end record of an empty one), a tar (its "ustar"
    magic at offset 257), or gzip, bzip2 or xz data, which may hold a tar."""
    return head.startswith(_ZIP_STARTS + (b"\x1f\x8b", b"BZh", b"\xfd7zXZ\x00")) or head[257:262] == b"ustar"


def has_archive_name(name: bytes) -> bool:
    """Whether a file name (its bytes) says archive, in any case: a folder's
    files are opened as archives only when their name says so and their
    content agrees."""
    lower = name.lower()
    return any(lower.endswith(suffix) and len(lower) > len(suffix) for suffix in _ARCHIVE_SUFFIXES)


def head_of(path: str) -> bytes:
    """The first bytes of the file at path, b"" when it cannot be read."""
    try:
        with open(path, "rb") as file:
            return file.read(SNIFF_SIZE)
    except (OSError, ValueError):
        return b""


def damage(error: BaseException) -> str:
    """The status of an archive that stopped reading with error."""
    from ._status import lower_case_start

    return DAMAGED + lower_case_start(str(error).strip().rstrip(".") or type(error).__name__)


if TYPE_CHECKING:
    # A member as listed: its name's bytes as the archive stores them, its
    # kind, and what reads it: a zip member's index, a tar member's data
    # (None when it is not read), or why it cannot be read (a str). The
    # last "member" of a damaged archive has the name b"" and the damage as
    # its problem.
    Member = Tuple[bytes, str, Union[int, bytes, str, None]]


def members(path: str, head: bytes) -> Iterator[Member]:
    """The members of the archive at path, whose first bytes are head.
    Raises NotAnArchive when the file holds no archive of a kind read here."""
    return _zip_members(path) if head.startswith(_ZIP_STARTS) else _tar_members(path)


def _zip_members(path: str) -> Iterator[Member]:
    import zipfile

    try:
        archive = _zip_file(path)
    except (zipfile.BadZipFile, OSError, EOFError, ValueError) as error:
        yield b"", OTHER, damage(error)
        return
    # The archive stays open while it is listed, for read_zip_member in this
    # process: its central directory, which a large zip takes long to read,
    # is read once. Each member listed is read before the next is listed
    # (or in a worker process, which opens the archive itself), so once the
    # listing ends the archive is closed; a file left open would keep it
    # from being deleted on Windows.
    try:
        for index, info in enumerate(archive.infolist()):
            # A name is UTF-8 when its flag says so, else the bytes zipfile
            # read as code page 437.
            stored = info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437", "surrogateescape")
            if info.is_dir():
                yield stored, FOLDER, None
            elif info.flag_bits & 0x1:
                yield stored, FILE, ENCRYPTED
            elif info.file_size > LARGEST_MEMBER:
                yield stored, FILE, TOO_LARGE
            else:
                yield stored, FILE, index
    finally:
        close_zip(path)


def close_zip(path: str) -> None:
    """Closes the zip at path if this process keeps it open."""
    global _open_zip
    if _open_zip is not None and _open_zip[0] == path:
        _open_zip[1].close()
        _open_zip = None


# The zip a process listed or read a member of last, kept open for the
# next member.
_open_zip: "Optional[Tuple[str, Any]]" = None


def _zip_file(path: str) -> Any:
    """The zip at path, open: the one kept open when it is that one."""
    global _open_zip
    import zipfile

    if _open_zip is not None and _open_zip[0] == path and _open_zip[1].fp is not None:
        return _open_zip[1]
    if _open_zip is not None:
        _open_zip[1].close()
        _open_zip = None
    archive = zipfile.ZipFile(path)
    _open_zip = (path, archive)
    return archive


def read_zip_member(path: str, index: int) -> "Union[bytes, str]":
    """The data of the member at index of the zip at path, or why it could
    not be read."""
    import zipfile
    import zlib

    try:
        archive = _zip_file(path)
        with archive.open(archive.infolist()[index]) as member:
            data: bytes = member.read(LARGEST_MEMBER + 1)
    except (zipfile.BadZipFile, zlib.error, OSError, EOFError, ValueError, IndexError, NotImplementedError,
            RuntimeError) as error:
        return damage(error)
    return TOO_LARGE if len(data) > LARGEST_MEMBER else data


def _tar_members(path: str) -> Iterator[Member]:
    import tarfile

    errors = (tarfile.TarError, OSError, EOFError, ValueError) + _decompression_errors()
    try:
        # The members in order, each header read once and the data of the
        # member only while it is the current one: the file (through its
        # decompressor) only ever moves forward. Stream mode ("r|*") would
        # promise the same, but reads in small pieces, half as fast.
        archive = tarfile.open(path, mode="r:*", errors="surrogateescape")
    except (tarfile.ReadError, tarfile.CompressionError) as error:
        raise NotAnArchive(str(error)) from None
    except errors as error:
        yield b"", OTHER, damage(error)
        return
    with archive:
        gave = False
        while True:
            try:
                info = archive.next()
                if info is None:
                    return
                # The archive would keep every member it read (for links and
                # getmembers); memory must stay that of one member.
                archive.members = []
                gave = True
                stored = info.name.encode(archive.encoding, "surrogateescape")
                if info.isdir():
                    yield stored, FOLDER, None
                elif info.islnk() or info.issym():
                    yield stored, LINKED, LINK
                elif not info.isreg():
                    yield stored, OTHER, None
                elif info.size > LARGEST_MEMBER:
                    yield stored, FILE, TOO_LARGE
                else:
                    data = archive.extractfile(info)
                    yield stored, FILE, data.read() if data is not None else b""
            except errors as error:
                if not gave and isinstance(error, tarfile.ReadError):
                    raise NotAnArchive(str(error)) from None
                yield b"", OTHER, damage(error)
                return


def _decompression_errors() -> Tuple[type, ...]:
    import zlib

    found = [zlib.error]
    try:
        import lzma

        found.append(lzma.LZMAError)
    except ImportError:
        pass
    return tuple(found)
