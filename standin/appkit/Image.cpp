#include "standin/appkit/Internal.h"
#include "standin/foundation/RegularFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSAffineTransform, NSObject)
STANDIN_DEFINE_CLASS(NSImageRep, NSObject)
STANDIN_DEFINE_CLASS(NSBitmapImageRep, NSImageRep)
STANDIN_DEFINE_CLASS(NSImage, NSObject)
STANDIN_DEFINE_CLASS(NSCursor, NSObject)

NSString* const NSImageHintCTM = standin::ConstantString("NSImageHintCTM");

// -- NSAffineTransform --

NSAffineTransform* NSAffineTransform::transform() { return Autoreleased(new NSAffineTransform()); }

void NSAffineTransform::scaleXBy(CGFloat sx, CGFloat sy)
{
  mMatrix.m11 *= sx;
  mMatrix.m12 *= sx;
  mMatrix.m21 *= sy;
  mMatrix.m22 *= sy;
}

void NSAffineTransform::translateXBy(CGFloat x, CGFloat y)
{
  mMatrix.tX += x * mMatrix.m11 + y * mMatrix.m21;
  mMatrix.tY += x * mMatrix.m12 + y * mMatrix.m22;
}

// -- representations --

NSBitmapImageRep::NSBitmapImageRep(CGImageRef image, RuntimeClass& cls) : NSImageRep(cls), mImage(Retained(image))
{
  if (mImage)
    setSize(NSMakeSize(static_cast<CGFloat>(mImage->Width()), static_cast<CGFloat>(mImage->Height())));
}

NSBitmapImageRep::~NSBitmapImageRep()
{
  if (mImage)
    mImage->release();
}

NSInteger NSBitmapImageRep::pixelsWide() const { return mImage ? static_cast<NSInteger>(mImage->Width()) : 0; }
NSInteger NSBitmapImageRep::pixelsHigh() const { return mImage ? static_cast<NSInteger>(mImage->Height()) : 0; }

// -- NSImage --

NSImage::NSImage(NSSize size, RuntimeClass& cls) : NSObject(cls), mSize(size) {}

NSImage::NSImage(const NSString* path, RuntimeClass& cls) : NSObject(cls)
{
  // A larger file is refused whole: a part of a document is not the document.
  constexpr size_t kMaxFile = 16 << 20;
  std::vector<uint8_t> bytes;
  if (path && standin::ReadRegularFile(path->Text().c_str(), kMaxFile, bytes))
    mVector = standin::appkit::ReadPdfPageSize(bytes.data(), bytes.size(), &mSize);
}

NSImage::~NSImage()
{
  for (NSImageRep* rep : mReps)
    rep->release();
}

bool NSImage::isValid() const { return mVector || !mReps.empty(); }

void NSImage::addRepresentation(NSImageRep* rep)
{
  if (rep)
    mReps.push_back(Retained(rep));
}

NSArray* NSImage::representations() const
{
  return Autoreleased(new NSArray(std::vector<const NSObject*>(mReps.begin(), mReps.end())));
}

CGImageRef NSImage::CGImageForProposedRect(NSRect*, NSGraphicsContext*, const NSDictionary* hints)
{
  double scale = 1.0;
  if (const auto* ctm = dynamic_cast<const NSAffineTransform*>(hints ? hints->objectForKey(NSImageHintCTM) : nullptr))
  {
    const double m11 = std::abs(ctm->transformStruct().m11);
    if (std::isfinite(m11) && m11 > 0)
      scale = m11;
  }
  if (mVector)
  {
    const auto side = [&](CGFloat points) { return static_cast<size_t>(std::clamp(std::lround(points * scale), 1l, 8192l)); };
    const size_t width = side(mSize.width), height = side(mSize.height);
    std::vector<uint8_t> pixels(width * height * 4, 0);
    for (size_t i = 3; i < pixels.size(); i += 4)
      pixels[i] = 255; // opaque black
    return Autoreleased(new standin::CGImage(width, height, std::move(pixels)));
  }
  const double wanted = mSize.width * scale;
  NSBitmapImageRep* best = nullptr;
  for (NSImageRep* rep : mReps)
  {
    auto* bitmap = dynamic_cast<NSBitmapImageRep*>(rep);
    if (!bitmap || !bitmap->CGImage())
      continue;
    const double wide = static_cast<double>(bitmap->pixelsWide());
    if (!best)
      best = bitmap;
    else
    {
      const double bestWide = static_cast<double>(best->pixelsWide());
      const bool fits = wide >= wanted, bestFits = bestWide >= wanted;
      if ((fits && (!bestFits || wide < bestWide)) || (!fits && !bestFits && wide > bestWide))
        best = bitmap;
    }
  }
  return best ? best->CGImage() : nullptr;
}

// -- PDF page size --

namespace standin::appkit {

bool ReadPdfPageSize(const uint8_t* data, size_t size, NSSize* pageSize)
{
  static const char kKey[] = "/MediaBox";
  const size_t keyLength = sizeof kKey - 1;
  if (!data || !pageSize || size < keyLength)
    return false;
  size_t at = 0;
  for (;; ++at)
  {
    if (at + keyLength > size)
      return false;
    if (std::memcmp(data + at, kKey, keyLength) == 0)
      break;
  }
  size_t i = at + keyLength;
  const auto skipSpace = [&] {
    while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
      ++i;
  };
  const auto number = [&](double* value) {
    skipSpace();
    bool negative = false;
    if (i < size && (data[i] == '-' || data[i] == '+'))
      negative = data[i++] == '-';
    double result = 0, scale = 0;
    int digits = 0;
    for (; i < size && ((data[i] >= '0' && data[i] <= '9') || (data[i] == '.' && scale == 0)); ++i)
    {
      if (data[i] == '.')
      {
        scale = 1;
        continue;
      }
      if (++digits > 24)
        return false;
      result = result * 10 + (data[i] - '0');
      if (scale != 0)
        scale *= 10;
    }
    *value = (negative ? -result : result) / (scale != 0 ? scale : 1);
    return digits > 0;
  };
  skipSpace();
  if (i >= size || data[i++] != '[')
    return false;
  double box[4];
  for (double& value : box)
    if (!number(&value))
      return false;
  skipSpace();
  if (i >= size || data[i] != ']')
    return false;
  const double width = std::abs(box[2] - box[0]), height = std::abs(box[3] - box[1]);
  if (!(width > 0 && height > 0 && width <= 100000 && height <= 100000))
    return false;
  *pageSize = NSMakeSize(width, height);
  return true;
}

} // namespace standin::appkit

// -- NSCursor --

namespace {

const char* const kPublicCursors[] = {"arrowCursor", "IBeamCursor", "crosshairCursor", "resizeUpCursor", "resizeLeftRightCursor",
                                      "resizeUpDownCursor", "operationNotAllowedCursor", "pointingHandCursor"};
const char* const kPrivateCursors[] = {"busyButClickableCursor", "_windowResizeNorthCursor",
                                       "_windowResizeNorthWestSouthEastCursor", "_windowResizeNorthEastSouthWestCursor",
                                       "_windowResizeEastWestCursor", "_windowResizeNorthSouthCursor", "_helpCursor"};
const char* const kPrivateMethods[] = {"helpCursorShown", "_setHelpCursor:"};

template <size_t N>
bool Listed(const char* const (&list)[N], const std::string& name)
{
  return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

bool PrivateMethodAvailable(const char* name)
{
  if (TheState().privateCursors)
    return true;
  standin::PlatformFault((std::string("unrecognized selector ") + name + " sent to class NSCursor").c_str());
  return false;
}

} // namespace

NSCursor::NSCursor(NSImage* image, NSPoint hotSpot, RuntimeClass& cls) : NSObject(cls), mImage(Retained(image)), mHotSpot(hotSpot) {}

NSCursor::NSCursor(const char* name) : NSObject(Class()), mName(name) { MakeImmortal(); }

NSCursor::~NSCursor()
{
  if (mImage)
    mImage->release();
}

NSCursor* NSCursor::System(const char* name)
{
  static std::map<std::string, NSCursor*>* sCursors = new std::map<std::string, NSCursor*>;
  NSCursor*& cursor = (*sCursors)[name];
  if (!cursor)
    cursor = new NSCursor(name);
  return cursor;
}

NSCursor* NSCursor::arrowCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("arrowCursor"); }
NSCursor* NSCursor::IBeamCursor() { return System("IBeamCursor"); }
NSCursor* NSCursor::crosshairCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("crosshairCursor"); }
NSCursor* NSCursor::resizeUpCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("resizeUpCursor"); }
NSCursor* NSCursor::resizeLeftRightCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("resizeLeftRightCursor"); }
NSCursor* NSCursor::resizeUpDownCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("resizeUpDownCursor"); }
NSCursor* NSCursor::operationNotAllowedCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("operationNotAllowedCursor"); }
NSCursor* NSCursor::pointingHandCursor() { STANDIN_MAIN_THREAD_ONLY(); return System("pointingHandCursor"); }

bool NSCursor::respondsToSelector(const char* name)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!name)
    return false;
  if (Listed(kPublicCursors, name))
    return true;
  return TheState().privateCursors && (Listed(kPrivateCursors, name) || Listed(kPrivateMethods, name));
}

NSCursor* NSCursor::performSelector(const char* name)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!name || !respondsToSelector(name) || Listed(kPrivateMethods, name))
  {
    standin::PlatformFault((std::string("unrecognized selector ") + (name ? name : "(null)") + " sent to class NSCursor").c_str());
    return nullptr;
  }
  return System(name);
}

bool NSCursor::helpCursorShown() { STANDIN_MAIN_THREAD_ONLY(); return PrivateMethodAvailable("helpCursorShown") && TheState().cursor.helpMode; }

void NSCursor::_setHelpCursor(bool on)
{
  if (PrivateMethodAvailable("_setHelpCursor:"))
    TheState().cursor.helpMode = on;
}

void NSCursor::set()
{
  STANDIN_MAIN_THREAD_ONLY();
  standin::appkit::CursorState& cursor = TheState().cursor;
  cursor.name = mName;
  cursor.hotSpot = mHotSpot;
  cursor.imageSize = mImage ? mImage->size() : NSZeroSize;
  cursor.representations = mImage ? mImage->Representations().size() : 0;
}
