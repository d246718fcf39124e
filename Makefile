# Set-up commands for a fresh machine. `make demo` builds in Release and runs
# the tool's main job; `make test` builds and runs the whole test suite.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all build demo test clean bench

all: build

build:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./$(BUILD)/kafilters list

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# `make bench`: installs the benchmark's own dependencies if missing, builds
# the harness in its own folder and prints the table (also written to
# bench-out/results.csv). BENCH_FILTER picks rows by regular expression,
# e.g. `make bench BENCH_FILTER=median`; BENCH_ARGS passes further flags.
BENCH_BUILD ?= build-bench
BENCH_FILTER ?=
BENCH_ARGS ?=
bench:
	sh bench/install-deps.sh
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAF_BENCH=ON -DKAF_TESTS=OFF -DKAF_TOOL=OFF
	cmake --build $(BENCH_BUILD) --target kaf_bench -j $(JOBS)
	mkdir -p bench-out
	./$(BENCH_BUILD)/kaf_bench --filter='$(BENCH_FILTER)' --csv=bench-out/results.csv $(BENCH_ARGS)

# `make python-test`: the Python package's tests (python/tests) against the
# libraries and the tool of $(BUILD), with the distribution's python3 and its
# python3-numpy and python3-pytest.
PYTHON ?= /usr/bin/python3
.PHONY: python-test
python-test: build
	KAFILTERS_LIBRARY_DIR=$(abspath $(BUILD)) $(PYTHON) -m pytest -q -p no:cacheprovider python/tests
