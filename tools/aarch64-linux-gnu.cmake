# The aarch64 launcher of the release archive, built by tools/release --aarch64
# in a bullseye root that holds Debian's cross compiler for arm64 and the arm64
# libraries beside the root's own (a second dpkg architecture). Tools that run
# during the build (glib-compile-resources, gresource, python3) are the root's
# own; libraries and headers come from the arm64 architecture.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# pkg-config reads the arm64 packages' .pc files, not the root's own.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
