# The two commands of the quick start. Everything else is plain CMake under build/.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Without a display (a server, CI) the program runs on the offscreen platform.
ifeq ($(strip $(DISPLAY)$(WAYLAND_DISPLAY)),)
RUN_ENV := QT_QPA_PLATFORM=offscreen
endif

.PHONY: run test deps build

run: build
	$(RUN_ENV) $(BUILD)/tivora --simulate

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@scripts/install-deps
