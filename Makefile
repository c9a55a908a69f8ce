# The two commands for people; CMake does the build underneath.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# The sanitizer, fuzzing and benchmark builds each have their own folder.
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
BENCH_DIR ?= build-bench
# The Windows program and its zip (make windows), with Qt for Windows built once into a cache.
WINDOWS_DIR ?= build-windows
# `make run` keeps its settings file in the per-user folder, so that it outlives `make clean`.
SETTINGS_DIR ?= $(or $(XDG_CONFIG_HOME),$(HOME)/.config)/varadadid
# `make stress`: how often the widget tests, and the e2e tests under openbox in the C locale, run
# under load (every other e2e test runs once).
STRESS_RUNS ?= 2
# Quiet builds: no "Entering directory" lines from the nested makes.
QUIET = -- --no-print-directory
# Inputs per fuzz target: `make fuzz`, and the short pass of `make test`.
FUZZ_RUNS ?= 600000
FUZZ_SMOKE_RUNS ?= 200000
# Any sanitizer finding fails the test that caused it.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
FUZZ_CONFIGURE = cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ \
	-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARADADID_FUZZ=ON -DVARADADID_BUILD_TESTS=OFF \
	-DVARADADID_FUZZ_SMOKE_RUNS=$(FUZZ_SMOKE_RUNS) -DVARADADID_FUZZ_RUNS=$(FUZZ_RUNS) >/dev/null

.PHONY: all deps configure build run check test test-suites stress test-asan test-fuzz test-windows windows \
	fuzz bench clean

all: build

# The Debian packages are checked once, not once per build tree: again only when the list or the
# scripts change (or after `make clean`, which removes the stamp).
DEPS_STAMP = $(BUILD_DIR)/deps.stamp
deps: $(DEPS_STAMP)
$(DEPS_STAMP): scripts/packages.txt scripts/install-deps.sh scripts/ensure-locale.sh
	@scripts/install-deps.sh
	@mkdir -p $(@D) && touch $@

# Further CMake options of the main build: `make test` adds the benchmark programs to it.
CONFIGURE_OPTIONS ?=

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
		$(CONFIGURE_OPTIONS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) $(QUIET)

# Builds the program alone (no test suites) and starts it on the per-user settings file.
run: configure
	@cmake --build $(BUILD_DIR) --target varadadid -j $(JOBS) $(QUIET)
	@echo "varadadid: settings file $(SETTINGS_DIR)/rilo.ini"
	@$(BUILD_DIR)/bin/varadadid --settings-dir "$(SETTINGS_DIR)"

# The inner loop: the unit and widget tests of the main build (both locales), no X server. Only
# what they run is built.
check: configure
	@cmake --build $(BUILD_DIR) --target check_tests -j $(JOBS) $(QUIET)
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -L '^(unit|widget)$$'

# No test may change the machine it runs on: /dev, /etc and /usr are listed before and after.
# Nor may a test reach a gadget its user has running: the suites run beside a gadget of their own
# that holds the default channel of their runtime folder, which a second start must still reach
# when they end (scripts/with-running-gadget.sh).
# The programs of bench/ are compiled with the rest (not run), so a change that breaks them fails.
# Qt for Windows, when not in the cache yet, builds in the background from the start (about 25
# minutes on 2 cores, beside the rest); the Windows cases wait for it at the end.
test: deps
	@mkdir -p $(BUILD_DIR) $(WINDOWS_DIR)
	@scripts/system-unchanged.sh record $(BUILD_DIR)/system-before.txt
	@nohup scripts/build-qt-windows.sh >$(WINDOWS_DIR)/qt-build.out 2>&1 </dev/null &
	@$(MAKE) --no-print-directory build CONFIGURE_OPTIONS=-DVARADADID_BENCH=ON
	@scripts/with-running-gadget.sh $(BUILD_DIR)/bin/varadadid \
		$(MAKE) --no-print-directory test-suites
	@scripts/system-unchanged.sh check $(BUILD_DIR)/system-before.txt

# The suites of `make test`, once the main build is made.
test-suites:
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -LE windows
	@$(MAKE) --no-print-directory test-asan test-fuzz test-windows

# The Windows installer and the portable zip: build-windows/varadadid-<version>-setup.exe and
# build-windows/varadadid-<version>-windows-x64.zip.
windows: deps
	@scripts/windows-zip.sh $(WINDOWS_DIR)

# The zip's program and the installer under Wine, on the same X harness as the Linux end-to-end
# tests.
test-windows: windows build
	@cd $(BUILD_DIR) && ctest --output-on-failure -L windows

# The widget and e2e suites under two busy loops that occupy the CPUs (scripts/stress.sh).
stress: build
	@scripts/stress.sh $(BUILD_DIR) $(STRESS_RUNS) $(JOBS)

# The unit and widget tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
		-DVARADADID_SANITIZE=ON >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_DIR) --target all_tests -j $(JOBS) $(QUIET)
	@cd $(ASAN_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) -LE 'e2e|windows'

# A short pass of every fuzz target (clang, libFuzzer).
test-fuzz: deps
	@$(FUZZ_CONFIGURE)
	@cmake --build $(FUZZ_DIR) --target fuzzers -j $(JOBS) $(QUIET)
	@cd $(FUZZ_DIR) && $(SANITIZER_ENV) ctest --output-on-failure

# Every fuzz target for FUZZ_RUNS inputs.
fuzz: deps
	@$(FUZZ_CONFIGURE)
	@$(SANITIZER_ENV) cmake --build $(FUZZ_DIR) --target run_fuzzers -j $(JOBS) $(QUIET)

# Builds and runs the programs of bench/, optimized.
bench: deps
	@cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DVARADADID_BUILD_TESTS=OFF \
		-DVARADADID_BENCH=ON >/dev/null
	@cmake --build $(BENCH_DIR) --target run_benchmarks -j $(JOBS) $(QUIET)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(BENCH_DIR)
