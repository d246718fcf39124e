"""The tests use the package from this source tree and the libraries of the
build folder named by KAFILTERS_LIBRARY_DIR (build/ of the checkout when it
is not set)."""

import os
import sys

import numpy as np
import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "python"))
os.environ.setdefault("KAFILTERS_LIBRARY_DIR", os.path.join(ROOT, "build"))

CHANNELS = {8: None, 24: 3, 32: 4}


@pytest.fixture
def picture():
    """picture(bpp, height, width): a gradient with noise and a dark blob, so
    thresholds and rank filters meet both smooth and busy areas."""
    def make(bpp, height=23, width=37, seed=5):
        rng = np.random.default_rng(seed)
        y, x = np.mgrid[0:height, 0:width]
        base = (x * 255 // max(width - 1, 1) + y * 3) % 256
        base = np.where((x - width // 3) ** 2 + (y - height // 2) ** 2 < (height // 4) ** 2, 20, base)
        shape = (height, width) if CHANNELS[bpp] is None else (height, width, CHANNELS[bpp])
        noise = rng.integers(-40, 41, shape)
        if CHANNELS[bpp] is not None:
            base = base[..., None] + np.arange(CHANNELS[bpp]) * 29
        return np.clip(base + noise, 0, 255).astype(np.uint8)
    return make
