# make        both Windows programs into dist/win64 and dist/win32
# make run    Quillon under Wine, with an emulated adapter on a virtual port
# make test   every test, ending with ctest's summary
# make fuzz   the libFuzzer targets, FUZZ_SECONDS each
# make bench  the benchmarks, printing their figures (native ones in a Release build)
#             and the table of their targets
# make ci-time  times .ci/run on a fresh clone (the table's note row)
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 600
CTEST_JOBS ?= 3

.PHONY: all deps win64 win64-benches win32 native release run test fuzz bench ci-time clean

# How each build is configured. A new build folder gets Ninja, which spends
# less of a build's time on itself than make (25 s of a 4.6-minute Windows
# build on 2 cores); a folder made before keeps the generator it was made with.
generator = $(if $(wildcard $(1)/CMakeCache.txt),,-G Ninja)
CONFIGURE_WIN64 = cmake -S . -B $(BUILD)/win64 $(call generator,$(BUILD)/win64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
CONFIGURE_WIN32 = cmake -S . -B $(BUILD)/win32 $(call generator,$(BUILD)/win32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DQUILLON_TESTS=OFF
CONFIGURE_NATIVE = cmake -S . -B $(BUILD)/native $(call generator,$(BUILD)/native) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo

all: win64 win32

deps:
	@tools/install-deps.sh

# Each build runs its own jobs: an outer make's job slots are not handed down.
win64: deps
	@$(CONFIGURE_WIN64) >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/win64 -j $(JOBS)

win32: deps
	@$(CONFIGURE_WIN32) >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/win32 -j $(JOBS)

native: deps
	@$(CONFIGURE_NATIVE) >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/native -j $(JOBS)

run: all
	@tools/run-quillon.sh $(BUILD)/win64

# One ctest run over the Windows tests (under Wine) and the native ones. The
# Windows build is made first, as its tests need it from the first one on;
# ctest makes the 32-bit and native builds itself, at the lowest priority,
# while the tests under Wine leave the cores idle (cmake/build-as-test.cmake).
# Three at once: the tests that hold the desktop one after another, a build or
# another test, and one more. The Windows tests are listed first: a few native
# ones have the same names, and ctest ties a fixture's clean-up to the first
# test of a name.
test: deps
	@$(CONFIGURE_WIN32) -DQUILLON_BUILD_AS_TEST=ON >/dev/null
	@$(CONFIGURE_NATIVE) -DQUILLON_BUILD_AS_TEST=ON >/dev/null
	@$(MAKE) --no-print-directory win64
	@printf 'subdirs("win64" "native" "win32")\n' > $(BUILD)/CTestTestfile.cmake
	@ctest --test-dir $(BUILD) --output-on-failure -j $(CTEST_JOBS) -LE bench

fuzz: deps
	@cmake -S . -B $(BUILD)/fuzz $(call generator,$(BUILD)/fuzz) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/fuzz -j $(JOBS)
	@tools/run-fuzzers.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# The Windows build does not make the benchmarks unless asked: the tests never
# need them.
win64-benches: win64
	@MAKEFLAGS= cmake --build $(BUILD)/win64 -j $(JOBS) --target benches

# The native benchmarks run in a Release build without the sanitizers, where
# their targets are stated; the Windows ones in the Windows build.
release: deps
	@cmake -S . -B $(BUILD)/release $(call generator,$(BUILD)/release) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DQUILLON_SANITIZE=OFF >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/release -j $(JOBS) --target benches

# The log is kept; the table of the rows the benchmarks printed ends the run.
bench: deps
	@$(MAKE) --no-print-directory -j2 -Otarget win64-benches release
	@printf 'subdirs("win64" "release")\n' > $(BUILD)/CTestTestfile.cmake
	@bash -c 'set -o pipefail; ctest --test-dir $(BUILD) -L bench -V 2>&1 | tee $(BUILD)/bench.log'; \
	  status=$$?; tools/bench-table.sh $(BUILD)/bench.log $(BUILD); exit $$status

# The fresh-clone CI time, for the note row of the bench table.
ci-time:
	@tools/ci-time.sh $(BUILD)

clean:
	rm -rf $(BUILD) dist
