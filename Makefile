# Top-level entry points: `make run` and `make test` do all the set-up.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build release run test pictures asan bench clean format fuzz fuzz-build fuzz-smoke fuzz-long fuzz-long-build install editors

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd examples/hello && ../../$(BUILD)/qas hello.asm

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The program, its manual page and the editor files under PREFIX; DESTDIR
# stages the tree elsewhere (packaging).
PREFIX ?= /usr/local
install: release
	DESTDIR="$(DESTDIR)" cmake --install build-release --prefix "$(PREFIX)"

# Rewrites the syntax files under editors/ from the keyword table.
editors: build
	@cmake --build $(BUILD) --target editors

# The README's pictures of the examples (docs/images/example_*.png), drawn by
# SkoolKit from the tapes and snapshots the examples assemble to.
pictures: build
	python3 scripts/make_pictures.py $(BUILD)/qas

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELD_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (clang): a long local run, and the short smoke run of CI
# (45 s per target keeps the eight targets under seven minutes).
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 45
FUZZ_LONG_RUNS ?= 10000000
FUZZ_LONG_SECONDS ?= 7200
fuzz-build:
	@bash scripts/install-deps.sh --fuzz
	@cmake -S . -B build-fuzz -DVELD_FUZZ=ON -DVELD_FUZZ_SANITIZERS=address,undefined \
	  -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(notdir $(basename $(wildcard fuzz/*_fuzz.cpp)))

fuzz: fuzz-build
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	bash scripts/fuzz.sh $(FUZZ_SMOKE_SECONDS)

# Long runs: UndefinedBehaviorSanitizer only (about twice the executions of
# the AddressSanitizer build), FUZZ_LONG_RUNS executions or FUZZ_LONG_SECONDS
# per target, whichever ends first; FUZZ_TARGETS="source lexer" picks targets.
fuzz-long-build:
	@bash scripts/install-deps.sh --fuzz
	@cmake -S . -B build-fuzz-long -DVELD_FUZZ=ON -DVELD_FUZZ_SANITIZERS=undefined \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-fuzz-long -j $(JOBS) --target $(notdir $(basename $(wildcard fuzz/*_fuzz.cpp)))

fuzz-long: fuzz-long-build
	FUZZ_RUNS=$(FUZZ_LONG_RUNS) bash scripts/fuzz.sh $(FUZZ_LONG_SECONDS) build-fuzz-long

# The program as users get it: optimised across files and from a profile of
# its own runs over the benchmark corpus, the examples and the test sources
# (two builds: scripts/build-release.sh).
release: deps
	@bash scripts/build-release.sh build-release

bench:
	@bash scripts/install-deps.sh --bench
	@RELEASE_TARGETS="$(notdir $(basename $(wildcard bench/*.cpp)))" \
	  bash scripts/build-release.sh build-bench -DVELD_BENCH=ON
	bash bench/compare.sh build-bench/qas

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'bench/*.cpp' 'tools/*.cpp')

clean:
	rm -rf $(BUILD) build-asan build-bench build-bench-profile build-release build-release-profile build-fuzz build-fuzz-long
