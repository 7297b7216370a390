#pragma once
// A render interface for tests that keeps everything the renderer hands over: every call
// with its paint, blend state, scissor and a copy of its geometry, and every texture with
// its pixels (kept up to date by the update operation). It checks what arrives: pointers
// hold the counts they claim, updates stay inside their texture, deleted ids exist.

#include "graphics/renderer/VGR.h"

#include <map>
#include <vector>

namespace testsupport {

struct RecordedTexture
{
  int type = 0;
  int width = 0;
  int height = 0;
  int flags = 0;
  bool createdWithData = false;
  std::vector<unsigned char> pixels; // width x height x (1 or 4)
};

struct RecordedPath
{
  plug::igraphics::VGRpath path{}; // vertex pointers cleared
  std::vector<plug::igraphics::VGRvertex> fill;
  std::vector<plug::igraphics::VGRvertex> stroke;
};

struct RecordedCall
{
  enum Kind
  {
    Fill,
    Stroke,
    Triangles
  };
  Kind kind = Fill;
  plug::igraphics::VGRpaint paint{};
  plug::igraphics::VGRcompositeOperationState composite{};
  plug::igraphics::VGRscissor scissor{};
  float fringe = 0;
  float strokeWidth = 0;
  float bounds[4] = {0, 0, 0, 0};
  std::vector<RecordedPath> paths;
  std::vector<plug::igraphics::VGRvertex> verts;
};

struct RecordedUpdate
{
  int image, x, y, width, height;
};

class RecordingRenderer
{
public:
  // The table of operations, bound to this recorder.
  plug::igraphics::VGRrenderInterface Interface(bool edgeAntiAlias = true);

  // Knobs.
  bool failCreate = false;    // renderCreate answers 0
  int failTexturesAfter = -1; // that many textures are created, then creation fails (-1: never)

  // What happened.
  int createCalls = 0;
  int deleteCalls = 0;
  int cancelCalls = 0;
  int flushCalls = 0;
  float viewport[3] = {0, 0, 0};
  std::map<int, RecordedTexture> textures; // live textures by id
  std::vector<int> createdTextures;        // ids in creation order
  std::vector<int> deletedTextures;        // ids in deletion order
  std::vector<RecordedUpdate> updates;
  std::vector<RecordedCall> calls; // since the last viewport, until the flush

private:
  int mNextId = 1;
};

// A drawing context over a recorder, deleted with this object.
class RecordedContext
{
public:
  explicit RecordedContext(bool edgeAntiAlias = true);
  ~RecordedContext();
  RecordedContext(const RecordedContext&) = delete;
  RecordedContext& operator=(const RecordedContext&) = delete;

  plug::igraphics::VGRdrawContext* ctx = nullptr;
  RecordingRenderer rec;
};

} // namespace testsupport
