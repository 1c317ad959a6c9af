# Front door: every target first makes sure the Debian packages are there.
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
# Only the suites that work the stand-in's threads (label "threads").
TSAN_TARGETS := media_tests cd_tests fm_scenario_tests host_scenario_tests
FUZZ_BUILD := build-fuzz
FUZZ_TARGETS := settings wav mci playlist station file_wav file_mp3 file_mid file_wma
FUZZ_SECONDS ?= 60
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup build build-asan build-tsan build-fuzz run test fuzz bench soak faults format clean windows package

all: build

setup:
	@bash tools/setup.sh

build: setup
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: setup
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DSKYTUNE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

build-tsan: setup
	@cmake -S . -B $(TSAN_BUILD) $(CMAKE_FLAGS) -DSKYTUNE_TSAN=ON >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)

# The fuzz targets need clang's libFuzzer; without clang they are left out
# and their smoke tests skip.
build-fuzz: setup
	@if command -v clang++ >/dev/null 2>&1; then \
		cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DSKYTUNE_FUZZ=ON \
			-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null && \
		cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers; \
	else \
		echo "build-fuzz: clang is not installed, no fuzz targets"; \
	fi

# The radio in its window on the demo disc; the demo sounds go on the presets
# the first time (relative paths: the current directory is the tree's top).
run: build
	@bash tools/seed_settings.sh $(BUILD)/bin/skytune.dat Sound
	@$(BUILD)/bin/skytune-host --scale 2

# The tests run one at a time: many of them listen to sound played in real
# time. The 32-bit Wine's chroot is made (the first time only: a few minutes
# of download and unpacking) while the builds compile; where it cannot be
# made, its test says why and is skipped. GStreamer's plugin registry is
# brought up to date first, so that no listening test pays for a scan of
# every plugin. The ThreadSanitizer build runs the suites that work the
# stand-in's threads. The fault, soak, damaged-file and stop-signal runs
# play into no sound device and run side by side at the end.
test: setup
	@bash tools/setup.sh wine32 & chroot=$$!; \
	trap 'kill $$chroot 2>/dev/null; wait $$chroot; exit 130' INT TERM; \
	$(MAKE) --no-print-directory build build-asan build-tsan build-fuzz; built=$$?; \
	wait $$chroot; exit $$built
	@gst-inspect-1.0 >/dev/null 2>&1 || true
	@ctest --test-dir $(BUILD) --output-on-failure
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure -LE robust
	@ctest --test-dir $(TSAN_BUILD) --output-on-failure -L threads
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure -L robust -j $(JOBS)

# The Windows module: 32-bit (the product) in build-win32, 64-bit (for the
# Wine-run test driver) in build-win64.
windows: setup
	@tools/build-windows.sh i686 x86_64

# The release zip of the 32-bit module, in dist/: the module that passed
# the driver's run under 32-bit Wine (tools/package.sh makes the run when
# this build has not had one), built in build-win32 as that run builds it.
package: setup
	@tools/build-windows.sh i686 -- skytune_gauge
	@tools/package.sh

# Each fuzz target for FUZZ_SECONDS over its seeds; the corpus grows in
# build-fuzz/<target>/ from run to run.
fuzz: build-fuzz
	@for target in $(FUZZ_TARGETS); do \
		echo "fuzz: $$target, $(FUZZ_SECONDS) s"; \
		tests/fuzz/run_fuzz.sh $(FUZZ_BUILD)/tests/fuzz/fuzz_$$target tests/fuzz/$$target \
			$(FUZZ_SECONDS) $(FUZZ_BUILD)/$$target || exit 1; \
	done

# The gauge's own calls (Google Benchmark), then the whole program with the
# host: install, click to sound, the longest calls, memory over a soak; then
# the 32-bit module's own costs under 32-bit Wine.
bench: build
	@$(BUILD)/bench/gauge_bench
	@$(BUILD)/bench/settings_bench
	@$(BUILD)/bench/file_test_bench
	@bash bench/whole_program.sh $(BUILD)
	@bash bench/wine32.sh

# Ten minutes of random use on the sanitizer build: no error, no leak, and a
# settings file that reads back.
SOAK_SECONDS ?= 600
soak: build-asan
	@LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
		bash tests/robust/soak.sh $(ASAN_BUILD)/bin/skytune-host $(ASAN_BUILD)/bin/skytune.gau \
		. $(SOAK_SECONDS)

# Every platform failure at pre-install, during play and at pre-kill, on the
# sanitizer build.
faults: build-asan
	@for phase in install play kill; do \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
		bash tests/robust/faults.sh $(ASAN_BUILD)/bin/skytune-host $(ASAN_BUILD)/bin/skytune.gau \
			. $$phase || exit 1; \
	done

format:
	@git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) build-win32 build-win64 dist
