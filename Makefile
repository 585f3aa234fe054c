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
CTEST_JOBS ?= 2

.PHONY: all deps builds win64 win32 native release run test fuzz bench ci-time clean

all: win64 win32

deps:
	@tools/install-deps.sh

# Each build runs its own jobs: an outer make's job slots are not handed down.
win64: deps
	@cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/win64 -j $(JOBS) -- --no-print-directory

win32: deps
	@cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DQUILLON_TESTS=OFF >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/win32 -j $(JOBS) -- --no-print-directory

native: deps
	@cmake -S . -B $(BUILD)/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/native -j $(JOBS) -- --no-print-directory

run: all
	@tools/run-quillon.sh $(BUILD)/win64

# The three builds run one after another, each on every core: side by side
# they only take turns on the same cores (measured on 2 cores, from scratch:
# 500 s in turn, 532 s side by side).
builds: deps
	@$(MAKE) --no-print-directory win64
	@$(MAKE) --no-print-directory win32
	@$(MAKE) --no-print-directory native

# One ctest run over the Windows tests (under Wine) and the native ones.
test: builds
	@printf 'subdirs("win64" "native")\n' > $(BUILD)/CTestTestfile.cmake
	@ctest --test-dir $(BUILD) --output-on-failure -j $(CTEST_JOBS) -LE bench

fuzz: deps
	@cmake -S . -B $(BUILD)/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)/fuzz -j $(JOBS) -- --no-print-directory
	@tools/run-fuzzers.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# The native benchmarks run in a Release build without the sanitizers, where
# their targets are stated; the Windows ones in the Windows build.
release: deps
	@cmake -S . -B $(BUILD)/release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DQUILLON_SANITIZE=OFF >/dev/null
	@MAKEFLAGS= cmake --build $(BUILD)/release -j $(JOBS) --target benches -- --no-print-directory

# The log is kept; the table of the rows the benchmarks printed ends the run.
bench: deps
	@$(MAKE) --no-print-directory -j2 -Otarget win64 release
	@printf 'subdirs("win64" "release")\n' > $(BUILD)/CTestTestfile.cmake
	@bash -c 'set -o pipefail; ctest --test-dir $(BUILD) -L bench -V 2>&1 | tee $(BUILD)/bench.log'; \
	  status=$$?; tools/bench-table.sh $(BUILD)/bench.log $(BUILD); exit $$status

# The fresh-clone CI time, for the note row of the bench table.
ci-time:
	@tools/ci-time.sh $(BUILD)

clean:
	rm -rf $(BUILD) dist
