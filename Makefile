# make run      installs what the program needs, builds only the program (its help reader and help
#               file with it) and starts it
# make test     installs what the tests need, builds everything, then every test: unit tests, the
#               sanitizer build under a comma-decimal locale, a short fuzz run of every fuzz target
#               and the format and naming checks
# make bench    benchmarks
# make package  a Debian package, build-package/brunovelt_VERSION_ARCH.deb, checked by lintian
# make fuzz     long fuzz runs (FUZZ_SECONDS each, default 300)
# make fresh-check  make run and make test as on a fresh machine: in a Debian 12 root of their
#               own (debootstrap) that has only git, make and libgtest-dev; needs root
# make fuzz-reader  the help reader with chmlib in-process for FUZZ_SECONDS; counts chmlib's findings
# Each installs its own Debian packages first (tools/install-deps.sh PROFILE).

JOBS         ?= 2
FUZZ_SECONDS ?= 300
SMOKE_FUZZ_SECONDS ?= 20
TEST_TIMEOUT ?= 300
CMAKE_FLAGS  ?=

# What the window needs: the program, the help reader it starts and the help file.
PROGRAM_TARGETS := brunovelt brunovelt-help-reader help_chm
BENCH_TARGETS   := engine_bench sheet_enter_bench template_bench settings_store_bench bench_gen_lines minimal_window

.PHONY: all deps deps-run deps-test deps-bench deps-package deps-fresh build build-program build-asan \
        build-fuzz run test unit-test asan-test fuzz-smoke fuzz fuzz-reader bench package format \
        format-check naming-check fresh-check clean

all: build

deps:
	@tools/install-deps.sh

deps-run deps-test deps-bench deps-package deps-fresh: deps-%:
	@tools/install-deps.sh $*

# make run and make bench build in folders of their own with the tests switched off, so that
# neither depends on what else is installed or on how make test configured build/.
build-program: deps-run
	cmake -S . -B build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRUNOVELT_TESTS=OFF -DBRUNOVELT_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-run -j $(JOBS) --target $(PROGRAM_TARGETS)

build: deps-test
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRUNOVELT_TESTS=ON -DBRUNOVELT_BENCH=ON -DBRUNOVELT_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: deps-test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBRUNOVELT_SANITIZE=ON -DBRUNOVELT_TESTS=ON -DBRUNOVELT_BENCH=OFF -DBRUNOVELT_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

build-fuzz: deps-test
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRUNOVELT_FUZZ=ON -DBRUNOVELT_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets

run: build-program
	build-run/brunovelt

# A test that hangs is ended and reported after TEST_TIMEOUT seconds (the slowest takes about 25)
# instead of holding up the run.
unit-test: build
	ctest --test-dir build --output-on-failure -j $(JOBS) --timeout $(TEST_TIMEOUT)

# The sanitizer build also proves that answers do not follow the process locale.
asan-test: build-asan
	LC_ALL=de_DE.UTF-8 ctest --test-dir build-asan --output-on-failure -j $(JOBS) --timeout $(TEST_TIMEOUT)

fuzz-smoke: build-fuzz
	tools/run-fuzzers.sh build-fuzz $(SMOKE_FUZZ_SECONDS)

fuzz: build-fuzz
	tools/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

fuzz-reader: build-fuzz
	cmake --build build-fuzz -j $(JOBS) --target chm_reader_fuzz
	tools/fuzz-help-reader.sh build-fuzz $(FUZZ_SECONDS)

# The fuzz runs keep one core busy and the naming check two, so they run side by side after the
# unit tests; each one's output is shown whole when it ends.
test: unit-test asan-test
	$(MAKE) --no-print-directory -j2 --output-sync=target fuzz-smoke naming-check format-check

bench: deps-bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRUNOVELT_TESTS=OFF -DBRUNOVELT_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS) --target $(PROGRAM_TARGETS) $(BENCH_TARGETS)
	build-bench/bench/engine_bench
	build-bench/bench/sheet_enter_bench
	build-bench/bench/template_bench
	build-bench/bench/settings_store_bench
	cd bench && ./settings_startup_bench.py ../build-bench/brunovelt
	bench/compare-calculators.sh build-bench/brunovelt
	bench/startup_bench.py build-bench/brunovelt build-bench/bench/minimal_window

# Built as Debian builds its packages: with dpkg-buildflags' hardening flags, tests and
# benchmarks left out; cpack strips the executables and dpkg-shlibdeps finds the dependencies.
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
# The time of the last commit for every time stamp in the package, so that a build of the same
# commit gives the same bytes.
package: export SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || date +%s)
package: deps-package
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRUNOVELT_TESTS=OFF -DBRUNOVELT_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" $(CMAKE_FLAGS)
	cmake --build build-package -j $(JOBS)
	cd build-package && cpack -G DEB
	tools/check-package-reproducible.sh build-package
	lintian --fail-on error build-package/brunovelt_*.deb

fresh-check: deps-fresh
	tools/fresh-check.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

# The naming rule of README.md over the program's own sources (clang-tidy, about two minutes).
naming-check: build
	JOBS=$(JOBS) tools/naming-check.sh build

clean:
	rm -rf build build-run build-bench build-asan build-fuzz build-package
