# Front door: every target first makes sure the Debian packages are there.
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup build build-asan run test format clean windows package

all: build

setup:
	@bash tools/setup.sh

build: setup
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: setup
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DSKYTUNE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# The radio in its window on the demo disc; the demo sounds go on the presets
# the first time (relative paths: the current directory is the tree's top).
run: build
	@bash tools/seed_settings.sh $(BUILD)/bin/skytune.dat Sound
	@$(BUILD)/bin/skytune-host --scale 2

# The tests run one at a time: many of them listen to sound played in real time.
test: build build-asan
	@ctest --test-dir $(BUILD) --output-on-failure
	@ctest --test-dir $(ASAN_BUILD) --output-on-failure

# The Windows module: 32-bit (the product) in build-win32, 64-bit (for the
# Wine-run test driver) in build-win64.
windows: setup
	@tools/build-windows.sh i686 x86_64

# The release zip of the 32-bit module, in dist/.
package: setup
	@tools/build-windows.sh i686 -- skytune_gauge
	@tools/package.sh

format:
	@git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-win32 build-win64 dist
