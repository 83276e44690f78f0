"""A record's status in words: "ok", "not MIDI", or why the path could not
be read, in the words of the command-line host's messages (lower case, no
final stop)."""

from __future__ import annotations

import errno
import stat

OK = "ok"
NOT_MIDI = "not MIDI"  # the file opened, but no field has a value
NO_SUCH_PATH = "no such file or folder"
PERMISSION_DENIED = "permission denied"
BROKEN_LINK = "broken symbolic link"
A_FOLDER = "a folder, not a regular file"
# The Python package's own: a file whose reading ended the worker process
# twice (killed, out of memory), read alone so that no other file shares
# its fate.
WORKER_ENDED = "a worker process ended while reading it"


def reason_text(error: OSError) -> str:
    """Why the system refused, as the host says it."""
    if error.errno == errno.ENOENT:
        return NO_SUCH_PATH
    if error.errno in (errno.EACCES, errno.EPERM):
        return PERMISSION_DENIED
    text = (error.strerror or str(error)).rstrip(". \t\r\n\v\f")
    return lower_case_start(text)


def lower_case_start(text: str) -> str:
    """The first letter lower-cased, unless it starts an acronym ("I/O error")."""
    if text[:1].isascii() and text[:1].isupper() and not (text[1:2].isascii() and text[1:2].isupper()):
        return text[0].lower() + text[1:]
    return text


def not_a_file_reason(mode: int) -> str:
    """What a path that is neither a file nor a folder is."""
    if stat.S_ISCHR(mode) or stat.S_ISBLK(mode):
        return "a device, not a regular file"
    if stat.S_ISFIFO(mode):
        return "a pipe, not a regular file"
    if stat.S_ISSOCK(mode):
        return "a socket, not a regular file"
    return "not a regular file"
