// Prints the window's layout at a resolution as JSON, so that the end-to-end
// tests click and read pixels where the core places the controls:
//   {"client": [w, h], "prompt": [left, top, width, height], ...}
#include <cstdio>
#include <cstdlib>

#include "core/form.h"

int main(int argc, char** argv) {
  int dpi = argc > 1 ? std::atoi(argv[1]) : kivora::kDefaultDpi;
  kivora::Layout layout = kivora::LayOut(dpi);
  static const char* const names[] = {"prompt", "choice1", "choice2", "choice3", "next", "close"};
  std::printf("{\"client\": [%d, %d]", layout.client.width, layout.client.height);
  for (const kivora::PlacedControl& c : layout.controls)
    std::printf(", \"%s\": [%d, %d, %d, %d]", names[int(c.control)], c.bounds.left, c.bounds.top, c.bounds.width,
                c.bounds.height);
  std::printf("}\n");
  return 0;
}
