# Kestrel: `make demo` runs the program on a simulated bus; `make test` runs every test;
# `make package` builds the Debian package.
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
# The build's own makes would print two "Entering/Leaving directory" lines per step.
MAKEFLAGS += --no-print-directory

.PHONY: all setup build package demo test check check-layers check-format bench clean

all: build

setup:
	@bash scripts/setup

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The Debian package kestrel_<version>_<arch>.deb, in the build folder.
package: build
	@cmake --build $(BUILD) --target package

demo: build
	@bash scripts/demo $(BUILD)

test: build check
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Folders depend downwards only, and every source is formatted as .clang-format says.
check: check-layers check-format

check-layers:
	@bash scripts/check-layers

check-format: setup
	@bash scripts/check-format

bench: build
	@bash scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
