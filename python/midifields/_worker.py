"""A worker process of midifields._pool (the messages are described
there): reads the setup from standard input, then chunks of entries, and
answers each with their outcomes, until its input ends. Started without
the package's __init__, so it imports only what reading takes."""

from __future__ import annotations

import marshal
import os
import sys

from . import _library
from ._reading import read_entry

# The exit status on Ctrl-C, the shell's for SIGINT: the caller then knows
# the run was interrupted, not that a file ended the worker.
INTERRUPTED = 130


def serve() -> None:
    source = sys.stdin.buffer
    # The answers get a descriptor of their own; anything else written to
    # standard output (by Python or the library) goes to standard error,
    # where it cannot break the exchange.
    answers = os.fdopen(os.dup(sys.stdout.fileno()), "wb")
    os.dup2(sys.stderr.fileno(), sys.stdout.fileno())
    try:
        library_path, indexes, typed = marshal.load(source)
        library = _library.load(library_path)
        # Started: the caller's chunks are read from now on.
        marshal.dump(True, answers)
        answers.flush()
        while True:
            try:
                chunk = marshal.load(source)
            except EOFError:
                return
            marshal.dump([read_entry(library, entry, indexes, typed) for entry in chunk], answers)
            answers.flush()
    except KeyboardInterrupt:
        # Ctrl-C reaches the whole process group; the caller tells it.
        sys.exit(INTERRUPTED)
    except BrokenPipeError:
        pass  # the caller has gone
