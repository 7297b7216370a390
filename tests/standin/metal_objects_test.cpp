// The stand-in's objects around the rasteriser: libraries, textures, blits and sampling,
// command ordering, the Metal layer and frames in flight.
#include "standin/foundation/Dispatch.h"
#include "standin/metal/QuartzCore.h"
#include "tests/standin/MetalTestShaders.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace testsupport;

// The frame semaphore of a back end: a dispatch semaphore released when it goes.
class FrameSemaphore
{
public:
  explicit FrameSemaphore(long value) : mSemaphore(dispatch_semaphore_create(value)) {}
  ~FrameSemaphore() { dispatch_release(mSemaphore); }
  void Wait() { dispatch_semaphore_wait(mSemaphore, DISPATCH_TIME_FOREVER); }
  void Signal() { dispatch_semaphore_signal(mSemaphore); }
  // Waits (at most ten seconds) until all units are back, that is no frame is in flight.
  bool WaitIdle(int units)
  {
    int taken = 0;
    while (taken < units &&
           dispatch_semaphore_wait(mSemaphore, dispatch_time(DISPATCH_TIME_NOW, 10 * NSEC_PER_SEC)) == 0)
      taken++;
    for (int i = 0; i < taken; i++)
      Signal();
    return taken == units;
  }

private:
  dispatch_semaphore_t mSemaphore;
};

TEST(MetalObjects, LibraryFromBlobFindsFunctionsAndRejectsBadData)
{
  auto device = mtl::CreateSystemDefaultDevice();
  auto library = TestShaderLibrary(*device);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->NewFunction("facingFragment")->GetFunctionType(), mtl::FunctionType::Fragment);
  EXPECT_EQ(library->NewFunction("pixelVertex")->Name(), "pixelVertex");
  EXPECT_FALSE(library->NewFunction("fragmentShaderAA"));

  // A pipeline with a vertex function in the fragment slot fails with a description.
  mtl::RenderPipelineDescriptor d;
  d.vertexFunction = library->NewFunction("pixelVertex");
  d.fragmentFunction = library->NewFunction("mirrorVertex");
  mtl::Ref<mtl::Error> error;
  EXPECT_FALSE(device->NewRenderPipelineState(d, &error));
  ASSERT_TRUE(error);
  EXPECT_NE(error->LocalizedDescription().find("mirrorVertex"), std::string::npos);

  // Every truncation, an unknown library name and random damage fail cleanly.
  const std::vector<uint8_t> blob = mtl::EncodeLibraryBlob("rasterTests", metalshaders::Entries());
  for (size_t n = 0; n < blob.size(); n++)
  {
    mtl::Ref<mtl::Error> e;
    EXPECT_FALSE(device->NewLibrary(blob.data(), n, &e)) << n;
    EXPECT_TRUE(e && !e->LocalizedDescription().empty());
  }
  const std::vector<uint8_t> unknown = mtl::EncodeLibraryBlob("nobody", metalshaders::Entries());
  mtl::Ref<mtl::Error> e;
  EXPECT_FALSE(device->NewLibrary(unknown.data(), unknown.size(), &e));
  EXPECT_NE(e->LocalizedDescription().find("nobody"), std::string::npos);
  std::mt19937 random(21);
  for (int i = 0; i < 2000; i++)
  {
    std::vector<uint8_t> damaged = blob;
    damaged[random() % damaged.size()] = uint8_t(random());
    device->NewLibrary(damaged.data(), damaged.size(), nullptr);
  }
}

TEST(MetalObjects, TextureCreationFailuresAndRegionsOutsideTheTexture)
{
  MetalRig rig(4, 4);
  auto& device = *rig.device;
  EXPECT_FALSE(rig.NewTexture(mtl::PixelFormat::RGBA8Unorm, 0, 4, mtl::TextureUsageShaderRead));
  EXPECT_FALSE(rig.NewTexture(mtl::PixelFormat::RGBA8Unorm, 16385, 4, mtl::TextureUsageShaderRead));
  EXPECT_FALSE(rig.NewTexture(mtl::PixelFormat::Invalid, 4, 4, mtl::TextureUsageShaderRead));
  EXPECT_FALSE(device.NewBuffer(0, 0));
  device.FailNextAllocations(1);
  EXPECT_FALSE(rig.NewTexture(mtl::PixelFormat::R8Unorm, 4, 4, mtl::TextureUsageShaderRead));
  auto texture = rig.NewTexture(mtl::PixelFormat::R8Unorm, 4, 4, mtl::TextureUsageShaderRead);
  ASSERT_TRUE(texture);

  // A region reaching past the right and bottom edges is clipped: bytes keep their places.
  std::vector<uint8_t> source(6 * 3);
  for (size_t i = 0; i < source.size(); i++)
    source[i] = uint8_t(10 + i);
  texture->ReplaceRegion(mtl::Region::Make2D(2, 2, 6, 3), 0, source.data(), 6);
  EXPECT_EQ(device.ValidationErrorCount(), 1);
  std::vector<uint8_t> all(16, 0xee);
  texture->GetBytes(all.data(), 4, mtl::Region::Make2D(0, 0, 4, 4), 0);
  EXPECT_EQ(std::vector<uint8_t>(all.begin() + 8, all.end()),
            (std::vector<uint8_t>{0, 0, 10, 11, 0, 0, 16, 17}));
  // Entirely outside, or into private storage: refused.
  texture->ReplaceRegion(mtl::Region::Make2D(4, 0, 1, 1), 0, source.data(), 1);
  mtl::TextureDescriptor privateDescriptor = mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::R8Unorm, 4, 4, false);
  privateDescriptor.storageMode = mtl::StorageMode::Private;
  device.NewTexture(privateDescriptor)->ReplaceRegion(mtl::Region::Make2D(0, 0, 1, 1), 0, source.data(), 1);
  EXPECT_EQ(device.ValidationErrorCount(), 3);
}

TEST(MetalObjects, BlitCopiesAndMipmapsFeedSampling)
{
  MetalRig rig(4, 4);
  auto texture = rig.NewTexture(mtl::PixelFormat::RGBA8Unorm, 4, 4, mtl::TextureUsageShaderRead, true);
  ASSERT_EQ(texture->MipmapLevelCount(), 3u);
  // Rows of 4 pixels with 8 bytes of padding; red = 16 x column, green = 16 x row.
  std::vector<uint8_t> rows(4 * 24, 0);
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++)
    {
      uint8_t* p = &rows[size_t(y) * 24 + size_t(x) * 4];
      p[0] = uint8_t(16 * x);
      p[1] = uint8_t(16 * y);
      p[3] = 255;
    }
  auto commands = rig.queue->NewCommandBuffer();
  auto blit = commands->NewBlitCommandEncoder();
  blit->CopyFromBuffer(rig.Buffer(rows), 0, 24, 0, mtl::Size{4, 4, 1}, texture, 0, 0, mtl::Origin{});
  blit->GenerateMipmaps(texture);
  blit->SynchronizeResource(texture); // what the GPU wrote, for the CPU
  blit->EndEncoding();
  commands->Commit();
  commands->WaitUntilCompleted();
  uint8_t level1[16], level2[4];
  texture->GetBytes(level1, 8, mtl::Region::Make2D(0, 0, 2, 2), 1);
  texture->GetBytes(level2, 4, mtl::Region::Make2D(0, 0, 1, 1), 2);
  EXPECT_EQ(level1[0], 8);       // average of 0 and 16
  EXPECT_EQ(level1[4], 40);      // of 32 and 48
  EXPECT_EQ(level1[8 + 1], 40);  // green of the second row
  EXPECT_EQ(level2[0], 24);
  EXPECT_EQ(level2[1], 24);

  mtl::SamplerDescriptor s;
  s.minFilter = s.magFilter = mtl::SamplerMinMagFilter::Linear;
  s.mipFilter = mtl::SamplerMipFilter::Nearest;
  auto sampler = rig.device->NewSamplerState(s);
  const mtl::TextureBinding binding{texture.Get(), sampler.Get()};
  // Texel centres read exactly; half-way between two reads their mean.
  EXPECT_FLOAT_EQ(mtl::Sample(binding, 2.5f / 4, 0.5f / 4).x, 32.0f / 255);
  EXPECT_FLOAT_EQ(mtl::Sample(binding, 2.0f / 4, 0.5f / 4).x, 24.0f / 255);
  // Clamped beyond the edge; four texels per pixel pick level 2.
  EXPECT_FLOAT_EQ(mtl::Sample(binding, 2.0f, 0.5f / 4).x, 48.0f / 255);
  EXPECT_FLOAT_EQ(mtl::SampleGrad(binding, 0.5f, 0.5f, 1.0f, 0, 0, 1.0f).x, 24.0f / 255);
  // Repeat wraps; nearest picks the texel under the point.
  s.sAddressMode = mtl::SamplerAddressMode::Repeat;
  s.minFilter = s.magFilter = mtl::SamplerMinMagFilter::Nearest;
  auto repeat = rig.device->NewSamplerState(s);
  EXPECT_FLOAT_EQ(mtl::Sample({texture.Get(), repeat.Get()}, 1.3f, 0.1f).x, 16.0f / 255);
  EXPECT_EQ(rig.device->ValidationErrorCount(), 0);
}

TEST(MetalObjects, BuffersRunInEnqueueOrderAndHandlersFollow)
{
  MetalRig rig(4, 4); // synchronous
  std::vector<std::string> events;
  auto first = rig.queue->NewCommandBuffer();
  auto second = rig.queue->NewCommandBuffer();
  first->AddCompletedHandler([&](mtl::CommandBuffer&) { events.push_back("first"); });
  second->AddCompletedHandler([&](mtl::CommandBuffer&) { events.push_back("second"); });
  first->Enqueue();
  second->Commit();
  // The second waits for the first, which holds its place in the queue.
  EXPECT_EQ(second->Status(), mtl::CommandBufferStatus::Committed);
  EXPECT_TRUE(events.empty());
  first->Commit();
  EXPECT_EQ(second->Status(), mtl::CommandBufferStatus::Completed);
  EXPECT_EQ(events, (std::vector<std::string>{"first", "second"}));
}

// The frame loop of a back end with three buffer sets, on the asynchronous worker: a frame
// whose drawable has zero size commits an empty buffer so that its completion frees the set.
TEST(MetalObjects, ZeroSizeDrawableThenFourFramesComplete)
{
  FrameSemaphore semaphore(3); // outlives the queue, whose handlers signal it
  auto device = mtl::CreateSystemDefaultDevice();
  auto queue = device->NewCommandQueue();
  auto layer = standin::ca::MetalLayer::Create();
  layer->SetDevice(device);
  auto frame = [&](int index, bool withTransaction) {
    semaphore.Wait();
    auto commands = queue->NewCommandBuffer();
    commands->AddCompletedHandler([&](mtl::CommandBuffer&) { semaphore.Signal(); });
    auto drawable = layer->NextDrawable();
    if (!drawable)
    {
      commands->Commit();
      return;
    }
    mtl::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = drawable->Texture();
    pass.colorAttachments[0].loadAction = index == 4 ? mtl::LoadAction::Load : mtl::LoadAction::Clear;
    pass.colorAttachments[0].clearColor = mtl::ClearColor{0, index / 4.0, 0, 1};
    commands->NewRenderCommandEncoder(pass)->EndEncoding();
    if (withTransaction)
    {
      commands->Commit();
      commands->WaitUntilScheduled();
      drawable->Present();
    }
    else
    {
      commands->PresentDrawable(drawable);
      commands->Commit();
    }
  };
  testsupport::TempDir folder;
  EXPECT_FALSE(layer->WritePresentedPNG(folder.File("none.png"))); // nothing presented yet
  frame(0, false); // zero size: no drawable
  layer->SetDrawableSize({40, 30});
  for (int i = 1; i <= 3; i++)
    frame(i, i == 2);
  ASSERT_TRUE(semaphore.WaitIdle(3));
  EXPECT_EQ(layer->PresentedCount(), 3u);
  auto image = layer->PresentedImage();
  ASSERT_EQ(image.width, 40);
  ASSERT_EQ(image.height, 30);
  EXPECT_EQ(image.Pixel(39, 29)[1], 191); // frame 3 cleared to green 0.75
  // Frame 4 loads instead of clearing: the fresh drawable shows its loud colour.
  frame(4, false);
  ASSERT_TRUE(semaphore.WaitIdle(3));
  image = layer->PresentedImage();
  EXPECT_EQ(layer->PresentedCount(), 4u);
  ASSERT_TRUE(layer->WritePresentedPNG(folder.File("frame.png")));
  std::FILE* png = std::fopen(folder.File("frame.png").c_str(), "rb");
  ASSERT_TRUE(png);
  unsigned char signature[8] = {};
  EXPECT_EQ(std::fread(signature, 1, 8, png), 8u);
  std::fclose(png);
  EXPECT_EQ(std::vector<uint8_t>(signature + 1, signature + 4), (std::vector<uint8_t>{'P', 'N', 'G'}));
  EXPECT_EQ(std::vector<uint8_t>(image.Pixel(5, 5), image.Pixel(5, 5) + 4),
            std::vector<uint8_t>(std::begin(standin::ca::MetalLayer::kLoudColor),
                                 std::end(standin::ca::MetalLayer::kLoudColor)));
  EXPECT_EQ(device->ValidationErrorCount(), 0);
}

// Frames in flight: the main thread writes a buffer set's vertices and uploads the set's texture
// while the worker still renders earlier frames, which sample the other sets' textures (an
// upload into a texture a committed frame still samples is a hazard). Run under
// ThreadSanitizer as well.
TEST(MetalObjects, FramesInFlightShareNothingUnguarded)
{
  struct Set
  {
    std::atomic<bool> busy{false};
    mtl::Ref<mtl::Buffer> vertices;
    mtl::Ref<mtl::Texture> texture;
  } sets[3];
  FrameSemaphore semaphore(3); // both outlive the queue, whose handlers use them
  auto device = mtl::CreateSystemDefaultDevice();
  auto queue = device->NewCommandQueue();
  auto layer = standin::ca::MetalLayer::Create();
  layer->SetDevice(device);
  layer->SetPixelFormat(mtl::PixelFormat::RGBA8Unorm);
  layer->SetDrawableSize({256, 160}); // large enough for the band threads
  auto library = TestShaderLibrary(*device);
  mtl::RenderPipelineDescriptor d;
  d.vertexFunction = library->NewFunction("pixelVertex");
  d.fragmentFunction = library->NewFunction("sampleFragment");
  mtl::VertexDescriptor layout;
  layout.attributes[0] = {mtl::VertexFormat::Float2, 0, 0};
  layout.attributes[1] = {mtl::VertexFormat::Float4, 8, 0};
  layout.layouts[0].stride = sizeof(PixelVertex);
  d.SetVertexDescriptor(layout);
  d.colorAttachments[0].pixelFormat = mtl::PixelFormat::RGBA8Unorm;
  auto pipeline = device->NewRenderPipelineState(d, nullptr);
  ASSERT_TRUE(pipeline);
  mtl::TextureDescriptor td = mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::RGBA8Unorm, 2, 2, false);
  auto sampler = device->NewSamplerState(mtl::SamplerDescriptor());
  auto viewSize = device->NewBuffer(8, mtl::ResourceStorageModeShared);
  const float size[2] = {256, 160};
  std::memcpy(viewSize->Contents(), size, sizeof(size));

  for (auto& set : sets)
  {
    set.vertices = device->NewBuffer(4 * sizeof(PixelVertex), mtl::ResourceStorageModeShared);
    set.texture = device->NewTexture(td);
  }
  const int frames = 40;
  for (int f = 0; f < frames; f++)
  {
    semaphore.Wait();
    Set* set = nullptr;
    for (auto& s : sets)
      if (!s.busy.load(std::memory_order_acquire))
      {
        set = &s;
        break;
      }
    ASSERT_NE(set, nullptr);
    set->busy.store(true, std::memory_order_relaxed);
    // A quad over the frame whose colour channels are the texture coordinates of texel (f % 2, 0).
    const float u = (f % 2) * 0.5f + 0.25f;
    const PixelVertex quad[4] = {{0, 0, u, 0.25f, 0, 1}, {0, 160, u, 0.25f, 0, 1}, {256, 0, u, 0.25f, 0, 1},
                                 {256, 160, u, 0.25f, 0, 1}};
    std::memcpy(set->vertices->Contents(), quad, sizeof(quad));
    const uint8_t texels[16] = {uint8_t(f), 0, 0, 255, uint8_t(f + 100), 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    set->texture->ReplaceRegion(mtl::Region::Make2D(0, 0, 2, 2), 0, texels, 8);

    auto commands = queue->NewCommandBuffer();
    commands->AddCompletedHandler([set, &semaphore](mtl::CommandBuffer&) {
      set->busy.store(false, std::memory_order_release);
      semaphore.Signal();
    });
    auto drawable = layer->NextDrawable();
    ASSERT_TRUE(drawable);
    mtl::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = drawable->Texture();
    pass.colorAttachments[0].loadAction = mtl::LoadAction::Load;
    auto encoder = commands->NewRenderCommandEncoder(pass);
    encoder->SetRenderPipelineState(pipeline);
    encoder->SetVertexBuffer(set->vertices, 0, 0);
    encoder->SetVertexBuffer(viewSize, 0, 1);
    encoder->SetFragmentTexture(set->texture, 0);
    encoder->SetFragmentSamplerState(sampler, 0);
    encoder->DrawPrimitives(mtl::PrimitiveType::TriangleStrip, 0, 4);
    encoder->EndEncoding();
    commands->PresentDrawable(drawable);
    commands->Commit();
  }
  ASSERT_TRUE(semaphore.WaitIdle(3));
  EXPECT_EQ(layer->PresentedCount(), uint64_t(frames));
  // The last frame sampled texel 1 of its own upload, or of a later one: there is none.
  auto image = layer->PresentedImage();
  EXPECT_EQ(image.Pixel(128, 80)[0], uint8_t(frames - 1 + 100));
  EXPECT_EQ(image.Pixel(255, 159)[3], 255);
  EXPECT_EQ(device->ValidationErrorCount(), 0);
}

} // namespace

namespace {

// Keeps n buffers of each queue waiting for the scope, then drains.
struct Held
{
  explicit Held(int n) { mtl::SetHeldCommandBuffers(n); }
  ~Held()
  {
    mtl::SetHeldCommandBuffers(0);
    mtl::WaitUntilAllCommandBuffersCompleted();
  }
};

// A committed buffer that clears the texture (a render target) to red.
mtl::Ref<mtl::CommandBuffer> CommitClear(mtl::CommandQueue& queue, const mtl::Ref<mtl::Texture>& target)
{
  mtl::RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = target;
  pass.colorAttachments[0].loadAction = mtl::LoadAction::Clear;
  pass.colorAttachments[0].clearColor = mtl::ClearColor{1, 0, 0, 1};
  auto commands = queue.NewCommandBuffer();
  commands->NewRenderCommandEncoder(pass)->EndEncoding();
  commands->Commit();
  return commands;
}

// Releasing a queue does not wait: a held buffer keeps what its handler holds alive and
// completes later, on Metal's thread, at the drain point. Waiting for a buffer lets it (and
// those before it) run; with n held, the buffer committed n + 1 places earlier runs.
TEST(MetalObjects, ReleasedQueuesDoNotWaitAndHeldBuffersCompleteLater)
{
  mtl::WaitUntilAllCommandBuffersCompleted(); // what earlier tests left in flight
  const int64_t before = mtl::Object::LiveCount();
  auto device = mtl::CreateSystemDefaultDevice();
  std::atomic<int> completed{0};
  std::atomic<bool> onOtherThread{false};
  const std::thread::id main = std::this_thread::get_id();
  {
    const Held held(2);
    auto queue = device->NewCommandQueue();
    auto buffers = std::vector<mtl::Ref<mtl::CommandBuffer>>();
    for (int i = 0; i < 3; i++)
    {
      auto commands = queue->NewCommandBuffer();
      mtl::Ref<mtl::Buffer> used = device->NewBuffer(16, mtl::ResourceStorageModeShared);
      commands->AddCompletedHandler([used, &completed, &onOtherThread, main](mtl::CommandBuffer&) {
        onOtherThread = std::this_thread::get_id() != main;
        completed++;
      });
      commands->Commit();
      buffers.push_back(commands);
    }
    buffers[0]->WaitUntilCompleted(); // the third commit let the first run anyway
    EXPECT_EQ(buffers[1]->Status(), mtl::CommandBufferStatus::Committed);
    EXPECT_EQ(buffers[2]->Status(), mtl::CommandBufferStatus::Committed);
    buffers[1]->WaitUntilCompleted(); // a wait lets a held buffer run
    EXPECT_EQ(buffers[2]->Status(), mtl::CommandBufferStatus::Committed);
    buffers.clear();
    queue = nullptr; // returns at once: the last buffer is still held, with its handler's buffer
    EXPECT_LE(completed.load(), 2);
    EXPECT_GT(mtl::Object::LiveCount(), before + 1); // more than the device
  }
  EXPECT_EQ(completed.load(), 3);
  EXPECT_TRUE(onOtherThread.load());
  device = nullptr;
  EXPECT_EQ(mtl::Object::LiveCount(), before);
}

// Textures as on an Intel Mac: managed by default and never shared; the CPU sees what the GPU
// wrote only after a synchronising blit; drawables are framebuffer-only; a constant buffer's
// offset is a multiple of 256.
TEST(MetalObjects, TexturesAreManagedAndSynchronisedAndDrawablesAreFramebufferOnly)
{
  auto device = mtl::CreateSystemDefaultDevice();
  device->SetSynchronous(true);
  auto queue = device->NewCommandQueue();
  mtl::TextureDescriptor d = mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::RGBA8Unorm, 2, 2, false);
  d.usage = mtl::TextureUsageRenderTarget | mtl::TextureUsageShaderRead;
  EXPECT_EQ(d.storageMode, mtl::StorageMode::Managed);
  d.storageMode = mtl::StorageMode::Shared;
  EXPECT_FALSE(device->NewTexture(d));
  EXPECT_EQ(device->ValidationErrorCount(), 1);
  d.storageMode = mtl::StorageMode::Managed;
  auto texture = device->NewTexture(d);
  const uint8_t green[4] = {0, 255, 0, 255};
  texture->ReplaceRegion(mtl::Region::Make2D(1, 1, 1, 1), 0, green, 4);

  CommitClear(*queue, texture);
  uint8_t seen[4] = {};
  texture->GetBytes(seen, 4, mtl::Region::Make2D(1, 1, 1, 1), 0);
  EXPECT_EQ(seen[1], 255) << "the CPU still sees its own upload";
  auto commands = queue->NewCommandBuffer();
  auto blit = commands->NewBlitCommandEncoder();
  blit->SynchronizeResource(texture);
  blit->EndEncoding();
  commands->Commit();
  texture->GetBytes(seen, 4, mtl::Region::Make2D(1, 1, 1, 1), 0);
  EXPECT_EQ(seen[0], 255);
  EXPECT_EQ(seen[1], 0);

  auto layer = standin::ca::MetalLayer::Create();
  layer->SetDevice(device);
  layer->SetDrawableSize({4, 4});
  auto drawable = layer->NextDrawable();
  ASSERT_TRUE(drawable);
  EXPECT_TRUE(drawable->Texture()->IsFramebufferOnly());
  drawable->Texture()->GetBytes(seen, 4, mtl::Region::Make2D(0, 0, 1, 1), 0);
  mtl::RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = texture;
  commands = queue->NewCommandBuffer();
  auto encoder = commands->NewRenderCommandEncoder(pass);
  encoder->SetFragmentTexture(drawable->Texture(), 0);
  auto uniforms = device->NewBuffer(1024, mtl::ResourceStorageModeShared);
  encoder->SetFragmentBuffer(uniforms, 256, 0);
  encoder->SetFragmentBufferOffset(512, 0);
  EXPECT_EQ(device->ValidationErrorCount(), 3); // the read-back and the sampling
  encoder->SetFragmentBuffer(uniforms, 176, 0);
  encoder->SetFragmentBufferOffset(128, 0);
  EXPECT_EQ(device->ValidationErrorCount(), 5);
  encoder->EndEncoding();
  commands->Commit();
}

// An upload into a texture that a committed, unfinished buffer samples is a hazard: reported,
// then abort.
TEST(MetalObjectsDeathTest, UploadIntoATextureAFrameInFlightSamplesAborts)
{
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
    {
      const Held held(1);
      auto device = mtl::CreateSystemDefaultDevice();
      auto queue = device->NewCommandQueue();
      auto target = device->NewTexture([] {
        auto d = mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::RGBA8Unorm, 2, 2, false);
        d.usage = mtl::TextureUsageRenderTarget;
        return d;
      }());
      auto sampled = device->NewTexture(mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::R8Unorm, 2, 2, false));
      mtl::RenderPassDescriptor pass;
      pass.colorAttachments[0].texture = target;
      auto commands = queue->NewCommandBuffer();
      auto encoder = commands->NewRenderCommandEncoder(pass);
      encoder->SetFragmentTexture(sampled, 0);
      encoder->EndEncoding();
      commands->Commit();
      const uint8_t byte = 1;
      sampled->ReplaceRegion(mtl::Region::Make2D(0, 0, 1, 1), 0, &byte, 1);
    },
    "hazard: replaceRegion into a texture that a committed command buffer has not finished using");
}

} // namespace
