# Two commands do all set-up on a fresh Debian 12 machine:
#   make run    install what is missing, build, start the program (under Xvfb without a display)
#   make test   install what is missing, build, run every test (GUI tests under Xvfb)
# and one more packages it:
#   make package  install what is missing, build, write the Debian package into $(BUILD)

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-asan test-tsan package clean

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
XVFB_TEST := xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"

test: build
	cd $(BUILD) && $(XVFB_TEST) ctest --output-on-failure -j$(JOBS)

# The whole suite under the sanitizers, each in a build folder of its own. The suppression
# files name only system libraries that are not instrumented (toolkit, GLib, fontconfig), so
# any report left is about our code and fails the run.
SANITIZER_DIR := $(CURDIR)/sanitizers

test-asan: deps
	cmake -S . -B $(BUILD)-asan -DVISTRELLE_SANITIZE=ON -DVISTRELLE_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-asan -j$(JOBS)
	cd $(BUILD)-asan && \
	ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(SANITIZER_DIR)/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	$(XVFB_TEST) ctest --output-on-failure -j$(JOBS)

test-tsan: deps
	cmake -S . -B $(BUILD)-tsan -DVISTRELLE_TSAN=ON -DVISTRELLE_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-tsan -j$(JOBS)
	cd $(BUILD)-tsan && \
	TSAN_OPTIONS=suppressions=$(SANITIZER_DIR)/tsan.supp:print_suppressions=0:second_deadlock_stack=1 \
	$(XVFB_TEST) ctest --output-on-failure -j$(JOBS)

# The Debian package, $(BUILD)/vistrelle_<version>_<arch>.deb (see cmake/Packaging.cmake).
package: build
	cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan
