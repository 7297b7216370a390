#pragma once
// PNG files for tests, written and read back: RGBA pixels, rows top to bottom.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct PngImage
{
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;

  bool Empty() const { return rgba.empty(); }
  const uint8_t* Pixel(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// The image, or an empty one when the file cannot be read or decoded.
PngImage ReadPNG(const std::string& path);
// Writes RGBA pixels (w × h × 4 bytes) as a PNG file; false when it cannot.
bool WritePNG(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba);
// Writes a w × h PNG file of one RGBA colour, row by row (quick for images of many megapixels,
// which it never holds whole); false when it cannot.
bool WritePlainPNG(const std::string& path, int w, int h, const uint8_t (&rgba)[4]);

} // namespace testsupport
