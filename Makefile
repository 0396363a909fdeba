# make run        install what is missing, build in Release, start wavestring
# make run-paced  the same for wavestring_paced
# make test       install what is missing, build, run every test
# make test-sanitize  the same with AddressSanitizer and UndefinedBehaviorSanitizer
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DWAVESTRING_WERROR=ON
endif

SANITIZE_DIR ?= build-sanitize

.PHONY: all deps build run run-paced test test-sanitize clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) --parallel

run: build
	$(BUILD_DIR)/wavestring

run-paced: build
	$(BUILD_DIR)/wavestring_paced

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel 2

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVESTRING_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) --parallel
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure --parallel 2

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
