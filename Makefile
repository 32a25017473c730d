# The two everyday commands: `make run` and `make test`.
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: run test build deps asan fuzz format clean screenshots

run: build
	./scripts/run-demo build/$(PRESET) $(DEMO_ARGS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

build: deps
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

screenshots: build
	./scripts/screenshots build/$(PRESET)

deps:
	./scripts/setup-deps

asan:
	$(MAKE) test PRESET=asan

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
