#pragma once
// Stand-in for AppKit's images and cursors: NSImage with bitmap representations and images
// referencing a vector (PDF) file, NSAffineTransform for drawing hints, and NSCursor with the
// system's cursors, the private ones among them present or not (UserInput.h switches).
//
// The stand-in reads of a PDF file only its page size (the first /MediaBox); drawn at a scale
// the page becomes an opaque black silhouette of that size, which stands in for its artwork.
#include "standin/appkit/Quartz.h"
#include "standin/appkit/Responder.h"

#include <string>
#include <vector>

class NSGraphicsContext;

class NSAffineTransform : public NSObject
{
  STANDIN_OBJECT_CLASS()

  struct Matrix
  {
    CGFloat m11 = 1, m12 = 0, m21 = 0, m22 = 1, tX = 0, tY = 0;
  };

  explicit NSAffineTransform(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}
  // The identity, autoreleased.
  static NSAffineTransform* transform();
  void scaleBy(CGFloat scale) { scaleXBy(scale, scale); }
  void scaleXBy(CGFloat sx, CGFloat sy);
  void translateXBy(CGFloat x, CGFloat y);
  Matrix transformStruct() const { return mMatrix; }

private:
  Matrix mMatrix;
};

// The key of the drawing hints whose value is an NSAffineTransform of the device.
extern NSString* const NSImageHintCTM;

class NSImageRep : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSImageRep(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}
  // In points.
  NSSize size() const { return mSize; }
  void setSize(NSSize size) { mSize = size; }
  virtual NSInteger pixelsWide() const { return 0; }
  virtual NSInteger pixelsHigh() const { return 0; }

private:
  NSSize mSize;
};

class NSBitmapImageRep : public NSImageRep
{
  STANDIN_OBJECT_CLASS()

  // initWithCGImage: retains the image; the size in points starts as its size in pixels.
  explicit NSBitmapImageRep(CGImageRef image, standin::RuntimeClass& cls = Class());
  ~NSBitmapImageRep() override;

  CGImageRef CGImage() const { return mImage; }
  NSInteger pixelsWide() const override;
  NSInteger pixelsHigh() const override;

private:
  CGImageRef mImage;
};

class NSImage : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // initWithSize: an empty image of that size in points.
  explicit NSImage(NSSize size, standin::RuntimeClass& cls = Class());
  // initByReferencingFile: the image of a PDF file (read at once); not valid when the file
  // cannot be read as one.
  explicit NSImage(const NSString* path, standin::RuntimeClass& cls = Class());
  ~NSImage() override;

  bool isValid() const;
  NSSize size() const { return mSize; }
  void setSize(NSSize size) { mSize = size; }
  // Retains the representation.
  void addRepresentation(NSImageRep* rep);
  // Autoreleased array.
  NSArray* representations() const;
  const std::vector<NSImageRep*>& Representations() const { return mReps; }

  // The image as pixels at the scale of the hints' NSImageHintCTM (1 without): a vector
  // image is drawn at that scale, else the bitmap representation with the pixel size closest
  // to it at or above the scale is chosen (or the largest). Autoreleased; null when the image
  // has neither. The proposed rectangle and the context are not used.
  CGImageRef CGImageForProposedRect(NSRect* proposedRect, NSGraphicsContext* context, const NSDictionary* hints);

private:
  NSSize mSize;
  bool mVector = false; // a page read from a file
  std::vector<NSImageRep*> mReps;
};

// -- cursors --

class NSCursor : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // initWithImage:hotSpot: retains the image.
  NSCursor(NSImage* image, NSPoint hotSpot, standin::RuntimeClass& cls = Class());
  ~NSCursor() override;

  // The system's public cursors (process-wide, never freed).
  static NSCursor* arrowCursor();
  static NSCursor* IBeamCursor();
  static NSCursor* crosshairCursor();
  static NSCursor* resizeUpCursor();
  static NSCursor* resizeLeftRightCursor();
  static NSCursor* resizeUpDownCursor();
  static NSCursor* operationNotAllowedCursor();
  static NSCursor* pointingHandCursor();

  // Whether the class answers a class method of that name: the public cursors above always,
  // the private ones (busyButClickableCursor, _windowResizeNorthCursor,
  // _windowResizeNorthWestSouthEastCursor, _windowResizeNorthEastSouthWestCursor,
  // _windowResizeEastWestCursor, _windowResizeNorthSouthCursor, _helpCursor,
  // helpCursorShown, _setHelpCursor:) only while private cursors exist.
  static bool respondsToSelector(const char* name);
  // The cursor a cursor-returning class method answers. Null, after a platform fault
  // (unrecognized selector), for a name the class does not answer.
  static NSCursor* performSelector(const char* name);
  // The private help-mode methods; calling them while they do not exist is a platform fault.
  static bool helpCursorShown();
  static void _setHelpCursor(bool on);

  // Makes this the current cursor.
  void set();
  NSImage* image() const { return mImage; }
  NSPoint hotSpot() const { return mHotSpot; }
  // "arrow", "IBeam", "_windowResizeNorthCursor", ... for the system's; "" for one made here.
  const std::string& Name() const { return mName; }

private:
  NSCursor(const char* name);
  // The system's cursor of that class method's name, made on first use.
  static NSCursor* System(const char* name);
  NSImage* mImage = nullptr;
  NSPoint mHotSpot;
  std::string mName;
};

namespace standin::appkit {

// The page size of a PDF's first /MediaBox; false when the bytes have none that makes sense
// (every side above 0 and at most 100000 points). Reads no further than size.
bool ReadPdfPageSize(const uint8_t* data, size_t size, NSSize* pageSize);

} // namespace standin::appkit
