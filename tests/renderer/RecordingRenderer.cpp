#include "tests/renderer/RecordingRenderer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace plug::igraphics;

namespace testsupport {

namespace {

RecordingRenderer* Self(void* uptr)
{
  return static_cast<RecordingRenderer*>(uptr);
}

RecordedCall Common(RecordedCall::Kind kind, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor,
                    float fringe)
{
  RecordedCall call;
  call.kind = kind;
  call.paint = *paint;
  call.composite = op;
  call.scissor = *scissor;
  call.fringe = fringe;
  return call;
}

void CopyPaths(RecordedCall& call, const VGRpath* paths, int npaths)
{
  EXPECT_GE(npaths, 0);
  for (int i = 0; i < npaths; ++i)
  {
    RecordedPath rp;
    rp.path = paths[i];
    EXPECT_EQ(paths[i].fill == nullptr, paths[i].nfill == 0);
    EXPECT_EQ(paths[i].stroke == nullptr, paths[i].nstroke == 0);
    if (paths[i].fill)
      rp.fill.assign(paths[i].fill, paths[i].fill + paths[i].nfill);
    if (paths[i].stroke)
      rp.stroke.assign(paths[i].stroke, paths[i].stroke + paths[i].nstroke);
    rp.path.fill = rp.path.stroke = nullptr;
    call.paths.push_back(std::move(rp));
  }
}

} // namespace

VGRrenderInterface RecordingRenderer::Interface(bool edgeAntiAlias)
{
  VGRrenderInterface ri{};
  ri.userPtr = this;
  ri.edgeAntiAlias = edgeAntiAlias ? 1 : 0;
  ri.renderCreate = [](void* u) { return ++Self(u)->createCalls, Self(u)->failCreate ? 0 : 1; };
  ri.renderCreateTexture = [](void* u, int type, int w, int h, int imageFlags, const unsigned char* data) {
    RecordingRenderer* self = Self(u);
    if (self->failTexturesAfter == 0)
      return 0;
    if (self->failTexturesAfter > 0)
      self->failTexturesAfter--;
    EXPECT_TRUE((type == VGR_TEXTURE_ALPHA || type == VGR_TEXTURE_RGBA) && w > 0 && h > 0);
    RecordedTexture t{type, w, h, imageFlags, data != nullptr, {}};
    t.pixels.assign(std::size_t(w) * h * (type == VGR_TEXTURE_RGBA ? 4 : 1), 0);
    if (data)
      std::memcpy(t.pixels.data(), data, t.pixels.size());
    const int id = self->mNextId++;
    self->textures[id] = std::move(t);
    self->createdTextures.push_back(id);
    return id;
  };
  ri.renderDeleteTexture = [](void* u, int image) {
    EXPECT_EQ(Self(u)->textures.count(image), 1u) << "deleting unknown texture " << image;
    Self(u)->deletedTextures.push_back(image);
    return static_cast<int>(Self(u)->textures.erase(image));
  };
  ri.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char* data) {
    Self(u)->updates.push_back(RecordedUpdate{image, x, y, w, h});
    auto it = Self(u)->textures.find(image);
    if (it == Self(u)->textures.end())
      return 0;
    RecordedTexture& t = it->second;
    EXPECT_TRUE(x >= 0 && y >= 0 && x + w <= t.width && y + h <= t.height) << "update outside the texture";
    const std::size_t bpp = t.type == VGR_TEXTURE_RGBA ? 4 : 1;
    for (int row = y; row < y + h; ++row)
    {
      const std::size_t at = (std::size_t(row) * t.width + x) * bpp;
      std::memcpy(&t.pixels[at], data + at, std::size_t(w) * bpp);
    }
    return 1;
  };
  ri.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
    auto it = Self(u)->textures.find(image);
    if (it == Self(u)->textures.end())
      return 0;
    *w = it->second.width;
    *h = it->second.height;
    return 1;
  };
  ri.renderViewport = [](void* u, float width, float height, float ratio) {
    Self(u)->viewport[0] = width;
    Self(u)->viewport[1] = height;
    Self(u)->viewport[2] = ratio;
    Self(u)->calls.clear();
  };
  ri.renderCancel = [](void* u) { ++Self(u)->cancelCalls; };
  ri.renderFlush = [](void* u) { ++Self(u)->flushCalls; };
  ri.renderFill = [](void* u, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor, float fringe,
                     const float* bounds, const VGRpath* paths, int npaths) {
    RecordedCall call = Common(RecordedCall::Fill, paint, op, scissor, fringe);
    std::memcpy(call.bounds, bounds, sizeof(call.bounds));
    CopyPaths(call, paths, npaths);
    Self(u)->calls.push_back(std::move(call));
  };
  ri.renderStroke = [](void* u, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor, float fringe,
                       float strokeWidth, const VGRpath* paths, int npaths) {
    RecordedCall call = Common(RecordedCall::Stroke, paint, op, scissor, fringe);
    call.strokeWidth = strokeWidth;
    CopyPaths(call, paths, npaths);
    Self(u)->calls.push_back(std::move(call));
  };
  ri.renderTriangles = [](void* u, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor,
                          const VGRvertex* verts, int nverts, float fringe) {
    RecordedCall call = Common(RecordedCall::Triangles, paint, op, scissor, fringe);
    EXPECT_TRUE(nverts >= 0 && nverts % 3 == 0);
    if (nverts > 0)
      call.verts.assign(verts, verts + nverts);
    Self(u)->calls.push_back(std::move(call));
  };
  ri.renderDelete = [](void* u) { ++Self(u)->deleteCalls; };
  return ri;
}

RecordedContext::RecordedContext(bool edgeAntiAlias)
{
  const VGRrenderInterface ri = rec.Interface(edgeAntiAlias);
  ctx = vgrCreateContext(&ri);
}

RecordedContext::~RecordedContext()
{
  vgrDeleteContext(ctx);
}

} // namespace testsupport
