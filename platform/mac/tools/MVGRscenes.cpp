#include "platform/mac/tools/MVGRscenes.h"

#include <cmath>
#include <cstdio>

namespace plug {
namespace igraphics {
namespace scenes {

namespace {

constexpr float kPi = 3.14159265358979f;
const VGRcolor kWhite = {1, 1, 1, 1};

void FillBox(VGRdrawContext* ctx, const Box& b)
{
  vgrBeginPath(ctx);
  vgrRect(ctx, b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
  vgrFill(ctx);
}

void DrawEdges(VGRdrawContext* ctx, const SceneResources&)
{
  vgrSetFillColor(ctx, kWhite);
  for (const Box& b : kEdgeBoxes)
    FillBox(ctx, b);
}

void DrawStar(VGRdrawContext* ctx, const SceneResources&)
{
  const std::vector<Point> points = StarPoints();
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, points[0][0], points[0][1]);
  for (size_t i = 1; i < points.size(); i++)
    vgrLineTo(ctx, points[i][0], points[i][1]);
  vgrClosePath(ctx);
  vgrSetFillColor(ctx, kWhite);
  vgrFill(ctx);
}

void DrawRings(VGRdrawContext* ctx, const SceneResources&)
{
  vgrSetFillColor(ctx, kWhite);
  for (const Ring& r : kRings)
  {
    vgrBeginPath(ctx);
    vgrCircle(ctx, r.cx, r.cy, r.outer);
    vgrCircle(ctx, r.cx, r.cy, r.inner);
    vgrSetPathWinding(ctx, VGR_CW);
    vgrFill(ctx);
  }
}

void DrawStroke(VGRdrawContext* ctx, const SceneResources&)
{
  vgrSetStrokeColor(ctx, kWhite);
  vgrSetStrokeWidth(ctx, 1.0f);
  vgrSetLineCap(ctx, VGR_BUTT);
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, kStrokeX0, kStrokeY);
  vgrLineTo(ctx, kStrokeX1, kStrokeY);
  vgrMoveTo(ctx, kStrokeX, kStrokeY0);
  vgrLineTo(ctx, kStrokeX, kStrokeY1);
  vgrStroke(ctx);
}

void DrawGradient(VGRdrawContext* ctx, const SceneResources&)
{
  const Box& b = kGradientBox;
  vgrSetFillPaint(ctx, vgrLinearGradient(ctx, b.x0, b.y0, b.x1, b.y0, kGradientFrom, kGradientTo));
  FillBox(ctx, b);
}

void DrawImage(VGRdrawContext* ctx, const SceneResources& resources)
{
  const float x = float(kImageX), y = float(kImageY), w = float(kPatternWidth), h = float(kPatternHeight);
  vgrSetFillPaint(ctx, vgrImagePaint(ctx, x, y, w, h, 0, resources.pattern, 1));
  FillBox(ctx, Box{x, y, x + w, y + h});
}

void DrawText(VGRdrawContext* ctx, const SceneResources& resources)
{
  SetTextStyle(ctx, resources);
  vgrSetFillColor(ctx, kWhite);
  vgrDrawText(ctx, kTextX, kTextY, kText, nullptr);
}

// An editor-sized picture, like the product's: a background image, six panels with soft
// shadows, forty knobs (gradient body, value arc, pointer), ten concave stars through the
// stencil and a hundred and fifty labels.
constexpr int kEditorWidth = 1800, kEditorHeight = 1000;

void DrawEditor(VGRdrawContext* ctx, const SceneResources& resources)
{
  constexpr float kWidth = kEditorWidth, kHeight = kEditorHeight;
  if (resources.background)
    vgrSetFillPaint(ctx, vgrImagePaint(ctx, 0, 0, kWidth, kHeight, 0, resources.background, 1));
  else
    vgrSetFillPaint(ctx, vgrImagePaint(ctx, 0, 0, kPatternWidth, kPatternHeight, 0, resources.pattern, 1));
  FillBox(ctx, Box{0, 0, kWidth, kHeight});
  for (int i = 0; i < 6; i++)
  {
    const float x = 40.0f + 290.0f * float(i), y = 60, w = 260, h = 420;
    vgrSetFillPaint(ctx, vgrRoundedBoxGradient(ctx, x, y + 4, w, h, 12, 20, vgrColorRGBAf(0, 0, 0, 0.6f),
                                               vgrColorRGBAf(0, 0, 0, 0)));
    FillBox(ctx, Box{x - 20, y - 16, x + w + 20, y + h + 24});
    vgrBeginPath(ctx);
    vgrRoundedRect(ctx, x, y, w, h, 12);
    vgrSetFillColor(ctx, vgrColorRGBAf(0.16f, 0.17f, 0.2f, 0.95f));
    vgrFill(ctx);
  }
  for (int i = 0; i < 40; i++)
  {
    const float cx = 110.0f + 210.0f * float(i % 8), cy = 150.0f + 162.0f * float(i / 8), r = 42;
    vgrBeginPath(ctx);
    vgrCircle(ctx, cx, cy, r);
    vgrSetFillPaint(ctx, vgrRadialGradient(ctx, cx - 10, cy - 10, 4, r * 1.4f, vgrColorRGBAf(0.85f, 0.85f, 0.9f, 1),
                                           vgrColorRGBAf(0.3f, 0.3f, 0.35f, 1)));
    vgrFill(ctx);
    const float a0 = 0.75f * kPi, a1 = a0 + 1.5f * kPi * float(i % 7 + 1) / 7.0f;
    vgrBeginPath(ctx);
    vgrArc(ctx, cx, cy, r + 8, a0, a1, VGR_CW);
    vgrSetStrokeColor(ctx, vgrColorRGBAf(0.2f, 0.7f, 1.0f, 1));
    vgrSetStrokeWidth(ctx, 4);
    vgrSetLineCap(ctx, VGR_ROUND);
    vgrStroke(ctx);
    vgrBeginPath(ctx);
    vgrMoveTo(ctx, cx, cy);
    vgrLineTo(ctx, cx + r * 0.8f * std::cos(a1), cy + r * 0.8f * std::sin(a1));
    vgrSetStrokeColor(ctx, kWhite);
    vgrSetStrokeWidth(ctx, 3);
    vgrStroke(ctx);
  }
  for (int i = 0; i < 10; i++)
  {
    const float cx = 120.0f + 170.0f * float(i), cy = 900, r = 40;
    vgrBeginPath(ctx);
    for (int k = 0; k < 10; k++)
    {
      const float a = -0.5f * kPi + 2 * kPi * float(k) / 10.0f, radius = k % 2 ? r * 0.4f : r;
      if (k == 0)
        vgrMoveTo(ctx, cx + radius * std::cos(a), cy + radius * std::sin(a));
      else
        vgrLineTo(ctx, cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
    vgrClosePath(ctx);
    vgrSetFillColor(ctx, vgrColorRGBAf(1, 0.8f, 0.2f, 0.9f));
    vgrFill(ctx);
  }
  if (resources.font < 0)
    return;
  vgrSetFontId(ctx, resources.font);
  vgrSetFontSize(ctx, 14);
  vgrSetTextAlign(ctx, VGR_ALIGN_LEFT | VGR_ALIGN_BASELINE);
  vgrSetFillColor(ctx, vgrColorRGBAf(0.95f, 0.95f, 0.95f, 1));
  char label[32];
  for (int i = 0; i < 150; i++)
  {
    std::snprintf(label, sizeof(label), "Drive %d.%d", i / 10, i % 10);
    vgrDrawText(ctx, 20.0f + 120.0f * float(i % 15), 40.0f + 95.0f * float(i / 15), label, nullptr);
  }
}

} // namespace

std::vector<uint8_t> PatternPixels()
{
  std::vector<uint8_t> rgba(size_t(kPatternWidth) * kPatternHeight * 4);
  for (int y = 0; y < kPatternHeight; y++)
    for (int x = 0; x < kPatternWidth; x++)
    {
      uint8_t* p = &rgba[(size_t(y) * kPatternWidth + x) * 4];
      p[0] = uint8_t(x * 10 + 7);
      p[1] = uint8_t(y * 15 + 3);
      p[2] = uint8_t((x * 37 + y * 91) & 0xff);
      p[3] = (x + y) % 5 == 0 ? uint8_t(96 + x * 4) : 255;
    }
  return rgba;
}

std::vector<Point> StarPoints()
{
  // Every second point of a regular pentagon, so that the edges cross.
  std::vector<Point> points;
  for (int i = 0; i < 5; i++)
  {
    const float a = -0.5f * kPi + 4 * kPi * float(i) / 5.0f;
    points.push_back({32.0f + 27.0f * std::cos(a), 33.0f + 27.0f * std::sin(a)});
  }
  return points;
}

void SetTextStyle(VGRdrawContext* ctx, const SceneResources& resources)
{
  vgrSetFontId(ctx, resources.font);
  vgrSetFontSize(ctx, kTextSize);
  vgrSetTextAlign(ctx, VGR_ALIGN_LEFT | VGR_ALIGN_BASELINE);
}

const std::vector<Scene>& Scenes()
{
  static const std::vector<Scene> scenes = {
    {"edges", 64, 64, DrawEdges},       {"star", 64, 64, DrawStar},   {"rings", 64, 64, DrawRings},
    {"stroke", 64, 64, DrawStroke},     {"gradient", 64, 48, DrawGradient}, {"image", 40, 28, DrawImage},
    {"text", 200, 56, DrawText},        {"editor", kEditorWidth, kEditorHeight, DrawEditor},
  };
  return scenes;
}

const Scene* FindScene(const std::string& name)
{
  for (const Scene& s : Scenes())
    if (name == s.name)
      return &s;
  return nullptr;
}

SceneResources LoadSceneResources(VGRdrawContext* ctx, const std::string& fontPath, bool editorBackground)
{
  SceneResources resources;
  const std::vector<uint8_t> pattern = PatternPixels();
  resources.pattern = mvgrImageCreateRGBA(ctx, kPatternWidth, kPatternHeight, VGR_IMAGE_REPEATX | VGR_IMAGE_REPEATY,
                                          pattern.data());
  if (editorBackground)
  {
    // Soft diagonal bands with a fine grain, opaque.
    std::vector<uint8_t> rgba(size_t(kEditorWidth) * kEditorHeight * 4);
    for (int y = 0; y < kEditorHeight; y++)
      for (int x = 0; x < kEditorWidth; x++)
      {
        uint8_t* p = &rgba[(size_t(y) * kEditorWidth + x) * 4];
        const int band = ((x + y) / 40) % 2 ? 8 : 0, grain = (x * 7 + y * 13) % 5;
        p[0] = uint8_t(30 + band + grain);
        p[1] = uint8_t(34 + band + grain);
        p[2] = uint8_t(42 + band + grain);
        p[3] = 255;
      }
    resources.background = mvgrImageCreateRGBA(ctx, kEditorWidth, kEditorHeight, 0, rgba.data());
  }
  if (!fontPath.empty())
    resources.font = vgrAddFontFile(ctx, "scene", fontPath.c_str());
  return resources;
}

VGRMetalFramebuffer* RenderScene(VGRdrawContext* ctx, const Scene& scene, const SceneResources& resources)
{
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(ctx, scene.width, scene.height, 0);
  if (!fb)
    return nullptr;
  mvgrFramebufferBind(fb);
  mvgrSetClearColor(ctx, VGRcolor{0, 0, 0, 0});
  vgrBeginFrame(ctx, float(scene.width), float(scene.height), 1.0f);
  scene.draw(ctx, resources);
  vgrEndFrame(ctx);
  return fb;
}

void PresentFramebuffer(VGRdrawContext* ctx, const VGRMetalFramebuffer* fb, int width, int height,
                        VGRcolor background)
{
  mvgrFramebufferBind(nullptr);
  mvgrSetClearColor(ctx, background);
  vgrBeginFrame(ctx, float(width), float(height), 1.0f);
  vgrSetFillPaint(ctx, vgrImagePaint(ctx, 0, 0, float(width), float(height), 0, fb->image, 1));
  FillBox(ctx, Box{0, 0, float(width), float(height)});
  vgrEndFrame(ctx);
}

} // namespace scenes
} // namespace igraphics
} // namespace plug
