#include "standin/appkit/Internal.h"
#include "standin/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

namespace standin {

STANDIN_DEFINE_CLASS(CGColor, NSObject)
STANDIN_DEFINE_CLASS(CGColorSpace, NSObject)
STANDIN_DEFINE_CLASS(CGImage, NSObject)
STANDIN_DEFINE_CLASS(CGContext, NSObject)

CGColor::CGColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a, RuntimeClass& cls) : NSObject(cls), mComponents{r, g, b, a} {}

CGImage::CGImage(size_t width, size_t height, std::vector<uint8_t> rgba, RuntimeClass& cls)
  : NSObject(cls), mWidth(width), mHeight(height), mPixels(std::move(rgba)), mSpace(new CGColorSpace())
{
  mPixels.resize(mWidth * mHeight * 4);
}

CGImage::~CGImage() { mSpace->release(); }

CGContext::CGContext(uint8_t* data, size_t width, size_t height, size_t bytesPerRow, RuntimeClass& cls)
  : NSObject(cls), mWidth(width), mHeight(height), mBytesPerRow(bytesPerRow), mData(data)
{
  if (!mData)
    mOwned.assign(mBytesPerRow * mHeight, 0);
}

namespace {

uint8_t Byte(CGFloat value) { return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); }

} // namespace

void CGContext::Composite(CGRect rect, const CGImage& image, const CGFloat* tint)
{
  if (image.Width() == 0 || image.Height() == 0 || !(rect.size.width > 0) || !(rect.size.height > 0))
    return;
  // Device pixels whose centres fall in the rectangle; y counts up from the bottom row.
  const auto first = [](CGFloat from) { return static_cast<long>(std::ceil(from - 0.5)); };
  const long x0 = std::max(0l, first(NSMinX(rect))), x1 = std::min<long>(static_cast<long>(mWidth), first(NSMaxX(rect)));
  const long y0 = std::max(0l, first(NSMinY(rect))), y1 = std::min<long>(static_cast<long>(mHeight), first(NSMaxY(rect)));
  uint8_t* data = Data();
  for (long y = y0; y < y1; ++y)
  {
    // The image's top row is drawn at the rectangle's top.
    const double v = (NSMaxY(rect) - (y + 0.5)) / rect.size.height;
    const size_t sy = std::min(image.Height() - 1, static_cast<size_t>(std::max(0.0, v * image.Height())));
    uint8_t* row = data + (mHeight - 1 - static_cast<size_t>(y)) * mBytesPerRow;
    for (long x = x0; x < x1; ++x)
    {
      const double u = (x + 0.5 - NSMinX(rect)) / rect.size.width;
      const size_t sx = std::min(image.Width() - 1, static_cast<size_t>(std::max(0.0, u * image.Width())));
      const uint8_t* src = &image.Pixels()[(sy * image.Width() + sx) * 4];
      uint8_t s[4] = {src[0], src[1], src[2], src[3]};
      if (tint) // the silhouette: the tint colour with the source's coverage, premultiplied
      {
        const double coverage = src[3] / 255.0 * std::clamp(tint[3], 0.0, 1.0);
        for (int c = 0; c < 3; ++c)
          s[c] = Byte(std::clamp(tint[c], 0.0, 1.0) * coverage);
        s[3] = Byte(coverage);
      }
      uint8_t* dst = row + static_cast<size_t>(x) * 4;
      const int keep = 255 - s[3];
      for (int c = 0; c < 4; ++c)
        dst[c] = static_cast<uint8_t>(s[c] + (dst[c] * keep + 127) / 255);
    }
  }
}

void CGContext::DrawImage(CGRect rect, const CGImage& image)
{
  if (mShadow.rgba[3] > 0)
  {
    CGRect shadow = rect;
    shadow.origin.x += mShadow.offset.width;
    shadow.origin.y += mShadow.offset.height;
    Composite(shadow, image, mShadow.rgba);
  }
  Composite(rect, image, nullptr);
}

} // namespace standin

// -- CoreGraphics functions --

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
  return new standin::CGColor(red, green, blue, alpha);
}

void CGColorRelease(CGColorRef color)
{
  if (color)
    color->release();
}

CGColorSpaceRef CGColorSpaceCreateDeviceRGB() { return new standin::CGColorSpace(); }

void CGColorSpaceRelease(CGColorSpaceRef space)
{
  if (space)
    space->release();
}

size_t CGImageGetWidth(CGImageRef image) { return image ? image->Width() : 0; }
size_t CGImageGetHeight(CGImageRef image) { return image ? image->Height() : 0; }
size_t CGImageGetBitsPerComponent(CGImageRef image) { return image ? 8 : 0; }
size_t CGImageGetBytesPerRow(CGImageRef image) { return image ? image->Width() * 4 : 0; }
CGColorSpaceRef CGImageGetColorSpace(CGImageRef image) { return image ? image->ColorSpace() : nullptr; }
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image) { return image ? kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big : 0; }

CGImageRef CGImageRetain(CGImageRef image) { return Retained(image); }

void CGImageRelease(CGImageRef image)
{
  if (image)
    image->release();
}

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
                                   CGColorSpaceRef space, CGBitmapInfo bitmapInfo)
{
  const CGBitmapInfo alpha = bitmapInfo & 0x1F;
  const size_t kMaxSide = 1u << 15;
  if (bitsPerComponent != 8 || !space || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
      (alpha != kCGImageAlphaPremultipliedLast && alpha != kCGImageAlphaPremultipliedFirst))
    return nullptr;
  if (bytesPerRow == 0)
    bytesPerRow = width * 4;
  if (bytesPerRow < width * 4)
    return nullptr;
  return new standin::CGContext(static_cast<uint8_t*>(data), width, height, bytesPerRow);
}

CGImageRef CGBitmapContextCreateImage(CGContextRef context)
{
  if (!context)
    return nullptr;
  std::vector<uint8_t> pixels(context->Width() * context->Height() * 4);
  for (size_t y = 0; y < context->Height(); ++y)
    std::copy_n(context->Data() + y * context->BytesPerRow(), context->Width() * 4, pixels.begin() + y * context->Width() * 4);
  return new standin::CGImage(context->Width(), context->Height(), std::move(pixels));
}

void* CGBitmapContextGetData(CGContextRef context) { return context ? context->Data() : nullptr; }

void CGContextSetShadowWithColor(CGContextRef context, CGSize offset, CGFloat blur, CGColorRef color)
{
  if (!context)
    return;
  standin::CGContext::Shadow shadow;
  shadow.offset = offset;
  shadow.blur = blur;
  if (color)
    std::copy_n(color->Components(), 4, shadow.rgba);
  context->SetShadow(shadow);
}

void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image)
{
  if (context && image)
    context->DrawImage(rect, *image);
}

void CGContextRelease(CGContextRef context)
{
  if (context)
    context->release();
}

// -- display services --

CGDirectDisplayID CGMainDisplayID() { return 1; }

size_t CGDisplayPixelsWide(CGDirectDisplayID) { return static_cast<size_t>(TheState().screenFrame.size.width); }

size_t CGDisplayPixelsHigh(CGDirectDisplayID) { return static_cast<size_t>(TheState().screenFrame.size.height); }

CGError CGDisplayHideCursor(CGDirectDisplayID)
{
  ++TheState().cursor.hideLevel;
  return kCGErrorSuccess;
}

CGError CGDisplayShowCursor(CGDirectDisplayID)
{
  int& level = TheState().cursor.hideLevel;
  level = std::max(0, level - 1);
  return kCGErrorSuccess;
}

CGError CGAssociateMouseAndMouseCursorPosition(bool connected)
{
  TheState().cursor.associated = connected;
  return kCGErrorSuccess;
}

CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID, CGPoint point)
{
  State& state = TheState();
  state.mouseLocation = NSMakePoint(point.x, NSMaxY(state.screenFrame) - point.y);
  ++state.cursor.warps;
  return kCGErrorSuccess;
}

double CACurrentMediaTime()
{
  return std::chrono::duration<double>(standin::RunLoop::Main().Now()).count();
}
