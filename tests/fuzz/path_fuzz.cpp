// libFuzzer target for the renderer's paths: the bytes are a frame's pixel ratio and then a
// stream of operations (path commands and shapes, transforms and the state stack, stroke
// settings, fills and strokes) whose numbers are any floats, NaN and infinities included, or
// picked from a table of extremes. Every fill and stroke goes through the tessellation into a
// render interface that requires every vertex, and the bounds, handed to it to be finite.
#include "tests/fuzz/FuzzCheck.h"

#include "graphics/renderer/VGR.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

using fuzzcheck::Require;
using namespace plug::igraphics;

namespace {

class Input
{
public:
  Input(const uint8_t* data, size_t size) : mData(data), mEnd(data + size) {}
  bool More() const { return mData < mEnd; }
  uint8_t Byte() { return More() ? *mData++ : 0; }
  int32_t Int()
  {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v = v << 8 | Byte();
    int32_t out;
    std::memcpy(&out, &v, sizeof(out));
    return out;
  }
  // A tag byte: below 0xC0 a value from the table, else the next four bytes as a float.
  float Float()
  {
    static const float kTable[] = {0.f, 1.f, -1.f, 0.5f, 2.f, 10.f, 100.f, -100.f, 1e-6f, 1e-30f, -1e-38f,
                                   1e7f, -1e7f, 1e20f, 3e38f, -3e38f, std::numeric_limits<float>::max(),
                                   std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    constexpr size_t kCount = sizeof(kTable) / sizeof(kTable[0]);
    const uint8_t tag = Byte();
    if (tag < 0xC0)
      return tag < kCount ? kTable[tag] : static_cast<float>(tag) - 96.f;
    const int32_t bits = Int();
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
  }

private:
  const uint8_t* mData;
  const uint8_t* mEnd;
};

bool Finite(float x, float y) { return std::isfinite(x) && std::isfinite(y); }

void RequireFiniteVertices(const VGRvertex* verts, int n)
{
  Require(n >= 0 && (n == 0 || verts), "a vertex range holds what it claims");
  for (int i = 0; i < n; ++i)
    Require(Finite(verts[i].x, verts[i].y) && Finite(verts[i].u, verts[i].v), "every vertex is finite");
}

void RequireFinitePaths(const VGRpath* paths, int npaths)
{
  for (int i = 0; i < npaths; ++i)
  {
    RequireFiniteVertices(paths[i].fill, paths[i].nfill);
    RequireFiniteVertices(paths[i].stroke, paths[i].nstroke);
  }
}

VGRrenderInterface CheckingInterface()
{
  VGRrenderInterface ri{};
  ri.edgeAntiAlias = 1;
  ri.renderCreate = [](void*) { return 1; };
  ri.renderCreateTexture = [](void*, int, int, int, int, const unsigned char*) { return 1; };
  ri.renderDeleteTexture = [](void*, int) { return 1; };
  ri.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
  ri.renderGetTextureSize = [](void*, int, int* w, int* h) {
    *w = *h = 1;
    return 1;
  };
  ri.renderViewport = [](void*, float, float, float ratio) {
    Require(std::isfinite(ratio) && ratio > 0.f, "the pixel ratio is a positive number");
  };
  ri.renderCancel = [](void*) {};
  ri.renderFlush = [](void*) {};
  ri.renderFill = [](void*, VGRpaint*, VGRcompositeOperationState, VGRscissor*, float fringe, const float* bounds,
                     const VGRpath* paths, int npaths) {
    Require(std::isfinite(fringe) && Finite(bounds[0], bounds[1]) && Finite(bounds[2], bounds[3]),
            "fill bounds and fringe are finite");
    RequireFinitePaths(paths, npaths);
  };
  ri.renderStroke = [](void*, VGRpaint*, VGRcompositeOperationState, VGRscissor*, float fringe, float width,
                       const VGRpath* paths, int npaths) {
    Require(std::isfinite(fringe) && std::isfinite(width), "stroke width and fringe are finite");
    RequireFinitePaths(paths, npaths);
  };
  ri.renderTriangles = [](void*, VGRpaint*, VGRcompositeOperationState, VGRscissor*, const VGRvertex* verts, int n,
                          float) { RequireFiniteVertices(verts, n); };
  ri.renderDelete = [](void*) {};
  return ri;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static const VGRrenderInterface ri = CheckingInterface();
  static VGRdrawContext* ctx = vgrCreateContext(&ri);
  Require(ctx != nullptr, "a context over the checking interface");

  Input in(data, size);
  vgrBeginFrame(ctx, 400.f, 300.f, in.Float());
  vgrBeginPath(ctx);
  // Each fill or stroke tessellates the whole path again: a few per input keep an input's
  // work in proportion to its length.
  int draws = 0;
  while (in.More() && draws < 8)
  {
    switch (in.Byte() % 26)
    {
    case 0: vgrMoveTo(ctx, in.Float(), in.Float()); break;
    case 1: vgrLineTo(ctx, in.Float(), in.Float()); break;
    case 2:
    {
      const float c1x = in.Float(), c1y = in.Float(), c2x = in.Float(), c2y = in.Float();
      vgrBezierTo(ctx, c1x, c1y, c2x, c2y, in.Float(), in.Float());
      break;
    }
    case 3:
    {
      const float cx = in.Float(), cy = in.Float();
      vgrQuadTo(ctx, cx, cy, in.Float(), in.Float());
      break;
    }
    case 4:
    {
      const float cx = in.Float(), cy = in.Float(), r = in.Float(), a0 = in.Float(), a1 = in.Float();
      vgrArc(ctx, cx, cy, r, a0, a1, in.Byte() & 1 ? VGR_CW : VGR_CCW);
      break;
    }
    case 5:
    {
      const float x1 = in.Float(), y1 = in.Float(), x2 = in.Float(), y2 = in.Float();
      vgrArcTo(ctx, x1, y1, x2, y2, in.Float());
      break;
    }
    case 6: vgrClosePath(ctx); break;
    case 7: vgrSetPathWinding(ctx, in.Byte() & 1 ? in.Int() : (in.Byte() % 4)); break;
    case 8:
    {
      const float x = in.Float(), y = in.Float(), w = in.Float();
      vgrRect(ctx, x, y, w, in.Float());
      break;
    }
    case 9:
    {
      const float x = in.Float(), y = in.Float(), w = in.Float(), h = in.Float(), a = in.Float(), b = in.Float(),
                  c = in.Float();
      vgrRoundedRectCorners(ctx, x, y, w, h, a, b, c, in.Float());
      break;
    }
    case 10:
    {
      const float cx = in.Float(), cy = in.Float(), rx = in.Float();
      vgrEllipse(ctx, cx, cy, rx, in.Float());
      break;
    }
    case 11:
    {
      const float cx = in.Float(), cy = in.Float();
      vgrCircle(ctx, cx, cy, in.Float());
      break;
    }
    case 12: vgrTranslate(ctx, in.Float(), in.Float()); break;
    case 13: vgrScale(ctx, in.Float(), in.Float()); break;
    case 14: vgrRotate(ctx, in.Float()); break;
    case 15: in.Byte() & 1 ? vgrSkewX(ctx, in.Float()) : vgrSkewY(ctx, in.Float()); break;
    case 16:
    {
      const float a = in.Float(), b = in.Float(), c = in.Float(), d = in.Float(), e = in.Float();
      vgrApplyTransform(ctx, a, b, c, d, e, in.Float());
      break;
    }
    case 17: vgrResetTransform(ctx); break;
    case 18: vgrSetStrokeWidth(ctx, in.Float()); break;
    case 19: vgrSetMiterLimit(ctx, in.Float()); break;
    case 20: vgrSetLineCap(ctx, in.Byte() % 4); break;
    case 21: vgrSetLineJoin(ctx, in.Byte() % 5); break;
    case 22: in.Byte() & 1 ? vgrPushState(ctx) : vgrPopState(ctx); break;
    case 23: vgrSetShapeAntiAlias(ctx, in.Byte() & 1); break;
    case 24:
      ++draws;
      in.Byte() & 1 ? vgrFill(ctx) : vgrStroke(ctx);
      break;
    default: vgrBeginPath(ctx); break;
    }
  }
  vgrFill(ctx);
  vgrStroke(ctx);
  vgrEndFrame(ctx);
  return 0;
}
