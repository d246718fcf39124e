"""Agreement with the kafilters tool on the same pictures (BMP files, whose
rows the tool reads and writes in storage order), for the methods and the
line scanners."""

import os
import re
import shutil
import struct
import subprocess

import numpy as np
import pytest

import kafilters
from kafilters import _native

from conftest import PARAMETERS

DEPTHS = (8, 24, 32)


def write_bmp(path, image):
    height, width = image.shape[:2]
    bpp = 8 if image.ndim == 2 else 8 * image.shape[2]
    stride = (width * bpp + 31) // 32 * 4
    palette = b"".join(bytes((v, v, v, 0)) for v in range(256)) if bpp == 8 else b""
    rows = np.zeros((height, stride), np.uint8)
    rows[:, :width * bpp // 8] = image.reshape(height, -1)
    offset = 14 + 40 + len(palette)
    with open(path, "wb") as file:
        file.write(b"BM" + struct.pack("<IHHI", offset + rows.size, 0, 0, offset))
        file.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, rows.size, 0, 0,
                               256 if bpp == 8 else 0, 0))
        file.write(palette + rows.tobytes())


def read_bmp(path):
    with open(path, "rb") as file:
        data = file.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bpp = struct.unpack_from("<iiHH", data, 18)
    stride = (width * bpp + 31) // 32 * 4
    rows = np.frombuffer(data, np.uint8, stride * abs(height), offset).reshape(abs(height), stride)
    pixels = rows[:, :width * bpp // 8]
    return pixels.reshape(abs(height), width) if bpp == 8 else pixels.reshape(abs(height), width, bpp // 8)


@pytest.fixture(scope="module")
def tool():
    folder = _native.native().folder
    path = os.environ.get("KAFILTERS_TOOL") or os.path.join(folder, "kafilters")
    if not os.path.isfile(path):
        pytest.skip("no kafilters tool at " + path)
    environment = dict(os.environ, KAFILTERS_MODULE=os.path.join(folder, _native.MODULE_FILE))

    def call(*args):
        done = subprocess.run([path, *args], capture_output=True, text=True, env=environment)
        assert done.returncode == 0, done.stderr
        return done.stdout
    call.path, call.environment = path, environment
    return call


def tool_value(value):
    return ",".join(repr(float(v)) for v in np.atleast_1d(value))


@pytest.mark.parametrize("bpp", DEPTHS)
@pytest.mark.parametrize("name", sorted(PARAMETERS))
def test_methods_agree_with_the_tool(picture, tool, tmp_path, name, bpp):
    method = kafilters.methods()[name]
    image = picture(bpp)
    params = dict(PARAMETERS[name])
    input_path, output_path = str(tmp_path / "in.bmp"), str(tmp_path / "out.bmp")
    write_bmp(input_path, image)
    arguments = []
    for info in method.inputs[1:]:
        if info.type == "frame":
            white = picture(bpp, seed=9) | np.uint8(128)
            write_bmp(str(tmp_path / "white.bmp"), white)
            params[info.keyword] = white
            arguments += ["-p", "%s=%s" % (info.name, tmp_path / "white.bmp")]
        elif info.keyword in params:
            arguments += ["-p", "%s=%s" % (info.name, tool_value(params[info.keyword]))]
    tool("run", name, input_path, output_path, *arguments)
    np.testing.assert_array_equal(kafilters.run(name, image, **params), read_bmp(output_path))


def read_samples(text):
    lines = text.strip().splitlines()
    assert lines[0] == "x,y,value"
    rows = [line.split(",") for line in lines[1:]]
    return np.array([(float(x), float(y), int(v)) for x, y, v in rows], dtype=kafilters.SAMPLE_DTYPE)


@pytest.mark.parametrize("sharpen", (False, True))
@pytest.mark.parametrize("bpp,mode", ((8, 0), (8, 1), (32, 0), (32, 1), (32, 3)))
def test_scanners_agree_with_the_tool(picture, tool, tmp_path, bpp, mode, sharpen):
    image = picture(bpp)
    path = str(tmp_path / "scan.bmp")
    write_bmp(path, image)
    line, region = (-2.5, 3.25, 40, 19.5), (18, 11, 30, 14, 20)
    flags = ["--line=" + tool_value(line), "--region=" + tool_value(region), "--mode=%d" % mode, "--bits=7"]
    expected = read_samples(tool("scan", path, *flags, *(["--sharpen"] if sharpen else [])))
    samples = kafilters.scan_line(image, line, mode=mode, bits=7, region=region, sharpen=sharpen)
    assert len(samples) > 20
    np.testing.assert_array_equal(samples, expected)


def test_shards_run_by_gnu_parallel_write_exactly_the_files_of_one_run(picture, tool, tmp_path):
    parallel = shutil.which("parallel")
    if not parallel:
        pytest.skip("GNU parallel is not installed")
    folder = tmp_path / "in"
    folder.mkdir()
    for k in range(17):
        write_bmp(str(folder / ("p%02d.bmp" % k)), picture(8 if k % 3 else 24, 9, 11, seed=k))
    settings = ["-p", "Neighbourhood radius=2"]
    tool("run", "median", str(folder), str(tmp_path / "whole"), *settings)
    done = subprocess.run([parallel, "--quote", "--halt", "now,fail=1", tool.path, "run", "median", str(folder),
                           str(tmp_path / "shards"), *settings, "--shard", "{}/4", ":::", "1", "2", "3", "4"],
                          capture_output=True, text=True, env=tool.environment)
    assert done.returncode == 0, done.stderr
    # The four parts are disjoint and cover the folder ...
    taken = [int(n) for n in re.findall(r"shard \d/4 takes (\d+) of the 17 image files", done.stderr)]
    assert len(taken) == 4 and sum(taken) == 17, done.stderr
    # ... and give the files of the single run, byte for byte.
    names = sorted(os.listdir(tmp_path / "whole"))
    assert sorted(os.listdir(tmp_path / "shards")) == names
    for name in names:
        assert (tmp_path / "shards" / name).read_bytes() == (tmp_path / "whole" / name).read_bytes(), name
