#pragma once
// Four vector-drawn controls: a pad that sets two parameters with one draggable handle,
// curves of functions over a grid, a labelled outline around a group of controls, and a grid
// of colour cells that edits the colours of its own style. Each is a control plus
// IVectorBase, which lays it out into widget, label and value rectangles. Main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/controls/IContainerBase.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// A pad of two values: value 0 (x) grows to the right, value 1 (y) upwards. A press or drag
// sets both from the pointer's place in the control's rectangle, kept inside it; the handle
// is drawn at that place in its travel (the widget, or the widget less the handle's radius
// when the track does not clip the handle).
class IVXYPadControl : public IControl, public IVectorBase
{
public:
  IVXYPadControl(const IRECT& bounds, const std::initializer_list<int>& params, const char* label = "",
                 const IVStyle& style = DEFAULT_STYLE, float handleRadius = 10.f, bool trackClipsHandle = true,
                 bool drawCross = true);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawHandle(IGraphics& g, const IRECT& trackBounds, const IRECT& handleBounds);
  // The cross through the widget's centre.
  virtual void DrawTrack(IGraphics& g);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;

  // The area the handle's centre travels over, and the handle at the current values.
  IRECT GetHandleTravel() const;
  IRECT GetHandleBounds() const;
  bool GetMouseDown() const { return mMouseDown; }

protected:
  float mHandleRadius;
  bool mMouseDown = false;
  bool mTrackClipsHandle;
  bool mDrawCross;
};

// Curves of functions of x in 0..1 over a grid, each sampled at a number of points and scaled
// from min..max to the plot area (the widget less one grid row at the top and the bottom).
// With the layer the drawing is kept offscreen until the size or the scale changes or a curve
// is added.
class IVPlotControl : public IControl, public IVectorBase
{
public:
  using PlotFunc = std::function<double(double x)>;
  struct Plot
  {
    IColor color;
    PlotFunc func;
  };

  IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label = "",
                const IVStyle& style = DEFAULT_STYLE, float min = -1.f, float max = 1.f, bool useLayer = false);

  void Draw(IGraphics& g) override;
  void OnResize() override;
  void AddPlotFunc(const IColor& color, const PlotFunc& func);

  int NPlots() const { return static_cast<int>(mPlots.size()); }
  int NPoints() const { return static_cast<int>(mPoints.size()); }
  // The widget less one grid row at the top and the bottom.
  IRECT GetPlotBounds() const;
  const ILayerPtr& GetLayer() const { return mLayer; }

protected:
  // Grid, curves and frame.
  void DrawPlots(IGraphics& g);
  float GridCellHeight() const { return mWidgetBounds.H() / static_cast<float>(mVertDivisions + 2); }

  ILayerPtr mLayer;
  std::vector<Plot> mPlots;
  float mMin;
  float mMax;
  bool mUseLayer;
  int mHorzDivisions = 10;
  int mVertDivisions = 10;
  std::vector<float> mPoints;
};

// A labelled outline around controls. It either has bounds of its own (and may build children
// like any container) or takes them from a named group: the union of the group's controls
// grown by margins, when it is attached. The label sits in a gap of the outline's top edge,
// label offset (plus frame and corner) from the left. It draws no background and ignores the
// mouse.
class IVGroupControl : public IContainerBase, public IVectorBase
{
public:
  static constexpr float kDefaultLabelOffset = 10.f;
  static constexpr float kLabelMargin = 10.f;

  IVGroupControl(const IRECT& bounds, const char* label = "", float labelOffset = kDefaultLabelOffset,
                 const IVStyle& style = DEFAULT_STYLE, AttachFunc attachFunc = nullptr,
                 ResizeFunc resizeFunc = nullptr);
  IVGroupControl(const char* label, const char* groupName, float padL = 0.f, float padT = 0.f, float padR = 0.f,
                 float padB = 0.f, const IVStyle& style = DEFAULT_STYLE);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnInit() override;
  void OnResize() override;

  // The union of the attached controls of the group (this one aside) grown by the margins;
  // the bounds stay when the group has no control with bounds.
  void SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB);
  const char* GetGroupName() const { return mGroupName.c_str(); }
  // Half the widget's shorter side times the roundness.
  float GetCornerRadius() const { return GetRoundedCornerRadius(mWidgetBounds); }

protected:
  std::string mGroupName;
  float mPadL = 0.f;
  float mPadT = 0.f;
  float mPadR = 0.f;
  float mPadB = 0.f;
  float mLabelOffset;
  float mLabelPadding = kLabelMargin;
};

// A grid of colour cells, each showing one colour of the control's own style and opening the
// platform's colour prompt when clicked; the chosen colour replaces the style's colour and is
// reported to the colour-chosen function. A cell with a label shows it on the left and its
// colour in the right quarter.
class IVColorSwatchControl : public IControl, public IVectorBase
{
public:
  enum class ECellLayout : int32_t
  {
    Grid = 0, // 3 by 3
    Row = 1,
    Column = 2
  };
  using ColorChosenFunc = std::function<void(int cellIdx, const IColor& color)>;
  static constexpr const char* kPromptText = "Choose a color";

  IVColorSwatchControl(const IRECT& bounds, const char* label = "", ColorChosenFunc func = nullptr,
                       const IVStyle& style = DEFAULT_STYLE, ECellLayout layout = ECellLayout::Grid,
                       const std::vector<int>& colorIdxs = {kBG, kFG, kPR, kFR, kHL, kSH, kX1, kX2, kX3},
                       const std::vector<const char*>& labels = {});

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;

  int NCells() const { return static_cast<int>(mColorIdxs.size()); }
  const IRECT& GetCellBounds(int i) const { return mCellRects[static_cast<size_t>(i)]; }
  // The cell holding the point (left and top inclusive), -1 for none.
  int CellAt(float x, float y) const;
  // The style colour a cell shows; transparent for a cell whose colour index is not one of
  // the style's colours.
  IColor GetCellColor(int i) const;
  int GetHighlightedCell() const { return mCellOver; }

protected:
  bool CellColorIsValid(int i) const;

  ColorChosenFunc mColorChosenFunc;
  int mCellOver = -1;
  ECellLayout mLayout;
  std::vector<IRECT> mCellRects;
  std::vector<std::unique_ptr<CharBuf>> mLabels;
  std::vector<int> mColorIdxs;
};

} // namespace igraphics
} // namespace plug
