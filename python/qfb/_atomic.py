"""Writing a whole file atomically, by the policy of the tools' own writer: the bytes go into a
new temporary file beside the target (created with O_CREAT | O_EXCL and mode 0666, so the umask
sets its permissions; a replaced file's permissions are kept), which then takes the target's name
with os.replace. A symbolic link at the name is followed and the file it ends at is replaced; a
device or pipe is written in place; a folder, or an existing file that may not be written, is
refused. After a failure no temporary file is left and an existing file is as it was."""

import errno
import os
import secrets
import stat

_MAX_LINK_HOPS = 40   # the kernel's own limit on a chain of symbolic links
_MAX_NAME_TRIES = 100  # temporary names found taken before giving up


def _folder_of(path):
    folder = os.path.dirname(path)
    return folder if folder else "."


def _resolve(path):
    """The path the bytes land on: path, or the file at the end of its chain of links (a dangling
    link gives the path it names)."""
    for _ in range(_MAX_LINK_HOPS + 1):
        try:
            text = os.readlink(path)
        except OSError:
            return path
        path = text if os.path.isabs(text) else os.path.join(_folder_of(path), text)
    raise OSError(errno.ELOOP, os.strerror(errno.ELOOP), path)


def _create_unique(prefix):
    for _ in range(_MAX_NAME_TRIES):
        candidate = prefix + secrets.token_hex(3)
        try:
            return os.open(candidate, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o666), candidate
        except FileExistsError:
            continue
    raise OSError(errno.EEXIST, os.strerror(errno.EEXIST), prefix)


def _write_all(fd, data):
    view = memoryview(data).cast("B")
    done = 0
    while done < view.nbytes:
        done += os.write(fd, view[done:])


def write_atomically(name, data):
    """Writes data as the whole file name; raises OSError, with nothing left behind."""
    target = _resolve(os.fsdecode(os.fspath(name)))
    try:
        info = os.stat(target)
    except FileNotFoundError:
        info = None
    if info is not None and stat.S_ISDIR(info.st_mode):
        raise OSError(errno.EISDIR, os.strerror(errno.EISDIR), target)
    if info is not None and not stat.S_ISREG(info.st_mode):
        # A device or pipe cannot be replaced by renaming: it gets the bytes itself. O_NONBLOCK:
        # a pipe without a reader fails at once instead of waiting.
        fd = os.open(target, os.O_WRONLY | os.O_CLOEXEC | os.O_NONBLOCK)
        try:
            os.set_blocking(fd, True)
            _write_all(fd, data)
        finally:
            os.close(fd)
        return
    # A file that may not be written is not replaced behind its owner's back.
    if info is not None and not os.access(target, os.W_OK):
        raise OSError(errno.EACCES, os.strerror(errno.EACCES), target)
    try:
        fd, temporary = _create_unique(target + ".tmp")
    except OSError as error:
        if error.errno != errno.ENAMETOOLONG:
            raise
        fd, temporary = _create_unique(os.path.join(_folder_of(target), ".tmp"))
    try:
        try:
            if info is not None:
                os.fchmod(fd, stat.S_IMODE(info.st_mode) & 0o777)
            _write_all(fd, data)
        finally:
            os.close(fd)
        os.replace(temporary, target)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise
