# The two commands of the README, and their parts. Each installs what it
# needs first (tools/bootstrap).
.PHONY: build build-linux build-windows build-release run test test-linux test-windows dist bench fuzz bootstrap clean

bootstrap:
	@tools/bootstrap

build: build-linux build-windows

build-linux:
	@tools/bootstrap --linux
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j 2

build-windows:
	@tools/bootstrap --windows
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j 2

# The launchers of the Linux archive, for x86-64 and for 64-bit ARM, built in
# Debian bullseye roots so that they run on older systems too (tools/release).
build-release:
	@tools/bootstrap --linux
	tools/release build
	tools/release --aarch64 build

run: build-linux
	tools/run-demo

test: test-linux test-windows

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer, then
# everything that needs neither Wine nor mingw-w64.
test-linux: build-linux build-release
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j 2 --target kivora_unit_tests kivora_posix_tests record_args
	build/asan/tests/kivora_unit_tests --gtest_brief=1
	build/asan/tests/kivora_posix_tests --gtest_brief=1
	tools/dist linux
	ctest --preset linux -j 2 -LE windows

# Kivora.exe, its archive, the disc's folder for both systems and the Wine
# suite; the Linux build holds the test driver and the launcher the Wine
# cases compare with.
test-windows: build-linux build-windows build-release
	tools/dist windows disc
	ctest --preset linux -L windows

dist: build build-release
	tools/dist all

bench: build
	@tools/bootstrap --bench
	python3 bench/run.py

fuzz:
	@tools/bootstrap --linux
	tools/fuzz

clean:
	rm -rf build
