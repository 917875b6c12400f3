# Velmor Quintrel: the two commands a new user needs are `make run` and `make test`.
# Each first installs the Debian packages the build needs (only when missing),
# then configures and builds into build/ (build-asan/ with SANITIZE=1).

BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
# The tools the benchmark compares against, installed only by `make bench`.
BENCH_PACKAGES ?= findutils sed perl sd rpl ripgrep

ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-asan
CMAKE_EXTRA += -DQUINTREL_SANITIZE=ON
else
BUILD_DIR ?= build
endif

.PHONY: all deps configure build run test package bench clean

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

# The Debian package velmor-quintrel_<version>_<arch>.deb in $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench:
	@EXTRA_PACKAGES="python3 $(BENCH_PACKAGES)" scripts/install-deps
	@$(MAKE) --no-print-directory build
	@bench/run $(BUILD_DIR) $(BENCH)

clean:
	rm -rf build build-asan
