"""What the Python side adds around the module: arrays in and out of frames,
keyword handling, the catalogue, the module's warnings and errors as
KafiltersWarning and KafiltersError with its exact texts, and the scanners'
sample records (the samples themselves are the C++ suite's, agreement with
the tool is test_tool's)."""

import inspect
import warnings

import numpy as np
import pytest

import kafilters
from kafilters import _frames, _host, _native

DEPTHS = (8, 24, 32)


@pytest.mark.parametrize("bpp", DEPTHS)
@pytest.mark.parametrize("width", (1, 2, 3, 5, 37))
def test_frame_rows_follow_array_rows_with_stride_padding(picture, bpp, width):
    image = picture(bpp, height=4, width=width)
    native = _native.native()
    with _host.Session(native) as session:
        frame = session.add_frame("f", image)
        stride = native.host.KaFrameStride(frame)
        row_bytes = width * image.itemsize * (1 if image.ndim == 2 else image.shape[2])
        assert stride % 4 == 0 and row_bytes <= stride < row_bytes + 4
        rows = _frames._rows(native, frame)
        np.testing.assert_array_equal(rows[:, :row_bytes], image.reshape(4, row_bytes))
        assert not rows[:, row_bytes:].any()
        np.testing.assert_array_equal(_frames.frame_image(native, frame), image)


def test_non_contiguous_views_are_read_as_arrays(picture):
    image = picture(24, width=20)
    view = image[::2, ::-3]
    np.testing.assert_array_equal(kafilters.blur(view, rating=1), view)


def test_keywords_short_full_and_catalogue_names_agree(picture):
    image = picture(8)
    by_short = kafilters.median(image, radius=2)
    np.testing.assert_array_equal(kafilters.median(image, neighbourhood_radius=2), by_short)
    np.testing.assert_array_equal(kafilters.run("median", image, **{"Neighbourhood radius": 2}), by_short)
    np.testing.assert_array_equal(kafilters.median(image, radius=np.int64(2)), by_short)
    assert not np.array_equal(kafilters.median(image), by_short)  # default radius 1


def test_bad_arguments_raise_type_and_value_errors(picture):
    image = picture(8)
    with pytest.raises(TypeError, match="unexpected keyword argument 'size'.*its parameters: radius"):
        kafilters.median(image, size=3)
    with pytest.raises(TypeError, match="multiple values for 'radius'"):
        kafilters.median(image, radius=1, neighbourhood_radius=2)
    with pytest.raises(TypeError, match="dtype uint8"):
        kafilters.median(image.astype(np.float32))
    with pytest.raises(ValueError, match="shape"):
        kafilters.median(np.zeros((4, 4, 2), np.uint8))
    with pytest.raises(TypeError, match="white must be a numpy array"):
        kafilters.flat_field(image, [[1]])
    with pytest.raises(ValueError, match="unknown method 'sharpen'"):
        kafilters.run("sharpen", image)


def test_catalogue_gives_functions_signatures_and_keywords():
    methods = kafilters.methods()
    assert len(methods) == 20 and list(methods)[0] == "blur" and "flat_field" in methods
    keywords = {name: [i.keyword for i in info.inputs[1:]] for name, info in methods.items()}
    assert keywords["blur"] == ["radius", "rating"]
    assert keywords["kernel"] == ["width", "height", "source"]
    assert keywords["flat_field"] == ["white"]
    assert methods["median"].group == "Morphologic filters"
    assert str(inspect.signature(kafilters.flat_field)) == "(image, /, white=None)"
    assert str(inspect.signature(kafilters.minimum)) == "(image, /, *, radius=None, intensity=None)"
    assert "Changing each pixel with neighbourhood median" in kafilters.median.__doc__
    assert set(methods) <= set(dir(kafilters))
    with pytest.raises(AttributeError):
        kafilters.no_such_method


def run_collecting(function, *args, **kwargs):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = function(*args, **kwargs)
    return result, [(w.category, str(w.message), w.filename) for w in caught]


def test_warnings_carry_the_exact_text_and_the_caller(picture):
    # The texts themselves are the C++ suite's; here they must arrive whole,
    # once, as KafiltersWarning pointing at the caller.
    image = picture(8)
    result, caught = run_collecting(kafilters.median, image, radius=20)
    assert caught == [(kafilters.KafiltersWarning,
                       "Not acceptable value of the parameter Neighbourhood radius (20). "
                       "It will be used new value 10.", __file__)]
    np.testing.assert_array_equal(result, kafilters.median(image, radius=10))
    result, caught = run_collecting(kafilters.median, image, radius=[2, 7, 9])
    assert [text for _, text, _ in caught] == [
        "Only the first element of the array would be evaluated in the input data object Neighbourhood radius"]
    np.testing.assert_array_equal(result, kafilters.median(image, radius=2))


def test_failed_runs_raise_with_the_module_error_text(picture):
    image = picture(8)
    with pytest.raises(kafilters.KafiltersError) as failure:
        kafilters.kernel(image, width=2, height=1, source=[1, 1])
    assert failure.value.text == "error: Kernel dimensions must be odd integers"
    assert str(failure.value) == failure.value.text and failure.value.method == "kernel"
    with pytest.raises(kafilters.KafiltersError, match="^error: "):
        kafilters.flat_field(image)  # no white frame given


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
