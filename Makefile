# Everything a fresh Debian 12 machine needs: `make run` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_PROGRAMS := fuzz_dosattrib fuzz_dates fuzz_renamer
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: run test e2e test-asan fuzz bench build deps clean format check install deb

deps:
	@bash scripts/deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/src/dexaro

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Only the end-to-end tests: the real program under openbox and xfwm4 on Xvfb.
e2e: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L e2e

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer (but for the package,
# which is never made of a sanitizer build).
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DDEXARO_SANITIZE=ON -DDEXARO_BENCH=OFF \
		-DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS) -LE deb

# Every fuzz program (clang's libFuzzer, with the sanitizers) for FUZZ_SECONDS seconds each.
fuzz: deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DDEXARO_FUZZ=ON -DDEXARO_TESTS=OFF \
		-DDEXARO_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_PROGRAMS)
	@bash tests/fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_PROGRAMS)

bench: build
	@bash bench/run.sh $(BUILD)

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, $(BUILD)/dexaro_<version>_<arch>.deb.
deb: build
	@cd $(BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# What no compiler checks: every source formatted, and no include from a lower layer into a
# higher one.
check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
	@bash scripts/check-layers.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
