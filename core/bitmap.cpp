#include "core/bitmap.h"

namespace kivora {

namespace {
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
}  // namespace

bool DecodeBmp24(const uint8_t* data, size_t size, Bitmap& out) {
  if (size < 54 || data[0] != 'B' || data[1] != 'M') return false;
  uint32_t offset = U32(data + 10);
  auto width = static_cast<int32_t>(U32(data + 18));
  auto height = static_cast<int32_t>(U32(data + 22));
  if (U32(data + 14) < 40 || U16(data + 28) != 24 || U32(data + 30) != 0) return false;
  // The height's sign says which row comes first; its size is checked before
  // the sign is dropped, since INT32_MIN has no positive counterpart.
  if (width <= 0 || width > 4096 || height == 0 || height < -4096 || height > 4096) return false;
  bool bottomUp = height > 0;
  int rows = bottomUp ? height : -height;
  size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  if (offset > size || size - offset < stride * rows) return false;

  out.width = width;
  out.height = rows;
  out.rgb.resize(size_t(width) * rows * 3);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* src = data + offset + stride * (bottomUp ? rows - 1 - y : y);
    uint8_t* dst = out.rgb.data() + size_t(y) * width * 3;
    for (int x = 0; x < width; ++x) {
      dst[3 * x + 0] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x + 0];
    }
  }
  return true;
}

}  // namespace kivora
