// The cost of starting a program that carries its own payload from a medium
// without execute bits: the launcher's copy of it, made on the first start
// and taken again on the next. Prints the milliseconds of each start.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "backends/posix/posix_files.h"
#include "backends/posix/posix_process.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_copy_start FILE\n");
    return 2;
  }
  kivora::posix::PosixPrograms programs;
  kivora::Launch launch{.program = kivora::posix::Decode(argv[1]), .found = true, .shown = u"bench", .folder = u"/"};
  for (const char* start : {"first", "again"}) {
    auto began = std::chrono::steady_clock::now();
    if (programs.StartCopy(launch)) {
      std::fprintf(stderr, "bench_copy_start: the copy could not be started\n");
      return 1;
    }
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - began;
    std::printf("%s %.1f\n", start, took.count());
  }
  return 0;
}
