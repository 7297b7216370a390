#pragma once
// Image files made in memory for the decoder's tests and seeds: PNG files of every layout
// through libpng, JPEG files through libjpeg, the iPhone PNG variant by hand, and hostile
// files of other formats.

#include <string>
#include <vector>

namespace imagefiles {

using Bytes = std::vector<unsigned char>;

// A PNG of libpng's colour type (PNG_COLOR_TYPE_*) and bit depth from `samples` (one value a
// channel, rows top to bottom, 16-bit samples as two bytes high first); palette files take
// their palette (RGB triples) and tRNS alpha values.
Bytes Png(int width, int height, int colorType, int bitDepth, const Bytes& samples, const Bytes& palette = {},
          const Bytes& paletteAlpha = {});

// A JPEG of quality 100 from 8-bit samples: `components` 1 (grey), 3 (RGB, stored as YCbCr),
// or 4 (CMYK given plainly; stored inverted with Adobe's marker, as YCCK when ycck is set);
// arithmetic-coded instead of Huffman-coded when arithmetic is set.
Bytes Jpeg(int width, int height, int components, const Bytes& samples, bool ycck = false, bool arithmetic = false);

// An iPhone PNG: a CgBI chunk first, raw deflate data, BGRA order, premultiplied; from
// straight RGBA pixels. Every row uses the PNG row filter given (0 none, 1 sub, 2 up,
// 3 average, 4 Paeth); -1 alternates none and sub.
Bytes IphonePng(int width, int height, const Bytes& rgba, int filter = -1);

// Files the decoder must refuse: a Radiance HDR file whose run-length scanline ends early, a
// JPEG whose Huffman table counts 265 codes, and a 1 x 1 BMP.
Bytes TruncatedHdr();
Bytes JpegWithOverfullHuffmanTable();
Bytes TinyBmp();

} // namespace imagefiles
