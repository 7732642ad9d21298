# Tolvan: the two commands a new machine needs are `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test fuzz sanitize bench install deb clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/tolvan

# Every test: the suite, then the same suite built with the sanitizers, then each fuzzer briefly.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@if [ -f scripts/sanitize.sh ]; then bash scripts/sanitize.sh; fi
	@if [ -f scripts/fuzz.sh ]; then bash scripts/fuzz.sh $(FUZZ_BRIEF_SECONDS); fi

FUZZ_BRIEF_SECONDS ?= 20
FUZZ_SECONDS ?= 300
# Each fuzzer for FUZZ_SECONDS.
fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

# The test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	bash scripts/sanitize.sh

# Benchmarks: each prints its figures beside its comparison.
bench: build
	bash bench/run.sh

# PREFIX sets where it goes (default /usr/local); DESTDIR stages it elsewhere.
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) --prefix $(PREFIX)

deb: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
