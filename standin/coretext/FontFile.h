#pragma once
// What the CoreText stand-in knows of a font file: how many faces it holds, whether a face is
// a font stb_truetype can load, and the face's names as stb_truetype reads them. Every byte
// stb_truetype reads while loading a face or looking up a name is checked to lie inside the
// data first, so any bytes at all are safe to inspect.
#include <cstddef>
#include <cstdint>
#include <string>

namespace standin::fontfile {

struct FaceNames
{
  std::string family;         // typographic family (name 16), else family (name 1)
  std::string style;          // typographic subfamily (name 17), else subfamily (name 2)
  std::string postScriptName; // name 6
};

// 1 for a single font ("\0\1\0\0", "true", "OTTO", "typ1"), the number of faces a 'ttcf'
// collection of version 1 or 2 lists (those whose offsets lie inside the data), 0 otherwise.
int CountFaces(const uint8_t* data, size_t size);

// True when face index is a TrueType face that stb_truetype loads, or an OpenType face with
// a 'CFF ' table inside the data (its outlines are not examined); fills names when given.
bool InspectFace(const uint8_t* data, size_t size, int index, FaceNames* names);

} // namespace standin::fontfile
