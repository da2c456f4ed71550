# Two commands do all set-up: `make run` (the demo extraction) and `make test`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM ?= offscreen

.PHONY: deps build build-asan run test gui bench fuzz clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

# Extracts the bundled demo ROM through its character table and prints the script.
run: build
	@build/quorvex-cli extract --rom examples/demo.rom --table examples/demo.tbl \
	    --table-start 10 --table-end 37 --text-start 100 --text-end 293

# Every test, built with AddressSanitizer and UBSan.
test: build-asan
	@cd build-asan && ctest --output-on-failure -j $(JOBS)

gui: build
	@build/src/app/quorvex

bench: build
	@build/bench/quorvex_bench

clean:
	rm -rf build build-asan build-fuzz
