# Two commands do all set-up: `make run` (the demo extraction) and `make test`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: deps build build-cli build-asan run test gui screenshots install bench fuzz clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

# Only the command line: what `make run` needs.
build-cli: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target quorvex-cli

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

# Extracts the bundled demo ROM through its character table and prints the script.
run: build-cli
	@build/quorvex-cli extract --rom examples/demo.bin --table examples/demo.tbl \
	    --table-start 10 --table-end 37 --text-start 100 --text-end 293

# Every test, built with AddressSanitizer and UBSan. Only the tests draw offscreen.
test: build-asan
	@cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Opens the dialog on the desktop (the platform Qt picks for this session).
gui: build
	@build/src/app/quorvex

# Redraws the README's pictures of the dialog (docs/*.png), offscreen.
screenshots: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target render_screenshots
	@QT_QPA_PLATFORM=offscreen build/tools/screenshots/render_screenshots

# The programs, the menu entry and the icon under PREFIX (bin/, share/).
install: build
	@cmake --install build --prefix $(PREFIX)

bench: build
	@build/bench/quorvex_bench

# libFuzzer programs built with clang, AddressSanitizer and UBSan in build-fuzz/;
# each runs for FUZZ_SECONDS, growing its corpus in build-fuzz/corpus/<target>
# from the committed seeds (which stay as they are). Inputs that fail land in
# build-fuzz/findings/.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= chartable script extract insert
fuzz:
	@QUORVEX_WITH_FUZZ=1 scripts/install-deps.sh
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_FUZZ=ON \
	    -DQUORVEX_SANITIZE=ON -DQUORVEX_BUILD_GUI=OFF -DQUORVEX_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	@mkdir -p build-fuzz/findings
	@for target in $(FUZZ_TARGETS); do \
	    mkdir -p build-fuzz/corpus/$$target; \
	    echo "== fuzz_$$target for $(FUZZ_SECONDS) s"; \
	    build-fuzz/tests/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	        -max_len=4096 -print_final_stats=1 -artifact_prefix=build-fuzz/findings/$$target- \
	        build-fuzz/corpus/$$target tests/fuzz/corpus/$$target || exit 1; \
	done

clean:
	rm -rf build build-asan build-fuzz
