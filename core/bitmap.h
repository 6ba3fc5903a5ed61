// The close picture's two looks are stored as 24-bit BMP files. A back end
// whose toolkit takes no BMP from memory decodes them with this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivora {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes a pixel, no padding
};

// Decodes an uncompressed 24-bit BMP (bottom-up or top-down rows).
// Returns false for anything else.
bool DecodeBmp24(const uint8_t* data, size_t size, Bitmap& out);

}  // namespace kivora
