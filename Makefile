# Quillo's front door. `make run` and `make test` do all the set-up on a fresh
# Debian 12 machine: both install missing packages first.

JOBS ?= $(shell nproc)

.PHONY: all deps dev release test bench run format clean

all: dev

deps:
	@scripts/install-deps

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

test: dev
	ctest --preset dev -j $(JOBS)

bench: release
	bench/run-benchmarks build-release/bin

run: release
	@scripts/run build-release/bin

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build build-release
