"""The module's catalogue, read through its enumeration exports, and the
keyword names the Python functions give each method's inputs.

Keyword rule: an input is named by the last word of its catalogue name in
lower case ("Neighbourhood radius" -> radius, "Pass-through rating" ->
rating, "Maximum number of iterations" -> iterations, "Times to repeat" ->
repeat), except a frame input, whose name ends in "frame" and which takes
the first word ("White calibration frame" -> white). Should two inputs of one
method share a short form, both use their full snake_case name. The full
snake_case name ("neighbourhood_radius") and the catalogue name itself
("Neighbourhood radius") are accepted as well.
"""

import re
from collections import namedtuple
from ctypes import byref, c_int32, c_void_p

from ._native import INVALID_METHOD_HANDLE, utf16_buffer, utf16_text

InputInfo = namedtuple("InputInfo", "index name keyword type descriptor")
InputInfo.__doc__ = """One input of a method: its index, catalogue name, Python keyword,
type ("frame" or "number") and descriptor text ("" when it has none)."""

MethodInfo = namedtuple("MethodInfo", "index name description group inputs available")
MethodInfo.__doc__ = """One method of the catalogue: index, name, description, level-1
category name, inputs (input 0, the image, first) and whether the module
builds an object for it."""

FRAME_TYPE = 1
NUMBER_TYPE = 10
_TYPE_NAMES = {FRAME_TYPE: "frame", NUMBER_TYPE: "number"}

# Texts of up to _TEXT_MAX characters arrive whole; the buffers hold the
# bounded copy of _TEXT_MAX + 1 characters and one more NUL.
_TEXT_MAX = 255


def snake_case(name):
    return re.sub(r"[^0-9a-z]+", "_", name.lower()).strip("_")


def _short_keyword(name, type_name):
    words = snake_case(name).split("_")
    return words[0] if type_name == "frame" else words[-1]


def _keywords(inputs):
    """Short keywords of inputs 1 and up, with the full name on a clash."""
    shorts = [_short_keyword(name, type_name) for name, type_name, _ in inputs[1:]]
    return ["image"] + [
        short if shorts.count(short) == 1 else snake_case(name)
        for short, (name, _, _) in zip(shorts, inputs[1:])]


def _read_method(native, index):
    module = native.module
    name = utf16_buffer(_TEXT_MAX + 2)
    description = utf16_buffer(_TEXT_MAX + 2)
    icon = c_void_p()
    reserved = c_int32()
    if not module.EnumerateMethods(index, _TEXT_MAX, name, _TEXT_MAX, description, byref(icon), byref(reserved)):
        return None

    group = utf16_buffer(_TEXT_MAX + 2)
    code = c_int32()
    module.EnumerateMethodsCategories(index, 0, 1, _TEXT_MAX, group, byref(code), byref(icon))

    raw_inputs = []
    while True:
        type_code = c_int32()
        descriptor = utf16_buffer(_TEXT_MAX + 2)
        input_name = utf16_buffer(_TEXT_MAX + 2)
        if not module.EnumerateMethodInputs(index, len(raw_inputs), byref(type_code), _TEXT_MAX, descriptor,
                                            _TEXT_MAX, input_name):
            break
        type_name = _TYPE_NAMES.get(type_code.value, "type %d" % type_code.value)
        raw_inputs.append((utf16_text(input_name), type_name, utf16_text(descriptor)))

    inputs = tuple(InputInfo(k, raw[0], keyword, raw[1], raw[2])
                   for k, (raw, keyword) in enumerate(zip(raw_inputs, _keywords(raw_inputs))))
    handle = module.InitMethod(index)
    available = handle not in (0, INVALID_METHOD_HANDLE)
    module.DoneMethod(handle)
    return MethodInfo(index, utf16_text(name), utf16_text(description), utf16_text(group), inputs, available)


def read_catalogue(native):
    """Every method the module lists, by name, in catalogue order."""
    methods = {}
    index = 0
    while True:
        method = _read_method(native, index)
        if method is None:
            return methods
        methods[method.name] = method
        index += 1


def keyword_map(method):
    """Every accepted keyword of a method's inputs 1 and up -> input index."""
    accepted = {}
    for info in method.inputs[1:]:
        for key in (info.keyword, snake_case(info.name), info.name):
            accepted.setdefault(key, info.index)
    return accepted
