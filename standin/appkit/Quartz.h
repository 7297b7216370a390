#pragma once
// Stand-in for the CoreGraphics pieces outside fonts that the platform layer uses: colours,
// the RGB colour space, bitmap images and bitmap contexts that draw images (with a shadow),
// and the display services that hide, show and move the mouse cursor.
//
// Pixels are 8-bit RGBA with premultiplied alpha, rows from the top; drawing coordinates have
// their origin at the bottom left, as the platform's. Create and Copy functions return owned
// references; the Release functions ignore NULL, as the platform's do.
#include "standin/foundation/Foundation.h"
#include "standin/foundation/Geometry.h"

#include <cstdint>
#include <vector>

namespace standin {

class CGColor : public NSObject
{
  STANDIN_OBJECT_CLASS()

  CGColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a, standin::RuntimeClass& cls = Class());
  // red, green, blue, alpha
  const CGFloat* Components() const { return mComponents; }

private:
  CGFloat mComponents[4];
};

class CGColorSpace : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit CGColorSpace(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}
};

class CGImage : public NSObject
{
  STANDIN_OBJECT_CLASS()

  CGImage(size_t width, size_t height, std::vector<uint8_t> rgba, standin::RuntimeClass& cls = Class());
  ~CGImage() override;

  size_t Width() const { return mWidth; }
  size_t Height() const { return mHeight; }
  // width × height × 4 bytes, rows from the top.
  const std::vector<uint8_t>& Pixels() const { return mPixels; }
  CGColorSpace* ColorSpace() const { return mSpace; }

private:
  size_t mWidth, mHeight;
  std::vector<uint8_t> mPixels;
  CGColorSpace* mSpace;
};

class CGContext : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Over the caller's memory (rows of bytesPerRow) or, for null data, memory of its own.
  CGContext(uint8_t* data, size_t width, size_t height, size_t bytesPerRow, standin::RuntimeClass& cls = Class());

  size_t Width() const { return mWidth; }
  size_t Height() const { return mHeight; }
  size_t BytesPerRow() const { return mBytesPerRow; }
  uint8_t* Data() { return mData ? mData : mOwned.data(); }
  const uint8_t* Data() const { return mData ? mData : mOwned.data(); }

  struct Shadow
  {
    CGSize offset;
    CGFloat blur = 0;
    CGFloat rgba[4] = {0, 0, 0, 0}; // alpha 0: no shadow
  };
  void SetShadow(const Shadow& shadow) { mShadow = shadow; }
  // Source-over of the image scaled (nearest pixel) into the rectangle; with a shadow, the
  // image's silhouette in the shadow colour is drawn first, moved by the offset (the blur is
  // kept but not applied).
  void DrawImage(CGRect rect, const CGImage& image);

private:
  void Composite(CGRect rect, const CGImage& image, const CGFloat* tint);

  size_t mWidth, mHeight, mBytesPerRow;
  uint8_t* mData;
  std::vector<uint8_t> mOwned;
  Shadow mShadow;
};

} // namespace standin

typedef standin::CGColor* CGColorRef;
typedef standin::CGColorSpace* CGColorSpaceRef;
typedef standin::CGImage* CGImageRef;
typedef standin::CGContext* CGContextRef;

typedef uint32_t CGBitmapInfo;
constexpr CGBitmapInfo kCGImageAlphaPremultipliedLast = 1;
constexpr CGBitmapInfo kCGImageAlphaPremultipliedFirst = 2;
constexpr CGBitmapInfo kCGBitmapByteOrder32Big = 4u << 12;

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGColorRelease(CGColorRef color);
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
void CGColorSpaceRelease(CGColorSpaceRef space);

size_t CGImageGetWidth(CGImageRef image);
size_t CGImageGetHeight(CGImageRef image);
size_t CGImageGetBitsPerComponent(CGImageRef image);
size_t CGImageGetBytesPerRow(CGImageRef image);
// Owned by the image.
CGColorSpaceRef CGImageGetColorSpace(CGImageRef image);
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image);
CGImageRef CGImageRetain(CGImageRef image);
void CGImageRelease(CGImageRef image);

// A context of 8 bits per component, 4 components, premultiplied alpha; bytesPerRow 0 lets
// the context choose. Null for other layouts, an empty size or rows too short.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
                                   CGColorSpaceRef space, CGBitmapInfo bitmapInfo);
CGImageRef CGBitmapContextCreateImage(CGContextRef context);
void* CGBitmapContextGetData(CGContextRef context);
void CGContextSetShadowWithColor(CGContextRef context, CGSize offset, CGFloat blur, CGColorRef color);
void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image);
void CGContextRelease(CGContextRef context);

// -- display services: one display, the main screen (UserInput.h sets its size) --

typedef uint32_t CGDirectDisplayID;
typedef int32_t CGError;
constexpr CGError kCGErrorSuccess = 0;

CGDirectDisplayID CGMainDisplayID();
size_t CGDisplayPixelsWide(CGDirectDisplayID display);
size_t CGDisplayPixelsHigh(CGDirectDisplayID display);
// Hiding nests: the cursor shows again when every hide has had its show.
CGError CGDisplayHideCursor(CGDirectDisplayID display);
CGError CGDisplayShowCursor(CGDirectDisplayID display);
CGError CGAssociateMouseAndMouseCursorPosition(bool connected);
// Moves the cursor to a point in display coordinates (origin top left), without an event.
CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point);

// QuartzCore's media clock in seconds: the main run loop's clock, so that on the loop's virtual
// clock the editor's animations follow the virtual time as its timers do.
double CACurrentMediaTime();
