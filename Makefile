# Two commands do all set-up on a fresh Debian 12 machine:
#   make run    install what is missing, build, start the program (under Xvfb without a display)
#   make test   install what is missing, build, run every test (GUI tests under Xvfb)
# and one more packages it:
#   make package  install what is missing, build, write the Debian package into $(BUILD)

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test package clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -n "$$DISPLAY" ]; then $(BUILD)/bin/vistrelle $(ARGS); \
	else xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/bin/vistrelle $(ARGS); fi

# One X server for the whole run; -noreset keeps it from resetting (and refusing a starting
# test) whenever the last client of the moment disconnects. Every test has its own time limit
# (see cmake/Dependencies.cmake).
test: build
	cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j$(JOBS)

# The Debian package, $(BUILD)/vistrelle_<version>_<arch>.deb (see cmake/Packaging.cmake).
package: build
	cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)
