# make run   - install what is missing, build the release program, start Tonvarra
# make test  - install what is missing, build with sanitizers, run every test
# make bench - install what is missing, build the release benchmarks, run them

.PHONY: run test bench deps build-release build-debug build-tsan clean

deps:
	@scripts/install-deps

build-release: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release

run: build-release
	@scripts/place-settings build/release/bin
	@scripts/start build/release/bin/tonvarra

test: deps
	cmake --preset debug
	cmake --build --preset debug
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset debug
	ctest --preset tsan

bench: build-release
	@scripts/run-benchmarks build/release/bin

clean:
	rm -rf build
