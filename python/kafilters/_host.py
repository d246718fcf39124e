"""A host session and parameter lists over the host library's C face. Each
lives for one call and is destroyed on leaving its `with` block."""

import ctypes

import numpy as np

from ._frames import add_image_frame


def _name(text):
    return text.encode("utf-8")


class _Owned:
    """An object of the host library, freed on leaving the `with` block by
    the host function named _destroy."""

    _destroy = None

    def __init__(self, native, pointer, what):
        self._host = native.host
        self.pointer = pointer
        if not pointer:
            raise MemoryError("the host library cannot create " + what)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        getattr(self._host, self._destroy)(self.pointer)
        self.pointer = None


class Session(_Owned):
    _destroy = "KaSessionDestroy"

    def __init__(self, native):
        super().__init__(native, native.host.KaSessionCreate(), "a session")
        self._native = native

    @property
    def host(self):
        """The `host` argument of RunMethod."""
        return self._host.KaSessionHost(self.pointer)

    def add_frame(self, name, image, what="image"):
        return add_image_frame(self._native, self.pointer, _name(name), image, what)

    def add_number(self, name, value):
        self._host.KaSessionAddNumber(self.pointer, _name(name), float(value))

    def add_array(self, name, values):
        values = np.ascontiguousarray(values, dtype=np.float64)
        self._host.KaSessionAddArray(self.pointer, _name(name),
                                     values.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), values.size)

    def find_frame(self, name):
        return self._host.KaSessionFindFrame(self.pointer, _name(name))

    def warnings(self):
        """The warnings the runs added, in order."""
        texts = []
        for index in range(self._host.KaSessionWarningCount(self.pointer)):
            length = self._host.KaSessionReadWarningUtf8(self.pointer, index, None, 0)
            buffer = ctypes.create_string_buffer(length + 1)
            self._host.KaSessionReadWarningUtf8(self.pointer, index, buffer, length + 1)
            texts.append(buffer.raw[:length].decode("utf-8", "replace"))
        return texts


class ParameterList(_Owned):
    """Parameter k wired to the object named names[k]."""

    _destroy = "KaParameterListDestroy"

    def __init__(self, native, names):
        encoded = [_name(name) for name in names]
        array = (ctypes.c_char_p * len(encoded))(*encoded)
        super().__init__(native, native.host.KaParameterListCreate(array, len(encoded)), "a parameter list")

    @property
    def handle(self):
        return self._host.KaParameterListHandle(self.pointer)

    @property
    def context(self):
        return self._host.KaParameterListContext(self.pointer)
