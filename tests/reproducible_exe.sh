#!/bin/sh
# Builds Kivora.exe, Kivora.com and their archive twice, from two copies of the sources in
# folders of different names, and checks that the two are the same bytes: no
# build path, time stamp or other accident of the build gets into what users
# download.
set -eu
src="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for copy in one "two and more"; do
  mkdir -p "$work/$copy"
  (cd "$src" && tar --exclude=./build --exclude=./.git -cf - .) | (cd "$work/$copy" && tar -xf -)
  (cd "$work/$copy" && cmake --preset windows >/dev/null && cmake --build --preset windows -j 2 --target Kivora kivora_check >/dev/null &&
   tools/dist windows >/dev/null)
done
for file in windows/Kivora.exe windows/Kivora.com dist/kivora-*-windows-x86.zip; do
  one=$(echo "$work"/one/build/$file) two=$(echo "$work/two and more"/build/$file)
  cmp "$one" "$two"
  echo "the same $(stat -c %s "$one") bytes of $(basename "$one") from both folders"
done
