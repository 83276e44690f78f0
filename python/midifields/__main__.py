"""python -m midifields [options] PATH...: the records of files and
folders as the command-line host prints them (the same rows, messages and
exit statuses), for machines that have only the wheel."""

from __future__ import annotations

import argparse
import os
import sys
from typing import BinaryIO, Iterator, List, NoReturn, Optional, Sequence, Tuple

from . import __version__, _detection, _library, _reading, _walk
from ._errors import LibraryError
from ._fields import STATUS, STATUS_NAME, FieldError, select_fields
from ._output import FORMATS, RowWriter, printable
from ._status import NOT_MIDI, OK, reason_text
from ._system import usable_cores

PROGRAM = "python -m midifields"
EXIT_PROBLEM = 1  # a path not read, nothing found, or the output failed
EXIT_USAGE = 2
MAX_JOBS = 1024

_EPILOG = """\
Folders are walked as the command-line host walks them (each folder's
entries sorted by name, links followed); in folders only the names the
plug-in's detection expression accepts (.mid, .midi), and --ext's.
Exit status: 0 all read; 1 a path not read, nothing found or output failed;
2 a usage error."""


class _UsageError(Exception):
    pass


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        raise _UsageError(message)


def _options() -> _Parser:
    parser = _Parser(prog=PROGRAM, description="Prints the properties of MIDI files, every field of a file "
                     "from one read.", epilog=_EPILOG, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("paths", nargs="*", metavar="PATH", help="files and folders; folders are searched for "
                        "MIDI files")
    parser.add_argument("--format", default="jsonl", metavar="FORMAT",
                        help="jsonl (default: one object a line), json (one array), csv, tsv")
    parser.add_argument("--fields", metavar="LIST", help="comma-separated field names, words of them (duration, "
                        "key, bpm) or indexes, in order")
    parser.add_argument("--ext", metavar="LIST", help="in folders, also read files with these extensions "
                        "(comma-separated, e.g. kar)")
    parser.add_argument("--all-files", action="store_true", help="in folders, read every file, not only MIDI "
                        "extensions")
    parser.add_argument("--no-recurse", action="store_true", help="read only the first level of each folder")
    parser.add_argument("-j", "--jobs", metavar="N", help="worker processes, 1 to 1024 (default: one per core)")
    parser.add_argument("--list-fields", action="store_true", help="print the fields and exit")
    parser.add_argument("--version", action="store_true", help="print the version and what reads the fields, "
                        "and exit")
    return parser


def main(arguments: Optional[Sequence[str]] = None, out: Optional[BinaryIO] = None,
         err: Optional[BinaryIO] = None) -> int:
    """Runs the program on arguments (default: the command line's); returns
    its exit status."""
    out = out or sys.stdout.buffer
    err = err or sys.stderr.buffer
    try:
        run = _Run(_options().parse_args(arguments), out, err)
    except _UsageError as error:
        _complain(err, f"{error} (try '{PROGRAM} --help')")
        return EXIT_USAGE
    try:
        return run.run()
    except _UsageError as error:
        _complain(err, f"{error} (try '{PROGRAM} --help')")
        return EXIT_USAGE
    except LibraryError as error:
        _complain(err, str(error))
        return EXIT_PROBLEM
    except KeyboardInterrupt:
        return 130


def _complain(err: BinaryIO, message: str) -> None:
    err.write(f"midifields: {message}\n".encode("utf-8", "surrogateescape"))
    err.flush()


class _Run:
    def __init__(self, options: argparse.Namespace, out: BinaryIO, err: BinaryIO) -> None:
        self.options = options
        self.out = out
        self.err = err
        self.layout = options.format.lower()
        if self.layout not in FORMATS:
            raise _UsageError(f"--format: {options.format} is not one of {', '.join(FORMATS)}")
        self.jobs = usable_cores()
        if options.jobs is not None:
            if not (options.jobs.isascii() and options.jobs.isdigit() and 1 <= int(options.jobs) <= MAX_JOBS):
                raise _UsageError(f"--jobs: {options.jobs} is not a number from 1 to {MAX_JOBS}")
            self.jobs = int(options.jobs)
        try:
            self.extensions = _walk.extension_list(options.ext)
        except ValueError:
            raise _UsageError(f"--ext: {options.ext} is not a comma-separated list of extensions") from None
        if not options.paths and not options.list_fields and not options.version:
            raise _UsageError("no PATH given")

    def run(self) -> int:
        try:
            return self._run()
        except OSError as error:  # the output: a full disk, a closed pipe
            _complain(self.err, f"standard output: {reason_text(error)}")
            _drop_standard_output()
            return EXIT_PROBLEM

    def entries(self, empty: Optional[List[Tuple[str, int]]] = None) -> Iterator[_walk.Entry]:
        """The paths the run reads, found as the command-line host finds
        them; empty collects the named paths that gave none."""
        detection = _detection.parse(_library.load().detect_string)
        midi_name = _walk.name_test(detection, self.extensions)
        accept = None if self.options.all_files else midi_name
        walk = _walk.FileWalk(accept, not self.options.no_recurse, midi_name, _library.load())
        return _walk.walk_entries(self.options.paths, walk, empty)

    def _run(self) -> int:
        library = _library.load()
        catalogue = library.catalogue
        if self.options.version:
            self.out.write(f"midifields {__version__} (the Python package)\nfields read by the records library "
                           f"{library.path} (every field of a file from one read)\n".encode("utf-8", "surrogateescape"))
            self.out.flush()
            return 0
        if self.options.list_fields:
            self.out.write("".join(f"{index}\t{name}\n" for index, name in enumerate(catalogue)).encode("utf-8"))
            self.out.flush()
            return 0
        try:
            selected = list(range(len(catalogue))) if self.options.fields is None else select_fields(self.options.fields)
        except FieldError as error:
            raise _UsageError(str(error)) from None
        # The status column, named like a field, gives every path a row.
        status_named = STATUS in selected
        wanted = sorted(set(selected) - {STATUS})
        position = {index: at for at, index in enumerate(wanted)}
        empty: List[Tuple[str, int]] = []
        entries = self.entries(empty)

        names = catalogue + [STATUS_NAME]
        writer = RowWriter(self.out, self.layout, [names[index] for index in selected])
        status = files_read = 0
        for (path, _), (outcome, texts) in _reading.read_entries(entries, wanted, self.jobs, typed=False):
            read = outcome in (OK, NOT_MIDI)
            if read:
                files_read += 1
            else:
                self.out.flush()
                _complain(self.err, f"{printable(path)}: {outcome}")
                status = EXIT_PROBLEM
            if read or status_named:
                writer.row(path, [outcome if index == STATUS else texts[position[index]]  # type: ignore[misc]
                                  for index in selected])
        writer.end()
        if files_read == 0:
            # Nothing to show: say why, rather than leave a bare header.
            found = ": no files found" if self.options.all_files else ": no MIDI files found"
            for path, skipped in empty:
                other = "" if skipped == 0 else (f" ({skipped} other file{'' if skipped == 1 else 's'}; "
                                                 f"--all-files reads them)")
                _complain(self.err, printable(path) + found + other)
            status = EXIT_PROBLEM
        return status


def _drop_standard_output() -> None:
    # What is left in Python's buffer would fail again at exit, with a
    # traceback; the message has said it.
    try:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
    except (OSError, ValueError):
        pass


if __name__ == "__main__":
    sys.exit(main())
