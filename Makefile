# Two commands set everything up on a fresh Debian machine: `make run` and `make test`.
BUILD    ?= build
DATA_DIR ?= $(HOME)/Tolvane
JOBS     ?= 2
# The second build folder, where the tests run under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZED_BUILD ?= build-asan

.PHONY: deps build run test test-sanitized bench fuzz clean

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
# Google Benchmark's library is built as a release build first (scripts/release-benchmark).
bench: build
	@package="$$(scripts/release-benchmark $(CURDIR)/$(BUILD)/benchmark-release)"; \
	  if [ -n "$$package" ]; then cmake -S . -B $(BUILD) -Dbenchmark_DIR="$$package" >/dev/null; fi
	cmake --build $(BUILD) -j $(JOBS) --target tolvane_bench
	$(BUILD)/tolvane_bench --benchmark_enable_random_interleaving=true $(BENCH_ARGS)

# Each workbook reader under libFuzzer with AddressSanitizer for FUZZ_SECONDS (not part of make
# test). libFuzzer runs in fork mode: a crash of a reader library is recorded as a finding in
# $(FUZZ_BUILD)/findings-FORMAT/ and the run goes on, as the program's reading process contains it.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
fuzz:
	@scripts/install-deps --fuzz
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_xls fuzz_xlsx fuzz_ods fuzz_csv
	/usr/bin/python3 fuzz/make_seeds.py $(FUZZ_BUILD)
	for f in xls xlsx ods csv; do \
	  mkdir -p $(FUZZ_BUILD)/corpus-$$f $(FUZZ_BUILD)/findings-$$f; \
	  QT_QPA_PLATFORM=offscreen $(FUZZ_BUILD)/fuzz_$$f -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
	    -rss_limit_mb=1024 -timeout=20 -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=$(FUZZ_BUILD)/findings-$$f/ \
	    $(FUZZ_BUILD)/corpus-$$f $(FUZZ_BUILD)/seeds-$$f 2>&1 | tee $(FUZZ_BUILD)/fuzz-$$f.log | grep -E "^#|DONE|crash" | tail -n 3 \
	    || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(SANITIZED_BUILD) $(FUZZ_BUILD)
