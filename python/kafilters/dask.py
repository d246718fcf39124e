"""The kafilters methods on dask arrays, for pictures larger than one
machine's memory or patience.

Every method of the catalogue is a function of the same name and keywords as
in the kafilters package, taking a 2-D (grey) or 3-D (colour, channels last)
dask array of uint8 and returning a lazy dask array::

    import dask.array as da
    import kafilters.dask as kd
    picture = da.from_zarr(...)          # or da.from_array(big, chunks=2048)
    out = kd.median(picture, radius=3)   # lazy; out.compute() or out.to_zarr()

The result is byte for byte what the numpy function gives on the whole
array, for any chunking. A method whose output pixel depends only on a
bounded neighbourhood runs chunk by chunk: each chunk is handed to the module
with a halo of real neighbours as wide as the method's reach, and the halo is
cut off again. At the true borders of the picture no padding is added, so
the module applies its own border rule there. The reach of each method:

    median, minimum, maximum, extreme, mean, gaussian, blur    the radius
    laplacian_high_boost_1/2/3, kernel_3x3                     1
    kernel_5x5                                                 2
    kernel                                                     half the width and height
    dilation, erosion                                          the times to repeat
    opening, closing                                           twice the times to repeat
    edge                                                       2n + 1 (smoothing and derivative n each, n from
                                                               the standard deviation, plus the suppression's 1)

Two methods depend on the whole frame and run as one task on the whole
array (its chunks are joined first, so it must fit one worker's memory):
"skeletonization", whose thinning runs until nothing changes anywhere, and
"flat_field", which scales by the mean of the whole calibration frame.

When a function is called, the method first runs once on a small picture of
the same depth: its warnings (a clamped parameter, a short kernel array) are
issued then, once, and an error (even kernel dimensions) is raised then.
The runs on the chunks issue no warnings.
"""

import functools
import math
import warnings

import dask.array as da
import numpy as np
from dask.array.overlap import overlap, trim_internal

import kafilters

from ._catalogue import MethodInfo
from ._errors import KafiltersWarning
from ._run import bind_arguments

__all__ = ["WHOLE_FRAME_METHODS", "halo"]

# Methods whose output depends on the whole frame: they run on the whole array.
WHOLE_FRAME_METHODS = frozenset({"skeletonization", "flat_field"})

# The standard deviation "edge" takes when none is given (its input has no
# descriptor to read it from).
_EDGE_DEFAULT_DEVIATION = 1.0


def _first(value):
    """The number the module reads from a value: an array's first element."""
    return float(np.asarray(value, dtype=np.float64).ravel()[0])


def _integer(method, values, index):
    """An integer input as far as the halo goes: truncated toward zero and
    limited to 1 and the descriptor's Max, its default from the descriptor
    when not given. A method may clamp to a lower minimum, and a value beyond
    32 bits or not finite may end anywhere in the limits: a halo wider than
    the reach costs time, never bytes, so those take 1 and the Max."""
    fields = dict(part.split("=", 1) for part in method.inputs[index].descriptor.split(";") if "=" in part)
    value = values.get(index)
    value = float(fields["Default"]) if value is None else _first(value)
    high = int(fields["Max"])
    if not (math.isfinite(value) and abs(value) < 2.0 ** 31):
        return high
    return int(min(max(math.trunc(value), 1), high))


def _edge_half_width(values):
    value = values.get(1)
    sigma = float(np.float32(_EDGE_DEFAULT_DEVIATION if value is None else _first(value)))
    if not math.isfinite(sigma):
        return 10
    return min(max(math.trunc(sigma * 3.35 + 0.33), 0), 10)


def _kernel_half_sizes(values):
    width, height = (math.trunc(_first(values.get(k, 0))) for k in (1, 2))
    return abs(height) // 2, abs(width) // 2


def _square(reach):
    return reach, reach


# Method name -> function(method, input index -> value) -> (rows, columns)
# of neighbours an output pixel depends on.
_REACH = {
    **{name: lambda m, v: _square(_integer(m, v, 1))
       for name in ("median", "minimum", "maximum", "extreme", "mean", "gaussian", "blur",
                    "dilation", "erosion")},
    "opening": lambda m, v: _square(2 * _integer(m, v, 1)),
    "closing": lambda m, v: _square(2 * _integer(m, v, 1)),
    "laplacian_high_boost_1": lambda m, v: (1, 1),
    "laplacian_high_boost_2": lambda m, v: (1, 1),
    "laplacian_high_boost_3": lambda m, v: (1, 1),
    "kernel_3x3": lambda m, v: (1, 1),
    "kernel_5x5": lambda m, v: (2, 2),
    "kernel": lambda m, v: _kernel_half_sizes(v),
    "edge": lambda m, v: _square(2 * _edge_half_width(v) + 1),
}


def halo(method, *frames, **params):
    """(rows, columns): how far an output pixel of the method with these
    parameters reaches into its neighbourhood; None for a method that depends
    on the whole frame."""
    info = method if isinstance(method, MethodInfo) else kafilters.methods()[method]
    if info.name in WHOLE_FRAME_METHODS:
        return None
    values = bind_arguments(info, frames, params)
    return _REACH[info.name](info, {k: v for k, v in values.items() if v is not None})


def _run_quietly(name, params, image, *frames):
    """One run of the module on a chunk (or the whole array); warnings were
    issued already when the graph was built."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", KafiltersWarning)
        return kafilters.run(name, np.ascontiguousarray(image), *map(np.ascontiguousarray, frames), **params)


def _probe(name, image, frames, params):
    """Runs the method once on a 3 x 3 picture of the image's depth, so that
    its warnings and errors come now, and returns the output's dimensions."""
    small = np.zeros((3, 3) + tuple(image.shape[2:]), np.uint8)
    return kafilters.run(name, small, *[small for _ in frames], **params).ndim


def _as_array(image):
    image = da.asarray(image)
    if image.dtype != np.uint8 or image.ndim not in (2, 3):
        raise TypeError("expected a 2-D or 3-D dask array of uint8, got %d-D %s" % (image.ndim, image.dtype))
    # The channels of a pixel always travel together.
    return image.rechunk({2: -1}) if image.ndim == 3 else image


def _whole(name, image, frames, params, drop_channels):
    image = image.rechunk(-1)
    frames = [_as_array(frame).rechunk(-1) for frame in frames]
    return da.map_blocks(functools.partial(_run_quietly, name, params), image, *frames, dtype=np.uint8,
                         drop_axis=2 if drop_channels else None)


def _tiled(name, image, reach, params, drop_channels):
    depth = dict(enumerate(reach))
    for axis, size in enumerate(image.shape[:2]):
        # A halo as deep as the picture: that axis is not split at all.
        if depth[axis] >= size:
            image = image.rechunk({axis: -1})
            depth[axis] = 0
    if image.ndim == 3:
        depth[2] = 0
    grown = overlap(image, depth=depth, boundary="none")
    out = grown.map_blocks(functools.partial(_run_quietly, name, params), dtype=np.uint8,
                           drop_axis=2 if drop_channels else None)
    return trim_internal(out, {0: depth[0], 1: depth[1]}, boundary="none")


def run(method, image, *frames, **params):
    """Runs the method of that catalogue name on a dask array; parameters as
    for the method's own function."""
    info = kafilters.methods().get(method)
    if info is None:
        raise ValueError("unknown method %r; kafilters.methods() lists them" % (method,))
    # Frame inputs (given by position or keyword) become arrays beside the
    # image; the numbers travel with the function, by keyword.
    bound = sorted(bind_arguments(info, frames, params).items())
    frames = [value for index, value in bound if info.inputs[index].type == "frame"]
    params = {info.inputs[index].keyword: value for index, value in bound if info.inputs[index].type != "frame"}
    image = _as_array(image)
    drop_channels = _probe(method, image, frames, params) < image.ndim
    reach = halo(info, *frames, **params)
    if reach is None:
        return _whole(method, image, frames, params, drop_channels)
    return _tiled(method, image, reach, params, drop_channels)


def _method_function(name):
    def function(image, *frames, **params):
        return run(name, image, *frames, **params)

    plain = getattr(kafilters, name)
    function.__name__ = function.__qualname__ = name
    function.__module__ = __name__
    function.__doc__ = plain.__doc__ + ("\n\nOn a dask array: "
                                        + ("runs on the whole array as one task (the result depends on the "
                                           "whole frame)." if name in WHOLE_FRAME_METHODS else
                                           "runs chunk by chunk with a halo of the method's reach."))
    function.__signature__ = plain.__signature__
    return function


def __getattr__(name):
    if not name.startswith("_") and name in kafilters.methods():
        globals()[name] = _method_function(name)
        return globals()[name]
    raise AttributeError("module %r has no attribute %r" % (__name__, name))
