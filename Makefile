# The two commands of the quick start, and the screenshots of the README.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
SCREENSHOTS ?= docs/screenshots

# With a display the program opens its main panel on the virtual module; without one (a
# server, CI) it runs an automatic calibration on the offscreen platform and prints the result.
ifeq ($(strip $(DISPLAY)$(WAYLAND_DISPLAY)),)
RUN := QT_QPA_PLATFORM=offscreen TIVORA_UNATTENDED=1 $(BUILD)/tivora --simulate --calibrate auto
else
RUN := $(BUILD)/tivora --simulate
endif

.PHONY: run test deps build screenshots

run: build
	$(RUN)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/tests/app/panel/tivora_panel_screenshots $(SCREENSHOTS)
	QT_QPA_PLATFORM=offscreen $(BUILD)/tests/align/tivora_align_screenshots $(SCREENSHOTS)
	QT_QPA_PLATFORM=offscreen $(BUILD)/tests/calib/tivora_calib_screenshots $(SCREENSHOTS)

deps:
	@scripts/install-deps
