"""The module's two line scanners, called through their exported C++ names
with a ctypes callback that collects the samples."""

import ctypes
import operator

import numpy as np

from ._errors import KafiltersError
from ._frames import image_bpp
from ._host import Session
from ._native import SampleCallback, TLine, TRectangularRegion

SAMPLE_DTYPE = np.dtype([("x", "<f4"), ("y", "<f4"), ("value", "<u4")])

# The scanners sum weights of 2 * bits bits times a channel of up to 255
# (plain) or 3060 (sharpened) in 32-bit integers.
_MAX_BITS = {False: 11, True: 9}
_SCANNER_NAMES = {False: "ScanLineSubPixelPrecision", True: "ScanLineSubPixelPrecisionWithSharpening"}


def _reals(values, count, what):
    try:
        reals = [float(v) for v in values]
    except TypeError:
        raise TypeError("%s must be a sequence of %d numbers" % (what, count)) from None
    if len(reals) != count:
        raise ValueError("%s must have %d numbers, not %d" % (what, count, len(reals)))
    return reals


def _integer(value, low, high, what):
    number = operator.index(value)
    if not low <= number <= high:
        raise ValueError("%s must lie between %d and %d, not %d" % (what, low, high, number))
    return number


def scan_line(native, image, line, mode, bits, region, sharpen, limit):
    sharpen = bool(sharpen)
    scanner = native.scanners.get(sharpen)
    if scanner is None:
        raise KafiltersError("the module does not export " + _SCANNER_NAMES[sharpen])
    image_bpp(image)
    segment = TLine(*_reals(line, 4, "line"))
    area = None if region is None else TRectangularRegion(*_reals(region, 5, "region"))
    mode = _integer(mode, -2 ** 31, 2 ** 31 - 1, "mode")
    bits = _integer(bits, 1, _MAX_BITS[sharpen], "bits")
    if limit is not None:
        limit = _integer(limit, 1, 2 ** 63 - 1, "limit")

    samples = []

    def on_sample(_user, x, y, value):
        samples.append((x, y, value))
        return 0 if limit is not None and len(samples) >= limit else 1

    callback = SampleCallback(on_sample)
    with Session(native) as session:
        frame = session.add_frame("Scan frame", image)
        scanner(frame, None if area is None else ctypes.byref(area), segment, mode, 0, bits, callback)
    return np.array(samples, dtype=SAMPLE_DTYPE)
