"""numpy arrays in and out of host frames.

A frame holds rows of width x bytes-per-pixel bytes, each padded to whole
32-bit words: the row stride. Array row y is frame row y (the first row
stored), whatever the picture's orientation; colour pixels keep the frame's
byte order, blue, green, red (and the fourth byte at 32 bits).
"""

import ctypes

import numpy as np

from ._errors import KafiltersError

# Channels per pixel -> bits per pixel, and back.
_BPP_OF_CHANNELS = {1: 8, 3: 24, 4: 32}
_CHANNELS_OF_BPP = {8: 1, 24: 3, 32: 4}


def image_bpp(image, what="image"):
    """Checks an image array and returns its frame depth in bits per pixel."""
    if not isinstance(image, np.ndarray):
        raise TypeError("%s must be a numpy array, not %s" % (what, type(image).__name__))
    if image.dtype != np.uint8:
        raise TypeError("%s must have dtype uint8, not %s" % (what, image.dtype))
    if image.ndim == 2:
        channels = 1
    elif image.ndim == 3 and image.shape[2] in (3, 4):
        channels = image.shape[2]
    else:
        raise ValueError("%s must have shape (H, W), (H, W, 3) or (H, W, 4), not %s" % (what, image.shape))
    if image.shape[0] < 1 or image.shape[1] < 1:
        raise ValueError("%s must have at least one row and one column, not shape %s" % (what, image.shape))
    return _BPP_OF_CHANNELS[channels]


def _rows(native, frame):
    """The frame's pixel rows as a writable (height, stride) view; valid only
    while the frame lives."""
    host = native.host
    height = host.GetFrameDepth(frame)
    stride = host.KaFrameStride(frame)
    block = (ctypes.c_uint8 * (stride * height)).from_address(host.GetFrameDataAddr(frame))
    return np.frombuffer(block, dtype=np.uint8).reshape(height, stride)


def add_image_frame(native, session, name, image, what="image"):
    """A frame in the session holding the image's pixels. A frame of that name
    and geometry already there is reused: its pixels are rewritten in place
    and it is marked as changed, so a method that keeps results per frame
    timestamp sees new content."""
    host = native.host
    bpp = image_bpp(image, what)
    height, width = image.shape[:2]
    frame = host.KaSessionFindFrame(session, name)
    reused = bool(frame) and (host.GetFrameWidth(frame), host.GetFrameDepth(frame),
                              host.GetFrameBPP(frame)) == (width, height, bpp)
    if not reused:
        frame = host.KaSessionAddFrame(session, name, width, height, bpp)
    if not frame:
        raise KafiltersError("the host cannot make a frame of %d x %d pixels at %d bits" % (width, height, bpp))
    row_bytes = width * _CHANNELS_OF_BPP[bpp]
    _rows(native, frame)[:, :row_bytes] = image.reshape(height, row_bytes)
    if reused:
        host.KaSessionTouchFrame(session, name)
    return frame


def frame_image(native, frame):
    """A copy of a frame's pixels as an array of the frame's depth."""
    host = native.host
    bpp = host.GetFrameBPP(frame)
    channels = _CHANNELS_OF_BPP.get(bpp)
    if channels is None:
        raise KafiltersError("the output frame has %d bits per pixel; arrays hold 8, 24 or 32" % bpp)
    height, width = host.GetFrameDepth(frame), host.GetFrameWidth(frame)
    pixels = _rows(native, frame)[:, :width * channels].copy()
    return pixels.reshape(height, width) if channels == 1 else pixels.reshape(height, width, channels)
