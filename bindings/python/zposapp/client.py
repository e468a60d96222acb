"""The library's four exports through ctypes, with typed results and a
response whose fields are read by name and decoded from CP949; one turn at the
library for the whole process, held by a call or by a transaction."""
import contextlib
import ctypes
import ctypes.util
import os
import sys
import threading

from .records import REQUEST_SIZE, RESPONSE_FIELDS, RESPONSE_SIZE, AckResult, DownloadResult, RespCode, SendResult
from .requests import FieldError, Request

DOWNLOAD_ANSWER_SIZE = 1025
HOST_CHARS = 15       # the library uses the first 15 characters of an address
DOWNLOAD_CHARS = 24   # and the first 24 of a download request
APP_DIR_CHARS = 200   # and the first 200 of the application directory

# The library keeps one link and one set of buffers for the whole process, so
# every client shares one turn at it. Reentrant: a transaction's own calls
# take it again. ctypes lets go of the GIL during a call, hence a real lock.
_turn = threading.RLock()
_app_dir = None       # the folder the first client with app_dir named


def _known(enum_type, value):
    """The enum member for a known result, else the plain int."""
    try:
        return enum_type(value)
    except ValueError:
        return value


def _text(raw):
    """A field's text: up to a zero byte, without the blanks that fill it."""
    return raw.split(b"\0", 1)[0].decode("cp949", "replace").rstrip(" ")


class Response:
    """A 450-byte response record and the result of the call that filled it.
    Every field of the records table reads by name (`response.auth_no`,
    `response.issuer_name`, `response.pt_company_name`), as text without its
    trailing blanks, Korean decoded from CP949."""

    def __init__(self, result, record):
        self.result = _known(SendResult, result)
        self.record = bytes(record)

    def field(self, name):
        f = RESPONSE_FIELDS[name]
        return _text(self.record[f.offset:f.offset + f.width])

    def __getattr__(self, name):
        if name in RESPONSE_FIELDS:
            return self.field(name)
        raise AttributeError("%s has no field %r" % (type(self).__name__, name))

    def __dir__(self):
        return sorted(set(super().__dir__()) | set(RESPONSE_FIELDS))

    @property
    def resp_code(self):
        """A RespCode member, or the four characters as they came."""
        f = RESPONSE_FIELDS["resp_code"]
        return _known(RespCode, self.record[f.offset:f.offset + f.width].decode("ascii", "replace"))

    @property
    def approved(self):
        return self.result == SendResult.REPLIED and self.resp_code == RespCode.APPROVED

    def __repr__(self):
        return "<Response %r resp_code=%r>" % (self.result, self.resp_code)


class Download:
    """What Zelta_download returned: the bytes received (result > 0) and the
    answer text, or a DownloadResult failure."""

    def __init__(self, result, answer):
        self.result = result if result > 0 else _known(DownloadResult, result)
        self.answer = answer

    @property
    def ok(self):
        return self.result > 0

    def __repr__(self):
        return "<Download %r %r>" % (self.result, self.answer)


def _load(path):
    if path is not None:
        return os.fspath(path)
    found = ctypes.util.find_library("ZPosApp")
    if found:
        return found
    # The runtime package ships the library under its versioned name only.
    return "ZPosApp.dll" if sys.platform == "win32" else "libZPosApp.so.1"


def _address(name, value, limit):
    # A zero byte would end the address early in the library: refused, not cut.
    if not isinstance(value, str) or not value or len(value) > limit or not value.isascii() or "\0" in value:
        raise FieldError("%s: %r is not an address of 1 to %d characters" % (name, value, limit))
    return value.encode("ascii")


def _port(port):
    if isinstance(port, bool) or not isinstance(port, int) or not 1 <= port <= 65535:
        raise FieldError("port: %r is not a number from 1 to 65535" % (port,))
    return port


def _take_app_dir(app_dir):
    """Names the application directory for the process, once: the library
    reads ZPOS_APP_DIR at every call, so a second folder would move the first
    client's settings and logs."""
    global _app_dir
    app_dir = os.path.abspath(os.fspath(app_dir))
    if len(os.fsencode(app_dir)) > APP_DIR_CHARS:
        raise ValueError("app_dir: %r is longer than %d characters" % (app_dir, APP_DIR_CHARS))
    if _app_dir is not None and os.path.normcase(_app_dir) != os.path.normcase(app_dir):
        raise ValueError("app_dir: this process keeps its settings and logs in %r already, not %r"
                         % (_app_dir, app_dir))
    os.makedirs(app_dir, exist_ok=True)
    os.environ["ZPOS_APP_DIR"] = _app_dir = app_dir


class ZPosApp:
    """The library, loaded from `library` (a path) or found by the usual
    search (ctypes.util.find_library, then the plain library name). With
    `app_dir`, the library keeps its settings file and logs there: the folder
    is created and named in ZPOS_APP_DIR for this process, which an
    interpreter needs, as the library would otherwise use the interpreter's
    own folder; a process has one application directory, and a client naming
    another is refused.

    The calls are synchronous. Any number of clients and threads may call:
    each call waits for its turn at the library, and `transaction()` keeps the
    turn from `send` to `ack`."""

    def __init__(self, library=None, app_dir=None):
        if app_dir is not None:
            with _turn:
                _take_app_dir(app_dir)
        # The 32-bit Windows DLL uses the standard calling convention.
        loader = ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL
        self._lib = loader(_load(library))
        for name in ("Zelta_Send", "Zelta_OKCashbag", "Zelta_download"):
            fn = getattr(self._lib, name)
            fn.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p]
            fn.restype = ctypes.c_int
        self._lib.Zelta_Ack.argtypes = []
        self._lib.Zelta_Ack.restype = ctypes.c_int

    @contextlib.contextmanager
    def transaction(self, timeout=None):
        """Keeps the library to this thread from `send` to `ack`: another
        thread's call would close the link before its acknowledgement. Every
        call of every client waits for the end of the block; the holding
        thread's own calls go through. With `timeout` (seconds), TimeoutError
        when another thread's transaction does not end in time."""
        if not _turn.acquire(timeout=-1 if timeout is None else timeout):
            raise TimeoutError("another thread's transaction did not end within %s s" % timeout)
        try:
            yield self
        finally:
            _turn.release()

    def _call(self, fn, host, port, request):
        if not isinstance(request, Request):
            raise TypeError("request: a %s is not a zposapp Request" % type(request).__name__)
        record = bytes(request)
        if len(record) != REQUEST_SIZE:
            # The library reads the whole record, whatever it was given.
            raise FieldError("request: %s gives %d bytes, not %d" % (type(request).__name__, len(record), REQUEST_SIZE))
        host, port = _address("host", host, HOST_CHARS), _port(port)
        response = ctypes.create_string_buffer(RESPONSE_SIZE)
        with _turn:
            result = fn(host, port, record, response)
        return Response(result, response.raw[:RESPONSE_SIZE])

    def send(self, host, port, request):
        """Zelta_Send: any request, card, cash, cheque or points."""
        return self._call(self._lib.Zelta_Send, host, port, request)

    def okcashbag(self, host, port, request):
        """Zelta_OKCashbag: points requests only, always to the primary host."""
        if not getattr(request, "points", False):
            raise TypeError("okcashbag takes a Points request, not a %s" % type(request).__name__)
        return self._call(self._lib.Zelta_OKCashbag, host, port, request)

    def ack(self):
        """Zelta_Ack: confirms the last approval once its receipt is printed."""
        with _turn:
            return _known(AckResult, self._lib.Zelta_Ack())

    def download(self, server, port, text):
        """Zelta_download: one request text of at most 24 characters, one answer."""
        try:
            request = text.encode("cp949")
        except (AttributeError, UnicodeEncodeError):
            request = None
        if request is None or len(request) > DOWNLOAD_CHARS or b"\0" in request:
            raise FieldError("text: %r is not a request of at most %d characters" % (text, DOWNLOAD_CHARS))
        server, port = _address("server", server, HOST_CHARS), _port(port)
        answer = ctypes.create_string_buffer(DOWNLOAD_ANSWER_SIZE)
        with _turn:
            result = self._lib.Zelta_download(server, port, request, answer)
        # The answer text as the library copied it: up to its zero byte, blanks kept.
        return Download(result, answer.value.decode("cp949", "replace") if result > 0 else "")
