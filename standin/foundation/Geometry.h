#pragma once
// Stand-in for the platform's geometry types: CoreGraphics' points, sizes and rectangles, and
// Foundation's names for them (the same types on 64-bit systems), with the helper functions
// the platform layer uses.
#include <cmath>

typedef double CGFloat;

struct CGPoint
{
  CGFloat x = 0, y = 0;
};

struct CGSize
{
  CGFloat width = 0, height = 0;
};

struct CGRect
{
  CGPoint origin;
  CGSize size;
};

typedef CGPoint NSPoint;
typedef CGSize NSSize;
typedef CGRect NSRect;

constexpr NSPoint NSZeroPoint{};
constexpr NSSize NSZeroSize{};
constexpr NSRect NSZeroRect{};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return CGSize{w, h}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return CGRect{{x, y}, {w, h}}; }
inline NSPoint NSMakePoint(CGFloat x, CGFloat y) { return NSPoint{x, y}; }
inline NSSize NSMakeSize(CGFloat w, CGFloat h) { return NSSize{w, h}; }
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return CGRectMake(x, y, w, h); }

inline CGFloat NSMinX(const NSRect& r) { return r.origin.x; }
inline CGFloat NSMinY(const NSRect& r) { return r.origin.y; }
inline CGFloat NSMaxX(const NSRect& r) { return r.origin.x + r.size.width; }
inline CGFloat NSMaxY(const NSRect& r) { return r.origin.y + r.size.height; }
inline CGFloat NSMidX(const NSRect& r) { return r.origin.x + r.size.width * 0.5; }
inline CGFloat NSMidY(const NSRect& r) { return r.origin.y + r.size.height * 0.5; }
inline CGFloat NSWidth(const NSRect& r) { return r.size.width; }
inline CGFloat NSHeight(const NSRect& r) { return r.size.height; }
inline bool NSIsEmptyRect(const NSRect& r) { return !(r.size.width > 0 && r.size.height > 0); }
inline bool NSEqualPoints(const NSPoint& a, const NSPoint& b) { return a.x == b.x && a.y == b.y; }
inline bool NSEqualSizes(const NSSize& a, const NSSize& b) { return a.width == b.width && a.height == b.height; }
inline bool NSEqualRects(const NSRect& a, const NSRect& b) { return NSEqualPoints(a.origin, b.origin) && NSEqualSizes(a.size, b.size); }
inline NSRect NSInsetRect(const NSRect& r, CGFloat dx, CGFloat dy)
{
  return NSMakeRect(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}
// Whether the point is in the rectangle, the edges at the rectangle's top and left (in the
// direction of the coordinates) inside and the others outside.
inline bool NSPointInRect(const NSPoint& p, const NSRect& r)
{
  return p.x >= NSMinX(r) && p.x < NSMaxX(r) && p.y >= NSMinY(r) && p.y < NSMaxY(r);
}
// The test for a mouse location: in unflipped coordinates the top edge (maximum y) is inside
// and the bottom edge outside; in flipped ones as NSPointInRect.
inline bool NSMouseInRect(const NSPoint& p, const NSRect& r, bool flipped)
{
  if (flipped)
    return NSPointInRect(p, r);
  return p.x >= NSMinX(r) && p.x < NSMaxX(r) && p.y > NSMinY(r) && p.y <= NSMaxY(r);
}
