#pragma once
// Test scenes of the render back end: small pictures drawn with the vector renderer whose pixels
// are known (for the scene tests, which compute their references from the geometry given here),
// and an editor-sized picture (for the benchmark). The scene tool writes them all as PNG files.
#include "graphics/renderer/VGR.h"
#include "platform/mac/MVGR.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace plug {
namespace igraphics {
namespace scenes {

// What the scenes draw with, made once per drawing context.
struct SceneResources
{
  int pattern = 0;    // the pattern image (PatternPixels), straight alpha, repeating
  int font = -1;      // the text font, -1 when none was loaded
  int background = 0; // the editor's background image (1800 x 1000), when made
};

struct Scene
{
  const char* name;
  int width, height;
  void (*draw)(VGRdrawContext* ctx, const SceneResources& resources);
};

// The scenes: "edges", "star", "rings", "stroke", "gradient", "image", "text" and "editor".
const std::vector<Scene>& Scenes();
// Null for an unknown name.
const Scene* FindScene(const std::string& name);

// Makes the pattern image and loads the font (an empty path: no font, the text draws nothing);
// with editorBackground the editor's background image too (else the editor tiles the pattern).
SceneResources LoadSceneResources(VGRdrawContext* ctx, const std::string& fontPath, bool editorBackground = false);

// Draws the scene in one frame into a new framebuffer of its size, cleared to transparent first;
// the caller deletes the framebuffer. The framebuffer stays bound.
VGRMetalFramebuffer* RenderScene(VGRdrawContext* ctx, const Scene& scene, const SceneResources& resources);
// Draws the framebuffer onto the view's next drawable over the background colour, as the
// editor's last frame of a picture does.
void PresentFramebuffer(VGRdrawContext* ctx, const VGRMetalFramebuffer* fb, int width, int height,
                        VGRcolor background);

// -- the geometry of the scenes, for references --

// The pattern image: RGBA, straight alpha, rows top to bottom; some pixels translucent.
constexpr int kPatternWidth = 24, kPatternHeight = 16;
std::vector<uint8_t> PatternPixels();

struct Box
{
  float x0, y0, x1, y1;
};
// "edges": white rectangles whose edges sit at quarter, half and three-quarter pixels.
constexpr Box kEdgeBoxes[] = {{10.25f, 8.5f, 40.75f, 30.25f}, {48.5f, 36.75f, 60.25f, 58.5f}, {6.75f, 40.75f, 20.5f, 52.25f}};

using Point = std::array<float, 2>;
// "star": one path through the five points of a pentagram (the centre is wound twice), white.
std::vector<Point> StarPoints();

// "rings": a white disc with a hole, the outer circle solid, the inner one wound the other way;
// and a second, smaller ring.
struct Ring
{
  float cx, cy, outer, inner;
};
constexpr Ring kRings[] = {{25.0f, 25.0f, 21.0f, 10.5f}, {51.5f, 51.5f, 10.0f, 6.0f}};

// "stroke": a white line of width 1 with butt caps along y = 10.5 from x 5 to 59, and one
// along x = 30.5 from y 20 to 60.
constexpr float kStrokeY = 10.5f, kStrokeX0 = 5.0f, kStrokeX1 = 59.0f;
constexpr float kStrokeX = 30.5f, kStrokeY0 = 20.0f, kStrokeY1 = 60.0f;

// "gradient": the box filled with a linear gradient from kGradientFrom at x0 to kGradientTo at
// x1 (opaque colours), constant along y.
constexpr Box kGradientBox = {4.0f, 6.0f, 60.0f, 40.0f};
constexpr VGRcolor kGradientFrom = {1.0f, 0.25f, 0.0f, 1.0f}, kGradientTo = {0.0f, 0.5f, 1.0f, 1.0f};

// "image": the pattern image drawn 1:1 with its top left corner at (kImageX, kImageY).
constexpr int kImageX = 7, kImageY = 5;

// "text": kText in white from the pen position (kTextX, kTextY), baseline-aligned, at kTextSize.
constexpr float kTextX = 4.0f, kTextY = 40.0f, kTextSize = 24.0f;
constexpr const char* kText = "Vellicor 0.5 dB";
// Sets the text scene's font, size and alignment on the context's top state.
void SetTextStyle(VGRdrawContext* ctx, const SceneResources& resources);

} // namespace scenes
} // namespace igraphics
} // namespace plug
