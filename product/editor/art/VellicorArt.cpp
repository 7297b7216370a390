// Draws the editor's bitmaps and writes them as PNG files at twice the point size ("@2x"):
//
//   vellicor_art OUTPUT_FOLDER LATO_BOLD_TTF ROBOTO_REGULAR_TTF
//
// The background paints everything the transparent controls leave to it: the wells and caps
// under the knobs, the names of the knobs, the bars the small controls sit on, the box of the
// preset strip and the logo. Multi-frame bitmaps stack their frames vertically; every size in
// points is whole and divisible by the frame count. The pictures depend only on this program
// and the two fonts, so a build makes the same files every time.
#include "product/editor/art/VellicorArtLayout.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace vellicor::art;

struct RGBA
{
  float r, g, b, a;
};

RGBA Rgb(int r, int g, int b, float a = 1.f) { return {r / 255.f, g / 255.f, b / 255.f, a}; }

RGBA Mix(const RGBA& x, const RGBA& y, float t)
{
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

// The point (in points) lies in the box with its corners rounded by the radius.
bool InsideRoundRect(const Box& box, float radius, float x, float y)
{
  if (x < box.l || x > box.r || y < box.t || y > box.b)
    return false;
  const float cx = std::clamp(x, box.l + radius, box.r - radius);
  const float cy = std::clamp(y, box.t + radius, box.b - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// An image in straight-alpha floats, drawn in points and stored at kArtScale pixels a point.
class Canvas
{
public:
  Canvas(int wPoints, int hPoints)
    : mW(wPoints * kArtScale), mH(hPoints * kArtScale), mPixels(static_cast<size_t>(mW) * mH, RGBA{0, 0, 0, 0})
  {
  }

  // Source-over of colour c at coverage a on one pixel.
  void Blend(int x, int y, const RGBA& c, float coverage)
  {
    if (x < 0 || y < 0 || x >= mW || y >= mH || coverage <= 0.f)
      return;
    RGBA& d = mPixels[static_cast<size_t>(y) * mW + x];
    const float sa = c.a * std::min(coverage, 1.f);
    const float outA = sa + d.a * (1.f - sa);
    if (outA <= 0.f)
      return;
    d.r = (c.r * sa + d.r * d.a * (1.f - sa)) / outA;
    d.g = (c.g * sa + d.g * d.a * (1.f - sa)) / outA;
    d.b = (c.b * sa + d.b * d.a * (1.f - sa)) / outA;
    d.a = outA;
  }

  // Fills the shape given by inside(x, y) (points) within the box (points), 4 x 4 samples a
  // pixel, coloured by color(x, y).
  void Fill(float l, float t, float r, float b, const std::function<bool(float, float)>& inside,
            const std::function<RGBA(float, float)>& color)
  {
    const int x0 = std::max(0, static_cast<int>(std::floor(l * kArtScale)));
    const int y0 = std::max(0, static_cast<int>(std::floor(t * kArtScale)));
    const int x1 = std::min(mW, static_cast<int>(std::ceil(r * kArtScale)));
    const int y1 = std::min(mH, static_cast<int>(std::ceil(b * kArtScale)));
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
      {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx)
            hits += inside((x + (sx + 0.5f) / 4.f) / kArtScale, (y + (sy + 0.5f) / 4.f) / kArtScale) ? 1 : 0;
        if (hits)
          Blend(x, y, color((x + 0.5f) / kArtScale, (y + 0.5f) / kArtScale), hits / 16.f);
      }
  }

  void Circle(float cx, float cy, float radius, const std::function<RGBA(float, float)>& color)
  {
    Fill(cx - radius, cy - radius, cx + radius, cy + radius,
         [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; }, color);
  }

  void Ring(float cx, float cy, float inner, float outer, const RGBA& color)
  {
    Fill(cx - outer, cy - outer, cx + outer, cy + outer,
         [=](float x, float y) {
           const float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
           return d2 <= outer * outer && d2 >= inner * inner;
         },
         [=](float, float) { return color; });
  }

  void RoundRect(const Box& box, float radius, const std::function<RGBA(float, float)>& color)
  {
    Fill(box.l, box.t, box.r, box.b, [=](float x, float y) { return InsideRoundRect(box, radius, x, y); }, color);
  }

  void RoundRect(const Box& box, float radius, const RGBA& color)
  {
    RoundRect(box, radius, [=](float, float) { return color; });
  }

  // An outline of the given thickness inside the box.
  void RoundFrame(const Box& box, float radius, float thickness, const RGBA& color)
  {
    const Box in{box.l + thickness, box.t + thickness, box.r - thickness, box.b - thickness};
    const float rin = std::max(0.f, radius - thickness);
    Fill(box.l, box.t, box.r, box.b,
         [=](float x, float y) { return InsideRoundRect(box, radius, x, y) && !InsideRoundRect(in, rin, x, y); },
         [=](float, float) { return color; });
  }

  int Width() const { return mW; }
  int Height() const { return mH; }
  RGBA& At(int x, int y) { return mPixels[static_cast<size_t>(y) * mW + x]; }

  // Writes the file; a failure is reported and remembered for the exit status.
  void WritePNG(const std::string& path) const
  {
    std::vector<uint8_t> bytes(mPixels.size() * 4);
    for (size_t i = 0; i < mPixels.size(); ++i)
    {
      const RGBA& p = mPixels[i];
      const float c[4] = {p.r, p.g, p.b, p.a};
      for (int k = 0; k < 4; ++k)
        bytes[i * 4 + k] = static_cast<uint8_t>(std::lround(std::clamp(c[k], 0.f, 1.f) * 255.f));
    }
    if (stbi_write_png(path.c_str(), mW, mH, 4, bytes.data(), mW * 4) == 0)
    {
      std::fprintf(stderr, "vellicor_art: cannot write %s\n", path.c_str());
      sFailed = true;
    }
  }

  static bool sFailed;

private:
  int mW, mH;
  std::vector<RGBA> mPixels;
};

bool Canvas::sFailed = false;

// A TrueType font from a file, drawing single lines of text onto a canvas.
class Font
{
public:
  bool Load(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    mData.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (mData.empty())
      return false;
    const int offset = stbtt_GetFontOffsetForIndex(mData.data(), 0);
    return offset >= 0 && stbtt_InitFont(&mInfo, mData.data(), offset) != 0;
  }

  // The width of the text in points at the size (points), with letter spacing added between
  // characters.
  float Measure(const std::string& text, float size, float spacing = 0.f) const
  {
    const float scale = stbtt_ScaleForMappingEmToPixels(&mInfo, size);
    float w = 0.f;
    for (size_t i = 0; i < text.size(); ++i)
    {
      // Bytes are Latin-1 code points, as Draw reads them.
      const int cp = static_cast<unsigned char>(text[i]);
      int advance = 0, lsb = 0;
      stbtt_GetCodepointHMetrics(&mInfo, cp, &advance, &lsb);
      w += advance * scale;
      if (i + 1 < text.size())
        w += stbtt_GetCodepointKernAdvance(&mInfo, cp, static_cast<unsigned char>(text[i + 1])) * scale + spacing;
    }
    return w;
  }

  // Draws the text centred on (cx, cy) (the middle of the capital height), size in points.
  void Draw(Canvas& canvas, const std::string& text, float cx, float cy, float size, const RGBA& color,
            float spacing = 0.f) const
  {
    const float px = size * kArtScale;
    const float scale = stbtt_ScaleForMappingEmToPixels(&mInfo, px);
    int x0, y0, x1, y1;
    stbtt_GetCodepointBox(&mInfo, 'H', &x0, &y0, &x1, &y1);
    const float capHeight = y1 * scale;
    float x = cx * kArtScale - Measure(text, size, spacing) * kArtScale / 2.f;
    const float baseline = cy * kArtScale + capHeight / 2.f;
    for (size_t i = 0; i < text.size(); ++i)
    {
      const int cp = static_cast<unsigned char>(text[i]);
      int advance = 0, lsb = 0;
      stbtt_GetCodepointHMetrics(&mInfo, cp, &advance, &lsb);
      const float shiftX = x - std::floor(x);
      const float shiftY = baseline - std::floor(baseline);
      int w = 0, h = 0, ox = 0, oy = 0;
      unsigned char* glyph =
        stbtt_GetCodepointBitmapSubpixel(&mInfo, scale, scale, shiftX, shiftY, cp, &w, &h, &ox, &oy);
      for (int gy = 0; gy < h; ++gy)
        for (int gx = 0; gx < w; ++gx)
          canvas.Blend(static_cast<int>(std::floor(x)) + ox + gx, static_cast<int>(std::floor(baseline)) + oy + gy, color,
                       glyph[gy * w + gx] / 255.f);
      stbtt_FreeBitmap(glyph, nullptr);
      x += advance * scale;
      if (i + 1 < text.size())
        x += stbtt_GetCodepointKernAdvance(&mInfo, cp, static_cast<unsigned char>(text[i + 1])) * scale +
             spacing * kArtScale;
    }
  }

private:
  std::vector<unsigned char> mData;
  stbtt_fontinfo mInfo{};
};

// ---- palette ----
const RGBA kPanelTop = Rgb(38, 36, 34);
const RGBA kPanelBottom = Rgb(24, 23, 22);
const RGBA kBar = Rgb(17, 17, 17);
const RGBA kBarEdge = Rgb(58, 55, 50);
const RGBA kBeige = Rgb(181, 168, 136);
const RGBA kGrey = Rgb(151, 151, 151);
const RGBA kDimGrey = Rgb(95, 95, 95);
const RGBA kWell = Rgb(12, 12, 12);
const RGBA kCapLight = Rgb(70, 66, 60);
const RGBA kCapDark = Rgb(30, 29, 27);

// A small, fixed grain: the same pixels every run.
float Grain(int x, int y)
{
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xff) / 255.f - 0.5f;
}

// The well under a large knob: a dark disc just inside the knob's arc and, unless a small knob
// sits inside it, a cap lit from above.
void KnobWell(Canvas& c, const Box& knob, bool cap)
{
  const float cx = (knob.l + knob.r) / 2.f, cy = (knob.t + knob.b) / 2.f, half = (knob.r - knob.l) / 2.f;
  c.Circle(cx, cy, half - 1.f, [](float, float) { return kWell; });
  c.Ring(cx, cy, half - 1.f, half, kBarEdge);
  if (!cap)
  {
    c.Ring(cx, cy, half * 0.78f, half * 0.78f + 0.75f, Rgb(48, 46, 42));
    return;
  }
  const float r = half * 0.62f;
  c.Circle(cx, cy, r, [=](float, float y) { return Mix(kCapLight, kCapDark, std::clamp((y - (cy - r)) / (2.f * r), 0.f, 1.f)); });
  c.Ring(cx, cy, r - 0.8f, r, Rgb(90, 85, 76));
}

void Background(const std::string& folder, const Font& lato, const Font& roboto)
{
  Canvas c(kEditorW, kEditorH);
  // The panel: a vertical gradient with a grain.
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
    {
      RGBA p = Mix(kPanelTop, kPanelBottom, static_cast<float>(y) / c.Height());
      const float g = Grain(x, y) * 0.03f;
      p.r += g, p.g += g, p.b += g;
      c.At(x, y) = p;
    }
  // The top and bottom bars.
  c.RoundRect(kTopBar, 0.f, kBar);
  c.RoundRect({0.f, kTopBar.b, static_cast<float>(kEditorW), kTopBar.b + 1.f}, 0.f, kBarEdge);
  c.RoundRect(kBottomBar, 0.f, kBar);
  c.RoundRect({0.f, kBottomBar.t - 1.f, static_cast<float>(kEditorW), kBottomBar.t}, 0.f, kBarEdge);
  // The preset strip's box.
  c.RoundRect(kPresetBox, 4.f, Rgb(8, 8, 8));
  c.RoundFrame(kPresetBox, 4.f, 1.f, Rgb(70, 70, 70));

  // The two sections: drive on the left, impedance on the right.
  for (const Box& section : {kDriveSection, kImpedanceSection})
  {
    c.RoundRect(section, 10.f, Rgb(30, 29, 27, 0.9f));
    c.RoundFrame(section, 10.f, 1.f, kBarEdge);
  }
  for (const Box& knob : {kDriveKnob, kImpedanceKnob})
    KnobWell(c, knob, false);
  for (const Box& knob : {kDriveToneKnob, kImpedanceToneKnob, kAirKnob})
    KnobWell(c, knob, true);
  // The tilt and area strip under the drive knob.
  c.RoundRect(kTiltWell, 3.f, Rgb(14, 14, 14));

  // Knob names.
  const float nameSize = 13.f;
  lato.Draw(c, "DRIVE", Mid(kDriveKnob), kDriveKnob.t - 12.f, nameSize, kBeige, 2.f);
  lato.Draw(c, "IMPEDANCE", Mid(kImpedanceKnob), kImpedanceKnob.t - 12.f, nameSize, kBeige, 2.f);
  lato.Draw(c, "TONE", Mid(kDriveToneKnob), kDriveToneKnob.b + 12.f, nameSize, kBeige, 2.f);
  lato.Draw(c, "IMPEDANCE TONE", Mid(kImpedanceToneKnob), kImpedanceToneKnob.b + 12.f, nameSize, kBeige, 2.f);
  lato.Draw(c, "AIR", kAirKnob.l - 16.f, (kAirKnob.t + kAirKnob.b) / 2.f, 11.f, kBeige, 1.f);

  // The small controls' names in the bars.
  for (const TextMark& mark : kBarLabels)
    lato.Draw(c, mark.text, mark.x, mark.y, 11.f, kDimGrey, 1.f);

  // The logo and the maker in the middle.
  lato.Draw(c, kLogo.text, kLogo.x, kLogo.y, 46.f, Rgb(200, 188, 156), 9.f);
  c.RoundRect({kLogo.x - 150.f, kLogo.y + 34.f, kLogo.x + 150.f, kLogo.y + 35.f}, 0.f, Rgb(120, 110, 90));
  roboto.Draw(c, "SATURATION  \xB7  IMPEDANCE  \xB7  AIR", kLogo.x, kLogo.y + 50.f, 12.f, kGrey, 2.f);
  roboto.Draw(c, "ORLENBECK", kLogo.x, kLogo.y + 150.f, 12.f, kDimGrey, 4.f);
  c.WritePNG(folder + "/background@2x.png");
}

// A lamp: off (dark glass) above, on (lit, with a halo) below.
void Lamp(const std::string& folder)
{
  Canvas c(kLampW, kLampH * 2);
  for (int frame = 0; frame < 2; ++frame)
  {
    const float cx = kLampW / 2.f, cy = kLampH / 2.f + frame * kLampH, r = kLampW / 2.f - 4.f;
    if (frame == 1)
      c.Circle(cx, cy, kLampW / 2.f, [=](float x, float y) {
        const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (kLampW / 2.f);
        return Rgb(255, 60, 30, 0.5f * (1.f - d) * (1.f - d));
      });
    c.Ring(cx, cy, r, r + 1.5f, Rgb(80, 76, 70));
    const RGBA inner = frame ? Rgb(255, 120, 80) : Rgb(70, 18, 14);
    const RGBA outer = frame ? Rgb(200, 30, 20) : Rgb(35, 10, 8);
    c.Circle(cx, cy, r, [=](float x, float y) {
      const float d = std::sqrt((x - cx + r * 0.3f) * (x - cx + r * 0.3f) + (y - cy + r * 0.3f) * (y - cy + r * 0.3f));
      return Mix(inner, outer, std::clamp(d / (1.6f * r), 0.f, 1.f));
    });
  }
  c.WritePNG(folder + "/LEDON@2x.png");
}

// A two-frame plate with a word: dim above (off), lit below (on).
void Plate(const std::string& folder, const std::string& name, int w, int h, const char* offText,
           const char* onText, const Font& lato, float size)
{
  Canvas c(w, h * 2);
  for (int frame = 0; frame < 2; ++frame)
  {
    const Box plate{0.5f, frame * h + 0.5f, w - 0.5f, (frame + 1) * h - 0.5f};
    c.RoundRect(plate, 3.f, frame ? Rgb(52, 48, 40) : Rgb(22, 22, 22));
    c.RoundFrame(plate, 3.f, 0.75f, frame ? kBeige : Rgb(70, 70, 70));
    lato.Draw(c, frame ? onText : offText, w / 2.f, frame * h + h / 2.f, size, frame ? Rgb(230, 214, 170) : kDimGrey,
              1.f);
  }
  c.WritePNG(folder + "/" + name + "@2x.png");
}

// The tape plate under the logo: two reels and the word, lit when the plug-in is on.
void TapePlate(const std::string& folder, const Font& lato)
{
  Canvas c(kTapeW, kTapeH * 2);
  for (int frame = 0; frame < 2; ++frame)
  {
    const float top = static_cast<float>(frame * kTapeH);
    const RGBA ink = frame ? Rgb(230, 190, 110) : Rgb(80, 76, 70);
    for (float cx : {9.f, kTapeW - 9.f})
    {
      c.Ring(cx, top + kTapeH / 2.f, 4.f, 6.5f, ink);
      c.Circle(cx, top + kTapeH / 2.f, 1.5f, [=](float, float) { return ink; });
    }
    lato.Draw(c, "TAPE", kTapeW / 2.f, top + kTapeH / 2.f, 10.f, ink, 3.f);
  }
  c.WritePNG(folder + "/TAPEOVER@2x.png");
}

// Save: a disk; Trash: a bin. One frame each.
void Icons(const std::string& folder)
{
  const RGBA ink = Rgb(183, 183, 183);
  Canvas save(kSaveW, kSaveH);
  save.RoundRect({2.f, 2.f, kSaveW - 2.f, kSaveH - 2.f}, 2.f, ink);
  save.RoundRect({5.f, 3.5f, kSaveW - 5.f, 8.f}, 0.5f, Rgb(20, 20, 20));
  save.RoundRect({5.f, 10.5f, kSaveW - 5.f, kSaveH - 3.5f}, 1.f, Rgb(20, 20, 20));
  save.WritePNG(folder + "/Save@2x.png");

  Canvas trash(kTrashW, kTrashH);
  trash.RoundRect({2.f, 3.f, kTrashW - 2.f, 4.5f}, 0.5f, ink);
  trash.RoundRect({6.f, 1.5f, kTrashW - 6.f, 3.f}, 0.5f, ink);
  trash.RoundRect({3.5f, 5.5f, kTrashW - 3.5f, kTrashH - 1.5f}, 1.5f, ink);
  for (float x : {6.f, 8.f, 10.f})
    trash.RoundRect({x - 0.5f, 7.5f, x + 0.5f, kTrashH - 3.5f}, 0.f, Rgb(20, 20, 20));
  trash.WritePNG(folder + "/Trash@2x.png");
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 4)
  {
    std::fprintf(stderr, "usage: vellicor_art OUTPUT_FOLDER LATO_BOLD_TTF ROBOTO_REGULAR_TTF\n");
    return 2;
  }
  const std::string folder = argv[1];
  Font lato, roboto;
  if (!lato.Load(argv[2]) || !roboto.Load(argv[3]))
  {
    std::fprintf(stderr, "vellicor_art: cannot read the fonts %s and %s\n", argv[2], argv[3]);
    return 1;
  }
  Background(folder, lato, roboto);
  Lamp(folder);
  TapePlate(folder, lato);
  Plate(folder, "MSStereo", kStereoW, kPlateH, "STEREO", "MID / SIDE", lato, 9.f);
  Plate(folder, "Balance", kBalanceW, kPlateH, "L / R", "M / S", lato, 9.f);
  Plate(folder, "Delta", kDeltaW, kPlateH, "DELTA", "DELTA", lato, 9.f);
  Plate(folder, "LINK", kLinkW, kPlateH, "LINK", "LINK", lato, 9.f);
  Icons(folder);
  return Canvas::sFailed ? 1 : 0;
}
