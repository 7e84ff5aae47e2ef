# Two commands do everything on a fresh Debian 12 machine:
#   make run    installs what is missing, builds and starts Ferrowick
#   make test   installs what is missing, builds and runs every test
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
WERROR     ?= OFF
CTEST_ARGS ?= --output-on-failure -j2
TEST_ENV    = QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
              QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"

.PHONY: deps configure build run deb test test-tsan test-asan test-sanitize test-asan-e2e bench fuzz clean demo install format check-format tidy

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DFERROWICK_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	@exec $(BUILD)/app/ferrowick

# Ferrowick against the bundled local video site, with its own list and
# video folder under $(BUILD)/demo. Closing the program stops the site.
# DEMO_ARGS=--ignore-range: the site sends the whole video to a resume.
demo: build
	@bash scripts/demo.sh $(BUILD) $(DEMO_ARGS)

# make install PREFIX=/usr/local (sudo when the prefix is not yours)
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package: $(BUILD)/ferrowick_VERSION_ARCH.deb
deb: build
	@cd $(BUILD) && cpack -G DEB

test: build
	@cd $(BUILD) && $(TEST_ENV) ctest $(CTEST_ARGS)

# The tests labelled sanitize: the headless ones under ThreadSanitizer, and
# with them the window and dialog tests under AddressSanitizer and
# UndefinedBehaviorSanitizer. Only those tests are built.
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROWICK_SANITIZE=thread -DFERROWICK_WERROR=$(WERROR) >/dev/null
	@cmake --build build-tsan --target ferrowick_sanitize_tests
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" $(TEST_ENV) ctest $(CTEST_ARGS) -L sanitize

test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROWICK_SANITIZE=address -DFERROWICK_WERROR=$(WERROR) >/dev/null
	@cmake --build build-asan --target ferrowick_sanitize_tests
	@cd build-asan && ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
	  $(TEST_ENV) ctest $(CTEST_ARGS) -L sanitize

test-sanitize: test-tsan test-asan

# The real program end to end under AddressSanitizer and UBSan: slow, and not
# part of CI. Memory errors only. Qt WebEngine 6.4 leaves Chromium's and
# fontconfig's objects allocated at exit, and the fast unwinder cannot tell
# those allocations from ours (the system libraries have no frame pointers),
# while the full one makes the program too slow to show its page in time.
# Leaks of our own code are checked by test-asan. The same teardown deletes a
# Chromium object through a base of another size, which ASan cannot suppress
# by library: new_delete_type_mismatch is off for this run only.
test-asan-e2e: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROWICK_SANITIZE=address -DFERROWICK_WERROR=$(WERROR) >/dev/null
	@cmake --build build-asan --target ferrowick test_e2e
	@cd build-asan && ASAN_OPTIONS="detect_leaks=0 new_delete_type_mismatch=0" \
	  UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" $(TEST_ENV) ctest $(CTEST_ARGS) -R '^test_e2e\.'

# Benchmarks print figures; they assert nothing.
bench: build
	@cd $(BUILD) && for b in bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && $(TEST_ENV) "$$b"; done; true

# libFuzzer targets (clang): make fuzz FUZZ_SECONDS=600. An input slower
# than 2 s or a run above 1 GiB counts as a finding.
FUZZ_SECONDS ?= 60
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROWICK_FUZZ=ON >/dev/null
	@cmake --build build-fuzz
	@for f in build-fuzz/fuzz/fuzz_*; do [ -f "$$f" ] && [ -x "$$f" ] && mkdir -p build-fuzz/corpus/$$(basename $$f) && \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -timeout=2 -rss_limit_mb=1024 build-fuzz/corpus/$$(basename $$f) fuzz/corpus/$$(basename $$f); done; true

# The house style (.clang-format): format rewrites, check-format only reports.
format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

check-format: deps
	@bash scripts/check-format.sh

# clang-tidy (.clang-tidy) over the product code; fails on any finding.
tidy: build
	@bash scripts/tidy.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-tsan build-asan build-fuzz
