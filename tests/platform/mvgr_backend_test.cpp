// The Metal render back end's resources and frames, driven through the renderer and the
// functions IGraphicsVGR calls, on a synchronous stand-in device: creation flags, images and
// their ids, clipped uploads and read-back, clear colours and loaded drawables, the copy of a
// framebuffer onto the view, blending, and the frames that must be dropped without leaving a
// buffer set busy.
#include "platform/mac/tools/MVGRscenes.h"
#include "tests/platform/MVGRrig.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using namespace plug::igraphics;
using namespace testsupport;
namespace scenes = plug::igraphics::scenes;

const VGRcolor kWhite = {1, 1, 1, 1};
const VGRcolor kRed = {1, 0, 0, 1};

std::array<int, 4> PixelOf(const std::vector<uint8_t>& rgba, int width, int x, int y)
{
  const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

std::array<int, 4> Presented(const MVGRrig& rig, int x, int y)
{
  const CAMetalLayer::Image image = rig.layer->PresentedImage();
  return PixelOf(image.rgba, image.width, x, y);
}

// Calls the render interface directly, as the renderer does.
int CreateTexture(VGRdrawContext* ctx, int type, int w, int h, int flags, const unsigned char* data)
{
  return ctx->params.renderCreateTexture(ctx->params.userPtr, type, w, h, flags, data);
}

TEST(MVGRbackEnd, CreationFlagsChooseFramesInFlightAndAntiAliasing)
{
  struct Case
  {
    int flags, sets;
    const char* fragment;
  } cases[] = {{0x2001, 3, "fragmentShaderAA"}, {0x3001, 3, "fragmentShaderAA"}, {0x1000, 2, "fragmentShader"},
               {0, 1, "fragmentShader"}};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.flags);
    MVGRrig rig(c.flags);
    ASSERT_TRUE(rig.ctx);
    EXPECT_EQ(rig.backEnd().maxBuffers(), c.sets);
    EXPECT_EQ(int(rig.backEnd().cbuffers().size()), c.sets);
    EXPECT_EQ(rig.backEnd().semaphore()->Value(), c.sets);
    EXPECT_EQ(rig.backEnd().fragmentFunction()->Name(), c.fragment);
    EXPECT_EQ(rig.ctx->params.edgeAntiAlias, c.flags & 1);
    EXPECT_FALSE(rig.layer->IsOpaque());
  }
  // Registered under the per-build names; deleting the context leaves none of them behind, and
  // the layer without the device it was given.
  ASSERT_TRUE(standin::RuntimeClass::Find("MVGRcontext_vVellicor_aax"));
  EXPECT_EQ(MVGRcontext::Class().LiveCount(), 0);
  EXPECT_EQ(MVGRbuffers::Class().LiveCount(), 0);
  EXPECT_EQ(MVGRtexture::Class().LiveCount(), 0);

  const mtl::Ref<CAMetalLayer> bare = CAMetalLayer::Create();
  VGRdrawContext* ctx = mvgrContextCreate(bare.Get(), 0x2001);
  ASSERT_TRUE(ctx);
  EXPECT_TRUE(bare->Device()); // given one
  mvgrContextDelete(ctx);
  EXPECT_FALSE(bare->Device());
  EXPECT_FALSE(mvgrContextCreate(nullptr, 0x2001));
}

TEST(MVGRbackEnd, ImageIdsAreNeverReusedAndImagesThatCannotBeMadeGetNone)
{
  MVGRrig rig;
  const std::vector<uint8_t> pixels(16 * 16 * 4, 200);
  const int first = mvgrImageCreateRGBA(rig.ctx, 16, 16, 0, pixels.data());
  EXPECT_GT(first, 1); // the font atlas came first
  mvgrImageDelete(rig.ctx, first);
  const int second = mvgrImageCreateRGBA(rig.ctx, 16, 16, 0, pixels.data());
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(rig.backEnd().textures().size(), 2u); // the freed record was reused

  // Sizes the device refuses, a kind of image that does not exist, and no memory: no image.
  EXPECT_EQ(mvgrImageCreateRGBA(rig.ctx, 0, 16, 0, nullptr), 0);
  EXPECT_EQ(mvgrImageCreateRGBA(rig.ctx, 20000, 16, 0, nullptr), 0);
  EXPECT_EQ(CreateTexture(rig.ctx, 3, 16, 16, 0, nullptr), 0);
  rig.device->FailNextAllocations(1);
  EXPECT_EQ(mvgrImageCreateRGBA(rig.ctx, 16, 16, 0, pixels.data()), 0);
  VGRMetalFramebuffer* broken = mvgrFramebufferCreate(rig.ctx, 0, 0, 0);
  ASSERT_TRUE(broken); // the record, without an image
  EXPECT_EQ(broken->image, 0);
  mvgrFramebufferDelete(broken);

  // Unknown ids (0 included, which marks free records) are refused everywhere.
  const VGRrenderInterface& ri = rig.ctx->params;
  int w = -1, h = -1;
  for (const int id : {0, first, 999})
  {
    EXPECT_EQ(ri.renderDeleteTexture(ri.userPtr, id), 0);
    EXPECT_EQ(ri.renderUpdateTexture(ri.userPtr, id, 0, 0, 1, 1, pixels.data()), 0);
    EXPECT_EQ(ri.renderGetTextureSize(ri.userPtr, id, &w, &h), 0);
    EXPECT_FALSE(mvgrImageTexture(rig.ctx, id));
  }
  EXPECT_EQ(mvgrImageCreateRGBA(rig.ctx, 4, 4, 0, pixels.data()), second + 1);
}

TEST(MVGRbackEnd, UploadsAndReadBackAreClippedToTheImage)
{
  MVGRrig rig;
  const VGRrenderInterface& ri = rig.ctx->params;
  // An update of a 10 x 2 region at (5, 3) of a 512-wide alpha image reads the bytes at the same
  // place of the data, which holds the whole image.
  const int atlas = CreateTexture(rig.ctx, VGR_TEXTURE_ALPHA, 512, 8, 0, nullptr);
  std::vector<uint8_t> data(512 * 8);
  for (size_t i = 0; i < data.size(); i++)
    data[i] = uint8_t(i % 251 + 1);
  EXPECT_EQ(ri.renderUpdateTexture(ri.userPtr, atlas, 5, 3, 10, 2, data.data()), 1);
  // A region reaching past the image is clipped to it; one wholly outside is refused.
  EXPECT_EQ(ri.renderUpdateTexture(ri.userPtr, atlas, 508, 6, 10, 10, data.data()), 1);
  EXPECT_EQ(ri.renderUpdateTexture(ri.userPtr, atlas, -20, 0, 10, 2, data.data()), 0);
  EXPECT_EQ(ri.renderUpdateTexture(ri.userPtr, atlas, 0, 9, 10, 2, data.data()), 0);
  const std::vector<uint8_t> atlasPixels = rig.ReadImage(atlas);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 512; x++)
    {
      const bool updated = (x >= 5 && x < 15 && y >= 3 && y < 5) || (x >= 508 && y >= 6);
      ASSERT_EQ(atlasPixels[size_t(y) * 512 + x], updated ? data[size_t(y) * 512 + x] : 0) << x << ", " << y;
    }

  // Read-back of a region reaching past the top left corner: the pixels keep their places
  // relative to the region's origin, rows the image's width apart.
  std::vector<uint8_t> rgba(4 * 4 * 4);
  for (size_t i = 0; i < rgba.size(); i++)
    rgba[i] = uint8_t(i + 1);
  const int image = mvgrImageCreateRGBA(rig.ctx, 4, 4, 0, rgba.data());
  std::vector<uint8_t> out(4 * 4 * 4, 0);
  mvgrImageReadPixels(rig.ctx, image, -1, -2, 3, 3, out.data());
  EXPECT_EQ(PixelOf(out, 4, 1, 2), PixelOf(rgba, 4, 0, 0));
  EXPECT_EQ(PixelOf(out, 4, 2, 2), PixelOf(rgba, 4, 1, 0));
  EXPECT_EQ(PixelOf(out, 4, 0, 0), (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(PixelOf(out, 4, 3, 2), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(MVGRbackEnd, ClearColourAppliesToTheNextFrameOnlyAndDrawablesAreLoaded)
{
  MVGRrig rig(0x2001, true, 16, 16);
  // An empty frame still runs its pass: the new framebuffer is cleared.
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, 16, 16, 0);
  mvgrFramebufferBind(fb);
  mvgrSetClearColor(rig.ctx, VGRcolor{1, 0.5f, 0, 0.5f});
  rig.Frame(16, 16, [] {});
  EXPECT_EQ(PixelOf(rig.ReadImage(fb->image), 16, 9, 9), (std::array<int, 4>{128, 64, 0, 128})); // premultiplied
  EXPECT_FALSE(rig.backEnd().clearBufferOnFlush());
  // The next frame loads what is there.
  rig.Frame(16, 16, [&] { rig.FillRect(0, 0, 4, 4, kWhite); });
  const std::vector<uint8_t> second = rig.ReadImage(fb->image);
  EXPECT_EQ(PixelOf(second, 16, 1, 1), (std::array<int, 4>{255, 255, 255, 255}));
  EXPECT_EQ(PixelOf(second, 16, 9, 9), (std::array<int, 4>{128, 64, 0, 128}));

  // A drawable is loaded too: what a frame does not draw keeps the layer's loud colour.
  mvgrFramebufferBind(nullptr);
  rig.Frame(16, 16, [&] { rig.FillRect(0, 0, 4, 4, kRed); });
  EXPECT_EQ(Presented(rig, 1, 1), (std::array<int, 4>{255, 0, 0, 255}));
  const uint8_t* loud = CAMetalLayer::kLoudColor;
  EXPECT_EQ(Presented(rig, 9, 9), (std::array<int, 4>{loud[0], loud[1], loud[2], loud[3]}));
  mvgrSetClearColor(rig.ctx, VGRcolor{0, 0, 1, 1});
  rig.Frame(16, 16, [&] { rig.FillRect(0, 0, 4, 4, kRed); });
  EXPECT_EQ(Presented(rig, 9, 9), (std::array<int, 4>{0, 0, 255, 255}));
  EXPECT_EQ(rig.layer->PresentedCount(), 2u);
  mvgrFramebufferDelete(fb);
}

TEST(MVGRbackEnd, PictureDrawnOffscreenReachesTheViewOverTheBackground)
{
  // As the editor draws a picture: into its framebuffer (RGBA, premultiplied), then that
  // framebuffer onto the view's BGRA drawable.
  MVGRrig rig(0x2001, true, 40, 28);
  const scenes::SceneResources resources = scenes::LoadSceneResources(rig.ctx, "");
  const scenes::Scene& scene = *scenes::FindScene("image");
  VGRMetalFramebuffer* fb = scenes::RenderScene(rig.ctx, scene, resources);
  const std::vector<uint8_t> offscreen = rig.ReadImage(fb->image);
  const VGRcolor background = {0.2f, 0.4f, 0.6f, 1.0f};
  scenes::PresentFramebuffer(rig.ctx, fb, scene.width, scene.height, background);
  mvgrFramebufferDelete(fb);
  ASSERT_EQ(rig.layer->PresentedCount(), 1u);
  const float bg[4] = {background.r, background.g, background.b, background.a};
  for (int y = 0; y < scene.height; y++)
    for (int x = 0; x < scene.width; x++)
    {
      const std::array<int, 4> src = PixelOf(offscreen, scene.width, x, y), out = Presented(rig, x, y);
      for (int c = 0; c < 4; c++)
        ASSERT_NEAR(out[c], src[c] + 255.0f * bg[c] * (1.0f - src[3] / 255.0f), 1.0f) << x << ", " << y;
    }
  EXPECT_NE(rig.backEnd().piplelinePixelFormat(), mtl::PixelFormat::RGBA8Unorm); // the drawable's format
}

TEST(MVGRbackEnd, PaintsScissorsAndCompositeModesReachThePixels)
{
  MVGRrig rig(0x2001, true, 16, 16);
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, 16, 16, 0);
  mvgrFramebufferBind(fb);
  // A 2 x 4 image whose rows differ, flagged to be flipped: drawn 1:1, row y shows row 3 - y.
  std::vector<uint8_t> rows(2 * 4 * 4);
  for (int y = 0; y < 4; y++)
    for (int i = 0; i < 8; i++)
      rows[size_t(y) * 8 + i] = uint8_t(i % 4 == 3 ? 255 : 40 * (y + 1));
  const int flipped = mvgrImageCreateRGBA(rig.ctx, 2, 4, VGR_IMAGE_FLIPY | VGR_IMAGE_NEAREST, rows.data());
  mvgrSetClearColor(rig.ctx, VGRcolor{0, 0, 0, 0});
  rig.Frame(16, 16, [&] {
    vgrBeginPath(rig.ctx);
    vgrRect(rig.ctx, 0, 0, 2, 4);
    vgrSetFillPaint(rig.ctx, vgrImagePaint(rig.ctx, 0, 0, 2, 4, 0, flipped, 1));
    vgrFill(rig.ctx);
  });
  const std::vector<uint8_t> drawn = rig.ReadImage(fb->image);
  for (int y = 0; y < 4; y++)
    EXPECT_EQ(PixelOf(drawn, 16, 1, y)[0], 40 * (4 - y)) << y;

  // Translucent colours are premultiplied; a scissor cuts at a quarter pixel in a scaled space.
  rig.Frame(16, 16, [&] {
    vgrScale(rig.ctx, 2, 2);
    vgrSetScissor(rig.ctx, 2.125f, 1, 4, 6); // x 4.25 .. 12.25 on the target
    vgrResetTransform(rig.ctx);
    rig.FillRect(0, 4, 16, 4, VGRcolor{1, 0.5f, 0, 0.5f});
  });
  const std::vector<uint8_t> cut = rig.ReadImage(fb->image);
  EXPECT_EQ(PixelOf(cut, 16, 8, 5), (std::array<int, 4>{128, 64, 0, 128}));
  EXPECT_EQ(PixelOf(cut, 16, 3, 5)[3], 0);
  EXPECT_NEAR(PixelOf(cut, 16, 4, 5)[3], 96, 1);  // three quarters
  EXPECT_NEAR(PixelOf(cut, 16, 12, 5)[3], 32, 1); // one quarter

  // Destination-out with half alpha halves what is there; the pipelines follow the blend.
  rig.Frame(16, 16, [&] { rig.FillRect(4, 4, 8, 8, kWhite); });
  // Held, so that a pipeline made anew could not take its address.
  const mtl::Ref<mtl::RenderPipelineState> sourceOverHeld(rig.backEnd().pipelineState());
  mtl::RenderPipelineState* sourceOver = sourceOverHeld.Get();
  rig.Frame(16, 16, [&] { rig.FillRect(8, 4, 4, 4, kRed); });
  EXPECT_EQ(rig.backEnd().pipelineState(), sourceOver); // same blend and format: kept
  rig.Frame(16, 16, [&] {
    vgrSetCompositeMode(rig.ctx, VGR_DESTINATION_OUT);
    rig.FillRect(4, 4, 4, 8, VGRcolor{0, 0, 0, 0.5f});
  });
  EXPECT_NE(rig.backEnd().pipelineState(), sourceOver);
  EXPECT_EQ(rig.backEnd().blendFunc()->dstRGB, mtl::BlendFactor::OneMinusSourceAlpha);
  EXPECT_EQ(rig.backEnd().blendFunc()->srcRGB, mtl::BlendFactor::Zero);
  const std::vector<uint8_t> blended = rig.ReadImage(fb->image);
  // Back to source-over: the pipelines made for it before are taken again, not made anew.
  const mtl::Ref<mtl::RenderPipelineState> destinationOutHeld(rig.backEnd().pipelineState());
  mtl::RenderPipelineState* destinationOut = destinationOutHeld.Get();
  rig.Frame(16, 16, [&] {
    vgrSetCompositeMode(rig.ctx, VGR_DESTINATION_OUT);
    rig.FillRect(0, 0, 1, 1, kWhite);
    vgrSetCompositeMode(rig.ctx, VGR_SOURCE_OVER);
    rig.FillRect(0, 0, 1, 1, kWhite);
  });
  EXPECT_EQ(rig.backEnd().pipelineState(), sourceOver);
  rig.Frame(16, 16, [&] {
    vgrSetCompositeMode(rig.ctx, VGR_DESTINATION_OUT);
    rig.FillRect(0, 0, 1, 1, kWhite);
  });
  EXPECT_EQ(rig.backEnd().pipelineState(), destinationOut);
  EXPECT_EQ(PixelOf(blended, 16, 5, 6), (std::array<int, 4>{128, 128, 128, 128}));
  EXPECT_EQ(PixelOf(blended, 16, 9, 6), (std::array<int, 4>{255, 0, 0, 255}));
  // A factor that is not a single known bit gives source-over for all four.
  rig.Frame(16, 16, [&] {
    vgrSetBlendFactors(rig.ctx, 3, VGR_ZERO);
    rig.FillRect(0, 12, 4, 4, kWhite);
  });
  EXPECT_EQ(*rig.backEnd().blendFunc(), (MVGRblend{mtl::BlendFactor::One, mtl::BlendFactor::OneMinusSourceAlpha,
                                                   mtl::BlendFactor::One, mtl::BlendFactor::OneMinusSourceAlpha}));
  mvgrFramebufferDelete(fb);
}

// Both fragment functions read texture 0, so a colour draw binds the context's one-texel
// texture; the stand-in refuses (and the rig reports) a draw that leaves it unbound.
TEST(MVGRbackEnd, ColourDrawsWithoutAnImageBindATextureAndDrawAsBefore)
{
  MVGRrig rig(0x2001, true, 16, 16);
  const mtl::Texture* pseudo = rig.backEnd().pseudoTexture();
  ASSERT_TRUE(pseudo);
  EXPECT_TRUE(pseudo->Width() == 1 && pseudo->Height() == 1 && pseudo->GetPixelFormat() == mtl::PixelFormat::RGBA8Unorm);
  EXPECT_EQ(pseudo->Usage(), uint64_t(mtl::TextureUsageShaderRead));
  EXPECT_EQ(pseudo->GetStorageMode(), mtl::StorageMode::Managed);
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, 16, 16, 0);
  mvgrFramebufferBind(fb);
  mvgrSetClearColor(rig.ctx, VGRcolor{0, 0, 0, 0});
  rig.Frame(16, 16, [&] { rig.FillRect(4, 4, 8, 8, kRed); });
  const std::vector<uint8_t> drawn = rig.ReadImage(fb->image);
  EXPECT_EQ(PixelOf(drawn, 16, 8, 8), (std::array<int, 4>{255, 0, 0, 255}));
  EXPECT_EQ(PixelOf(drawn, 16, 2, 8), (std::array<int, 4>{0, 0, 0, 0}));
  mvgrFramebufferDelete(fb);
}

TEST(MVGRbackEnd, DrawsThatCannotBeMadeAreDroppedNotDrawnFlat)
{
  MVGRrig rig(0x2001, true, 16, 16);
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, 16, 16, 0);
  mvgrFramebufferBind(fb);
  const std::vector<uint8_t> pixels(4 * 4 * 4, 255);
  const int gone = mvgrImageCreateRGBA(rig.ctx, 4, 4, 0, pixels.data());
  const int goesLater = mvgrImageCreateRGBA(rig.ctx, 4, 4, 0, pixels.data());
  mvgrImageDelete(rig.ctx, gone);
  auto imageRect = [&](float x, int image) {
    vgrBeginPath(rig.ctx);
    vgrRect(rig.ctx, x, 0, 4, 4);
    vgrSetFillPaint(rig.ctx, vgrImagePaint(rig.ctx, x, 0, 4, 4, 0, image, 1));
    vgrFill(rig.ctx);
  };
  mvgrSetClearColor(rig.ctx, VGRcolor{0, 0, 0, 0});
  rig.Frame(16, 16, [&] {
    // A call whose vertices cannot be had is dropped.
    rig.device->FailNextAllocations(1);
    rig.FillRect(8, 0, 4, 4, kWhite);
    EXPECT_EQ(rig.backEnd().buffers()->ncalls, 0);
    imageRect(0, gone); // unknown when recorded: not recorded
    EXPECT_EQ(rig.backEnd().buffers()->ncalls, 0);
    imageRect(4, goesLater);
    mvgrImageDelete(rig.ctx, goesLater); // unknown by the flush: skipped
    rig.FillRect(12, 0, 4, 4, kWhite);
    EXPECT_EQ(rig.backEnd().buffers()->ncalls, 2);
  });
  const std::vector<uint8_t> drawn = rig.ReadImage(fb->image);
  for (int x = 0; x < 12; x++)
    EXPECT_EQ(PixelOf(drawn, 16, x, 2)[3], 0) << x;
  EXPECT_EQ(PixelOf(drawn, 16, 13, 2)[3], 255);
  EXPECT_TRUE(rig.AllSetsFree());
  mvgrFramebufferDelete(fb);
}

TEST(MVGRbackEnd, FramesWithNowhereToGoAreDroppedAndFreeTheirSet)
{
  MVGRrig rig(0x2001, true, 16, 16);
  MVGRrig other(0x2001, true, 16, 16);
  auto draw = [&] { rig.FillRect(0, 0, 8, 8, kRed); };

  // Deleting the bound framebuffer unbinds it; the frames meant for it are dropped until the
  // next bind, then frames go to the view again.
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, 16, 16, 0);
  mvgrFramebufferBind(fb);
  mvgrFramebufferDelete(fb);
  EXPECT_EQ(mvgrBinding().framebuffer, nullptr);
  rig.Frame(16, 16, draw);
  EXPECT_EQ(rig.layer->PresentedCount(), 0u);
  EXPECT_TRUE(rig.AllSetsFree());
  // Another context's frames are not affected.
  other.Frame(16, 16, [] {});
  EXPECT_EQ(other.layer->PresentedCount(), 1u);
  mvgrFramebufferBind(nullptr);
  rig.Frame(16, 16, draw);
  EXPECT_EQ(rig.layer->PresentedCount(), 1u);

  // A bound framebuffer whose image could not be made, a view port of zero size, a drawable
  // of zero size: dropped.
  VGRMetalFramebuffer* broken = mvgrFramebufferCreate(rig.ctx, 0, 16, 0);
  mvgrFramebufferBind(broken);
  rig.Frame(16, 16, draw);
  mvgrFramebufferBind(nullptr);
  mvgrFramebufferDelete(broken);
  rig.Frame(0, 16, draw);
  rig.layer->SetDrawableSize({0, 0});
  rig.Frame(16, 16, draw);
  EXPECT_EQ(rig.layer->PresentedCount(), 1u);
  EXPECT_TRUE(rig.AllSetsFree());

  // With a framebuffer of another context bound, the frame goes to the view.
  rig.layer->SetDrawableSize({16, 16});
  VGRMetalFramebuffer* foreign = mvgrFramebufferCreate(other.ctx, 16, 16, 0);
  mvgrFramebufferBind(foreign);
  rig.Frame(16, 16, draw);
  EXPECT_EQ(rig.layer->PresentedCount(), 2u);
  mvgrFramebufferBind(nullptr);
  mvgrFramebufferDelete(foreign);
}

TEST(MVGRbackEnd, FrameBegunInsideAnotherDropsTheOuterOne)
{
  // An offscreen frame begun while the view's frame is recorded (as a layer made during a frame
  // does) must not leave the outer frame's set taken for ever (with one set it would wait for it).
  MVGRrig rig(0x2001, true, 16, 16);
  vgrBeginFrame(rig.ctx, 16, 16, 1);
  rig.FillRect(0, 0, 8, 8, kRed);
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(rig.ctx, 16, 16, 0);
  mvgrFramebufferBind(fb);
  mvgrSetClearColor(rig.ctx, kWhite);
  rig.Frame(16, 16, [] {});
  EXPECT_TRUE(rig.AllSetsFree());
  mvgrFramebufferBind(nullptr);
  rig.Frame(16, 16, [&] { rig.FillRect(0, 0, 4, 4, kRed); });
  EXPECT_EQ(PixelOf(rig.ReadImage(fb->image), 16, 8, 8), (std::array<int, 4>{255, 255, 255, 255}));
  EXPECT_EQ(rig.layer->PresentedCount(), 1u);
  EXPECT_TRUE(rig.AllSetsFree());
  mvgrFramebufferDelete(fb);
}

} // namespace
