# The two commands a newcomer needs: `make run` and `make test`.
BUILD   ?= build
JOBS    ?= $(shell nproc)
PREFIX  ?= /usr/local
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build programs run test test-asan bench fuzz install clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

# Everything: the programs, the tests and the benchmarks.
build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Only what running Korvia needs, so a first `make run` does not wait for the tests.
programs: configure
	@cmake --build $(BUILD) -j$(JOBS) --target korvia korvia-batch

run: programs
	@if [ -n "$$DISPLAY" ]; then $(BUILD)/app/korvia; \
	 else echo "No display: starting Korvia under xvfb-run"; xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/app/korvia; fi

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

test-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVIA_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j$(JOBS)
	@cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j$(JOBS)

# Only the programs: CMake also leaves bench_*_autogen folders beside them.
bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; "$$b" $(BENCH_ARGS); fi; \
	 done

# Each fuzzer runs FUZZ_SECONDS on a working copy of its seed folder (new finds stay there).
FUZZERS = exif:corpus bmp:corpus-bmp jpeg:corpus-jpeg png:corpus-png tiff:corpus-tiff webp:corpus-webp \
          heif:corpus-heif raw:corpus-raw jxl:corpus-jxl

fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DKORVIA_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j$(JOBS) --target $(foreach f,$(FUZZERS),fuzz_$(firstword $(subst :, ,$(f))))
	@set -e; for f in $(FUZZERS); do name=$${f%%:*}; seeds=$${f#*:}; \
	  mkdir -p build-fuzz/$$seeds && cp -n fuzz/$$seeds/* build-fuzz/$$seeds/ 2>/dev/null || true; \
	  echo "== fuzz_$$name ($(FUZZ_SECONDS) s)"; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp build-fuzz/fuzz/fuzz_$$name build-fuzz/$$seeds -max_total_time=$(FUZZ_SECONDS); \
	 done

# The programs, the menu entry and the icon under $(PREFIX) (PREFIX=~/.local for one user).
install: programs
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
