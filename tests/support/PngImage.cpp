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

#include <zlib.h>

#include <fstream>

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

namespace {

void PutBE32(std::string& out, uint32_t v)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& body)
{
  PutBE32(out, static_cast<uint32_t>(body.size()));
  const std::string typed = std::string(type, 4) + body;
  out += typed;
  PutBE32(out, static_cast<uint32_t>(
                 crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

} // namespace

bool WritePlainPNG(const std::string& path, int w, int h, const uint8_t (&rgba)[4])
{
  if (w <= 0 || h <= 0)
    return false;
  // Every row: filter type 0 (none), then the colour w times.
  std::string row(1, '\0');
  for (int x = 0; x < w; ++x)
    row.append(reinterpret_cast<const char*>(rgba), 4);
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK)
    return false;
  std::string idat;
  std::vector<unsigned char> buffer(1 << 16);
  bool ok = true;
  for (int y = 0; ok && y <= h; ++y)
  {
    const bool last = y == h;
    z.next_in = last ? nullptr : reinterpret_cast<Bytef*>(&row[0]);
    z.avail_in = last ? 0u : static_cast<uInt>(row.size());
    int rc = Z_OK;
    do
    {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      ok = rc == Z_OK || rc == Z_STREAM_END || (rc == Z_BUF_ERROR && !last);
      idat.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
    } while (ok && (last ? rc != Z_STREAM_END : z.avail_out == 0));
  }
  deflateEnd(&z);
  if (!ok)
    return false;

  std::string file("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBE32(header, static_cast<uint32_t>(w));
  PutBE32(header, static_cast<uint32_t>(h));
  header += std::string("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, not interlaced
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", idat);
  PutChunk(file, "IEND", "");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

} // namespace testsupport
