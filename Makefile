# The commands of the README. Every target that builds runs the set-up step first.
JOBS ?= 2
CMAKE_FLAGS ?=
# Warnings stop the build in `make test` (and CI, which runs it), never in a user's build.
WERROR ?= OFF
test: WERROR = ON

.PHONY: all setup build build-release test coverage demo fuzz bench clean windows

all: build

setup:
	@scripts/setup

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERVIK_WERROR=$(WERROR) $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS)

# The optimised build users get from a plain `cmake -DCMAKE_BUILD_TYPE=Release`.
build-release: setup
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUERVIK_WERROR=$(WERROR) >/dev/null
	cmake --build build-release -j$(JOBS)

build-asan/quervik_tests: setup FORCE
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUERVIK_SANITIZE=address,undefined -DQUERVIK_WERROR=$(WERROR) >/dev/null
	cmake --build build-asan -j$(JOBS) --target quervik_tests

build-tsan/quervik_tests: setup FORCE
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUERVIK_SANITIZE=thread -DQUERVIK_WERROR=$(WERROR) >/dev/null
	cmake --build build-tsan -j$(JOBS) --target quervik_tests

fuzz-build: setup
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERVIK_FUZZ=ON -DQUERVIK_WERROR=$(WERROR) >/dev/null
	cmake --build build-fuzz -j$(JOBS)

# The tests run with a TMPDIR of their own, which must be empty again when they end.
test: build build-release build-asan/quervik_tests build-tsan/quervik_tests fuzz-build windows
	cd build && ../scripts/clean-tmp ctest --output-on-failure -j$(JOBS) --timeout 1800

# Line and branch coverage of src/ by the GoogleTest suites and the Java host tests;
# the report is build-coverage/coverage/index.html.
coverage: setup
	cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug -DQUERVIK_COVERAGE=ON >/dev/null
	cmake --build build-coverage -j$(JOBS)
	scripts/coverage build-coverage

# Runs every fuzz target for FUZZ_SECONDS each (default 300).
FUZZ_SECONDS ?= 300
fuzz: fuzz-build
	scripts/fuzz-run build-fuzz $(FUZZ_SECONDS)

demo: build
	scripts/demo

bench: build
	scripts/bench

# Windows x64: quervik.dll, quervik.exe, the tests and build-windows/quervik-windows-x64.zip,
# cross-built with MinGW-w64 over the static OpenSSL that `scripts/setup --windows` caches.
windows: setup
	deps=$$(scripts/setup --windows | tail -1) && \
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DQUERVIK_WINDOWS_DEPS="$$deps" $(CMAKE_FLAGS) >/dev/null
	cmake --build build-windows -j$(JOBS)

clean:
	rm -rf build build-release build-asan build-tsan build-fuzz build-coverage build-windows

FORCE:
