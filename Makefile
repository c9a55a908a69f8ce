# The two commands for people; CMake does the build underneath.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# The sanitizer, fuzzing and benchmark builds each have their own folder.
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
BENCH_DIR ?= build-bench
# Inputs per fuzz target: `make fuzz`, and the short pass of `make test`.
FUZZ_RUNS ?= 600000
FUZZ_SMOKE_RUNS ?= 200000
# Any sanitizer finding fails the test that caused it.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
FUZZ_CONFIGURE = cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ \
	-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARADADID_FUZZ=ON -DVARADADID_BUILD_TESTS=OFF \
	-DVARADADID_FUZZ_SMOKE_RUNS=$(FUZZ_SMOKE_RUNS) -DVARADADID_FUZZ_RUNS=$(FUZZ_RUNS) >/dev/null

.PHONY: all deps configure build run test test-asan test-fuzz fuzz bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/bin/varadadid ]; then \
		$(BUILD_DIR)/bin/varadadid; \
	else \
		echo "Built the core library and its tests; the gadget window is not part of this build yet."; \
	fi

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan test-fuzz

# The unit and widget tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
		-DVARADADID_SANITIZE=ON >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_DIR) --target all_tests -j $(JOBS)
	@cd $(ASAN_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) -LE e2e

# A short pass of every fuzz target (clang, libFuzzer).
test-fuzz: deps
	@$(FUZZ_CONFIGURE)
	@cmake --build $(FUZZ_DIR) --target fuzzers -j $(JOBS)
	@cd $(FUZZ_DIR) && $(SANITIZER_ENV) ctest --output-on-failure

# Every fuzz target for FUZZ_RUNS inputs.
fuzz: deps
	@$(FUZZ_CONFIGURE)
	@$(SANITIZER_ENV) cmake --build $(FUZZ_DIR) --target run_fuzzers -j $(JOBS)

# Builds and runs the programs of bench/, optimized.
bench: deps
	@cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVARADADID_BUILD_TESTS=OFF \
		-DVARADADID_BENCH=ON >/dev/null
	@cmake --build $(BENCH_DIR) --target run_benchmarks -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(BENCH_DIR)
