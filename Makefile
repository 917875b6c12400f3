# Velmor Quintrel: the two commands a new user needs are `make run` and `make test`.
# Each first installs the Debian packages the build needs (only when missing),
# then configures and builds into build/ (build-asan/ with SANITIZE=1).

# Only what the build says, without make's "Entering directory" lines.
MAKEFLAGS += --no-print-directory

BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
# The tools the benchmark compares against, installed only by `make bench`.
BENCH_PACKAGES ?= findutils sed perl sd rpl ripgrep
# clang's libFuzzer and sanitizer runtimes, installed only by `make fuzz`.
FUZZ_PACKAGES ?= clang libclang-rt-14-dev
# How long `make fuzz` runs each fuzz target, and the size of its crash
# consistency run (kill points per phase, generated files besides the fixed ones).
FUZZ_SECONDS ?= 120
CRASH_POINTS ?= 400
CRASH_FILES ?= 40

# WERROR=1 turns every compiler warning into an error (CI builds so).
WERROR ?= 0
CMAKE_EXTRA += -DQUINTREL_WERROR=$(if $(filter 1,$(WERROR)),ON,OFF)

ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-asan
CMAKE_EXTRA += -DQUINTREL_SANITIZE=ON
else
BUILD_DIR ?= build
endif

.PHONY: all deps configure build run test check-format package bench fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_EXTRA) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/quintrel ]; then \
	    exec $(BUILD_DIR)/quintrel; \
	else \
	    echo "The program (quintrel) is not built yet; only the support library exists so far."; \
	fi

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest -j$(JOBS) --output-on-failure

# Every C++ file as clang-format (.clang-format) writes it.
check-format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The Debian package velmor-quintrel_<version>_<arch>.deb in $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench:
	@EXTRA_PACKAGES="python3 $(BENCH_PACKAGES)" scripts/install-deps
	@$(MAKE) --no-print-directory build
	@bench/run $(BUILD_DIR) $(BENCH)

# The fuzz targets under libFuzzer (built with clang into build-fuzz/), each
# for FUZZ_SECONDS; an input that finds a fault is kept in
# build-fuzz/fuzz-findings/ (see scripts/run-fuzz). Then the crash
# consistency test at full size: hundreds of kills per phase.
fuzz:
	@EXTRA_PACKAGES="$(FUZZ_PACKAGES)" scripts/install-deps
	@cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DQUINTREL_FUZZ=ON -DQUINTREL_BUILD_TESTS=OFF -DQUINTREL_BUILD_GUI=OFF >/dev/null
	@cmake --build build-fuzz -j$(JOBS)
	@scripts/run-fuzz build-fuzz $(FUZZ_SECONDS)
	@$(MAKE) --no-print-directory build
	@echo "crash consistency, full size: $(CRASH_POINTS) kill points per phase over $(CRASH_FILES) more files"
	@cd $(BUILD_DIR) && QUINTREL_CRASH_POINTS=$(CRASH_POINTS) QUINTREL_CRASH_FILES=$(CRASH_FILES) \
	    ctest --output-on-failure -R 'CrashConsistency' --timeout 7200

clean:
	rm -rf build build-asan build-fuzz
