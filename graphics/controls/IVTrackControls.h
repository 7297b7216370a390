#pragma once
// Vector controls with several values, one per bound parameter, each shown on a track: the
// track base, and the range slider built on it (one shared track, one triangular handle per
// value, the spans between neighbouring handles filled, each handle held between its
// neighbours so that the values stay in order). Main thread only.

#include <memory>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// n values bound to n parameters, one track each. Direction 0 (vertical) lays the tracks side
// by side with levels rising from the bottom; direction 1 (horizontal) stacks them with levels
// growing from the left. The base's own drawing fills each track up to its value (snapped to
// steps when it has any); it is abstract: a control supplies Draw.
class IVTrackControlBase : public IControl, public IVectorBase
{
public:
  IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style, const std::vector<int>& params,
                     int nSteps = 0, EDirection direction = EDirection::Vertical,
                     const char* const* trackNames = nullptr, int nTrackNames = 0);

  void DrawWidget(IGraphics& g) override;
  // Colour background, and the base-value line when there is a base value.
  void DrawBackground(IGraphics& g, const IRECT& r) override;
  virtual void DrawOneTrack(IGraphics& g, const IRECT& r, int chIdx);
  virtual void FillTrackBackground(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackLabel(IGraphics& g, const IRECT& r, int chIdx);
  virtual void FillTrackLevel(IGraphics& g, const IRECT& r, int chIdx);
  virtual void FillPeakMarker(IGraphics& g, const IRECT& r, int chIdx);
  virtual void LayoutTracks(const IRECT& r);
  // s equal steps (one more with the zero step), step 0 at the bottom (direction 0) or at the
  // right (direction 1); none for s = 0.
  virtual void LayoutSteps(const IRECT& r, int nSteps);

  void OnResize() override;
  // The first track holding the point, else -1.
  int GetValIdxForPos(float x, float y) const override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  int NTracks() const { return static_cast<int>(mTrackBounds.size()); }
  // The track of value i; the empty rectangle outside the list.
  IRECT GetTrackBounds(int i) const { return ValidTrack(i) ? mTrackBounds[static_cast<size_t>(i)] : IRECT(); }
  int NSteps() const { return static_cast<int>(mStepBounds.size()); }
  const IRECT& GetStepBounds(int i) const { return mStepBounds[static_cast<size_t>(i)]; }
  const char* GetTrackName(int i) const;
  int GetMouseOverTrack() const { return mMouseOverTrack; }
  EDirection GetDirection() const { return mDirection; }

  void SetHighlightedTrack(int i)
  {
    mHighlightedTrack = i;
    SetDirty(false);
  }
  void SetBaseValue(double value)
  {
    mBaseValue = value;
    SetDirty(false);
  }
  void SetTrackPadding(float padding) { mTrackPadding = padding; }
  void SetPeakSize(float size) { mPeakSize = size; }
  void SetDrawTrackFrame(bool draw) { mDrawTrackFrame = draw; }
  void SetZeroValueStepHasBounds(bool on) { mZeroValueStepHasBounds = on; }

protected:
  bool ValidTrack(int i) const { return i >= 0 && i < NTracks(); }
  // Where value v lies along a track: x for direction 1, y (from the bottom) for direction 0.
  float PositionOnTrack(const IRECT& r, double v) const;
  // The level of track chIdx: from the track's start (or the base value) to the value,
  // widened to the step the value edge reaches when there are steps.
  IRECT LevelBounds(const IRECT& r, int chIdx) const;

  std::vector<IRECT> mTrackBounds;
  std::vector<IRECT> mStepBounds;
  std::vector<std::unique_ptr<CharBuf>> mTrackNames;
  int mNSteps;
  float mTrackPadding = 0.f;
  float mPeakSize = 1.f;
  int mHighlightedTrack = -1;
  int mMouseOverTrack = -1;
  double mBaseValue = 0.0;
  bool mDrawTrackFrame = true;
  bool mZeroValueStepHasBounds = true;
};

// One track shared by n values, each with a triangular handle pointing at it: even values
// below (horizontal) or left of (vertical) the track, odd ones above or to the right. A press
// on a handle moves it to the pointer, held between its neighbours' values.
class IVRangeSliderControl : public IVTrackControlBase
{
public:
  IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, EDirection direction = EDirection::Vertical,
                       float handleSize = 8.f, float trackSize = 2.f);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void DrawOneTrack(IGraphics& g, const IRECT& r, int chIdx) override;
  virtual void DrawRangeHandle(IGraphics& g, const IRECT& r, int chIdx);
  // Every track is the widget inset by the handle size, narrowed to the track size either side
  // of the centre line.
  void LayoutTracks(const IRECT& r) override;

  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;

  // The handle of value i.
  IRECT GetHandleBounds(int i) const;
  int GetMouseOverHandle() const { return mMouseOverHandle; }
  bool GetMouseDown() const { return mMouseDown; }

protected:
  int mMouseOverHandle = -1;
  float mHandleSize;
  bool mMouseDown = false;
};

} // namespace igraphics
} // namespace plug
