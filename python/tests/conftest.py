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

# Parameters other than the defaults for every method (keyword -> value),
# giving the methods reaches that differ and pass the smallest dask chunks.
PARAMETERS = {
    "median": dict(radius=3), "minimum": dict(radius=2, intensity=0.5), "maximum": dict(radius=1, intensity=0.4),
    "extreme": dict(radius=5, intensity=0.9), "mean": dict(radius=4), "gaussian": dict(radius=2),
    "blur": dict(radius=3, rating=0.3), "laplacian_high_boost_1": dict(coefficient=0.5),
    "laplacian_high_boost_2": dict(coefficient=1.25), "laplacian_high_boost_3": dict(coefficient=2),
    "kernel_3x3": dict(source=[-1, 0, 1, -2, 0.5, 2, -1, 0, 1]), "kernel_5x5": dict(source=np.linspace(-1, 1, 25)),
    "kernel": dict(width=7, height=3, source=np.linspace(0.2, -0.1, 21)),
    "dilation": dict(repeat=3, threshold=0.4), "erosion": dict(repeat=2, threshold=0.4),
    "opening": dict(repeat=2, threshold=0.5), "closing": dict(repeat=3, threshold=0.6),
    "edge": dict(deviation=0.4, threshold=0), "skeletonization": dict(iterations=4, threshold=0.45), "flat_field": {},
}


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
