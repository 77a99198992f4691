# Two commands set everything up on a fresh Debian machine: `make run` and `make test`.
BUILD    ?= build
DATA_DIR ?= $(HOME)/Tolvane
JOBS     ?= 2

.PHONY: deps build run test bench clean

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

bench: build
	$(BUILD)/tolvane_bench

clean:
	rm -rf $(BUILD)
