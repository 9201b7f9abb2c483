# The commands of the README. Every target that builds runs the set-up step first.
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: all setup build test demo fuzz bench clean

all: build

setup:
	@scripts/setup

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS)

build-asan/quervik_tests: setup FORCE
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUERVIK_SANITIZE=address,undefined >/dev/null
	cmake --build build-asan -j$(JOBS) --target quervik_tests

build-tsan/quervik_tests: setup FORCE
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUERVIK_SANITIZE=thread >/dev/null
	cmake --build build-tsan -j$(JOBS) --target quervik_tests

fuzz-build: setup
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERVIK_FUZZ=ON >/dev/null
	cmake --build build-fuzz -j$(JOBS)

test: build build-asan/quervik_tests build-tsan/quervik_tests fuzz-build
	cd build && ctest --output-on-failure -j$(JOBS) --timeout 1800

# Runs every fuzz target for FUZZ_SECONDS each (default 300).
FUZZ_SECONDS ?= 300
fuzz: fuzz-build
	scripts/fuzz-run build-fuzz $(FUZZ_SECONDS)

demo: build
	scripts/demo

bench: build
	scripts/bench

clean:
	rm -rf build build-asan build-tsan build-fuzz

FORCE:
