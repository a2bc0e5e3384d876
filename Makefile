# Thin wrapper around CMake. `make demo` and `make test` each do the whole
# set-up: packages, configure, build, registration, then the demo or the tests.
BUILD ?= build
CMAKE_ARGS ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build register demo test bench clean

all: build

setup:
	./scripts/bootstrap

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

register: build
	cmake --build $(BUILD) --target register

demo: register
	./scripts/demo $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 300

bench: build
	./scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD)
