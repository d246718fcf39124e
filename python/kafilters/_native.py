"""Loading the module and the host library with ctypes, and their prototypes.

The module (libkafilters.so / kafilters.dll) is used only through its exports,
exactly as a host uses it; the host library (libka_iproc.so / ka_iproc.dll)
supplies the sessions, frames and parameter lists a run reads and writes,
through its small C face (host_c_api.h).
"""

import atexit
import ctypes
import os
import sys
import threading
from ctypes import (POINTER, Structure, c_bool, c_char_p, c_double, c_float, c_int, c_int32, c_size_t, c_ubyte,
                    c_uint, c_uint8, c_uint16, c_uint32, c_void_p)

from ._errors import KafiltersError

LIBRARY_DIR_VARIABLE = "KAFILTERS_LIBRARY_DIR"

if sys.platform == "win32":
    MODULE_FILE, HOST_FILE = "kafilters.dll", "ka_iproc.dll"
elif sys.platform == "darwin":
    MODULE_FILE, HOST_FILE = "libkafilters.dylib", "libka_iproc.dylib"
else:
    MODULE_FILE, HOST_FILE = "libkafilters.so", "libka_iproc.so"

# What InitMethod returns for an index beyond the catalogue: all ones.
INVALID_METHOD_HANDLE = (1 << (8 * ctypes.sizeof(c_size_t))) - 1

# The scanners are exported under their C++ names (Itanium decoration of
# ScanLineSubPixelPrecision[WithSharpening](tagBITMAPINFOHEADER*,
# ka_iproc::TRectangularRegion*, ka_iproc::TLine, int, unsigned, int,
# unsigned char (*)(unsigned, float, float, unsigned))).
SCAN_LINE_SYMBOL = ("_Z25ScanLineSubPixelPrecisionP19tagBITMAPINFOHEADERPN8ka_iproc18TRectangularRegion"
                    "ENS1_5TLineEijiPFhjffjE")
SCAN_LINE_SHARPENING_SYMBOL = ("_Z39ScanLineSubPixelPrecisionWithSharpeningP19tagBITMAPINFOHEADERPN8ka_iproc"
                               "18TRectangularRegionENS1_5TLineEijiPFhjffjE")


class TLine(Structure):
    _fields_ = [("x1", c_double), ("y1", c_double), ("x2", c_double), ("y2", c_double)]


class TRectangularRegion(Structure):
    _fields_ = [("centreX", c_double), ("centreY", c_double), ("width", c_double), ("height", c_double),
                ("angle", c_double)]


# The callback uses the standard Windows calling convention on 32-bit
# Windows and the platform's C convention everywhere else.
if sys.platform == "win32" and ctypes.sizeof(c_void_p) == 4:
    SampleCallback = ctypes.WINFUNCTYPE(c_ubyte, c_uint, c_float, c_float, c_uint)
else:
    SampleCallback = ctypes.CFUNCTYPE(c_ubyte, c_uint, c_float, c_float, c_uint)

_SCANNER_ARGS = [c_void_p, POINTER(TRectangularRegion), TLine, c_int, c_uint, c_int, SampleCallback]

# name: (result, argument types)
_MODULE_PROTOTYPES = {
    "Init": (None, []),
    "Done": (None, []),
    "EnumerateMethods": (c_uint8, [c_uint32, c_int32, c_void_p, c_int32, c_void_p, POINTER(c_void_p),
                                   POINTER(c_int32)]),
    "EnumerateMethodsCategories": (c_uint8, [c_uint32, c_uint32, c_uint32, c_int32, c_void_p, POINTER(c_int32),
                                             POINTER(c_void_p)]),
    "EnumerateMethodInputs": (c_uint8, [c_uint32, c_uint32, POINTER(c_int32), c_int32, c_void_p, c_int32,
                                        c_void_p]),
    "EnumerateMethodOutputs": (c_uint8, [c_uint32, c_uint32, POINTER(c_int32), c_int32, c_void_p]),
    "InitMethod": (c_size_t, [c_uint32]),
    "DoneMethod": (None, [c_size_t]),
    "RunMethod": (c_uint8, [c_size_t, c_void_p, c_void_p, c_void_p, c_void_p, c_void_p, c_int32, c_void_p]),
}

_HOST_PROTOTYPES = {
    "KaSessionCreate": (c_void_p, []),
    "KaSessionDestroy": (None, [c_void_p]),
    "KaSessionHost": (c_void_p, [c_void_p]),
    "KaSessionAddFrame": (c_void_p, [c_void_p, c_char_p, c_int32, c_int32, c_int32]),
    "KaSessionAddNumber": (None, [c_void_p, c_char_p, c_double]),
    "KaSessionAddArray": (None, [c_void_p, c_char_p, POINTER(c_double), c_int32]),
    "KaSessionRemove": (None, [c_void_p, c_char_p]),
    "KaSessionFindFrame": (c_void_p, [c_void_p, c_char_p]),
    "KaSessionTouchFrame": (c_bool, [c_void_p, c_char_p]),
    "KaSessionWarningCount": (c_int32, [c_void_p]),
    "KaSessionReadWarningUtf8": (c_int32, [c_void_p, c_int32, c_char_p, c_int32]),
    "KaSessionReadWarningUtf16": (c_int32, [c_void_p, c_int32, c_void_p, c_int32]),
    "KaSessionClearWarnings": (None, [c_void_p]),
    "KaParameterListCreate": (c_void_p, [POINTER(c_char_p), c_int32]),
    "KaParameterListDestroy": (None, [c_void_p]),
    "KaParameterListHandle": (c_void_p, [c_void_p]),
    "KaParameterListContext": (c_void_p, [c_void_p]),
    "KaFrameStride": (c_int32, [c_void_p]),
    "GetFrameWidth": (c_int32, [c_void_p]),
    "GetFrameDepth": (c_int32, [c_void_p]),
    "GetFrameBPP": (c_int32, [c_void_p]),
    "GetFrameDataAddr": (c_void_p, [c_void_p]),
}


def _bind(library, prototypes):
    for name, (result, arguments) in prototypes.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments


def library_dirs():
    """The folders searched for the two libraries, in order."""
    dirs = []
    configured = os.environ.get(LIBRARY_DIR_VARIABLE)
    if configured:
        dirs.append(os.path.abspath(configured))
    dirs.append(os.path.dirname(os.path.abspath(__file__)))
    return dirs


def _find_library_dir():
    for folder in library_dirs():
        if os.path.isfile(os.path.join(folder, MODULE_FILE)) and os.path.isfile(os.path.join(folder, HOST_FILE)):
            return folder
    raise KafiltersError("cannot find %s and %s in %s; build them (make build) and set %s to their folder"
                         % (MODULE_FILE, HOST_FILE, " or ".join(library_dirs()), LIBRARY_DIR_VARIABLE))


class Native:
    """The loaded pair of libraries. The host library is loaded first, so the
    module's dependency on it resolves to this very copy."""

    def __init__(self, folder):
        self.folder = folder
        self.host = ctypes.CDLL(os.path.join(folder, HOST_FILE))
        self.module = ctypes.CDLL(os.path.join(folder, MODULE_FILE))
        _bind(self.host, _HOST_PROTOTYPES)
        _bind(self.module, _MODULE_PROTOTYPES)
        self.scanners = {}
        for sharpen, symbol in ((False, SCAN_LINE_SYMBOL), (True, SCAN_LINE_SHARPENING_SYMBOL)):
            try:
                scanner = getattr(self.module, symbol)
            except AttributeError:
                continue
            scanner.restype = None
            scanner.argtypes = _SCANNER_ARGS
            self.scanners[sharpen] = scanner
        self.module.Init()
        atexit.register(self.module.Done)


_native = None
_native_lock = threading.Lock()


def native():
    """The loaded libraries; loads them and calls Init on first use."""
    global _native
    with _native_lock:
        if _native is None:
            _native = Native(_find_library_dir())
        return _native


def utf16_buffer(characters):
    """A zeroed UTF-16 buffer of that many characters."""
    return (c_uint16 * characters)()


def utf16_text(buffer):
    """The text in a UTF-16 buffer, up to its first NUL."""
    return bytes(buffer).decode("utf-16-le", "replace").split("\0", 1)[0]
