# Kestrel: `make demo` runs the program on a simulated bus; `make test` runs every test;
# `make package` builds the Debian package.
# `KESTREL_SANITIZE=1 make test` builds and runs them under ASan and UBSan in build-sanitize;
# `make fuzz` runs each libFuzzer target for FUZZ_SECONDS (default 600) in build-fuzz.
ifeq ($(KESTREL_SANITIZE),1)
BUILD ?= build-sanitize
CMAKE_OPTIONS += -DKESTREL_SANITIZE=ON
else
BUILD ?= build
endif
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)
# The build's own makes would print two "Entering/Leaving directory" lines per step.
MAKEFLAGS += --no-print-directory

.PHONY: all setup build package demo test check check-layers check-format bench fuzz clean

all: build

setup:
	@bash scripts/setup

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPTIONS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The Debian package kestrel_<version>_<arch>.deb, in the build folder.
package: build
	@cmake --build $(BUILD) --target package

demo: build
	@bash scripts/demo $(BUILD)

test: build check
	@ls /usr/lib/postgresql/*/bin/initdb >/dev/null 2>&1 || \
	  echo "test: no PostgreSQL server (initdb) on this machine: the shared-log cases are skipped"
	@cd $(BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

# Folders depend downwards only, and every source is formatted as .clang-format says.
check: check-layers check-format

check-layers:
	@bash scripts/check-layers

check-format: setup
	@bash scripts/check-format

bench: build
	@bash scripts/bench $(BUILD)

# Not part of `make test` or CI: needs clang-14 and libFuzzer, which `scripts/setup --fuzz` installs.
fuzz:
	@bash scripts/setup && bash scripts/setup --fuzz
	@CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz_reply fuzz_ini fuzz_busfile
	@bash scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
