# make run        install what building and running need, build the two programs, start wavestring
# make run-paced  the same for wavestring_paced
# make test       install what is missing, build everything, run every test
#                 (TEST=regex: only the tests whose names match; tests/README.md)
# make bench      install what is missing, build, run the benchmarks (docs/performance.md)
# make test-sanitize  the same with AddressSanitizer and UndefinedBehaviorSanitizer
# make fuzz       build the libFuzzer targets (clang) and run each for FUZZ_SECONDS
# make web        install Emscripten, build both programs as a web site in build-web/site
# make run-web    the same, then serve the site on 127.0.0.1:WEB_PORT (8000) as a static host would
# make publish DEST=folder  the same, then copy the site into folder, safely for visits meanwhile (scripts/publish)
# make windows    install MinGW-w64, cross-build both programs for Windows and pack
#                 build-windows/wavestring-VERSION-win64.zip (docs/windows.md)
# make test-windows  the same, then test the unpacked zip under Wine (the tests labelled wine; TEST=regex too)
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DWAVESTRING_WERROR=ON
endif

SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
BUILD_WEB_DIR ?= build-web
WINDOWS_DIR ?= build-windows
WEB_PORT ?= 8000
KEEP ?= 3
# make test TEST=regex runs only the tests whose names match.
TEST ?=
ctest_only = $(if $(TEST),--tests-regex '$(TEST)')

.PHONY: all deps build programs run run-paced test test-sanitize fuzz bench web run-web publish windows test-windows clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=ON -DWAVESTRING_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) --parallel

# Only the two programs, quietly: a new build directory is configured without
# the tests and benchmarks (make test turns them on); the build's output is
# shown only when it fails.
programs:
	@scripts/install-deps run
	@[ -f $(BUILD_DIR)/CMakeCache.txt ] || { echo "Configuring in $(BUILD_DIR)"; \
		cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=OFF \
			-DWAVESTRING_BENCH=OFF $(CMAKE_FLAGS) >/dev/null; }
	@cmake --build $(BUILD_DIR) --parallel --target wavestring wavestring_paced >$(BUILD_DIR)/programs.log 2>&1 \
		|| { cat $(BUILD_DIR)/programs.log; exit 1; }

run: programs
	@$(BUILD_DIR)/wavestring

run-paced: programs
	@$(BUILD_DIR)/wavestring_paced

# The tests under Wine, registered once make test-windows has configured the
# build directory for them, run only there.
test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel 2 --label-exclude wine $(ctest_only)

bench: build
	cmake --build $(BUILD_DIR) --parallel --target benchmarks
	bench/run $(BUILD_DIR)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVESTRING_SANITIZE=ON -DWAVESTRING_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) --parallel
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure --parallel 2

# Each target starts from the seed corpus in tests/fuzz_corpus and keeps what
# it finds in $(FUZZ_DIR)/corpus; a crash is saved in $(FUZZ_DIR) and fails.
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
		-DWAVESTRING_FUZZ=ON -DWAVESTRING_BENCH=OFF -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) --parallel
	for target in wavestring wavestring_paced; do \
		mkdir -p $(FUZZ_DIR)/corpus/$$target $(FUZZ_DIR)/corpus/$${target}_link && \
		$(FUZZ_DIR)/fuzz/$${target}_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
			-print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/$${target}- \
			$(FUZZ_DIR)/corpus/$$target tests/fuzz_corpus && \
		$(FUZZ_DIR)/fuzz/$${target}_link_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
			-print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/$${target}_link- \
			$(FUZZ_DIR)/corpus/$${target}_link tests/fuzz_corpus_link || exit 1; \
	done

web:
	@scripts/install-deps web
	scripts/build-web $(BUILD_WEB_DIR) $(CMAKE_FLAGS)

# Compressed, with an ETag and a cache lifetime (web/serve.json), by the npm
# package serve, pinned with the browser tests' packages, which serve the site
# the same way.
run-web: web
	@echo "wavestring's web site: http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops the server)"
	NO_UPDATE_CHECK=1 tests/web/node_modules/.bin/serve --no-clipboard -c $(CURDIR)/web/serve.json \
		-l tcp://127.0.0.1:$(WEB_PORT) $(BUILD_WEB_DIR)/site

# Into DEST, a folder that a host serves or that is mirrored to one; the
# files of the last KEEP builds published there stay.
publish:
	@[ -n "$(DEST)" ] || { echo "make publish: say where to, as in make publish DEST=folder"; exit 2; }
	@$(MAKE) --no-print-directory web
	scripts/publish $(BUILD_WEB_DIR)/site $(DEST) $(KEEP)

windows:
	@scripts/install-deps windows
	scripts/build-windows $(WINDOWS_DIR) $(CMAKE_FLAGS)

# The tools the tests take from the native build (close_window, the model's
# frames and trajectory) are built in BUILD_DIR, configured as make build does.
test-windows: windows deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBUILD_TESTING=ON -DWAVESTRING_BENCH=ON $(CMAKE_FLAGS) \
		-DWAVESTRING_WINDOWS_BUILD=$(abspath $(WINDOWS_DIR))
	cmake --build $(BUILD_DIR) --parallel --target close_window wavestring_model_frames wavestring_paced_model_frames \
		wavestring_trajectory wavestring_paced_trajectory
	ctest --test-dir $(BUILD_DIR) --output-on-failure --label-regex wine $(ctest_only)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(BUILD_WEB_DIR) $(WINDOWS_DIR)
