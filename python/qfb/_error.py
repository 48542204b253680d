"""qfb.Error, the one exception the package raises, and the helpers that raise it from a
library status or an operating-system error."""

from . import _library


class Error(Exception):
    """A refusal or a failure.

    status: the library's status name ("QFB_CUT_SHORT"), or None for a failure of the
            operating system (a file that cannot be read or written: errno is then set);
    code:   the status number (None with status None);
    text:   the library's text for the status, or the system's reason;
    detail: what it concerns (a file name, "frame 2 level 1"), or None;
    errno:  the system's error number, for a failure of the system, else None."""

    def __init__(self, status, text, detail=None, errno=None):
        self.code = status
        self.status = None if status is None else _library.status_name(status)
        self.text = text
        self.detail = detail
        self.errno = errno
        message = text if self.status is None else "%s (%s)" % (text, self.status)
        super().__init__(message if detail is None else "%s: %s" % (detail, message))


def refuse(status, detail=None, text=None):
    """Raises the Error of a library status; text replaces the library's own where the package
    says more precisely what the caller gave (the status is the one the library would give)."""
    raise Error(status, text if text is not None else _library.status_text(status), detail)


def check(status, detail=None):
    if status != 0:
        refuse(status, detail)


def system(error, detail):
    """The Error of an OSError."""
    return Error(None, error.strerror or str(error), detail if detail is not None else error.filename,
                 error.errno)


Error.__module__ = "qfb"
