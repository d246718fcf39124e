"""The line scanners through their exported C++ names."""

import numpy as np
import pytest

import kafilters


@pytest.fixture
def grey():
    return np.random.default_rng(3).integers(0, 256, (24, 20), dtype=np.uint8)


def test_whole_pixel_steps_report_the_pixels_own_values(grey):
    samples = kafilters.scan_line(grey, (10.0, 20.0, 15.0, 20.0), mode=1, bits=8)
    assert samples.dtype == kafilters.SAMPLE_DTYPE
    np.testing.assert_array_equal(samples["x"], [10, 11, 12, 13, 14])
    np.testing.assert_array_equal(samples["y"], [20] * 5)
    np.testing.assert_array_equal(samples["value"], grey[20, 10:15])
    packed = kafilters.scan_line(grey, (10.0, 20.0, 15.0, 20.0), mode=0, bits=8)
    np.testing.assert_array_equal(packed["value"], grey[20, 10:15].astype(np.uint32) * 0x10101)


def test_options_reach_the_scanners(grey):
    # What each option does is the C++ suite's; here each must arrive.
    image = np.zeros((10, 30), np.uint8)
    image[:, 20:] = 100
    samples = kafilters.scan_line(image, (17, 5, 24, 5), bits=8, sharpen=True)
    np.testing.assert_array_equal(samples["value"], [0, 0, 0, 175, 100, 100, 100])
    assert len(kafilters.scan_line(grey, (2, 2, 15, 9), limit=1)) == 1
    inside = kafilters.scan_line(grey, (1, 12, 19, 12), region=(10, 12, 4, 2, 0))
    np.testing.assert_array_equal(inside["x"], [8, 9, 10, 11, 12])
    assert len(kafilters.scan_line(np.dstack([grey] * 4), (2, 2, 15, 9), mode=5)) == 0


def test_scan_arguments_are_checked(grey):
    with pytest.raises(ValueError, match="bits must lie between 1 and 9"):
        kafilters.scan_line(grey, (0, 0, 5, 5), bits=10, sharpen=True)
    with pytest.raises(ValueError, match="line must have 4 numbers"):
        kafilters.scan_line(grey, (0, 0, 5))
    with pytest.raises(TypeError):
        kafilters.scan_line(grey, (0, 0, 5, 5), mode=1.5)
