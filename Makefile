# Two commands set everything up on a fresh Debian machine: `make run` and `make test`.
BUILD    ?= build
DATA_DIR ?= $(HOME)/Tolvane
JOBS     ?= 2
# The second build folder, where the tests run under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZED_BUILD ?= build-asan

.PHONY: deps build run test test-sanitized bench clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: start the program under a virtual display with:  xvfb-run -a make run"; exit 1; fi
	mkdir -p "$(DATA_DIR)"
	cd "$(DATA_DIR)" && "$(CURDIR)/$(BUILD)/tolvane" --create-db

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# The whole test suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer: a
# read past the end, a use after free, a leak or undefined behaviour fails the test it happens in.
test-sanitized: deps
	cmake -S . -B $(SANITIZED_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_SANITIZE=ON
	cmake --build $(SANITIZED_BUILD) -j $(JOBS) --target tolvane_tests
	cd $(SANITIZED_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 900

# The whole interactions run interleaved with plain SQLite on the same files; the 1,000,000-row
# shop is measured only with TOLVANE_BENCH_BIG=1 (it takes long to build). BENCH_ARGS adds more,
# e.g. BENCH_ARGS=--benchmark_filter=whole/keystroke.
bench: build
	$(BUILD)/tolvane_bench --benchmark_enable_random_interleaving=true $(BENCH_ARGS)

clean:
	rm -rf $(BUILD) $(SANITIZED_BUILD)
