"""The Windows tool's image formats under Wine: PNG and TIFF written by the
Linux tool are read by the Windows one, and its PNG and TIFF are read back by
the Linux tool, every byte unchanged at 8, 24 and 32 bits; 16-bit TIFF is
refused as on Linux. Runs when the 64-bit Windows build (`make windows`, or
the folder named by KAFILTERS_WIN64_BUILD) and Wine are there."""

import os
import shutil
import struct
import subprocess

import numpy as np
import pytest

from conftest import ROOT
from test_tool import read_bmp, tool, write_bmp  # noqa: F401 (tool: the Linux tool's fixture)

WINDOWS_BUILD = os.environ.get("KAFILTERS_WIN64_BUILD") or os.path.join(ROOT, "build-win64")
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
COPY = ["-p", "Pass-through rating=1"]  # "blur" then copies the frame whole


@pytest.fixture(scope="module")
def windows_tool():
    exe = os.path.join(WINDOWS_BUILD, "kafilters.exe")
    if not (os.path.isfile(exe) and os.access(WINE, os.X_OK)):
        pytest.skip("no Windows build at %s or no Wine" % WINDOWS_BUILD)
    environment = dict(os.environ, WINEPREFIX=os.path.join(WINDOWS_BUILD, "wine-prefix"), WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=")

    def call(*args):
        run = lambda: subprocess.run([WINE, exe, *args], capture_output=True, text=True, env=environment,
                                     stdin=subprocess.DEVNULL)
        done = run()
        # Now and then Wine fails to start the program at all: exit status 1
        # and not a word on either stream, which the tool never gives (each
        # of its own failures prints why). That one case is tried again.
        if done.returncode == 1 and not done.stdout and not done.stderr:
            done = run()
        return done
    return call


def sixteen_bit_tiff(path, width=3, height=2):
    """A grey TIFF of 16-bit samples, one uncompressed strip."""
    pixels = bytes(2 * width * height)
    tags = [(256, width), (257, height), (258, 16), (259, 1), (262, 1), (273, 8), (277, 1), (278, height),
            (279, len(pixels))]
    entries = b"".join(struct.pack("<HHII", tag, 4, 1, value) for tag, value in tags)
    with open(path, "wb") as file:
        file.write(b"II*\0" + struct.pack("<I", 8 + len(pixels)) + pixels + struct.pack("<H", len(tags)) + entries
                   + struct.pack("<I", 0))


@pytest.mark.parametrize("bpp", (8, 24, 32))
def test_png_and_tiff_pass_between_the_linux_and_the_windows_tool_unchanged(picture, tool, windows_tool, monkeypatch,
                                                                           tmp_path, bpp):
    image = picture(bpp)
    monkeypatch.chdir(tmp_path)  # Wine is given relative paths
    write_bmp("in.bmp", image)
    for extension in ("png", "tif"):
        tool("run", "blur", "in.bmp", "linux." + extension, *COPY)
        for output in ("windows." + extension, "windows-" + extension + ".bmp"):
            done = windows_tool("run", "blur", "linux." + extension, output, *COPY)
            assert done.returncode == 0, done.stderr
        tool("run", "blur", "windows." + extension, "back-" + extension + ".bmp", *COPY)
        np.testing.assert_array_equal(read_bmp("windows-" + extension + ".bmp"), image, "read " + extension)
        np.testing.assert_array_equal(read_bmp("back-" + extension + ".bmp"), image, "written " + extension)


def test_sixteen_bit_tiff_is_refused_by_depth(windows_tool, monkeypatch, tmp_path):
    monkeypatch.chdir(tmp_path)
    sixteen_bit_tiff("deep.tif")
    done = windows_tool("run", "blur", "deep.tif", "out.png")
    assert done.returncode == 2
    assert "16-bit samples cannot be processed" in done.stderr
    assert not os.path.exists("out.png")
