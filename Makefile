# Set-up commands for a fresh machine. `make demo` builds in Release and runs
# the tool's main job; `make test` builds and runs the whole test suite.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all configure build demo test clean bench

all: build

configure:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The demo needs only the module and the tool; it writes demo-out/ and ends
# by printing the path of the gallery.
demo: configure
	cmake --build $(BUILD) --target kafilters_tool -j $(JOBS)
	./$(BUILD)/kafilters demo

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

# `make windows`: cross-builds the Windows DLLs with MinGW-w64 into
# build-win32/ (kafilters.dll, ka_iproc.dll, kafilters.exe: what the host
# loads) and build-win64/ (the same and the test programs), DLLs at the top
# of each. `make wine-test`: runs the 64-bit tests and the frame-runs host
# under Wine and checks both builds against the Linux one in $(BUILD).
WIN32_BUILD ?= build-win32
WIN64_BUILD ?= build-win64
.PHONY: windows wine-test
windows:
	cmake -S . -B $(WIN32_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake -DKAF_TESTS=OFF
	cmake --build $(WIN32_BUILD) -j $(JOBS)
	cmake -S . -B $(WIN64_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
	cmake --build $(WIN64_BUILD) -j $(JOBS)

wine-test: windows
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) --target test_windows kafilters_module -j $(JOBS)
	bash tests/windows/wine-test.sh $(WIN64_BUILD) $(WIN32_BUILD) $(BUILD)
