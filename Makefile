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
# build-win32/ (kafilters.dll and ka_iproc.dll: what the host loads, with
# kafilters.exe and the frame-runs host) and build-win64/ (the same and the
# test programs), DLLs at the top of each. `make wine-test`: runs the 64-bit
# tests under Wine, the frame-runs host and the tool of both builds under
# wine64 and wine32, and checks their bytes against the Linux build in $(BUILD).
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

# Hardening (.ci/hardening.sh runs the first three; cmake/sanitizers.cmake has
# the build options). `make asan-test`: the whole suite built with
# AddressSanitizer + UndefinedBehaviorSanitizer, leaks checked. `make
# tsan-test`: the concurrency test under ThreadSanitizer with one OpenMP
# thread per host thread (OpenMP's runtime is not instrumented). `make fuzz`:
# each libFuzzer target for FUZZ_SECONDS from fuzz/corpus/<target>; what it
# finds lands in $(FUZZ_BUILD)/artifacts. `make soak`: scripts/soak.sh.
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 45
SOAK_MINUTES ?= 10
SANITIZER_BUILD_TYPE = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
# Failed allocations return null (as they do without the sanitizer) so the
# tests of "Not enough memory" paths can run.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_init_order=1:allocator_may_return_null=1 \
  LSAN_OPTIONS=suppressions=$(abspath cmake/sanitizers.lsan.supp):print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
.PHONY: asan-test tsan-test fuzz soak
asan-test:
	cmake -S . -B $(ASAN_BUILD) -G Ninja $(SANITIZER_BUILD_TYPE) -DKAF_SANITIZE=address
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

tsan-test:
	cmake -S . -B $(TSAN_BUILD) -G Ninja $(SANITIZER_BUILD_TYPE) -DKAF_SANITIZE=thread -DKAF_TOOL=OFF
	cmake --build $(TSAN_BUILD) --target test_concurrency -j $(JOBS)
	OMP_NUM_THREADS=1 TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./$(TSAN_BUILD)/tests/test_concurrency

FUZZ_TARGETS = fuzz_run_method fuzz_scanners fuzz_image_readers
# Huge allocations fail (return null) instead of stopping the fuzzer, so the
# module's "Not enough memory" paths run.
FUZZ_ENV = ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=2048:detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 OMP_NUM_THREADS=2
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja $(SANITIZER_BUILD_TYPE) -DKAF_FUZZ=ON -DKAF_TESTS=OFF
	cmake --build $(FUZZ_BUILD) --target fuzz_targets -j $(JOBS)
	mkdir -p $(FUZZ_BUILD)/artifacts
	set -e; for target in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$target; \
	  echo "fuzzing $$target for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_ENV) ./$(FUZZ_BUILD)/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=25 -rss_limit_mb=4096 \
	    -malloc_limit_mb=4096 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$target- \
	    $(FUZZ_BUILD)/corpus/$$target fuzz/corpus/$$target > $(FUZZ_BUILD)/$$target.log 2>&1 \
	    || { tail -80 $(FUZZ_BUILD)/$$target.log; exit 1; }; \
	  grep -E "^(Done|stat::number_of_executed_runs|INFO: seed corpus)" $(FUZZ_BUILD)/$$target.log; \
	done

soak:
	scripts/soak.sh $(SOAK_MINUTES)

# `make linux32`: the module, ka_iproc, the tool and the test programs built
# with -m32 into build-linux32/ (the same float code generation as the 32-bit
# DLL; needs g++-multilib). `make test32`: the whole suite there, then the
# 32-bit module's bytes against the 64-bit build's (frame runs and the tool on
# the demo pictures).
LINUX32_BUILD ?= build-linux32
.PHONY: linux32 test32
linux32:
	cmake -S . -B $(LINUX32_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux32.cmake $(CMAKE_FLAGS)
	cmake --build $(LINUX32_BUILD) -j $(JOBS)

test32: linux32 build
	cd $(LINUX32_BUILD) && ctest --output-on-failure -j $(JOBS)
	bash tests/windows/compare-linux32.sh $(LINUX32_BUILD) $(BUILD)

# `make test-sets`: the 64-bit module's frame runs under qemu-x86_64 as a
# plain x86-64 processor and as one without AVX-512, against this machine's
# (needs qemu-user): every processor starts the module and gets the same bytes.
.PHONY: test-sets
test-sets: build
	bash tests/windows/compare-instruction-sets.sh $(BUILD)
