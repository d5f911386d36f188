# make run   - install what is missing, build the release program, start Tonvarra
# make test  - install what is missing, build with sanitizers, run every test
# make bench - install what is missing, build the release benchmarks, run them

.PHONY: run test bench deps configure-release clean

deps:
	@scripts/install-deps

configure-release: deps
	@cmake --preset release >/dev/null

run: configure-release
	@cmake --build --preset release --target tonvarra
	@scripts/place-settings build/release/bin
	@scripts/start build/release/bin/tonvarra

test: deps
	cmake --preset debug
	cmake --build --preset debug
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset debug
	ctest --preset tsan

bench: configure-release
	@cmake --build --preset release
	@scripts/run-benchmarks build/release/bin

clean:
	rm -rf build
