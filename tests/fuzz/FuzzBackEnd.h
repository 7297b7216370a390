// A renderer back end for fuzz targets: drawing calls do nothing and textures are accepted;
// a target sets its own texture creation and size query on top.
#pragma once

#include "graphics/renderer/VGRContext.h"

namespace fuzzbackend {

inline plug::igraphics::VGRrenderInterface IgnoringBackEnd()
{
  using namespace plug::igraphics;
  VGRrenderInterface ri{};
  ri.edgeAntiAlias = 1;
  ri.renderCreate = [](void*) { return 1; };
  ri.renderDeleteTexture = [](void*, int) { return 1; };
  ri.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
  ri.renderViewport = [](void*, float, float, float) {};
  ri.renderCancel = [](void*) {};
  ri.renderFlush = [](void*) {};
  ri.renderFill = [](void*, VGRpaint*, VGRcompositeOperationState, VGRscissor*, float, const float*, const VGRpath*,
                     int) {};
  ri.renderStroke = [](void*, VGRpaint*, VGRcompositeOperationState, VGRscissor*, float, float, const VGRpath*,
                       int) {};
  ri.renderTriangles = [](void*, VGRpaint*, VGRcompositeOperationState, VGRscissor*, const VGRvertex*, int, float) {};
  return ri;
}

} // namespace fuzzbackend
