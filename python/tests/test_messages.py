"""The module's warnings as KafiltersWarning and its errors as KafiltersError,
each with the module's exact text."""

import warnings

import numpy as np
import pytest

import kafilters


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
