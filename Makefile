# make run   installs what is missing, builds, starts the program
# make test  the same set-up, then every test: unit tests, the sanitizer build under a comma-decimal
#            locale, a short fuzz run of every fuzz target and the format check
# make fuzz  long fuzz runs (FUZZ_SECONDS each, default 300)
# make fuzz-reader  the help reader with chmlib in-process for FUZZ_SECONDS; counts chmlib's findings
# make bench benchmarks

JOBS         ?= 2
FUZZ_SECONDS ?= 300
SMOKE_FUZZ_SECONDS ?= 20
CMAKE_FLAGS  ?=

.PHONY: all deps build build-asan build-fuzz run test unit-test asan-test fuzz-smoke fuzz fuzz-reader bench format format-check clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBRUNOVELT_SANITIZE=ON -DBRUNOVELT_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

build-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRUNOVELT_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets

run: build
	build/brunovelt

unit-test: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

# The sanitizer build also proves that answers do not follow the process locale.
asan-test: build-asan
	LC_ALL=de_DE.UTF-8 ctest --test-dir build-asan --output-on-failure -j $(JOBS)

fuzz-smoke: build-fuzz
	tools/run-fuzzers.sh build-fuzz $(SMOKE_FUZZ_SECONDS)

fuzz: build-fuzz
	tools/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

fuzz-reader: build-fuzz
	cmake --build build-fuzz -j $(JOBS) --target chm_reader_fuzz
	tools/fuzz-help-reader.sh build-fuzz $(FUZZ_SECONDS)

test: unit-test asan-test fuzz-smoke format-check

bench: build
	build/bench/engine_bench
	build/bench/sheet_enter_bench
	build/bench/template_bench
	build/bench/settings_store_bench
	cd bench && ./settings_startup_bench.py ../build/brunovelt
	bench/compare-calculators.sh build/brunovelt
	bench/startup_bench.py build/brunovelt build/bench/minimal_window

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-fuzz
