# The two commands of a newcomer: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 600

.PHONY: run test build build-asan deps fuzz bench clean

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Until the viewer exists, `run` describes the sample pictures with the engine.
run: build
	$(BUILD)/bin/ovimg info data/samples/*

# The normal suite, then the same suite (with the fuzz targets' short runs) under
# AddressSanitizer and UndefinedBehaviorSanitizer.
test: build build-asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DOV_SANITIZE=ON -DOV_FUZZ=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS of its own.
fuzz: build-asan
	cd $(ASAN_BUILD) && OV_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest -L fuzz --output-on-failure

bench: deps
	scripts/install-deps --bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DOV_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	bench/run.sh build-bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench
