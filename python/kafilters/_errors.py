"""The package's exception and warning classes."""


class KafiltersError(Exception):
    """A method failed (the module's own error text, "error: ..."), or the
    libraries could not be used."""

    def __init__(self, text, method=None):
        super().__init__(text)
        self.text = text
        self.method = method


class MethodNotBuiltError(KafiltersError, NotImplementedError):
    """The module lists the method but has no object for it (InitMethod gave
    none): the method is not built into this module."""


class KafiltersWarning(UserWarning):
    """A warning the module issued during a run (a parameter clamped to its
    limits, an array given where one value is read, ...), with its exact
    text."""
