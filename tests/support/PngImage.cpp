#include "PngImage.h"

#include "graphics/renderer/StbDiagnostics.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
VGR_STB_WARNINGS_OFF
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
VGR_STB_WARNINGS_ON

namespace testsupport {

PngImage ReadPNG(const std::string& path)
{
  PngImage image;
  int channels = 0;
  if (unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4))
  {
    image.rgba.assign(data, data + static_cast<size_t>(image.width) * image.height * 4);
    stbi_image_free(data);
  }
  return image;
}

bool WritePNG(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba)
{
  return rgba.size() == static_cast<size_t>(w) * static_cast<size_t>(h) * 4u &&
         stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

} // namespace testsupport
