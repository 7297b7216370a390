#include "HeadlessGraphics.h"

#include <stdexcept>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>

#include "graphics/renderer/VGRImageDecode.h"
#include "graphics/renderer/VGRMemory.h"
#include "plug/IGEditorDelegate.h"

namespace testgraphics {

namespace {
constexpr double kPi = 3.14159265358979323846;

bool FileExists(const std::string& path)
{
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A bitmap of the decoded image (RGBA pixels, by the renderer's decoder); null when the bytes
// are no image.
TestBitmap* Decode(const uint8_t* data, size_t size, int scale)
{
  int w = 0, h = 0;
  unsigned char* pixels = plug::igraphics::vgrDecodeImage(data, size, &w, &h);
  if (!pixels)
    return nullptr;
  auto* bitmap = new TestBitmap(w, h, static_cast<float>(scale), 1.f);
  bitmap->mPixels.assign(pixels, pixels + static_cast<size_t>(w) * static_cast<size_t>(h) * 4u);
  plug::igraphics::vgrFree(pixels);
  return bitmap;
}

int CountCodePoints(const char* str)
{
  int n = 0;
  for (const char* p = str; *p; ++p)
    if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80)
      ++n;
  return n;
}

// The bounding box of points (all zero for none).
IRECT BoundsOf(const std::vector<PathPoint>& pts)
{
  if (pts.empty())
    return IRECT();
  IRECT r(pts[0].x, pts[0].y, pts[0].x, pts[0].y);
  for (const PathPoint& p : pts)
  {
    r.L = std::min(r.L, p.x);
    r.T = std::min(r.T, p.y);
    r.R = std::max(r.R, p.x);
    r.B = std::max(r.B, p.y);
  }
  return r;
}

std::string Num(float v)
{
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%g", static_cast<double>(v));
  return buf;
}
} // namespace

// ---------------------------------------------------------------------------------------
// DrawCall

std::vector<PathPoint> DrawCall::Points() const
{
  std::vector<PathPoint> pts;
  for (const PathOp& op : path)
    pts.insert(pts.end(), op.points.begin(), op.points.end());
  return pts;
}

IRECT DrawCall::PathBounds() const
{
  return BoundsOf(Points());
}

int DrawCall::CountOps(PathOp::Kind kind) const
{
  int n = 0;
  for (const PathOp& op : path)
    n += op.kind == kind ? 1 : 0;
  return n;
}

// ---------------------------------------------------------------------------------------
// HeadlessGraphics

HeadlessGraphics::HeadlessGraphics(plug::igraphics::IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : IGraphics(dlg, w, h, fps, scale)
{
}

HeadlessGraphics::~HeadlessGraphics() = default;

IRECTList HeadlessGraphics::Frame()
{
  IRECTList rects;
  if (IsDirty(rects))
  {
    SetAllControlsClean();
    IRECTList drawn = rects;
    Draw(drawn);
  }
  return rects;
}

void HeadlessGraphics::Tick(double ms)
{
  AdvanceClockMs(ms);
  IRECTList dirty;
  IsDirty(dirty);
}

std::vector<std::string> TextsOf(const std::vector<DrawCall>& calls)
{
  std::vector<std::string> texts;
  for (const DrawCall& c : calls)
    if (c.kind == DrawCall::Kind::Text)
      texts.push_back(c.text);
  return texts;
}

std::vector<IRECT> HeadlessGraphics::Clips() const
{
  std::vector<IRECT> clips;
  for (const DrawCall& c : mCalls)
    if (c.kind == DrawCall::Kind::Clip)
      clips.push_back(c.rect);
  return clips;
}

std::vector<DrawCall> HeadlessGraphics::CallsOf(DrawCall::Kind kind) const
{
  std::vector<DrawCall> out;
  for (const DrawCall& c : mCalls)
    if (c.kind == kind)
      out.push_back(c);
  return out;
}

PathPoint HeadlessGraphics::Transformed(float x, float y) const
{
  mMatrix.TransformPoint(x, y);
  return PathPoint{x, y};
}

DrawCall HeadlessGraphics::NewCall(DrawCall::Kind kind, const IBlend* pBlend) const
{
  DrawCall call;
  call.kind = kind;
  call.target = mLayers.empty() ? nullptr : mLayers.top()->GetAPIBitmap();
  call.hasBlend = pBlend != nullptr;
  if (pBlend)
    call.blend = *pBlend;
  call.transform = mMatrix;
  return call;
}

// ---- renderer ----

void HeadlessGraphics::BeginFrame()
{
  IGraphics::BeginFrame();
  ++mBeginFrames;
}

void HeadlessGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                                  const IBlend* pBlend)
{
  DrawCall call = NewCall(DrawCall::Kind::Bitmap, pBlend);
  call.rect = bounds;
  call.deviceRect = BoundsOf({Transformed(bounds.L, bounds.T), Transformed(bounds.R, bounds.T),
                              Transformed(bounds.R, bounds.B), Transformed(bounds.L, bounds.B)});
  call.srcX = srcX;
  call.srcY = srcY;
  call.bitmap = bitmap.GetAPIBitmap();
  call.text = bitmap.GetResourceName();
  mCalls.push_back(std::move(call));
}

bool HeadlessGraphics::IsBitmapTypeSupported(const char* ext)
{
  std::string lower(ext ? ext : "");
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("png") != std::string::npos || lower.find("jpg") != std::string::npos ||
         lower.find("jpeg") != std::string::npos;
}

void HeadlessGraphics::ReadLayerPixels(ILayerPtr& layer, RawBitmapData& data)
{
  data.clear();
  if (!layer)
    return;
  if (auto* bitmap = dynamic_cast<TestBitmap*>(layer->GetAPIBitmap()))
    data = bitmap->mPixels;
}

void HeadlessGraphics::ApplyLayerDropShadow(ILayerPtr& layer, const RawBitmapData& mask, const IShadow& shadow)
{
  DrawCall call = NewCall(DrawCall::Kind::Bitmap, nullptr);
  call.text = "shadow";
  call.pattern = shadow.mPattern;
  if (layer)
    call.rect = layer->Bounds();
  call.srcX = static_cast<int>(mask.size());
  mCalls.push_back(std::move(call));
  mLastShadowMask = mask;
}

void HeadlessGraphics::PathMoveTo(float x, float y)
{
  PathOp op;
  op.kind = PathOp::Kind::Move;
  op.points.push_back(Transformed(x, y));
  mPath.push_back(std::move(op));
}

void HeadlessGraphics::PathLineTo(float x, float y)
{
  PathOp op;
  op.kind = PathOp::Kind::Line;
  op.points.push_back(Transformed(x, y));
  mPath.push_back(std::move(op));
}

void HeadlessGraphics::PathClose()
{
  PathOp op;
  op.kind = PathOp::Kind::Close;
  mPath.push_back(std::move(op));
}

void HeadlessGraphics::PathSetWinding(bool clockwise)
{
  PathOp op;
  op.kind = PathOp::Kind::Winding;
  op.clockwise = clockwise;
  mPath.push_back(std::move(op));
}

void HeadlessGraphics::PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding)
{
  PathOp op;
  op.kind = PathOp::Kind::Arc;
  op.cx = cx;
  op.cy = cy;
  op.r = r;
  op.a1 = a1;
  op.a2 = a2;
  op.winding = winding;
  op.transform = mMatrix;
  // 0 degrees up, clockwise on screen.
  const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(a2 - a1) / 5.f)));
  for (int i = 0; i <= n; ++i)
  {
    const double a = (a1 + (a2 - a1) * i / n) * kPi / 180.0;
    op.points.push_back(Transformed(static_cast<float>(cx + r * std::sin(a)), static_cast<float>(cy - r * std::cos(a))));
  }
  mPath.push_back(std::move(op));
}

void HeadlessGraphics::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  PathOp op;
  op.kind = PathOp::Kind::Cubic;
  op.points = {Transformed(c1x, c1y), Transformed(c2x, c2y), Transformed(x2, y2)};
  mPath.push_back(std::move(op));
}

void HeadlessGraphics::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  PathOp op;
  op.kind = PathOp::Kind::Quad;
  op.points = {Transformed(cx, cy), Transformed(x2, y2)};
  mPath.push_back(std::move(op));
}

std::vector<PathOp> HeadlessGraphics::TakePath(bool preserve)
{
  if (preserve)
    return mPath;
  std::vector<PathOp> path;
  path.swap(mPath);
  return path;
}

void HeadlessGraphics::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                                  const IBlend* pBlend)
{
  DrawCall call = NewCall(DrawCall::Kind::Stroke, pBlend);
  call.path = TakePath(options.mPreserve);
  call.pattern = pattern;
  call.thickness = thickness;
  call.stroke = options;
  mCalls.push_back(std::move(call));
}

void HeadlessGraphics::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend)
{
  if (mFailNextFill)
  {
    mFailNextFill = false;
    throw std::runtime_error("the fill failed");
  }
  DrawCall call = NewCall(DrawCall::Kind::Fill, pBlend);
  call.path = TakePath(options.mPreserve);
  call.pattern = pattern;
  call.fill = options;
  mCalls.push_back(std::move(call));
}

void HeadlessGraphics::SetClipRegion(const IRECT& r)
{
  DrawCall call = NewCall(DrawCall::Kind::Clip, nullptr);
  call.rect = r;
  mCalls.push_back(std::move(call));
}

APIBitmap* HeadlessGraphics::LoadAPIBitmapFromLocation(const char* path, int scale, int /*location*/,
                                                       const char* /*ext*/)
{
  ++mDecodes;
  std::ifstream in(path ? path : "", std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Decode(bytes.data(), bytes.size(), scale);
}

APIBitmap* HeadlessGraphics::LoadAPIBitmapFromData(const char* /*name*/, const void* pData, int dataSize, int scale)
{
  ++mDecodes;
  return dataSize > 0 ? Decode(static_cast<const uint8_t*>(pData), static_cast<size_t>(dataSize), scale) : nullptr;
}

APIBitmap* HeadlessGraphics::CreateOffscreenBitmap(int width, int height, float scale, double drawScale,
                                                   bool /*cacheable*/)
{
  ++mOffscreens;
  auto* bitmap = new TestBitmap(width, height, scale, static_cast<float>(drawScale));
  if (width > 0 && height > 0)
    bitmap->mPixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4u, 0);
  return bitmap;
}

bool HeadlessGraphics::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  Log(std::string("api font ") + (fontID ? fontID : ""));
  return font != nullptr;
}

float HeadlessGraphics::MeasureTextRect(const IText& text, const char* str, IRECT& rect) const
{
  const float w = 0.5f * text.mSize * static_cast<float>(CountCodePoints(str ? str : ""));
  const float h = text.mSize;
  const IRECT given = rect;
  float x = given.L, y = given.T;
  switch (text.mAlign)
  {
    case EAlign::Near: x = given.L; break;
    case EAlign::Center: x = given.MW() - 0.5f * w; break;
    case EAlign::Far: x = given.R - w; break;
  }
  switch (text.mVAlign)
  {
    case EVAlign::Top: y = given.T; break;
    case EVAlign::Middle: y = given.MH() - 0.5f * h; break;
    case EVAlign::Bottom: y = given.B - h; break;
  }
  rect = IRECT(x, y, x + w, y + h);
  CalculateTextRotation(text, given, rect);
  return rect.W();
}

void HeadlessGraphics::DrawTextInRect(const IText& text, const char* str, const IRECT& bounds,
                                      const IBlend* pBlend)
{
  DrawCall call = NewCall(DrawCall::Kind::Text, pBlend);
  call.text = str ? str : "";
  call.style = text;
  call.rect = bounds;
  IRECT box = bounds;
  MeasureTextRect(text, str, box);
  call.deviceRect = box;
  call.pattern = IPattern(text.mFGColor);
  mCalls.push_back(std::move(call));
}

// ---- platform ----

void HeadlessGraphics::HideMouseCursor(bool hide, bool lock)
{
  if (hide == mCursorHidden)
    return;
  mCursorHidden = hide;
  mCursorLock = hide && lock;
  Log(hide ? std::string("hide cursor") + (lock ? " locked" : "") : "show cursor");
}

void HeadlessGraphics::MoveMouseCursor(float x, float y)
{
  mMouseX = x;
  mMouseY = y;
  mCursorX = x;
  mCursorY = y;
  Log("move cursor " + Num(x) + " " + Num(y));
}

ECursor HeadlessGraphics::SetMouseCursor(ECursor cursorType)
{
  Log("cursor " + std::to_string(static_cast<int>(cursorType)));
  return IGraphics::SetMouseCursor(cursorType);
}

void HeadlessGraphics::EndPlatformTextEntry()
{
  Log("end text entry");
  mTextEntryOpen = false;
}

void* HeadlessGraphics::OpenWindow(void* /*pParent*/)
{
  // As the platform opens its view: the backing scale, the layout, tooltips, all values.
  mWindowOpen = true;
  Log("open window");
  SetScreenScale(mBackingScale);
  GetDelegate()->ArrangeUI(this);
  UpdateTooltips();
  GetDelegate()->SendAllParamsToUI();
  return &mView;
}

void HeadlessGraphics::CloseWindow()
{
  Log("close window");
  mWindowOpen = false;
  // The view goes: the controls with it, unless a handler is on the stack (as the renderer's
  // context does, they go with the context then).
  if (!InDispatch())
    RemoveAllControls();
}

bool HeadlessGraphics::GetTextFromClipboard(plug::CharBuf& str)
{
  str.Set(mClipboardHasText ? mClipboard.c_str() : "");
  return mClipboardHasText;
}

bool HeadlessGraphics::SetTextInClipboard(const char* str)
{
  mClipboard = str ? str : "";
  mClipboardHasText = true;
  return true;
}

int HeadlessGraphics::ShowMessageBox(const char* str, const char* caption, int type,
                                     IMsgBoxCompletionHandlerFunc completionHandler)
{
  ReleaseMouseCapture();
  Log(std::string("message box ") + (caption ? caption : "") + ": " + (str ? str : "") + " " + std::to_string(type));
  if (mInsideMessageBox)
  {
    const int answer = mMessageBoxAnswer;
    mInsideMessageBox();
    return answer; // the loop's code may have closed the editor: nothing more of it
  }
  if (completionHandler)
    completionHandler(mMessageBoxAnswer);
  return mMessageBoxAnswer;
}

void HeadlessGraphics::PromptForFile(plug::CharBuf& fileName, plug::CharBuf& path, int action, const char* ext,
                                     IFileDialogCompletionHandlerFunc completionHandler)
{
  Log("prompt file " + std::to_string(action) + " " + (ext ? ext : ""));
  fileName.Set("");
  if (completionHandler)
    completionHandler(fileName, path);
}

void HeadlessGraphics::PromptForDirectory(plug::CharBuf& dir, IFileDialogCompletionHandlerFunc completionHandler)
{
  Log("prompt directory");
  dir.Set("");
  if (completionHandler)
  {
    plug::CharBuf empty;
    completionHandler(empty, dir);
  }
}

bool HeadlessGraphics::PromptForColor(IColor& color, const char* str, IColorPickerHandlerFunc func)
{
  Log(std::string("prompt color ") + (str ? str : "") + " " + std::to_string(color.A) + " " +
      std::to_string(color.R) + " " + std::to_string(color.G) + " " + std::to_string(color.B));
  if (mKeepColorPrompts)
  {
    mOpenColorPrompt = std::move(func);
    return true;
  }
  if (!mHasColorAnswer)
    return false;
  color = mColorAnswer;
  if (func)
    func(color);
  return true;
}

bool HeadlessGraphics::OpenURL(const char* url, const char*, const char*, const char*)
{
  Log(std::string("open url ") + (url ? url : ""));
  return true;
}

PlatformFontPtr HeadlessGraphics::LoadPlatformFontFromFile(const char* fontID, const char* fileNameOrResID)
{
  Log(std::string("font file ") + (fontID ? fontID : "") + " " + (fileNameOrResID ? fileNameOrResID : ""));
  return nullptr;
}

PlatformFontPtr HeadlessGraphics::LoadPlatformFontFromMemory(const char* fontID, void*, int dataSize)
{
  Log(std::string("font memory ") + (fontID ? fontID : "") + " " + std::to_string(dataSize));
  return nullptr;
}

PlatformFontPtr HeadlessGraphics::LoadPlatformFontByName(const char* fontID, const char* fontName, ETextStyle)
{
  Log(std::string("font name ") + (fontID ? fontID : "") + " " + (fontName ? fontName : ""));
  return nullptr;
}

void HeadlessGraphics::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                               const char* str)
{
  mTextEntryOpen = true;
  mTextEntry.paramIdx = paramIdx;
  mTextEntry.text = text;
  mTextEntry.bounds = bounds;
  mTextEntry.length = length;
  mTextEntry.str = str ? str : "";
  Log("text entry " + std::to_string(paramIdx) + " '" + mTextEntry.str + "'");
}

void HeadlessGraphics::CommitTextEntry(const char* str)
{
  mTextEntryOpen = false;
  SetControlValueAfterTextEdit(str);
}

IPopupMenu* HeadlessGraphics::ApplyMenuAnswer(IPopupMenu& menu, const MenuAnswer& answer)
{
  IPopupMenu* level = &menu;
  for (int idx : answer.submenuPath)
  {
    const IPopupMenu::Item* item = level->GetItem(idx);
    if (!item || !item->GetSubmenu())
      return nullptr;
    level = item->GetSubmenu();
  }
  if (answer.chosen < 0 || answer.chosen >= level->NItems())
    return nullptr;
  level->SetChosenItemIdx(answer.chosen);
  return level;
}

IPopupMenu* HeadlessGraphics::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  mLastMenu = &menu;
  mLastMenuBounds = bounds;
  Log("menu '" + std::string(menu.GetRootTitle()) + "' " + std::to_string(menu.NItems()));
  MenuAnswer answer;
  if (!mMenuAnswers.empty())
  {
    answer = mMenuAnswers.front();
    mMenuAnswers.pop_front();
  }
  if (answer.async)
  {
    isAsync = true;
    mPendingMenu = &menu;
    mPendingAnswer = answer;
    return nullptr;
  }
  isAsync = false;
  return ApplyMenuAnswer(menu, answer);
}

bool HeadlessGraphics::ResolvePendingMenu()
{
  if (!mPendingMenu)
    return false;
  IPopupMenu* menu = mPendingMenu;
  mPendingMenu = nullptr;
  // A menu whose control has gone may have gone with it: nothing is written into it then.
  SetControlValueAfterPopupMenu(GetControlInPopupMenu() ? ApplyMenuAnswer(*menu, mPendingAnswer) : nullptr);
  return true;
}

void HeadlessGraphics::PlatformResize(bool parentHasResized)
{
  Log(std::string("platform resize ") + (parentHasResized ? "1" : "0"));
  UpdateTooltips();
}

int HeadlessGraphics::LocateResourceFile(const char* name, const char* type, plug::CharBuf& result)
{
  if (!name || !*name)
    return 0;
  mLookups.push_back(name);
  if (mPlatformLookup)
    return IGraphics::LocateResourceFile(name, type, result);
  if (!mResourceFolder.empty())
  {
    const std::string inFolder = mResourceFolder + "/" + name;
    if (FileExists(inFolder))
    {
      result.Set(inFolder.c_str());
      return 1;
    }
  }
  if (FileExists(name))
  {
    result.Set(name);
    return 1;
  }
  return 0;
}

} // namespace testgraphics
