# Two commands do all set-up: `make run` (the demo extraction) and `make test`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: deps build build-cli build-asan run test web web-test gui screenshots install bench fuzz clean

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

# The page in build-web/site/: every layer and quorvex-cli compiled by Emscripten
# (web/). The native release build writes the code-page tables from ICU.
web:
	@QUORVEX_WITH_WEB=1 scripts/install-deps.sh
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target make_code_page_tables
	@NODE_PATH=/usr/share/nodejs emcmake cmake -S web -B build-web -DCMAKE_BUILD_TYPE=Release \
	    -DQUORVEX_CODE_PAGE_TOOL=$(CURDIR)/build/tools/codepages/make_code_page_tables >/dev/null
	@NODE_PATH=/usr/share/nodejs cmake --build build-web -j $(JOBS)

# The page's run() under Node against the native quorvex-cli (the release one,
# or QUORVEX_CLI), then the page itself in headless Chromium.
web-test: web
	@if [ -z "$$QUORVEX_CLI" ]; then cmake --build --preset release -j $(JOBS) --target quorvex-cli; fi
	@node --test web/tests/

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

# The instruction counts per byte come from valgrind, installed here when missing.
bench: build
	@QUORVEX_WITH_BENCH=1 scripts/install-deps.sh
	@build/bench/quorvex_bench

# libFuzzer programs built with clang, AddressSanitizer and UBSan in build-fuzz/;
# each runs for FUZZ_SECONDS, growing its corpus in build-fuzz/corpus/<target>
# from the committed seeds (which stay as they are). Inputs that fail land in
# build-fuzz/findings/.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= chartable script extract insert patch checksum project
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
	rm -rf build build-asan build-fuzz build-web
