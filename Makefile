# Front door: everything a newcomer runs. Each target installs what is missing.
SHELL := /bin/bash
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"

.PHONY: deps native win32 fuzz-build build-native build-win32 build-fuzz test fuzz bench demo screenshots dist clean

deps:
	@bash scripts/deps.sh

native: deps
	@$(MAKE) --no-print-directory build-native

win32: deps
	@$(MAKE) --no-print-directory build-win32

# The libFuzzer targets: clang, a build folder of their own.
fuzz-build: deps
	@$(MAKE) --no-print-directory build-fuzz

# Phony targets take no pattern rule: one each. Ninja keeps every core busy.
build-native build-win32 build-fuzz:
	@bash scripts/configure.sh $(@:build-%=%) >/dev/null
	@cmake --build --preset $(@:build-%=%)

# The three builds, one after the other, and every test of them (the fuzz
# targets briefly); prints the time of each phase and ends with one summary
# line.
test: deps
	@bash scripts/run-tests.sh

# The retrieval end to end under Wine against curl | openssl, the crypto
# layer alone, a 1 GiB body; writes build/bench/bench.md. Not part of test.
bench: win32
	@$(XVFB) python3 bench/run_bench.py

# Each fuzz target for a minute (FUZZ_SECONDS=n for another bound).
fuzz: fuzz-build
	@bash scripts/fuzz.sh

# The package for administrators in dist/ and its zip: the current commit
# built twice from scratch in two folders, which must agree byte for byte.
dist: deps
	@python3 scripts/dist.py

demo: win32
	@$(XVFB) bash scripts/demo.sh

screenshots: win32
	@$(XVFB) bash scripts/screenshots.sh

clean:
	rm -rf build
