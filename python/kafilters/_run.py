"""Running one method on an array the way a host does: a session holding the
image and the given parameters, catalogue input k wired to an object named
after input k, output 0 wired to "Output frame", then InitMethod, RunMethod
and DoneMethod."""

import warnings

import numpy as np

from ._catalogue import keyword_map
from ._errors import KafiltersError, KafiltersWarning, MethodNotBuiltError
from ._frames import frame_image
from ._host import ParameterList, Session
from ._native import INVALID_METHOD_HANDLE, utf16_buffer, utf16_text

OUTPUT_FRAME = "Output frame"

# The longest error text taken from a run, in characters.
_ERROR_MAX = 255


def _parameter_list_text(method):
    names = ", ".join(info.keyword for info in method.inputs[1:])
    return "its parameters: " + names if names else "it takes no parameters"


def bind_arguments(method, args, kwargs):
    """Input index -> value. Frame inputs may also be given by position, after
    the image; numbers only by keyword."""
    call = method.name + "()"
    frames = [info for info in method.inputs[1:] if info.type == "frame"]
    if len(args) > len(frames):
        raise TypeError("%s takes %d positional argument%s but %d were given"
                        % (call, 1 + len(frames), "" if not frames else "s", 1 + len(args)))
    bound = {info.index: value for info, value in zip(frames, args)}
    accepted = keyword_map(method)
    for key, value in kwargs.items():
        index = accepted.get(key)
        if index is None:
            raise TypeError("%s got an unexpected keyword argument '%s' (%s)"
                            % (call, key, _parameter_list_text(method)))
        if index in bound:
            raise TypeError("%s got multiple values for '%s'" % (call, method.inputs[index].keyword))
        bound[index] = value
    return bound


def _numbers(value, what):
    """(float, False) for one number, (float64 array, True) for an array."""
    if isinstance(value, (str, bytes)):
        raise TypeError("%s must be a number or an array of numbers, not %s" % (what, type(value).__name__))
    try:
        array = np.asarray(value)
    except ValueError:
        array = None
    if array is None or array.dtype.kind not in "biuf":
        raise TypeError("%s must be a number or an array of numbers, not %r" % (what, value))
    if array.ndim == 0:
        return float(array), False
    return array.astype(np.float64).ravel(), True


def _fill_session(session, method, image, bound):
    session.add_frame(method.inputs[0].name, image)
    # A parameter not given has no object behind its name: the method then
    # takes its default.
    for index, value in sorted(bound.items()):
        if value is None:
            continue
        info = method.inputs[index]
        if info.type == "frame":
            session.add_frame(info.name, value, info.keyword)
            continue
        numbers, is_array = _numbers(value, info.keyword)
        if is_array:
            session.add_array(info.name, numbers)
        else:
            session.add_number(info.name, numbers)


def run_method(native, method, image, args, kwargs, stacklevel):
    """Runs the method and returns the output frame as an array. Warnings go to
    warnings.warn (stacklevel counted from the caller of this function)."""
    bound = bind_arguments(method, args, kwargs)
    module = native.module
    with Session(native) as session, \
            ParameterList(native, [info.name for info in method.inputs]) as inputs, \
            ParameterList(native, [OUTPUT_FRAME]) as outputs:
        _fill_session(session, method, image, bound)
        handle = module.InitMethod(method.index)
        if handle in (0, INVALID_METHOD_HANDLE):
            raise MethodNotBuiltError('method "%s" is not built into this module (InitMethod gave no object)'
                                      % method.name, method.name)
        error = utf16_buffer(_ERROR_MAX + 2)
        try:
            ok = module.RunMethod(handle, session.host, inputs.handle, inputs.context, outputs.handle,
                                  outputs.context, _ERROR_MAX, error)
        finally:
            module.DoneMethod(handle)
        for text in session.warnings():
            warnings.warn(KafiltersWarning(text), stacklevel=stacklevel + 1)
        if not ok:
            raise KafiltersError(utf16_text(error) or "error: the method failed without a message", method.name)
        frame = session.find_frame(OUTPUT_FRAME)
        if not frame:
            raise KafiltersError('error: the method left no "%s"' % OUTPUT_FRAME, method.name)
        return frame_image(native, frame)
