# The two commands of the README. Each installs what it needs first.
.PHONY: build run test bench fuzz bootstrap clean

bootstrap:
	@tools/bootstrap

build: bootstrap
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j 2
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j 2

run: build
	tools/run-demo

test: build
	@echo "Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer:"
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j 2 --target kivora_unit_tests kivora_posix_tests record_args
	build/asan/tests/kivora_unit_tests --gtest_brief=1
	build/asan/tests/kivora_posix_tests --gtest_brief=1
	ctest --preset linux -j 2

bench: build
	@tools/bootstrap --bench
	python3 bench/run.py

fuzz: bootstrap
	tools/fuzz

clean:
	rm -rf build
