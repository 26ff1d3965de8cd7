# SPDX-License-Identifier: GPL-3.0-or-later
# Quillo's front door. `make run` and `make test` do all the set-up on a fresh
# Debian 12 machine: both install missing packages first.

JOBS ?= $(shell nproc)

.PHONY: all deps test-deps bench-deps dev release test bench fuzz run install uninstall package \
	screenshots format clean

all: dev

# Each target installs only the packages it needs (scripts/install-deps lists
# the sets): building and running, then what the tests, the benchmarks and
# fuzzing add.
deps:
	@scripts/install-deps build
test-deps:
	@scripts/install-deps build test
bench-deps:
	@scripts/install-deps build test bench

dev: test-deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# CTest, then every skipped test with its reason.
test: dev
	@scripts/run-tests build dev $(JOBS)

bench: bench-deps release
	bench/run-benchmarks build-release/bin

# Each fuzz target runs for FUZZ_SECONDS, starting from the corpus in fuzz/corpus;
# new inputs it finds go to build-fuzz/corpus (copy the useful ones over).
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps build fuzz
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLO_FUZZ=ON \
	  -DQUILLO_SANITIZE=ON -DQUILLO_BUILD_TESTS=OFF -DQUILLO_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_frames fuzz_invite fuzz_messages fuzz_settings
	for t in frames invite messages settings; do \
	  mkdir -p build-fuzz/corpus/$$t && \
	  build-fuzz/bin/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=70000 \
	    build-fuzz/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

run: release
	@scripts/run build-release/bin

# `make install` needs no root: the programs go to ~/.local/bin, the menu entry,
# icons, man pages and metadata below ~/.local/share. PREFIX=/usr/local (as
# root) installs for everybody. `make uninstall` removes exactly the files that
# the last `make install` wrote (build-release/install_manifest.txt), and the
# folders it created that are empty then.
PREFIX ?= $(HOME)/.local
install: release
	@scripts/install build-release "$(PREFIX)"
	@case ":$$PATH:" in *":$(PREFIX)/bin:"*) ;; \
	  *) echo "make install: $(PREFIX)/bin is not on your PATH (Debian adds ~/.local/bin at the" \
	       "next login); the menu entry works without it";; \
	esac

uninstall:
	@scripts/uninstall build-release/install_manifest.txt

# The Debian package build-release/quillo_<version>_amd64.deb, for /usr.
package: release
	cmake --build build-release --target package

# The README's screenshots, drawn offscreen with sample data.
screenshots: release
	scripts/screenshots build-release/bin docs

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build build-release build-fuzz
