"""The package's exceptions: one base class, Error, for everything the
package itself raises besides wrong arguments (ValueError, TypeError)."""


class Error(Exception):
    """Base class of the package's own errors."""


class LibraryError(Error, RuntimeError):
    """The records library could not be found, loaded or used (or it is of
    another version, with other fields)."""


class WorkerError(Error, RuntimeError):
    """The worker processes of read_many could not go on: they would not
    start, kept ending, or were interrupted (Ctrl-C reaches them as it
    reaches the caller)."""
