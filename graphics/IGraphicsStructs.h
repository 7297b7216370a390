#pragma once
// The value types of the GUI toolkit: rectangles and rectangle lists, colours, text styles,
// blends, paints, stroke and fill options, the 2-D transform, mouse and gesture records,
// bitmap and layer handles, and the vector controls' colour table and style record.
//
// Geometry is in editor points at scale 1, y pointing down. Angles are degrees, 0 pointing up
// and increasing clockwise.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "plug/HeapBuf.h"
#include "plug/IKeyPress.h"

namespace plug {
namespace igraphics {

class IControl;
class IGraphics;
class IPopupMenu;

using plug::IKeyPress;

// A copy of a record with one field changed.
template <class Record, class Field, class Value>
Record CopyWith(const Record& record, Field Record::*field, const Value& value)
{
  Record copy = record;
  copy.*field = value;
  return copy;
}

// ---------------------------------------------------------------------------------------
// Enumerations

enum class EDirection : int32_t
{
  Vertical = 0,
  Horizontal = 1
};

enum class EAlign : int32_t
{
  Near = 0,
  Center = 1,
  Far = 2
};

enum class EVAlign : int32_t
{
  Top = 0,
  Middle = 1,
  Bottom = 2
};

// Blend methods of a draw call, in the renderer's numbering.
enum class EBlend : int32_t
{
  SrcOver = 0,
  SrcIn = 1,
  SrcOut = 2,
  SrcAtop = 3,
  DstOver = 4,
  DstIn = 5,
  DstOut = 6,
  DstAtop = 7,
  Add = 8,
  XOR = 9
};

enum class EPatternType : int32_t
{
  Solid = 0,
  Linear = 1,
  Radial = 2
};

enum class ECursor : int32_t
{
  ARROW = 0,
  IBEAM = 1,
  WAIT = 2,
  CROSS = 3,
  UPARROW = 4,
  SIZENWSE = 5,
  SIZENESW = 6,
  SIZEWE = 7,
  SIZENS = 8,
  SIZEALL = 9,
  INO = 10,
  HAND = 11,
  APPSTARTING = 12,
  HELP = 13
};

enum class EUIAppearance : int32_t
{
  Light = 0,
  Dark = 1
};

// What a corner-resizer drag changes.
enum class EResizeMode : int32_t
{
  Scale = 0,
  Size = 1
};

// Kinds of gestures a platform recogniser reports.
enum class EGestureType : int32_t
{
  Unknown = 0,
  DoubleTap,
  TripleTap,
  LongPress1,
  LongPress2,
  SwipeLeft,
  SwipeRight,
  SwipeUp,
  SwipeDown,
  Pinch,
  Rotate
};

// Winding of an arc in a path.
enum class EWinding : int32_t
{
  CW = 0,
  CCW = 1
};

// ---------------------------------------------------------------------------------------
// Colours

struct IColor
{
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }

  // Red, green and blue moved by c·255 (truncated) and clamped to 0..255; alpha unchanged.
  void Contrast(float c);
  IColor WithContrast(float c) const
  {
    IColor n = *this;
    n.Contrast(c);
    return n;
  }
  IColor WithOpacity(float alpha) const
  {
    IColor n = *this;
    n.A = std::clamp(static_cast<int>(std::lround(alpha * 255.f)), 0, 255);
    return n;
  }
};

struct IColorStop
{
  IColor mColor;
  float mOffset = 0.f;

  constexpr IColorStop() = default;
  constexpr IColorStop(const IColor& color, float offset) : mColor(color), mOffset(offset) {}
};

// ---------------------------------------------------------------------------------------
// Transform

// A 2-D affine transform: x' = xx·x + xy·y + tx, y' = yx·x + yy·y + ty.
struct IMatrix
{
  double mXX = 1.0;
  double mYX = 0.0;
  double mXY = 0.0;
  double mYY = 1.0;
  double mTX = 0.0;
  double mTY = 0.0;

  constexpr IMatrix() = default;
  constexpr IMatrix(double xx, double yx, double xy, double yy, double tx, double ty)
    : mXX(xx), mYX(yx), mXY(xy), mYY(yy), mTX(tx), mTY(ty)
  {
  }

  bool operator==(const IMatrix& o) const
  {
    return mXX == o.mXX && mYX == o.mYX && mXY == o.mXY && mYY == o.mYY && mTX == o.mTX && mTY == o.mTY;
  }
  bool operator!=(const IMatrix& o) const { return !(*this == o); }

  // Each operation is applied before the transform held (it acts in local coordinates).
  IMatrix& Translate(float x, float y);
  IMatrix& Scale(float x, float y);
  // Degrees, clockwise on screen.
  IMatrix& Rotate(float angle);
  IMatrix& Skew(float xAngle, float yAngle);
  // This := this × m: m is applied first.
  IMatrix& Transform(const IMatrix& m);
  // The inverse; a transform that cannot be inverted gives the identity.
  IMatrix Inverted() const;

  void TransformPoint(double& x, double& y) const
  {
    const double x0 = x;
    x = mXX * x0 + mXY * y + mTX;
    y = mYX * x0 + mYY * y + mTY;
  }
  void TransformPoint(float& x, float& y) const
  {
    double dx = x, dy = y;
    TransformPoint(dx, dy);
    x = static_cast<float>(dx);
    y = static_cast<float>(dy);
  }
};

// ---------------------------------------------------------------------------------------
// Rectangles

// Left, top, right, bottom. A rectangle whose four coordinates are all 0 counts as empty.
struct IRECT
{
  float L = 0.f;
  float T = 0.f;
  float R = 0.f;
  float B = 0.f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}
  static IRECT MakeXYWH(float x, float y, float w, float h) { return IRECT(x, y, x + w, y + h); }

  bool Empty() const { return L == 0.f && T == 0.f && R == 0.f && B == 0.f; }
  float W() const { return R - L; }
  float H() const { return B - T; }
  float MW() const { return 0.5f * (L + R); }
  float MH() const { return 0.5f * (T + B); }
  float Area() const { return W() * H(); }

  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }

  // Not empty, and L <= x < R, T <= y < B.
  bool Contains(float x, float y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  // Both not empty and o lies wholly inside.
  bool Contains(const IRECT& o) const
  {
    return !Empty() && !o.Empty() && o.L >= L && o.R <= R && o.T >= T && o.B <= B;
  }
  // Both not empty and they overlap or touch on the right or bottom edge of this one.
  bool Intersects(const IRECT& o) const
  {
    return !Empty() && !o.Empty() && R >= o.L && L < o.R && B >= o.T && T < o.B;
  }

  // The part of this rectangle inside the clip area; an empty rectangle gives the area
  // itself, a rectangle outside the area (or an empty area) gives the empty rectangle.
  IRECT Intersect(const IRECT& area) const;
  // The smallest rectangle holding both; an empty one contributes nothing.
  IRECT Union(const IRECT& o) const;

  IRECT GetPadded(float p) const { return IRECT(L - p, T - p, R + p, B + p); }
  IRECT GetPadded(float l, float t, float r, float b) const { return IRECT(L + l, T + t, R + r, B + b); }
  IRECT GetTranslated(float x, float y) const { return IRECT(L + x, T + y, R + x, B + y); }
  // Scaled about the centre by f.
  IRECT GetScaledAboutCentre(float f) const
  {
    const float hw = 0.5f * f * W(), hh = 0.5f * f * H();
    return IRECT(MW() - hw, MH() - hh, MW() + hw, MH() + hh);
  }
  // A rectangle of w by h centred on this one's centre.
  IRECT GetCentredInside(float w, float h) const
  {
    return IRECT(MW() - 0.5f * w, MH() - 0.5f * h, MW() + 0.5f * w, MH() + 0.5f * h);
  }
  // Outward alignment to whole pixels at scale s: L and T floor(v·s)/s, R and B ceil(v·s)/s.
  IRECT GetPixelAligned(float s) const
  {
    return IRECT(std::floor(L * s) / s, std::floor(T * s) / s, std::ceil(R * s) / s, std::ceil(B * s) / s);
  }
};

// The dirty areas of a frame, in insertion order.
class IRECTList
{
public:
  int Size() const { return static_cast<int>(mRects.size()); }
  void Add(const IRECT& r) { mRects.push_back(r); }
  void Set(int i, const IRECT& r) { mRects[static_cast<size_t>(i)] = r; }
  const IRECT& Get(int i) const { return mRects[static_cast<size_t>(i)]; }
  void Delete(int i) { mRects.erase(mRects.begin() + i); }
  void Clear() { mRects.clear(); }
  // The union of every non-empty rectangle.
  IRECT Bounds() const;
  // Drops rectangles held by others, trims or splits overlaps and merges neighbours, never
  // losing dirty area.
  void Optimize();

private:
  std::vector<IRECT> mRects;
};

// ---------------------------------------------------------------------------------------
// Text, blend, paint, stroke and fill

struct IText
{
  char mFont[64] = {};
  float mSize = 14.f;
  IColor mFGColor;
  IColor mTextEntryBGColor{255, 255, 255, 255};
  IColor mTextEntryFGColor;
  float mAngle = 0.f;
  EAlign mAlign = EAlign::Center;
  EVAlign mVAlign = EVAlign::Middle;

  IText(float size = 14.f, const IColor& color = IColor(), const char* font = nullptr,
        EAlign align = EAlign::Center, EVAlign valign = EVAlign::Middle, float angle = 0.f,
        const IColor& teBG = IColor(255, 255, 255, 255), const IColor& teFG = IColor())
    : mSize(size), mFGColor(color), mTextEntryBGColor(teBG), mTextEntryFGColor(teFG), mAngle(angle),
      mAlign(align), mVAlign(valign)
  {
    SetFont(font ? font : "Roboto-Regular");
  }

  void SetFont(const char* font)
  {
    std::strncpy(mFont, font ? font : "", sizeof(mFont) - 1);
    mFont[sizeof(mFont) - 1] = '\0';
  }
  IText WithSize(float size) const { return CopyWith(*this, &IText::mSize, size); }
  IText WithFGColor(const IColor& c) const { return CopyWith(*this, &IText::mFGColor, c); }
  IText WithAlign(EAlign a) const { return CopyWith(*this, &IText::mAlign, a); }
  IText WithVAlign(EVAlign a) const { return CopyWith(*this, &IText::mVAlign, a); }
  IText WithAngle(float a) const { return CopyWith(*this, &IText::mAngle, a); }
};

struct IBlend
{
  EBlend mMethod = EBlend::SrcOver;
  float mWeight = 1.f;

  constexpr IBlend() = default;
  constexpr IBlend(EBlend method, float weight) : mMethod(method), mWeight(weight) {}
};

// The weight of a blend pointer: 1 without one.
inline float BlendWeight(const IBlend* blend) { return blend ? blend->mWeight : 1.f; }

// A paint: a solid colour or a linear or radial gradient of up to 16 stops. The transform
// maps editor coordinates to the pattern's space (a linear gradient runs from (0, 0) to
// (0, 1); a radial one has its centre at the origin and its radius as unit).
struct IPattern
{
  static constexpr int kMaxStops = 16;

  EPatternType mType = EPatternType::Solid;
  int mExtend = 1;
  IColorStop mStops[kMaxStops];
  int mNStops = 0;
  IMatrix mTransform;

  IPattern() = default;
  explicit IPattern(EPatternType type) : mType(type) {}
  // A solid pattern: the colour as the only stop, at offset 0.
  IPattern(const IColor& color) // NOLINT: colours convert to solid paints
  {
    mStops[0] = IColorStop(color, 0.f);
    mNStops = 1;
  }

  // Appends a stop while fewer than 16 are held; false when full.
  bool AddStop(const IColor& color, float offset)
  {
    if (mNStops >= kMaxStops)
      return false;
    mStops[mNStops++] = IColorStop(color, offset);
    return true;
  }
  const IColorStop& GetStop(int i) const { return mStops[i]; }

  static IPattern CreateLinearGradient(float x1, float y1, float x2, float y2,
                                       std::initializer_list<IColorStop> stops = {});
  static IPattern CreateRadialGradient(float x, float y, float r, std::initializer_list<IColorStop> stops = {});
};

enum class ELineCap : int32_t
{
  Butt = 0,
  Round = 1,
  Square = 2
};

enum class ELineJoin : int32_t
{
  Miter = 0,
  Round = 1,
  Bevel = 2
};

enum class EFillRule : int32_t
{
  Winding = 0,
  EvenOdd = 1,
  Preserve = 2 // keeps the windings set on the path's parts
};

struct IStrokeOptions
{
  struct DashOptions
  {
    static constexpr int kMaxDashes = 8;
    float mArray[kMaxDashes] = {};
    float mOffset = 0.f;
    int mCount = 0;

    void SetDash(const float* array, float offset, int count)
    {
      mCount = std::clamp(count, 0, kMaxDashes);
      for (int i = 0; i < mCount; ++i)
        mArray[i] = array[i];
      mOffset = offset;
    }
  };

  float mMiterLimit = 10.f;
  bool mPreserve = false;
  ELineCap mCapOption = ELineCap::Butt;
  ELineJoin mJoinOption = ELineJoin::Miter;
  DashOptions mDash;
};

struct IFillOptions
{
  EFillRule mFillRule = EFillRule::Winding;
  bool mPreserve = false;

  IFillOptions() = default;
  IFillOptions(bool preserve, EFillRule rule = EFillRule::Winding) : mFillRule(rule), mPreserve(preserve) {}
};

// ---------------------------------------------------------------------------------------
// Pointer, key and gesture records

using ITouchID = int64_t;

struct IMouseMod
{
  bool L = false;
  bool R = false;
  bool S = false; // shift
  bool C = false; // control / command
  bool A = false; // alt / option
  ITouchID touchID = 0;
  float touchRadius = 0.f;

  IMouseMod() = default;
  IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false, ITouchID touch = 0)
    : L(l), R(r), S(s), C(c), A(a), touchID(touch)
  {
  }
};

struct IMouseInfo
{
  float x = 0.f;
  float y = 0.f;
  float dX = 0.f;
  float dY = 0.f;
  IMouseMod ms;

  IMouseInfo() = default;
  IMouseInfo(float px, float py, const IMouseMod& mod, float dx = 0.f, float dy = 0.f)
    : x(px), y(py), dX(dx), dY(dy), ms(mod)
  {
  }
};

struct IGestureInfo
{
  float x = 0.f;
  float y = 0.f;
  float scale = 0.f;
  float velocity = 0.f;
  float angle = 0.f;
  EGestureType type = EGestureType::Unknown;
};

// ---------------------------------------------------------------------------------------
// Function objects

using IActionFunction = std::function<void(IControl*)>;
using IAnimationFunction = IActionFunction;
using IGestureFunction = std::function<void(IControl*, const IGestureInfo&)>;
using IPopupMenuFunction = std::function<void(IPopupMenu*)>;
// Takes a key press and whether it is a key-up; true when it handled the key.
using IKeyHandlerFunction = std::function<bool(const IKeyPress& key, bool isUp)>;
using IControlFunction = std::function<void(IControl*)>;
using IColorPickerHandlerFunc = std::function<void(const IColor&)>;
using IMsgBoxCompletionHandlerFunc = std::function<void(int result)>;
using IFileDialogCompletionHandlerFunc = std::function<void(const CharBuf& fileName, const CharBuf& path)>;
using IAppearanceChangedFunc = std::function<void(EUIAppearance)>;

// Message-box types and results (ShowMessageBox), in the Windows numbering.
constexpr int kMessageBoxOK = 0;
constexpr int kMessageBoxOKCancel = 1;
constexpr int kMessageBoxYesNoCancel = 3;
constexpr int kMessageBoxYesNo = 4;
constexpr int kMessageBoxRetryCancel = 5;
constexpr int kMessageBoxResultOK = 1;
constexpr int kMessageBoxResultCancel = 2;
constexpr int kMessageBoxResultRetry = 4;
constexpr int kMessageBoxResultYes = 6;
constexpr int kMessageBoxResultNo = 7;
// File dialog actions (PromptForFile): save; every other value opens.
constexpr int kFileActionOpen = 0;
constexpr int kFileActionSave = 1;

// ---------------------------------------------------------------------------------------
// Bitmaps, SVG images, layers and shadows

// The back end's bitmap: an image or offscreen frame buffer with its pixel size, the resource
// scale its pixels were made for and the draw scale it was made at. Owned by whoever made it
// (the bitmap cache, a layer) and deleted through the virtual destructor.
class APIBitmap
{
public:
  APIBitmap() = default;
  APIBitmap(int width, int height, float scale, float drawScale)
    : mWidth(width), mHeight(height), mScale(scale), mDrawScale(drawScale)
  {
  }
  virtual ~APIBitmap() = default;
  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  int GetWidth() const { return mWidth; }
  int GetHeight() const { return mHeight; }
  float GetScale() const { return mScale; }
  float GetDrawScale() const { return mDrawScale; }

protected:
  void SetBitmap(int width, int height, float scale, float drawScale)
  {
    mWidth = width;
    mHeight = height;
    mScale = scale;
    mDrawScale = drawScale;
  }

private:
  int mWidth = 0;
  int mHeight = 0;
  float mScale = 1.f;
  float mDrawScale = 1.f;
};

// The handle controls keep of a bitmap; copying it never copies pixels and it owns nothing.
// Width and height are in points: the pixel size divided by the back-end bitmap's scale.
class IBitmap
{
public:
  IBitmap() = default;
  IBitmap(APIBitmap* bitmap, int nFrames, bool framesAreHorizontal, const char* name = "");
  IBitmap(const IBitmap& o);
  IBitmap& operator=(const IBitmap& o);

  APIBitmap* GetAPIBitmap() const { return mBitmap; }
  int W() const { return mW; }
  int H() const { return mH; }
  int N() const { return mNFrames; }
  bool GetFramesAreHorizontal() const { return mFramesAreHorizontal; }
  const char* GetResourceName() const { return mResourceName.Get(); }
  bool IsValid() const { return mBitmap != nullptr; }
  // Size of one frame in points (a bitmap of fewer than one frame counts as one frame).
  float FW() const { return mFramesAreHorizontal ? static_cast<float>(mW) / FrameCount() : static_cast<float>(mW); }
  float FH() const { return mFramesAreHorizontal ? static_cast<float>(mH) : static_cast<float>(mH) / FrameCount(); }
  int FrameCount() const { return std::max(mNFrames, 1); }
  float GetDrawScale() const { return mBitmap ? mBitmap->GetDrawScale() : 1.f; }
  float GetScale() const { return mBitmap ? mBitmap->GetScale() : 1.f; }

private:
  void SetResourceName(const char* name);

  APIBitmap* mBitmap = nullptr;
  int mW = 0;
  int mH = 0;
  int mNFrames = 0;
  bool mFramesAreHorizontal = false;
  CharBuf mResourceName{128};
};

} // namespace igraphics
} // namespace plug

// The parsed SVG document (the SVG parser's own type).
namespace standin {
namespace svg {
struct Image;
}
} // namespace standin

namespace plug {
namespace igraphics {

// A handle to a parsed SVG document owned by the SVG cache; null when nothing was parsed.
struct ISVGImage
{
  standin::svg::Image* mImage = nullptr;

  ISVGImage() = default;
  explicit ISVGImage(standin::svg::Image* image) : mImage(image) {}
  bool IsValid() const { return mImage != nullptr; }
  // The document's size (0 without one).
  float W() const;
  float H() const;
};

// An offscreen drawing layer: its bitmap (owned), the control that made it, that control's
// bounds when it was made, the layer's bounds in editor points and whether it went stale.
class ILayer
{
public:
  ILayer(APIBitmap* bitmap, const IRECT& layerRect, IControl* control, const IRECT& controlRect)
    : mBitmap(bitmap), mControl(control), mControlRECT(controlRect), mRECT(layerRect)
  {
  }
  ILayer(const ILayer&) = delete;
  ILayer& operator=(const ILayer&) = delete;

  void Invalidate() { mInvalid = true; }
  const APIBitmap* GetAPIBitmap() const { return mBitmap.get(); }
  APIBitmap* GetAPIBitmap() { return mBitmap.get(); }
  // Hands the bitmap over to the caller; the layer keeps none.
  APIBitmap* TakeAPIBitmap() { return mBitmap.release(); }
  IBitmap GetBitmap() const
  {
    return IBitmap(mBitmap.get(), 1, false);
  }
  const IRECT& Bounds() const { return mRECT; }
  IControl* GetControl() const { return mControl; }
  const IRECT& GetControlBounds() const { return mControlRECT; }
  void SetControlBounds(const IRECT& r) { mControlRECT = r; }
  bool IsInvalid() const { return mInvalid; }

private:
  std::unique_ptr<APIBitmap> mBitmap;
  IControl* mControl;
  IRECT mControlRECT;
  IRECT mRECT;
  bool mInvalid = false;
};

using ILayerPtr = std::unique_ptr<ILayer>;

// The pixels of a layer, four bytes each.
using RawBitmapData = std::vector<uint8_t>;

// A drop shadow made from a layer's blurred alpha.
struct IShadow
{
  IPattern mPattern = IPattern(IColor(255, 0, 0, 0));
  float mBlurSize = 0.f;
  float mXOffset = 0.f;
  float mYOffset = 0.f;
  float mOpacity = 1.f;
  bool mDrawForeground = true;

  IShadow() = default;
  IShadow(const IPattern& pattern, float blurSize, float xOffset, float yOffset, float opacity, bool drawForeground)
    : mPattern(pattern), mBlurSize(blurSize), mXOffset(xOffset), mYOffset(yOffset), mOpacity(opacity),
      mDrawForeground(drawForeground)
  {
  }
};

// ---------------------------------------------------------------------------------------
// Vector controls' colours and style

enum EVColor : int32_t
{
  kBG = 0,  // background
  kFG = 1,  // foreground: a shape at rest
  kPR = 2,  // pressed
  kFR = 3,  // frame
  kHL = 4,  // highlight: mouse-over, splash
  kSH = 5,  // shadow
  kX1 = 6,  // extra 1
  kX2 = 7,  // extra 2
  kX3 = 8,  // extra 3
  kNumVColors = 9
};

// The nine colours of a vector control, indexed by EVColor.
struct IVColorSpec
{
  IColor mColors[kNumVColors];

  // The listed colours in slots 0, 1, 2 ... (at most nine), the default table after them.
  IVColorSpec(std::initializer_list<IColor> colors = {});

  const IColor& GetColor(int color) const { return mColors[color]; }
  IColor& operator[](int i) { return mColors[i]; }
  const IColor& operator[](int i) const { return mColors[i]; }
};

// The style of a vector control.
struct IVStyle
{
  bool hideCursor = true;
  bool showLabel = true;
  bool showValue = true;
  bool drawFrame = true;
  bool drawShadows = true;
  bool emboss = false;
  float roundness = 0.f;
  float frameThickness = 1.f;
  float shadowOffset = 3.f;
  float widgetFrac = 1.f;
  float angle = 0.f;
  IVColorSpec colorSpec;
  IText labelText{19.f, IColor(), nullptr, EAlign::Center, EVAlign::Top};
  IText valueText{14.f, IColor(), nullptr, EAlign::Center, EVAlign::Bottom};
  int labelSide = 0; // 0 top, 1 right, 2 bottom, 3 left

  IVStyle WithColors(const IVColorSpec& spec) const { return CopyWith(*this, &IVStyle::colorSpec, spec); }
  IVStyle WithColor(int idx, const IColor& c) const
  {
    IVStyle s = *this;
    s.colorSpec.mColors[idx] = c;
    return s;
  }
  IVStyle WithRoundness(float v) const { return CopyWith(*this, &IVStyle::roundness, v); }
  IVStyle WithFrameThickness(float v) const { return CopyWith(*this, &IVStyle::frameThickness, v); }
  IVStyle WithShadowOffset(float v) const { return CopyWith(*this, &IVStyle::shadowOffset, v); }
  IVStyle WithDrawFrame(bool v = true) const { return CopyWith(*this, &IVStyle::drawFrame, v); }
  IVStyle WithDrawShadows(bool v = true) const { return CopyWith(*this, &IVStyle::drawShadows, v); }
  IVStyle WithEmboss(bool v = true) const { return CopyWith(*this, &IVStyle::emboss, v); }
  IVStyle WithShowLabel(bool v = true) const { return CopyWith(*this, &IVStyle::showLabel, v); }
  IVStyle WithShowValue(bool v = true) const { return CopyWith(*this, &IVStyle::showValue, v); }
  IVStyle WithWidgetFrac(float v) const { return CopyWith(*this, &IVStyle::widgetFrac, v); }
  IVStyle WithAngle(float v) const { return CopyWith(*this, &IVStyle::angle, v); }
  IVStyle WithLabelText(const IText& t) const { return CopyWith(*this, &IVStyle::labelText, t); }
  IVStyle WithValueText(const IText& t) const { return CopyWith(*this, &IVStyle::valueText, t); }
  IVStyle WithLabelSide(int side) const { return CopyWith(*this, &IVStyle::labelSide, side); }
};

} // namespace igraphics
} // namespace plug
