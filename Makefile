# The whole set-up on a fresh Debian 12 machine: `make run` starts the monitor, `make test` runs every test.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps configure build run test bench fuzz format asan-test clean package screenshots

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/dravik

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DDRAVIK_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir build-asan --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DDRAVIK_BUILD_TESTS=OFF -DDRAVIK_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	cmake --build build-bench --target run-bench
	cmake --build build-bench --target bench-list

# libFuzzer targets, built with clang under ASan+UBSan; FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DDRAVIK_BUILD_TESTS=OFF -DDRAVIK_BUILD_FUZZ=ON -DDRAVIK_WERROR=OFF
	FUZZ_SECONDS=$(FUZZ_SECONDS) cmake --build build-fuzz -j $(JOBS) --target run-fuzz

package: build
	cd $(BUILD) && cpack -G DEB

# The README's pictures in docs/: the real program on a private X display, sample data served on 127.0.0.1.
screenshots: configure
	cmake --build $(BUILD) -j $(JOBS) --target dravik
	python3 scripts/screenshots.py $(BUILD)/dravik docs

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz
