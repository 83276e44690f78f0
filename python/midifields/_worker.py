"""A worker process of midifields._pool: reads the setup (the library's
path, the field indexes, whether the values are typed) from standard
input, then chunks of entries (path, what is known of it), and answers
each with the outcomes, all in marshal's format, until its input ends."""

from __future__ import annotations

import marshal
import os
import sys

from . import _library
from ._reading import read_entry


def serve() -> None:
    source = sys.stdin.buffer
    # The answers get a descriptor of their own; anything else written to
    # standard output (by Python or the library) goes to standard error,
    # where it cannot break the exchange.
    answers = os.fdopen(os.dup(sys.stdout.fileno()), "wb")
    os.dup2(sys.stderr.fileno(), sys.stdout.fileno())
    try:
        library, indexes, typed = marshal.load(source)
        records = _library.load(library)
        # Started: the caller sends chunks from now on.
        marshal.dump(True, answers)
        answers.flush()
        while True:
            try:
                chunk = marshal.load(source)
            except EOFError:
                return
            outcomes = [read_entry(records, entry, indexes, typed) for entry in chunk]
            marshal.dump(outcomes, answers)
            answers.flush()
    except (KeyboardInterrupt, BrokenPipeError):
        # Ctrl-C reaches the whole process group; the caller reports it.
        pass
