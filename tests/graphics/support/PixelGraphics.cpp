#include "PixelGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "platform/mac/CoreTextFont.h"
#include "plug/IGEditorDelegate.h"

namespace testgraphics {

PixelGraphics::PixelGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : IGraphicsVGR(dlg, w, h, fps, scale)
  , mLayer(standin::ca::MetalLayer::Create())
  , mDevice(standin::mtl::CreateSystemDefaultDevice())
{
  mDevice->SetSynchronous(true);
  mLayer->SetDevice(mDevice);
}

PixelGraphics::~PixelGraphics()
{
  CloseWindow();
}

void PixelGraphics::SetBackingScale(float scale)
{
  mBackingScale = scale;
  if (mOpen)
    SetScreenScale(scale);
}

void* PixelGraphics::OpenWindow(void*)
{
  CloseWindow();
  mOpen = true;
  OnViewInitialized(mLayer.Get());
  SetScreenScale(mBackingScale);
  GetDelegate()->ArrangeUI(this);
  GetDelegate()->SendAllParamsToUI();
  return mLayer.Get();
}

void PixelGraphics::CloseWindow()
{
  if (!mOpen)
    return;
  mOpen = false;
  OnViewDestroyed();
}

void PixelGraphics::PlatformResize(bool)
{
  // The view's backing pixels, as the layer of a view of that size on that screen has them.
  const int w = static_cast<int>(static_cast<float>(static_cast<int>(static_cast<float>(Width()) * GetDrawScale())) *
                                 GetScreenScale());
  const int h = static_cast<int>(static_cast<float>(static_cast<int>(static_cast<float>(Height()) * GetDrawScale())) *
                                 GetScreenScale());
  mLayer->SetDrawableSize({static_cast<double>(w), static_cast<double>(h)});
}

bool PixelGraphics::Frame()
{
  // One list for every frame, as the platform's view keeps it.
  mDirtyRects.Clear();
  if (!IsDirty(mDirtyRects))
    return false;
  SetAllControlsClean();
  Draw(mDirtyRects);
  return true;
}

void PixelGraphics::Redraw()
{
  SetAllControlsDirty();
  Frame();
}

const Picture& PixelGraphics::GetPicture() const
{
  if (mLayer->PresentedCount() != mPictureCount)
  {
    mPictureCount = mLayer->PresentedCount();
    mPicture = mLayer->PresentedImage();
  }
  return mPicture;
}

void PixelGraphics::SavePicture(const std::string& name) const
{
  if (const char* folder = std::getenv("VELLICOR_TEST_PNG_DIR"))
    mLayer->WritePresentedPNG(std::string(folder) + "/" + name + ".png");
}

PlatformFontPtr PixelGraphics::LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID)
{
  return LoadCoreTextFontFromFile(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr PixelGraphics::LoadPlatformFontFromMemory(const char* fontID, void* pData, int dataSize)
{
  return LoadCoreTextFontFromMemory(fontID, pData, dataSize);
}

PlatformFontPtr PixelGraphics::LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle style)
{
  return LoadCoreTextFontByName(fontID, fontName, static_cast<int>(style));
}

bool PixelGraphics::GetTextFromClipboard(plug::CharBuf& str)
{
  str.Set("");
  return false;
}

IPopupMenu* PixelGraphics::CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool& isAsync)
{
  isAsync = false;
  return nullptr;
}

PixelEditor::PixelEditor(int w, int h, float drawScale, float screenScale, const std::string& bundleID, int nParams)
  : mDelegate(std::make_unique<TestDelegate>(nParams, w, h)), mEditorDelegate(mDelegate.get()), mScreenScale(screenScale)
{
  SetMakeGraphics(w, h, drawScale, bundleID);
}

PixelEditor::PixelEditor(IGEditorDelegate& delegate, int w, int h, float drawScale, float screenScale,
                         const std::string& bundleID)
  : mEditorDelegate(&delegate), mScreenScale(screenScale)
{
  SetMakeGraphics(w, h, drawScale, bundleID);
}

void PixelEditor::SetMakeGraphics(int w, int h, float drawScale, const std::string& bundleID)
{
  mEditorDelegate->SetMakeGraphicsFunc([this, w, h, drawScale, bundleID]() {
    auto* g = new PixelGraphics(*mEditorDelegate, w, h, 60, drawScale);
    g->SetBundleID(bundleID);
    g->SetBackingScale(mScreenScale);
    return g;
  });
}

PixelEditor::~PixelEditor()
{
  Close();
}

PixelGraphics& PixelEditor::Open(plug::igraphics::IGEditorDelegate::LayoutFunc layout)
{
  if (layout)
    mEditorDelegate->SetLayoutFunc(std::move(layout));
  mEditorDelegate->OpenEditorWindow(nullptr);
  PixelGraphics* g = Graphics();
  if (!g)
    throw std::runtime_error("the editor did not open");
  g->Frame();
  return *g;
}

void PixelEditor::Close()
{
  mEditorDelegate->CloseEditorWindow();
}

PixelGraphics* PixelEditor::Graphics() const
{
  return dynamic_cast<PixelGraphics*>(mEditorDelegate->GetUI());
}

IColor PixelEditor::At(float x, float y) const
{
  const PixelGraphics* g = Graphics();
  if (!g)
    return IColor(0, 0, 0, 0);
  const Picture& picture = g->GetPicture();
  const float s = g->GetDrawScale() * g->GetScreenScale();
  const int px = static_cast<int>(std::floor(x * s)), py = static_cast<int>(std::floor(y * s));
  if (px < 0 || py < 0 || px >= picture.width || py >= picture.height)
    return IColor(0, 0, 0, 0);
  const uint8_t* p = picture.Pixel(px, py);
  return IColor(p[3], p[0], p[1], p[2]);
}

IRECT PixelEditor::InkBox(const IRECT& area, const IColor& background, int tolerance) const
{
  const PixelGraphics* g = Graphics();
  if (!g)
    return IRECT();
  const Picture& picture = g->GetPicture();
  const float s = g->GetDrawScale() * g->GetScreenScale();
  const int x0 = std::max(0, static_cast<int>(std::floor(area.L * s)));
  const int y0 = std::max(0, static_cast<int>(std::floor(area.T * s)));
  const int x1 = std::min(picture.width, static_cast<int>(std::ceil(area.R * s)));
  const int y1 = std::min(picture.height, static_cast<int>(std::ceil(area.B * s)));
  IRECT box;
  for (int py = y0; py < y1; ++py)
    for (int px = x0; px < x1; ++px)
    {
      const uint8_t* p = picture.Pixel(px, py);
      if (!ColorNear(IColor(p[3], p[0], p[1], p[2]), background, tolerance))
        box = box.Union(IRECT(static_cast<float>(px) / s, static_cast<float>(py) / s, static_cast<float>(px + 1) / s,
                              static_cast<float>(py + 1) / s));
    }
  return box;
}

::testing::AssertionResult ColorNear(const IColor& actual, const IColor& expected, int tolerance)
{
  if (std::abs(actual.A - expected.A) <= tolerance && std::abs(actual.R - expected.R) <= tolerance &&
      std::abs(actual.G - expected.G) <= tolerance && std::abs(actual.B - expected.B) <= tolerance)
    return ::testing::AssertionSuccess();
  auto text = [](const IColor& c) {
    return "(" + std::to_string(c.A) + ", " + std::to_string(c.R) + ", " + std::to_string(c.G) + ", " +
           std::to_string(c.B) + ")";
  };
  return ::testing::AssertionFailure() << text(actual) << " is not " << text(expected);
}

void ExpectPixels(const PixelEditor& editor, std::initializer_list<PixelSample> samples)
{
  for (const PixelSample& s : samples)
    EXPECT_TRUE(ColorNear(editor.At(s.x, s.y), s.color, s.tolerance)) << "at " << s.x << ", " << s.y << " " << s.what;
}

} // namespace testgraphics
