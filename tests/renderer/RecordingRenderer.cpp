#include "tests/renderer/RecordingRenderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

using namespace plug::igraphics;

namespace testsupport {

VGRrenderInterface RecordingRenderer::Interface(bool edgeAntiAlias)
{
  VGRrenderInterface ri{};
  ri.userPtr = this;
  ri.edgeAntiAlias = edgeAntiAlias ? 1 : 0;
  ri.renderCreate = &Create;
  ri.renderCreateTexture = &CreateTexture;
  ri.renderDeleteTexture = &DeleteTexture;
  ri.renderUpdateTexture = &UpdateTexture;
  ri.renderGetTextureSize = &GetTextureSize;
  ri.renderViewport = &Viewport;
  ri.renderCancel = &Cancel;
  ri.renderFlush = &Flush;
  ri.renderFill = &Fill;
  ri.renderStroke = &Stroke;
  ri.renderTriangles = &Triangles;
  ri.renderDelete = &Delete;
  return ri;
}

void RecordingRenderer::ClearLog()
{
  createdTextures.clear();
  deletedTextures.clear();
  updates.clear();
  calls.clear();
  flushed.clear();
}

int RecordingRenderer::Create(void* uptr)
{
  Self(uptr)->createCalls++;
  return Self(uptr)->failCreate ? 0 : 1;
}

int RecordingRenderer::CreateTexture(void* uptr, int type, int w, int h, int imageFlags, const unsigned char* data)
{
  RecordingRenderer* self = Self(uptr);
  if (self->failTexturesAfter == 0)
    return 0;
  if (self->failTexturesAfter > 0)
    self->failTexturesAfter--;
  EXPECT_TRUE(type == VGR_TEXTURE_ALPHA || type == VGR_TEXTURE_RGBA);
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  RecordedTexture t;
  t.type = type;
  t.width = w;
  t.height = h;
  t.flags = imageFlags;
  t.createdWithData = data != nullptr;
  const std::size_t bytes = std::size_t(w) * h * (type == VGR_TEXTURE_RGBA ? 4 : 1);
  t.pixels.assign(bytes, 0);
  if (data)
    std::memcpy(t.pixels.data(), data, bytes);
  const int id = self->mNextId++;
  self->textures[id] = std::move(t);
  self->createdTextures.push_back(id);
  return id;
}

int RecordingRenderer::DeleteTexture(void* uptr, int image)
{
  RecordingRenderer* self = Self(uptr);
  EXPECT_EQ(self->textures.count(image), 1u) << "deleting unknown texture " << image;
  self->deletedTextures.push_back(image);
  return self->textures.erase(image) ? 1 : 0;
}

int RecordingRenderer::UpdateTexture(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data)
{
  RecordingRenderer* self = Self(uptr);
  self->updates.push_back(RecordedUpdate{image, x, y, w, h});
  auto it = self->textures.find(image);
  if (it == self->textures.end())
    return 0;
  RecordedTexture& t = it->second;
  EXPECT_TRUE(x >= 0 && y >= 0 && x + w <= t.width && y + h <= t.height) << "update outside the texture";
  const int bpp = t.type == VGR_TEXTURE_RGBA ? 4 : 1;
  for (int row = y; row < y + h; ++row)
    std::memcpy(&t.pixels[(std::size_t(row) * t.width + x) * bpp], data + (std::size_t(row) * t.width + x) * bpp,
                std::size_t(w) * bpp);
  return 1;
}

int RecordingRenderer::GetTextureSize(void* uptr, int image, int* w, int* h)
{
  RecordingRenderer* self = Self(uptr);
  auto it = self->textures.find(image);
  if (it == self->textures.end())
    return 0;
  *w = it->second.width;
  *h = it->second.height;
  return 1;
}

void RecordingRenderer::Viewport(void* uptr, float width, float height, float devicePixelRatio)
{
  RecordingRenderer* self = Self(uptr);
  self->viewportCalls++;
  self->viewport[0] = width;
  self->viewport[1] = height;
  self->viewport[2] = devicePixelRatio;
  self->calls.clear();
}

void RecordingRenderer::Cancel(void* uptr)
{
  Self(uptr)->cancelCalls++;
  Self(uptr)->calls.clear();
}

void RecordingRenderer::Flush(void* uptr)
{
  RecordingRenderer* self = Self(uptr);
  self->flushCalls++;
  self->flushed = std::move(self->calls);
  self->calls.clear();
}

namespace {

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
    rp.path.fill = nullptr;
    rp.path.stroke = nullptr;
    call.paths.push_back(std::move(rp));
  }
}

} // namespace

void RecordingRenderer::Fill(void* uptr, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor,
                             float fringe, const float* bounds, const VGRpath* paths, int npaths)
{
  RecordedCall call = Common(RecordedCall::Fill, paint, op, scissor, fringe);
  std::memcpy(call.bounds, bounds, sizeof(call.bounds));
  CopyPaths(call, paths, npaths);
  Self(uptr)->calls.push_back(std::move(call));
}

void RecordingRenderer::Stroke(void* uptr, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor,
                               float fringe, float strokeWidth, const VGRpath* paths, int npaths)
{
  RecordedCall call = Common(RecordedCall::Stroke, paint, op, scissor, fringe);
  call.strokeWidth = strokeWidth;
  CopyPaths(call, paths, npaths);
  Self(uptr)->calls.push_back(std::move(call));
}

void RecordingRenderer::Triangles(void* uptr, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor,
                                  const VGRvertex* verts, int nverts, float fringe)
{
  RecordedCall call = Common(RecordedCall::Triangles, paint, op, scissor, fringe);
  EXPECT_GE(nverts, 0);
  EXPECT_EQ(nverts % 3, 0);
  if (nverts > 0)
    call.verts.assign(verts, verts + nverts);
  Self(uptr)->calls.push_back(std::move(call));
}

void RecordingRenderer::Delete(void* uptr)
{
  Self(uptr)->deleteCalls++;
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

const char* RobotoPath()
{
  return "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
}

const char* LatoBoldPath()
{
  return "/usr/share/fonts/truetype/lato/Lato-Bold.ttf";
}

std::vector<unsigned char> ReadFileBytes(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testsupport
