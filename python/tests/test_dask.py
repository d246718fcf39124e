"""kafilters.dask on a real dask.distributed cluster: every method, tiled or
whole-frame, gives the bytes of the numpy function on the whole array, for
chunkings that do not divide the picture and halos deeper than the chunks."""

import os
import warnings

import numpy as np
import pytest

dask_array = pytest.importorskip("dask.array")
distributed = pytest.importorskip("distributed")

import kafilters  # noqa: E402
import kafilters.dask as kd  # noqa: E402

from conftest import PARAMETERS, ROOT  # noqa: E402

# The tiled methods, and edge again with a deeper reach.
TILED = [(name, params) for name, params in PARAMETERS.items() if name not in ("skeletonization", "flat_field")]
TILED.append(("edge", dict(deviation=2.0, threshold=0.05)))


@pytest.fixture(scope="module")
def client():
    # The workers are new processes: they find the package and the libraries
    # through the environment.
    os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [os.path.join(ROOT, "python"),
                                                             os.environ.get("PYTHONPATH")]))
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        yield client


@pytest.mark.parametrize("bpp, chunks", [(8, (9, 13)), (24, (8, 11)), (32, (11, 8))])
def test_every_method_on_the_cluster_gives_the_whole_frame_bytes(client, picture, bpp, chunks):
    # Coarse levels, so that the threshold methods meet both dark and light.
    image = picture(bpp, 41, 57, seed=bpp) // 48 * 48
    white = picture(bpp, 41, 57, seed=99) | 1
    tiles = dask_array.from_array(image, chunks=chunks + image.shape[2:])
    pairs = []
    for name, params in TILED:
        pairs.append(((name, params), kafilters.run(name, image, **params), kd.run(name, tiles, **params)))
    pairs.append(("skeletonization", kafilters.skeletonization(image), kd.skeletonization(tiles)))
    pairs.append(("flat_field", kafilters.flat_field(image, white),
                  kd.flat_field(tiles, dask_array.from_array(white, chunks=(20, 20) + white.shape[2:]))))
    results = client.gather(client.compute([lazy for _, _, lazy in pairs]))
    for (case, expected, _), got in zip(pairs, results):
        assert got.shape == expected.shape and np.array_equal(got, expected), case


def test_warnings_and_errors_come_once_when_the_graph_is_built():
    image = np.random.default_rng(1).integers(0, 256, (30, 30)).astype(np.uint8)
    tiles = dask_array.from_array(image, chunks=7)
    for radius in (12, -3, 1e12):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always", kafilters.KafiltersWarning)
            got = kd.median(tiles, radius=radius).compute(scheduler="sync")
            clamped = [str(w.message) for w in caught if issubclass(w.category, kafilters.KafiltersWarning)]
            # Clamped radii: the halo covers the radius the module really uses.
            assert np.array_equal(got, kafilters.median(image, radius=radius)), radius
        assert len(clamped) == 1 and clamped[0].startswith("Not acceptable value"), (radius, clamped)
    with pytest.raises(kafilters.KafiltersError, match="Kernel dimensions must be odd integers"):
        kd.kernel(tiles, width=4, height=3, source=[1] * 12)
