#pragma once
#include "standin/metal/Metal.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Internal: what a command buffer records, and the queue's worker.
namespace standin::mtl::detail {

enum class RenderOp : uint8_t
{
  SetPipeline,
  SetDepthStencil,
  SetStencilReference,
  SetCullMode,
  SetWinding,
  SetViewport,
  SetVertexBuffer,
  SetVertexBufferOffset,
  SetFragmentBuffer,
  SetFragmentBufferOffset,
  SetFragmentTexture,
  SetFragmentSampler,
  Draw,
  DrawIndexed,
};

struct RenderCommand
{
  RenderOp op;
  uint32_t index = 0;       // binding index; front stencil reference
  uint32_t back = 0;        // back stencil reference
  uint64_t a = 0, b = 0, c = 0; // offset; start, count; count, index type, index offset
  uint64_t kind = 0;        // primitive type, cull mode or winding
  Viewport viewport;
  Ref<Object> object;       // the state, buffer, texture or sampler
};

enum class BlitOp : uint8_t
{
  CopyBufferToTexture,
  GenerateMipmaps,
  Synchronize,
};

struct BlitCommand
{
  BlitOp op;
  Ref<Buffer> buffer;
  Ref<Texture> texture;
  uint64_t sourceOffset = 0, bytesPerRow = 0;
  Size size;
  uint64_t level = 0;
  Origin origin;
};

struct RecordedPass
{
  enum class Kind { Render, Blit } kind;
  bool ended = false;
  RenderPassDescriptor descriptor;
  std::vector<RenderCommand> renderCommands;
  std::vector<BlitCommand> blitCommands;

  // Textures this pass writes (render targets, blit destinations), and those it only reads
  // (sampled, synchronised).
  std::vector<Texture*> WrittenTextures() const;
  std::vector<Texture*> ReadTextures() const;
};

// Runs a render pass on the calling thread (Rasterizer.cpp).
void ExecuteRenderPass(Device& device, const RecordedPass& pass);
// Runs a blit pass on the calling thread (Texture.cpp).
void ExecuteBlitPass(Device& device, const RecordedPass& pass);

// The order of a queue's buffers and the thread that runs them. A core outlives its queue while
// buffers of it are in flight: the buffers and the worker hold it.
class QueueCore : public std::enable_shared_from_this<QueueCore>
{
public:
  void Enqueue(CommandBuffer& buffer);
  // Called once a buffer is committed; runs it at once when synchronous and no worker exists.
  void Committed(CommandBuffer& buffer, bool synchronous);
  // The queue is gone: the worker runs what is left, then ends.
  void Shutdown();
  // Lets buffers up to this place in the order run even when held (0: every one enqueued).
  void ReleaseThrough(uint64_t sequence);
  // Wakes the worker to look at the hold again.
  void Wake();

private:
  void StartWorker();
  void WorkerLoop(const std::atomic<bool>& leaving);
  // Once the queue is gone and nothing is left to run, the worker leaves.
  void LeaveLocked();
  // Takes the next buffer to run, or null when the front one is not committed yet or is held.
  Ref<CommandBuffer> TakeRunnable();

  std::mutex mMutex;
  std::condition_variable mWake;
  std::deque<Ref<CommandBuffer>> mOrder; // enqueued buffers that have not run
  uint64_t mNextSequence = 1;
  uint64_t mReleasedThrough = 0;
  bool mStopping = false;
  bool mDraining = false; // a synchronous drain runs on some thread
  bool mHasWorker = false;
  std::thread::id mWorkerId;
  std::shared_ptr<std::atomic<bool>> mWorkerLeaving;
};

// Process-wide: counts a commit (its serial number) and a completion, once the buffer that
// completed is let go of; wakes every queue when buffers are held; registers a queue's core.
uint64_t CountCommitted();
void CountCompleted();
void WakeHeldQueues();
void RegisterCore(const std::shared_ptr<QueueCore>& core);

} // namespace standin::mtl::detail
