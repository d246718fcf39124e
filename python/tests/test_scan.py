"""The line scanners through their exported C++ names: what the Python side
adds (the sample records, the limit, argument checks). The samples themselves
are the C++ suite's, and agreement with the tool is test_tool's."""

import numpy as np
import pytest

import kafilters


@pytest.fixture
def grey():
    return np.random.default_rng(3).integers(0, 256, (24, 20), dtype=np.uint8)


def test_samples_are_records_and_the_limit_ends_the_walk(grey):
    samples = kafilters.scan_line(grey, (10.0, 20.0, 15.0, 20.0), mode=0, bits=8)
    assert samples.dtype == kafilters.SAMPLE_DTYPE
    np.testing.assert_array_equal(samples["x"], [10, 11, 12, 13, 14])
    np.testing.assert_array_equal(samples["value"], grey[20, 10:15].astype(np.uint32) * 0x10101)
    assert len(kafilters.scan_line(grey, (2, 2, 15, 9), limit=1)) == 1
    assert len(kafilters.scan_line(np.dstack([grey] * 4), (2, 2, 15, 9), mode=5)) == 0


def test_scan_arguments_are_checked(grey):
    with pytest.raises(ValueError, match="bits must lie between 1 and 9"):
        kafilters.scan_line(grey, (0, 0, 5, 5), bits=10, sharpen=True)
    with pytest.raises(ValueError, match="line must have 4 numbers"):
        kafilters.scan_line(grey, (0, 0, 5))
    with pytest.raises(TypeError):
        kafilters.scan_line(grey, (0, 0, 5, 5), mode=1.5)
