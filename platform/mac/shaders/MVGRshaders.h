#pragma once
#include <cstddef>

// The shader library of the Metal render back end: the bytes a library is made from with the
// device's library-from-data call. It names the functions "vertexShader", "fragmentShader" and
// "fragmentShaderAA" (MVGRshaderTypes.h has their interface).
namespace plug::igraphics {

struct MVGRshaderLibraryData
{
  const void* data;
  size_t length;
};

// The library blob; valid for the whole process.
MVGRshaderLibraryData MVGRshaderLibrary();

} // namespace plug::igraphics
