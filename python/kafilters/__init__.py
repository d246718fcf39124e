"""The kafilters image filters on numpy arrays.

The package loads the built module (libkafilters.so) and the host library
(libka_iproc.so) with ctypes, from the folder named by the environment
variable KAFILTERS_LIBRARY_DIR or else from the package's own folder, and
runs the module's methods through its exports as a host does.

Images are numpy uint8 arrays: (H, W) for 8 bits per pixel, (H, W, 3) for 24
bits (blue, green, red, as frames hold them) and (H, W, 4) for 32 bits.
Array row 0 is frame row 0.

Every method of the catalogue is a function of the same name::

    kafilters.median(img, radius=3)
    kafilters.blur(img, radius=1, rating=0.5)
    kafilters.kernel(img, width=3, height=1, source=[1, 2, 1])
    kafilters.flat_field(img, white)
    kafilters.run("median", img, radius=3)

Parameters are keywords named by the last word of the input's catalogue name
("Neighbourhood radius" -> radius, "Maximum number of iterations" ->
iterations, "Times to repeat" -> repeat, "High-boost coefficient" ->
coefficient, "Standard deviation" -> deviation); a frame input takes the
first word ("White calibration frame" -> white) and may also be given by
position. The full snake_case name (neighbourhood_radius) is accepted too.
A number may be given as an array; the module then reads its first element
and warns. A parameter left out takes the method's default.

The module's warnings are issued as KafiltersWarning with their exact text;
a failed run raises KafiltersError carrying the module's error text; a
method listed but not built into the module raises MethodNotBuiltError.

kafilters.dask has the same functions for dask arrays, chunk by chunk and
byte-identical to the run on the whole array.
"""

import functools
import inspect

from . import _catalogue, _native, _run, _scan
from ._catalogue import InputInfo, MethodInfo
from ._errors import KafiltersError, KafiltersWarning, MethodNotBuiltError
from ._scan import SAMPLE_DTYPE

__all__ = ["InputInfo", "KafiltersError", "KafiltersWarning", "MethodInfo", "MethodNotBuiltError",
           "SAMPLE_DTYPE", "methods", "run", "scan_line"]

_catalogue_cache = None


def methods():
    """The module's catalogue: method name -> MethodInfo, in catalogue order."""
    global _catalogue_cache
    if _catalogue_cache is None:
        _catalogue_cache = _catalogue.read_catalogue(_native.native())
    return dict(_catalogue_cache)


def _method(name):
    found = methods().get(name)
    if found is None:
        raise ValueError("unknown method %r; kafilters.methods() lists them" % (name,))
    return found


def run(method, image, *frames, **params):
    """Runs the method of that catalogue name on the image and returns the
    output frame as an array; parameters as for the method's own function."""
    return _run.run_method(_native.native(), _method(method), image, frames, params, stacklevel=2)


def scan_line(image, line, mode=1, bits=8, region=None, sharpen=False, limit=None):
    """Walks the segment line = (x1, y1, x2, y2) across the image and returns
    the samples the module's scanner reports, as a structured array with the
    fields x, y (float32) and value (uint32).

    mode picks the value at 32 bits: 0 the four bytes packed, 1 the mean of
    blue, green and red, 2 red, 3 green, 4 blue (8-bit images give the grey
    level, times 0x10101 in mode 0). bits is the sub-pixel precision s (2^s
    steps a pixel; 1 to 11, or 1 to 9 when sharpening). region is None or
    (centre x, centre y, width, height, angle in degrees): interior samples
    outside it are skipped. sharpen uses the sharpening scanner. limit stops
    the scan after that many samples. The scanners read 8- and 32-bit images;
    a 24-bit image gives no samples.
    """
    return _scan.scan_line(_native.native(), image, line, mode, bits, region, sharpen, limit)


def _signature(method):
    parameters = [inspect.Parameter("image", inspect.Parameter.POSITIONAL_ONLY)]
    for info in method.inputs[1:]:
        kind = inspect.Parameter.POSITIONAL_OR_KEYWORD if info.type == "frame" else inspect.Parameter.KEYWORD_ONLY
        parameters.append(inspect.Parameter(info.keyword, kind, default=None))
    return inspect.Signature(parameters)


def _docstring(method):
    lines = [method.description + ".", "", 'Runs the module\'s method "%s" (%s).' % (method.name, method.group)]
    if len(method.inputs) > 1:
        lines += ["", "Parameters (left out: the method's default):"]
    for info in method.inputs[1:]:
        detail = info.type + ("; " + info.descriptor if info.descriptor else "")
        lines.append('    %s: "%s" (%s)' % (info.keyword, info.name, detail))
    if not method.available:
        lines += ["", "Not built into this module: calling it raises MethodNotBuiltError."]
    return "\n".join(lines)


def _method_function(method):
    def function(image, *frames, **params):
        return _run.run_method(_native.native(), method, image, frames, params, stacklevel=2)

    function.__name__ = function.__qualname__ = method.name
    function.__module__ = __name__
    function.__doc__ = _docstring(method)
    function.__signature__ = _signature(method)
    return function


@functools.lru_cache(maxsize=None)
def _method_functions():
    return {name: _method_function(method) for name, method in methods().items() if name not in globals()}


def __getattr__(name):
    # The method functions come from the catalogue, so they exist once the
    # libraries are loaded; names starting with "_" never load them.
    if not name.startswith("_"):
        try:
            functions = _method_functions()
        except KafiltersError as error:
            raise AttributeError("module %r has no attribute %r (%s)" % (__name__, name, error)) from error
        if name in functions:
            globals()[name] = functions[name]
            return functions[name]
    raise AttributeError("module %r has no attribute %r" % (__name__, name))


def __dir__():
    names = set(globals())
    try:
        names.update(_method_functions())
    except KafiltersError:
        pass
    return sorted(names)
