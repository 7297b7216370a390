// Frames in flight through the Metal render back end on an asynchronous stand-in device: the
// command buffers run on the queue's worker thread and their completion handlers free the
// buffer sets and signal the frame semaphore while the main thread records the next frames,
// uploads textures and reads pixels back. Run under ThreadSanitizer as well.
#include "tests/platform/MVGRrig.h"
#include "tests/support/FontFiles.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace plug::igraphics;
using namespace testsupport;

constexpr int kSize = 32;

VGRcolor Shade(int frame) { return VGRcolor{float(frame % 8) / 7.0f, float(frame % 5) / 4.0f, 0.5f, 1.0f}; }

TEST(MVGRframes, ZeroSizeDrawableThenFourFramesComplete)
{
  MVGRrig rig(kMVGRantialias | kMVGRtripleBuffer, false, 0, 0);
  rig.Frame(kSize, kSize, [&] { rig.FillRect(0, 0, 8, 8, Shade(1)); });
  EXPECT_TRUE(rig.AllSetsFree());
  rig.layer->SetDrawableSize({kSize, kSize});
  for (int frame = 0; frame < 4; frame++)
    rig.Frame(kSize, kSize, [&] { rig.FillRect(0, 0, 8, 8, Shade(frame)); });
  mvgrContextDelete(rig.ctx); // does not wait for the frames in flight
  rig.ctx = nullptr;
  mtl::WaitUntilAllCommandBuffersCompleted();
  EXPECT_EQ(rig.layer->PresentedCount(), 4u);
}

TEST(MVGRframes, FramesInFlightWithUploadsTextAndReadBack)
{
  // Two frames stay in flight: uploads into what they sample wait, read-backs see the last one.
  const HeldFrames held(2);
  MVGRrig rig(kMVGRantialias | kMVGRtripleBuffer, false, kSize, kSize);
  const int font = vgrAddFontFile(rig.ctx, "text", RobotoRegularPath().c_str());
  ASSERT_GE(font, 0);
  std::vector<uint8_t> pixels(4 * 4 * 4);
  const int image = mvgrImageCreateRGBA(rig.ctx, 4, 4, 0, pixels.data());
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, kSize, kSize, 0);
  int checked = 0;
  for (int frame = 0; frame < 60; frame++)
  {
    // The picture: into the framebuffer, then the framebuffer onto the view, while earlier
    // frames still run. Text grows the atlas (uploads) and the image is updated in between.
    mvgrFramebufferBind(fb);
    mvgrSetClearColor(rig.ctx, VGRcolor{0, 0, 0, 0});
    rig.Frame(kSize, kSize, [&] {
      rig.FillRect(0, 0, 16, 16, Shade(frame));
      vgrSetFontId(rig.ctx, font);
      vgrSetFontSize(rig.ctx, 10.0f + float(frame % 20));
      vgrDrawText(rig.ctx, 2, 30, "Aa", nullptr);
      vgrBeginPath(rig.ctx);
      vgrRect(rig.ctx, 16, 0, 4, 4);
      vgrSetFillPaint(rig.ctx, vgrImagePaint(rig.ctx, 16, 0, 4, 4, 0, image, 1));
      vgrFill(rig.ctx);
    });
    std::fill(pixels.begin(), pixels.end(), uint8_t(frame));
    vgrUpdateImage(rig.ctx, image, pixels.data());
    mvgrFramebufferBind(nullptr);
    rig.Frame(kSize, kSize, [&] {
      vgrBeginPath(rig.ctx);
      vgrRect(rig.ctx, 0, 0, kSize, kSize);
      vgrSetFillPaint(rig.ctx, vgrImagePaint(rig.ctx, 0, 0, kSize, kSize, 0, fb->image, 1));
      vgrFill(rig.ctx);
    });
    // Reading the framebuffer back waits for the frame that drew it.
    if (frame % 7 == 3)
    {
      std::array<uint8_t, 4> p{};
      mvgrImageReadPixels(rig.ctx, fb->image, 8, 8, 1, 1, p.data());
      const VGRcolor c = Shade(frame);
      EXPECT_NEAR(p[0], c.r * 255.0f, 1.0f) << frame;
      EXPECT_NEAR(p[1], c.g * 255.0f, 1.0f) << frame;
      checked++;
    }
  }
  EXPECT_EQ(checked, 9);
  mvgrFramebufferDelete(fb);
  mvgrContextDelete(rig.ctx);
  rig.ctx = nullptr;
  mtl::WaitUntilAllCommandBuffersCompleted();
  EXPECT_EQ(rig.layer->PresentedCount(), 60u);
  EXPECT_EQ(MVGRbuffers::Class().LiveCount(), 0);
}

// A context deleted with frames in flight goes at once; the frames complete later and let go of
// their buffer sets, the semaphore and every Metal object, on Metal's thread.
TEST(MVGRframes, DeletingTheContextWithFramesInFlightFreesNothingTheyStillUse)
{
  const int64_t metalBefore = mtl::Object::LiveCount();
  {
    const HeldFrames held(2);
    for (int round = 0; round < 40; round++)
    {
      MVGRrig rig(kMVGRantialias | kMVGRtripleBuffer, false, kSize, kSize);
      VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, kSize, kSize, 0);
      for (int frame = 0; frame < 1 + round % 4; frame++)
      {
        mvgrFramebufferBind(frame % 2 ? fb : nullptr);
        rig.Frame(kSize, kSize, [&] { rig.FillRect(0, 0, 16, 16, Shade(frame)); });
      }
      mvgrFramebufferBind(nullptr);
      mvgrFramebufferDelete(fb);
      // The rig deletes the context now, with up to two frames held.
    }
  }
  EXPECT_EQ(MVGRbuffers::Class().LiveCount(), 0);
  EXPECT_EQ(MVGRcontext::Class().LiveCount(), 0);
  EXPECT_EQ(standin::DispatchSemaphore::Class().LiveCount(), 0);
  EXPECT_EQ(mtl::Object::LiveCount(), metalBefore);
}

} // namespace
