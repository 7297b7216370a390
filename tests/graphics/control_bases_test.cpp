// The three bases the stock controls build on, attached to a graphics context: the container
// (children, layout, state passed on, removal in either order), the bitmap base (frame for a
// value) and the vector base (layout, pressable shapes, disabled look, click splash).

#include <gtest/gtest.h>

#include "ExpectRect.h"
#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/controls/IBitmapBase.h"
#include "graphics/controls/IContainerBase.h"
#include "graphics/controls/IVectorBase.h"

using namespace testgraphics;

namespace {

struct BasesFixture : ::testing::Test
{
  BasesFixture() : dlg(4) { g = dlg.Open(); }
  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
};

class BitmapControl : public IControl, public IBitmapBase
{
public:
  BitmapControl(const IRECT& bounds, const IBitmap& bitmap) : IControl(bounds), IBitmapBase(bitmap)
  {
    AttachIControl(this);
  }
  void Draw(IGraphics& g) override { DrawBitmapFrame(g); }
};

class VectorControl : public IControl, public IVectorBase
{
public:
  VectorControl(const IRECT& bounds, const IVStyle& style, const char* label, bool hasHandle = false)
    : IControl(bounds, -1, IControl::SplashActionFunc), IVectorBase(style), mHasHandle(hasHandle)
  {
    AttachIControl(this, label);
  }
  void Draw(IGraphics& g) override { DrawPressableShape(g, mShape, mWidgetBounds, mPressed, mMouseIsOver, mDisabled); }
  void OnResize() override { SetTargetRECT(ComputeRects(mRECT, mHasHandle)); }
  void StyleChanged() override { ++mStyleChanges; }

  bool mPressed = false;
  bool mHasHandle;
  int mStyleChanges = 0;
};

} // namespace

TEST_F(BasesFixture, ContainerBuildsLaysOutAndPassesStateToItsChildren)
{
  std::vector<TestControl*> kids;
  int resizes = 0;
  auto* box = new IContainerBase(
    IRECT(0.f, 0.f, 100.f, 100.f),
    [&kids](IContainerBase* c, const IRECT& b) {
      for (int i = 0; i < 2; ++i)
      {
        kids.push_back(new TestControl(IRECT(b.L + 40.f * i, b.T, b.L + 40.f * i + 30.f, b.T + 30.f), i));
        c->AddChildControl(kids.back());
      }
    },
    [&resizes](IContainerBase*, const IRECT&) { ++resizes; });
  g->AttachControl(box, -1, "panel");
  ASSERT_EQ(box->NChildren(), 2);
  EXPECT_EQ(resizes, 1);
  EXPECT_EQ(g->NControls(), 3);
  EXPECT_EQ(kids[1]->GetParent(), box);
  EXPECT_STREQ(kids[1]->GetGroup(), "panel");
  // The container takes no clicks; its children do.
  EXPECT_EQ(g->GetMouseControlIdx(80.f, 80.f), -1);
  EXPECT_EQ(g->GetMouseControl(45.f, 5.f, false), kids[1]);

  // A container whose attach function adds nothing never lays out.
  int idleResizes = 0;
  g->AttachControl(new IContainerBase(IRECT(0.f, 0.f, 5.f, 5.f), nullptr,
                                      [&idleResizes](IContainerBase*, const IRECT&) { ++idleResizes; }));
  EXPECT_EQ(idleResizes, 0);

  // Hiding hides the children, then the container; showing shows even a child hidden alone.
  kids[1]->Hide(true);
  box->Hide(true);
  EXPECT_TRUE(kids[0]->IsHidden() && kids[1]->IsHidden() && box->IsHidden());
  box->Hide(false);
  EXPECT_FALSE(kids[0]->IsHidden() || kids[1]->IsHidden() || box->IsHidden());
  box->SetDisabled(true);
  EXPECT_EQ(kids[0]->GetBlend().mWeight, 0.25f);
  EXPECT_TRUE(kids[1]->IsDisabled());

  // Removing a child first leaves the container's list; removing the container then leaves
  // the other child attached, without a parent.
  g->RemoveControl(kids[0]);
  EXPECT_EQ(box->NChildren(), 1);
  g->RemoveControl(box);
  ASSERT_GE(g->GetControlIdx(kids[1]), 0);
  EXPECT_EQ(kids[1]->GetParent(), nullptr);
  // ... and still drawn, at the weight its disabled container left it.
  IRECTList dirty;
  ASSERT_TRUE(g->IsDirty(dirty));
  g->ClearCalls();
  g->Draw(dirty);
  EXPECT_EQ(kids[1]->mDrawCount, 1);
  EXPECT_EQ(g->CallsOf(DrawCall::Kind::Fill).back().blend.mWeight, 0.25f);
}

TEST_F(BasesFixture, BitmapBaseDrawsTheFrameOfTheValue)
{
  // (The bitmap controls' tests show the frames at the value boundaries.)
  EXPECT_EQ(IBitmapBase::FrameForValue(0, 0.7), 1);

  TestBitmap pixels(40, 120, 1.f, 1.f);
  auto* c = new BitmapControl(IRECT(0.f, 0.f, 60.f, 60.f), IBitmap(&pixels, 3, false, "switch.png"));
  g->AttachControl(c);
  c->SetValue(0.5);
  c->SetDisabled(true);
  g->ClearCalls();
  c->Draw(*g);
  ASSERT_EQ(g->Calls().size(), 1u);
  const DrawCall& call = g->Calls()[0];
  EXPECT_EQ(call.srcY, 40); // frame 2 of 3
  ExpectRect(call.rect, 10.f, 10.f, 50.f, 50.f); // one frame, centred
  ASSERT_TRUE(call.hasBlend);
  EXPECT_EQ(call.blend.mWeight, 0.25f);

  // No image: nothing drawn, no crash.
  c->SetBitmap(IBitmap());
  g->ClearCalls();
  c->Draw(*g);
  EXPECT_TRUE(g->Calls().empty());
}

TEST_F(BasesFixture, VectorBaseLaysOutLabelValueAndWidget)
{
  // With a handle, frame thickness 2 and shadow offset 3, no label: the widget (4, 1, 96, 96).
  auto* handle = new VectorControl(IRECT(0.f, 0.f, 100.f, 100.f), DEFAULT_STYLE.WithFrameThickness(2.f), "", true);
  g->AttachControl(handle);
  ExpectRect(handle->GetWidgetBounds(), 4.f, 1.f, 96.f, 96.f);
  EXPECT_TRUE(handle->GetLabelBounds().Empty());

  // A label on top takes its measured height (19-point text, 4 characters of 9.5 points).
  auto* labelled = new VectorControl(IRECT(0.f, 0.f, 100.f, 100.f), DEFAULT_STYLE, "Gain");
  g->AttachControl(labelled);
  ExpectRect(labelled->GetLabelBounds(), 31.f, 0.f, 69.f, 19.f);
  ExpectRect(labelled->GetTargetRECT(), 0.f, 19.f, 100.f, 100.f);
  ExpectRect(labelled->GetWidgetBounds(), 0.f, 19.f, 100.f, 100.f);

  // On the right it is centred in the full height and takes its width.
  auto* right = new VectorControl(IRECT(0.f, 0.f, 100.f, 100.f), DEFAULT_STYLE.WithLabelSide(1), "Gain");
  g->AttachControl(right);
  ExpectRect(right->GetLabelBounds(), 62.f, 40.5f, 100.f, 59.5f);
  ExpectRect(right->GetTargetRECT(), 0.f, 0.f, 62.f, 100.f);

  // A value at the bottom takes its height below the widget, 0.66 of its width each side.
  right->SetValueStr("12");
  right->OnResize();
  ExpectRect(right->GetValueBounds(), 31.f - 9.24f, 86.f, 31.f + 9.24f, 100.f);
  ExpectRect(right->GetWidgetBounds(), 0.f, 0.f, 62.f, 86.f);
}

TEST_F(BasesFixture, PressableShapesDisabledLookAndSplash)
{
  // A 47 by 24 rectangle whose handle is 40 by 20 (frame 1, shadow 3): roundness 1 gives
  // corners of radius 10; disabled, the shadow is still drawn and the face is 63 darker.
  auto* rect = new VectorControl(IRECT(0.f, 0.f, 47.f, 24.f), DEFAULT_STYLE.WithRoundness(1.f).WithShowLabel(false), "");
  g->AttachControl(rect);
  rect->SetDisabled(true);
  g->ClearCalls();
  rect->Draw(*g);
  std::vector<DrawCall> fills = g->CallsOf(DrawCall::Kind::Fill);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].Color(), IColor(60, 0, 0, 0)); // shadow
  EXPECT_TRUE(fills[0].hasBlend);
  EXPECT_EQ(fills[1].Color(), IColor(255, 137, 137, 137));
  EXPECT_FALSE(fills[1].hasBlend);
  EXPECT_EQ(fills[1].path[1].r, 10.f);
  ExpectRect(fills[1].PathBounds(), 3.5f, 0.5f, 43.5f, 20.5f);
  EXPECT_EQ(g->CallsOf(DrawCall::Kind::Stroke).size(), 1u); // the frame

  // Ellipses cast no shadow when pressed or disabled.
  auto* ellipse = new VectorControl(IRECT(0.f, 0.f, 40.f, 40.f), DEFAULT_STYLE.WithShowLabel(false), "");
  ellipse->SetShape(EVShape::Ellipse);
  g->AttachControl(ellipse);
  for (int variant = 0; variant < 2; ++variant)
  {
    ellipse->mPressed = variant == 0;
    ellipse->SetDisabled(variant == 1);
    g->ClearCalls();
    ellipse->Draw(*g);
    fills = g->CallsOf(DrawCall::Kind::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_NE(fills[0].Color(), IColor(60, 0, 0, 0));
  }

  // The click splash grows from the last mouse-down point for 100 ms, clipped to the handle.
  g->SetClockMs(0.0);
  rect->SetDisabled(false);
  rect->mPressed = true;
  const int changesBefore = rect->mStyleChanges;
  rect->SetDirty(true); // the splash action
  EXPECT_GT(rect->mStyleChanges, changesBefore);
  float sx = 0.f, sy = 0.f;
  rect->GetSplashPoint(sx, sy);
  float mx = 0.f, my = 0.f;
  g->GetLastMouseDownPoint(mx, my);
  EXPECT_EQ(sx, mx);
  EXPECT_EQ(sy, my);
  g->AdvanceClockMs(50.0);
  rect->Animate();
  EXPECT_FLOAT_EQ(rect->GetSplashRadius(), 25.f);

  g->PrepareControlRegion(IRECT(0.f, 0.f, 200.f, 100.f));
  g->ClearCalls();
  rect->Draw(*g);
  const std::vector<DrawCall> clips = g->CallsOf(DrawCall::Kind::Clip);
  ASSERT_EQ(clips.size(), 2u);
  ExpectRect(clips[0].rect, 3.5f, 0.5f, 43.5f, 20.5f);
  ExpectRect(clips[1].rect, 0.f, 0.f, 200.f, 100.f);
  const DrawCall splash = g->CallsOf(DrawCall::Kind::Fill).back();
  EXPECT_EQ(splash.Color(), DEFAULT_HLCOLOR);
  EXPECT_NEAR(splash.PathBounds().W(), 50.f, 1e-3f);

  g->AdvanceClockMs(51.0);
  rect->Animate();
  EXPECT_FALSE(rect->GetAnimationFunction());

  // A shape number beyond the known ones draws nothing.
  g->ClearCalls();
  rect->DrawPressableShape(*g, static_cast<EVShape>(5), rect->GetRECT(), false, false, false);
  EXPECT_TRUE(g->Calls().empty());

  // Styling vector controls leaves the others alone.
  auto* plain = new TestControl(IRECT(0.f, 0.f, 5.f, 5.f));
  g->AttachControl(plain);
  g->StyleVectorControls(DEFAULT_STYLE.WithRoundness(0.5f));
  EXPECT_EQ(rect->GetStyle().roundness, 0.5f);
  EXPECT_EQ(ellipse->GetStyle().roundness, 0.5f);
}
