# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
# Everything else here is a convenience around the CMake presets.

PRESET ?= debug
BUILD  := build/$(PRESET)
FUZZ_SECONDS ?= 180

.PHONY: run test build configure deps bench bench-crawl bench-gaps bench-huge fuzz format format-check screenshots clean

# The program starts in a folder of the build, so that the files its settings
# name relatively (in.txt, out.txt, ...) and temp.txt land there, not in the
# checkout; skelvo.ini and skelvo.hlp stay beside the program.
run: build
	mkdir -p $(BUILD)/run
	cd $(BUILD)/run && ../app/skelvo

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2

build: configure
	cmake --build --preset $(PRESET)

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake --preset $(PRESET)

deps:
	scripts/install-deps

bench: deps
	@[ -f build/release/build.ninja ] || cmake --preset release
	cmake --build --preset release --target skelvo_bench
	build/release/bench/skelvo_bench

# skelvo-batch against wget -r on a generated site; PAGES sets its size.
# SITE=pgdoc (or a folder) crawls that site instead, RTT=20 puts the server
# 20 ms away, CRAWL_ARGS passes more options of bench/crawl (--tls, --wget2,
# --configs, --folder /dev/shm, ...).
PAGES ?= 2000
SITE ?=
RTT ?=
CRAWL_ARGS ?=
bench-crawl: deps
	@[ -f build/release/build.ninja ] || cmake --preset release
	cmake --build --preset release --target skelvo-batch skelvo_crawl_relay
	bench/crawl --batch build/release/app/skelvo-batch \
	    $(if $(SITE),--site $(SITE),--pages $(PAGES)) $(if $(RTT),--rtt $(RTT)) $(CRAWL_ARGS)

# The longest time the window goes without an event-loop pass while it
# crawls (GAP_PAGES pages, one page of 30 MB, two of 32 MiB against keyword
# lists), and the same crawl by skelvo-batch's code.
GAP_PAGES ?= 2000
bench-gaps: deps
	@[ -f build/release/build.ninja ] || cmake --preset release
	cmake --build --preset release --target skelvo_window_gaps
	QT_QPA_PLATFORM=offscreen build/release/bench/skelvo_window_gaps $(GAP_PAGES)

# Peak memory and time of skelvo-batch for one page at the body cap.
bench-huge: deps
	@[ -f build/release/build.ninja ] || cmake --preset release
	cmake --build --preset release --target skelvo-batch
	bench/huge_page --batch build/release/app/skelvo-batch

# A bounded libFuzzer run of every target; FUZZ_SECONDS is the time per target.
fuzz: deps
	@[ -f build/fuzz/build.ninja ] || cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzzers build/fuzz/fuzz $(FUZZ_SECONDS)

# The windows rendered offscreen to docs/screenshots/*.png (a crawl of a small
# site on a local nginx supplies the picture of a run).
screenshots: configure
	cmake --build --preset $(PRESET) --target skelvo-screenshots
	QT_QPA_PLATFORM=offscreen $(BUILD)/tests/app/skelvo-screenshots docs/screenshots

format:
	cmake --build --preset $(PRESET) --target format

format-check: configure
	cmake --build --preset $(PRESET) --target format-check

clean:
	rm -rf build
