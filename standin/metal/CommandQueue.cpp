#include "standin/metal/Commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace standin::mtl {

namespace detail {

std::vector<Texture*> RecordedPass::WrittenTextures() const
{
  std::vector<Texture*> written;
  if (kind == Kind::Render)
  {
    if (descriptor.colorAttachments[0].texture)
      written.push_back(descriptor.colorAttachments[0].texture.Get());
    if (descriptor.stencilAttachment.texture)
      written.push_back(descriptor.stencilAttachment.texture.Get());
  }
  else
  {
    for (const BlitCommand& c : blitCommands)
      if (c.op != BlitOp::Synchronize && c.texture)
        written.push_back(c.texture.Get());
  }
  return written;
}

std::vector<Texture*> RecordedPass::ReadTextures() const
{
  std::vector<Texture*> read;
  for (const RenderCommand& c : renderCommands)
    if (c.op == RenderOp::SetFragmentTexture && c.object)
      read.push_back(static_cast<Texture*>(c.object.Get()));
  for (const BlitCommand& c : blitCommands)
    if (c.op == BlitOp::Synchronize && c.texture)
      read.push_back(c.texture.Get());
  return read;
}

// ---------------------------------------------------------------------------------------------
// What the process knows of its queues and of the buffers in flight

namespace {

int HeldFromEnvironment()
{
  const char* text = std::getenv("VELLICOR_METAL_HELD_BUFFERS");
  const int held = text ? std::atoi(text) : 0;
  return held > 0 ? held : 0;
}

std::atomic<int> gHeldBuffers{HeldFromEnvironment()};
std::atomic<uint64_t> gLastCommit{0}; // commits so far in the process

struct Worker
{
  std::shared_ptr<std::atomic<bool>> leaving; // set once it has nothing more to do and returns
  std::thread thread;
};

struct Flight
{
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::weak_ptr<QueueCore>> cores;
  int64_t inFlight = 0; // committed buffers whose completed handlers have not returned
  std::vector<Worker> workers;
};

// Made on first use. It outlives the static destructors while queues are left that workers may
// still serve; otherwise it goes with the module (see DrainAtExit).
std::atomic<Flight*> gFlight{nullptr};

Flight& TheFlight()
{
  Flight* flight = gFlight.load();
  if (!flight)
  {
    Flight* made = new Flight();
    if (gFlight.compare_exchange_strong(flight, made))
      flight = made;
    else
      delete made;
  }
  return *flight;
}

// The workers that have ended or are about to, taken out of the list to be joined (lock held).
std::vector<Worker> TakeEndedWorkers(Flight& flight)
{
  std::vector<Worker> ended;
  for (auto it = flight.workers.begin(); it != flight.workers.end();)
    if (it->leaving->load())
    {
      ended.push_back(std::move(*it));
      it = flight.workers.erase(it);
    }
    else
      ++it;
  return ended;
}

// Every live queue core (a snapshot: taken under the lock, used without it).
std::vector<std::shared_ptr<QueueCore>> LiveCores()
{
  Flight& flight = TheFlight();
  std::lock_guard<std::mutex> lock(flight.mutex);
  std::vector<std::shared_ptr<QueueCore>> cores;
  for (const auto& weak : flight.cores)
    if (std::shared_ptr<QueueCore> core = weak.lock())
      cores.push_back(std::move(core));
  return cores;
}

// Drains when the module ends, so that no worker runs this module's code after it has gone;
// reports what is left alive when asked to.
struct DrainAtExit
{
  ~DrainAtExit()
  {
    if (Flight* flight = gFlight.load())
    {
      WaitUntilAllCommandBuffersCompleted();
      bool idle;
      {
        std::lock_guard<std::mutex> lock(flight->mutex);
        idle = flight->workers.empty() &&
               std::all_of(flight->cores.begin(), flight->cores.end(),
                           [](const std::weak_ptr<QueueCore>& core) { return core.expired(); });
      }
      if (idle)
        delete gFlight.exchange(nullptr);
    }
    if (std::getenv("VELLICOR_METAL_LIVE_REPORT"))
      std::fprintf(stderr, "Metal stand-in: %lld objects alive after the last command buffer completed\n",
                   static_cast<long long>(Object::LiveCount()));
  }
} gDrainAtExit;

} // namespace

uint64_t CountCommitted()
{
  Flight& flight = TheFlight();
  std::lock_guard<std::mutex> lock(flight.mutex);
  flight.inFlight++;
  return ++gLastCommit;
}

void CountCompleted()
{
  Flight& flight = TheFlight();
  {
    std::lock_guard<std::mutex> lock(flight.mutex);
    flight.inFlight--;
  }
  flight.changed.notify_all();
}

void WakeHeldQueues()
{
  if (gHeldBuffers.load() > 0)
    for (const auto& core : LiveCores())
      core->Wake();
}

void RegisterCore(const std::shared_ptr<QueueCore>& core)
{
  Flight& flight = TheFlight();
  std::lock_guard<std::mutex> lock(flight.mutex);
  flight.cores.erase(std::remove_if(flight.cores.begin(), flight.cores.end(),
                                    [](const std::weak_ptr<QueueCore>& w) { return w.expired(); }),
                     flight.cores.end());
  flight.cores.push_back(core);
}

void QueueCore::Enqueue(CommandBuffer& buffer)
{
  std::lock_guard<std::mutex> lock(mMutex);
  buffer.mSequence = mNextSequence++;
  mOrder.push_back(Ref<CommandBuffer>(&buffer));
}

Ref<CommandBuffer> QueueCore::TakeRunnable()
{
  if (mOrder.empty() || mOrder.front()->Status() != CommandBufferStatus::Committed)
    return nullptr;
  // Held: one of the last `held` buffers committed in the process, and not released.
  const uint64_t held = uint64_t(gHeldBuffers.load());
  const CommandBuffer& front = *mOrder.front();
  if (held > 0 && front.mSequence > mReleasedThrough && front.mCommitSerial + held > gLastCommit.load())
    return nullptr;
  Ref<CommandBuffer> buffer = std::move(mOrder.front());
  mOrder.pop_front();
  return buffer;
}

void QueueCore::Committed(CommandBuffer& buffer, bool synchronous)
{
  std::unique_lock<std::mutex> lock(mMutex);
  if (mHasWorker || !synchronous)
  {
    if (!mHasWorker)
      StartWorker();
    const bool onWorker = mWorkerId == std::this_thread::get_id();
    lock.unlock();
    mWake.notify_all();
    if (synchronous && !onWorker)
      buffer.WaitUntilCompleted();
    return;
  }
  // Synchronous: run what is runnable here, unless an outer drain on this thread already does.
  // Nothing is held on a synchronous device.
  if (mDraining)
    return;
  mDraining = true;
  mReleasedThrough = mNextSequence - 1;
  while (Ref<CommandBuffer> next = TakeRunnable())
  {
    lock.unlock();
    next->Execute();
    next = nullptr;
    CountCompleted();
    lock.lock();
  }
  mDraining = false;
}

void QueueCore::StartWorker()
{
  mWorkerLeaving = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([self = shared_from_this(), leaving = mWorkerLeaving]() mutable {
    self->WorkerLoop(*leaving);
    self.reset(); // the core may end here
  });
  mHasWorker = true;
  mWorkerId = thread.get_id();
  Flight& flight = TheFlight();
  std::lock_guard<std::mutex> lock(flight.mutex);
  flight.workers.push_back(Worker{mWorkerLeaving, std::move(thread)});
}

void QueueCore::LeaveLocked()
{
  if (mStopping && mOrder.empty() && mHasWorker)
  {
    mWorkerLeaving->store(true);
    mHasWorker = false; // a buffer committed after this gets a worker of its own
  }
}

void QueueCore::WorkerLoop(const std::atomic<bool>& leaving)
{
  std::unique_lock<std::mutex> lock(mMutex);
  while (!leaving.load())
  {
    Ref<CommandBuffer> next = TakeRunnable();
    if (!next)
    {
      LeaveLocked();
      if (!leaving.load())
        mWake.wait(lock);
      continue;
    }
    lock.unlock();
    next->Execute();
    next = nullptr; // the last reference may go here: release it without the lock
    lock.lock();
    // Marked as leaving before the drain point hears of the last completion, so that it joins
    // this thread.
    LeaveLocked();
    lock.unlock();
    CountCompleted();
    lock.lock();
  }
}

void QueueCore::Shutdown()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mStopping = true;
    LeaveLocked();
  }
  mWake.notify_all();
}

void QueueCore::ReleaseThrough(uint64_t sequence)
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mReleasedThrough = std::max(mReleasedThrough, sequence == 0 ? mNextSequence - 1 : sequence);
  }
  mWake.notify_all();
}

void QueueCore::Wake()
{
  // Taking the lock orders the wake after a worker's look at the hold.
  { std::lock_guard<std::mutex> lock(mMutex); }
  mWake.notify_all();
}

} // namespace detail

// ---------------------------------------------------------------------------------------------
// Frames in flight

void SetHeldCommandBuffers(int count)
{
  detail::gHeldBuffers.store(count > 0 ? count : 0);
  for (const auto& core : detail::LiveCores())
    core->Wake();
}

int HeldCommandBuffers() { return detail::gHeldBuffers.load(); }

void ReleaseHeldCommandBuffers()
{
  for (const auto& core : detail::LiveCores())
    core->ReleaseThrough(0);
}

void WaitUntilAllCommandBuffersCompleted()
{
  detail::Flight& flight = detail::TheFlight();
  std::unique_lock<std::mutex> lock(flight.mutex);
  while (flight.inFlight > 0)
  {
    lock.unlock();
    ReleaseHeldCommandBuffers();
    lock.lock();
    const int64_t before = flight.inFlight;
    // A buffer that never completes stands behind one that was enqueued and never committed.
    if (before > 0 &&
        !flight.changed.wait_for(lock, std::chrono::seconds(10), [&] { return flight.inFlight < before; }))
    {
      std::fprintf(stderr,
                   "Metal stand-in: %lld committed command buffers never complete (an earlier buffer of their "
                   "queue was enqueued and never committed)\n",
                   static_cast<long long>(flight.inFlight));
      std::abort();
    }
  }
  std::vector<detail::Worker> ended = detail::TakeEndedWorkers(flight);
  lock.unlock();
  for (detail::Worker& worker : ended)
    worker.thread.join();
}

// ---------------------------------------------------------------------------------------------
// Queue

CommandQueue::CommandQueue(Device& device) : mDevice(&device), mCore(std::make_shared<detail::QueueCore>())
{
  detail::RegisterCore(mCore);
}

CommandQueue::~CommandQueue() { mCore->Shutdown(); }

Ref<CommandBuffer> CommandQueue::NewCommandBuffer()
{
  return Ref<CommandBuffer>::Adopt(new CommandBuffer(*mDevice, mCore));
}

// ---------------------------------------------------------------------------------------------
// Command buffer

CommandBuffer::CommandBuffer(Device& device, std::shared_ptr<detail::QueueCore> queue)
  : mDevice(&device)
  , mQueue(std::move(queue))
{
}

CommandBuffer::~CommandBuffer() = default;

CommandBufferStatus CommandBuffer::Status() const
{
  std::lock_guard<std::mutex> lock(mStatusMutex);
  return mStatus;
}

void CommandBuffer::SetStatus(CommandBufferStatus status)
{
  {
    std::lock_guard<std::mutex> lock(mStatusMutex);
    mStatus = status;
  }
  mStatusChanged.notify_all();
}

Ref<RenderCommandEncoder> CommandBuffer::NewRenderCommandEncoder(const RenderPassDescriptor& descriptor)
{
  const char* problem = nullptr;
  const Texture* color = descriptor.colorAttachments[0].texture.Get();
  const Texture* stencil = descriptor.stencilAttachment.texture.Get();
  if (mEncoderOpen)
    problem = "another encoder is still open";
  else if (Status() != CommandBufferStatus::NotEnqueued && Status() != CommandBufferStatus::Enqueued)
    problem = "the command buffer is already committed";
  else if (!color && !stencil)
    problem = "the pass has no attachment";
  else if (color && (color->GetPixelFormat() == PixelFormat::Stencil8 || !(color->Usage() & TextureUsageRenderTarget)))
    problem = "the colour attachment is not a colour render target";
  else if (color && descriptor.colorAttachments[0].level >= color->MipmapLevelCount())
    problem = "the colour attachment's level does not exist";
  else if (stencil && (stencil->GetPixelFormat() != PixelFormat::Stencil8 || !(stencil->Usage() & TextureUsageRenderTarget)))
    problem = "the stencil attachment is not a Stencil8 render target";
  if (problem)
  {
    mDevice->ReportValidationError(std::string("renderCommandEncoder: ") + problem);
    return nullptr;
  }
  auto pass = std::make_unique<detail::RecordedPass>();
  pass->kind = detail::RecordedPass::Kind::Render;
  pass->descriptor = descriptor;
  detail::RecordedPass& recorded = *pass;
  mPasses.push_back(std::move(pass));
  mEncoderOpen = true;
  return Ref<RenderCommandEncoder>::Adopt(new RenderCommandEncoder(*this, recorded));
}

Ref<BlitCommandEncoder> CommandBuffer::NewBlitCommandEncoder()
{
  if (mEncoderOpen || (Status() != CommandBufferStatus::NotEnqueued && Status() != CommandBufferStatus::Enqueued))
  {
    mDevice->ReportValidationError("blitCommandEncoder: another encoder is open or the buffer is committed");
    return nullptr;
  }
  auto pass = std::make_unique<detail::RecordedPass>();
  pass->kind = detail::RecordedPass::Kind::Blit;
  detail::RecordedPass& recorded = *pass;
  mPasses.push_back(std::move(pass));
  mEncoderOpen = true;
  return Ref<BlitCommandEncoder>::Adopt(new BlitCommandEncoder(*this, recorded));
}

void CommandBuffer::PresentDrawable(const Ref<Drawable>& drawable)
{
  if (drawable)
    mPresents.push_back(drawable);
}

void CommandBuffer::AddScheduledHandler(Handler handler) { mScheduledHandlers.push_back(std::move(handler)); }
void CommandBuffer::AddCompletedHandler(Handler handler) { mCompletedHandlers.push_back(std::move(handler)); }

void CommandBuffer::Enqueue()
{
  if (Status() != CommandBufferStatus::NotEnqueued)
    return;
  SetStatus(CommandBufferStatus::Enqueued);
  mQueue->Enqueue(*this);
}

void CommandBuffer::Commit()
{
  CommandBufferStatus status = Status();
  if (status != CommandBufferStatus::NotEnqueued && status != CommandBufferStatus::Enqueued)
  {
    mDevice->ReportValidationError("commit: the command buffer was already committed");
    return;
  }
  if (mEncoderOpen)
  {
    mDevice->ReportValidationError("commit: an encoder was not ended");
    mPasses.back()->ended = true;
    mEncoderOpen = false;
  }
  Enqueue();
  for (const auto& pass : mPasses)
  {
    for (Texture* t : pass->WrittenTextures())
      t->CountPendingUse(true, 1);
    for (Texture* t : pass->ReadTextures())
      t->CountPendingUse(false, 1);
  }
  mCommitSerial = detail::CountCommitted();
  SetStatus(CommandBufferStatus::Committed);
  mQueue->Committed(*this, mDevice->IsSynchronous());
  // One more commit: the oldest held buffer of the process, in whichever queue, may run.
  detail::WakeHeldQueues();
}

void CommandBuffer::WaitFor(CommandBufferStatus wanted, const char* what)
{
  const CommandBufferStatus status = Status();
  if (status == CommandBufferStatus::NotEnqueued || status == CommandBufferStatus::Enqueued)
  {
    std::fprintf(stderr, "Metal stand-in: %s on a command buffer that was never committed\n", what);
    std::abort();
  }
  // Waiting for a buffer makes the GPU catch up with it, held or not.
  if (status < wanted)
    mQueue->ReleaseThrough(mSequence);
  std::unique_lock<std::mutex> lock(mStatusMutex);
  mStatusChanged.wait(lock, [&] { return uint64_t(mStatus) >= uint64_t(wanted); });
}

void CommandBuffer::WaitUntilScheduled() { WaitFor(CommandBufferStatus::Scheduled, "waitUntilScheduled"); }
void CommandBuffer::WaitUntilCompleted() { WaitFor(CommandBufferStatus::Completed, "waitUntilCompleted"); }

void CommandBuffer::Execute()
{
  SetStatus(CommandBufferStatus::Scheduled);
  for (auto& handler : mScheduledHandlers)
    handler(*this);
  const bool executes = mDevice->ExecutesPasses();
  for (const auto& pass : mPasses)
  {
    const std::vector<Texture*> written = pass->WrittenTextures();
    if (executes)
      for (Texture* t : written)
      {
        std::lock_guard<std::mutex> lock(t->StorageMutex());
        t->GpuWillWrite();
      }
    if (executes && pass->kind == detail::RecordedPass::Kind::Render)
      detail::ExecuteRenderPass(*mDevice, *pass);
    else if (executes)
      detail::ExecuteBlitPass(*mDevice, *pass);
    for (Texture* t : written)
      t->CountPendingUse(true, -1);
    for (Texture* t : pass->ReadTextures())
      t->CountPendingUse(false, -1);
  }
  if (executes)
    for (auto& drawable : mPresents)
      drawable->PresentAfterCompletion();
  // What the passes held is let go before anyone hears of completion.
  mPasses.clear();
  mPresents.clear();
  SetStatus(CommandBufferStatus::Completed);
  std::vector<Handler> handlers = std::move(mCompletedHandlers);
  for (auto& handler : handlers)
    handler(*this);
  handlers.clear(); // what the handlers hold goes before the drain point hears of it
}

// ---------------------------------------------------------------------------------------------
// Encoders

CommandEncoder::CommandEncoder(CommandBuffer& buffer, detail::RecordedPass& pass) : mBuffer(&buffer), mPass(&pass) {}

bool CommandEncoder::Open(const char* what)
{
  const CommandBufferStatus status = mBuffer->Status();
  const bool committed = status != CommandBufferStatus::NotEnqueued && status != CommandBufferStatus::Enqueued;
  if (!committed && !mPass->ended)
    return true;
  mBuffer->GetDevice().ReportValidationError(std::string(what) + (committed ? " after commit" : " after endEncoding"));
  return false;
}

void RenderCommandEncoder::Record(detail::RenderCommand&& command, const char* what, uint64_t index, uint64_t limit)
{
  if (!Open(what))
    return;
  if (limit > 0)
  {
    if (index >= limit)
    {
      mBuffer->GetDevice().ReportValidationError(std::string(what) + ": index out of range");
      return;
    }
    command.index = uint32_t(index);
  }
  mPass->renderCommands.push_back(std::move(command));
}

namespace {
detail::RenderCommand Command(detail::RenderOp op, Ref<Object> object = nullptr, uint64_t a = 0, uint64_t kind = 0)
{
  detail::RenderCommand c;
  c.op = op;
  c.object = std::move(object);
  c.a = a;
  c.kind = kind;
  return c;
}
constexpr uint64_t kBuffers = kMaxBufferBindings;
constexpr uint64_t kTextures = kMaxTextureBindings;
} // namespace

void RenderCommandEncoder::SetRenderPipelineState(const Ref<RenderPipelineState>& state)
{
  Record(Command(detail::RenderOp::SetPipeline, state), "setRenderPipelineState");
}

void RenderCommandEncoder::SetDepthStencilState(const Ref<DepthStencilState>& state)
{
  Record(Command(detail::RenderOp::SetDepthStencil, state), "setDepthStencilState");
}

void RenderCommandEncoder::SetStencilReferenceValue(uint32_t value) { SetStencilReferenceValues(value, value); }

void RenderCommandEncoder::SetStencilReferenceValues(uint32_t front, uint32_t back)
{
  auto c = Command(detail::RenderOp::SetStencilReference);
  c.index = front;
  c.back = back;
  Record(std::move(c), "setStencilReferenceValue");
}

void RenderCommandEncoder::SetCullMode(CullMode mode)
{
  Record(Command(detail::RenderOp::SetCullMode, nullptr, 0, uint64_t(mode)), "setCullMode");
}

void RenderCommandEncoder::SetFrontFacingWinding(Winding winding)
{
  Record(Command(detail::RenderOp::SetWinding, nullptr, 0, uint64_t(winding)), "setFrontFacingWinding");
}

void RenderCommandEncoder::SetViewport(const Viewport& viewport)
{
  auto c = Command(detail::RenderOp::SetViewport);
  c.viewport = viewport;
  Record(std::move(c), "setViewport");
}

void RenderCommandEncoder::SetVertexBuffer(const Ref<Buffer>& buffer, uint64_t offset, uint64_t index)
{
  Record(Command(detail::RenderOp::SetVertexBuffer, buffer, offset), "setVertexBuffer", index, kBuffers);
}

void RenderCommandEncoder::SetVertexBufferOffset(uint64_t offset, uint64_t index)
{
  Record(Command(detail::RenderOp::SetVertexBufferOffset, nullptr, offset), "setVertexBufferOffset", index, kBuffers);
}

bool RenderCommandEncoder::CheckConstantOffset(uint64_t offset, const char* what)
{
  if (offset % kConstantBufferOffsetAlignment == 0)
    return true;
  mBuffer->GetDevice().ReportValidationError(std::string(what) + ": offset " + std::to_string(offset) +
                                             " of a constant buffer is not a multiple of 256");
  return false;
}

void RenderCommandEncoder::SetFragmentBuffer(const Ref<Buffer>& buffer, uint64_t offset, uint64_t index)
{
  if (!CheckConstantOffset(offset, "setFragmentBuffer"))
    return;
  Record(Command(detail::RenderOp::SetFragmentBuffer, buffer, offset), "setFragmentBuffer", index, kBuffers);
}

void RenderCommandEncoder::SetFragmentBufferOffset(uint64_t offset, uint64_t index)
{
  if (!CheckConstantOffset(offset, "setFragmentBufferOffset"))
    return;
  Record(Command(detail::RenderOp::SetFragmentBufferOffset, nullptr, offset), "setFragmentBufferOffset", index,
         kBuffers);
}

void RenderCommandEncoder::SetFragmentTexture(const Ref<Texture>& texture, uint64_t index)
{
  if (texture && texture->IsFramebufferOnly())
  {
    mBuffer->GetDevice().ReportValidationError("setFragmentTexture: a framebuffer-only texture cannot be sampled");
    return;
  }
  Record(Command(detail::RenderOp::SetFragmentTexture, texture), "setFragmentTexture", index, kTextures);
}

void RenderCommandEncoder::SetFragmentSamplerState(const Ref<SamplerState>& sampler, uint64_t index)
{
  Record(Command(detail::RenderOp::SetFragmentSampler, sampler), "setFragmentSamplerState", index, kTextures);
}

void RenderCommandEncoder::DrawPrimitives(PrimitiveType type, uint64_t vertexStart, uint64_t vertexCount)
{
  auto c = Command(detail::RenderOp::Draw, nullptr, vertexStart, uint64_t(type));
  c.b = vertexCount;
  Record(std::move(c), "drawPrimitives");
}

void RenderCommandEncoder::DrawIndexedPrimitives(PrimitiveType type, uint64_t indexCount, IndexType indexType,
                                                 const Ref<Buffer>& indexBuffer, uint64_t indexBufferOffset)
{
  auto c = Command(detail::RenderOp::DrawIndexed, indexBuffer, indexCount, uint64_t(type));
  c.b = uint64_t(indexType);
  c.c = indexBufferOffset;
  Record(std::move(c), "drawIndexedPrimitives");
}

void BlitCommandEncoder::CopyFromBuffer(const Ref<Buffer>& source, uint64_t sourceOffset, uint64_t sourceBytesPerRow,
                                        uint64_t, const Size& sourceSize, const Ref<Texture>& destination, uint64_t,
                                        uint64_t destinationLevel, const Origin& destinationOrigin)
{
  if (!Open("copyFromBuffer"))
    return;
  if (!source || !destination)
  {
    mBuffer->GetDevice().ReportValidationError("copyFromBuffer: no source or destination");
    return;
  }
  detail::BlitCommand c;
  c.op = detail::BlitOp::CopyBufferToTexture;
  c.buffer = source;
  c.texture = destination;
  c.sourceOffset = sourceOffset;
  c.bytesPerRow = sourceBytesPerRow;
  c.size = sourceSize;
  c.level = destinationLevel;
  c.origin = destinationOrigin;
  mPass->blitCommands.push_back(std::move(c));
}

void BlitCommandEncoder::GenerateMipmaps(const Ref<Texture>& texture)
{
  if (!Open("generateMipmaps"))
    return;
  if (!texture || texture->GetPixelFormat() == PixelFormat::Stencil8)
  {
    mBuffer->GetDevice().ReportValidationError("generateMipmaps: not a colour texture");
    return;
  }
  detail::BlitCommand c;
  c.op = detail::BlitOp::GenerateMipmaps;
  c.texture = texture;
  mPass->blitCommands.push_back(std::move(c));
}

void BlitCommandEncoder::SynchronizeResource(const Ref<Object>& resource)
{
  if (!Open("synchronizeResource"))
    return;
  detail::BlitCommand c;
  c.op = detail::BlitOp::Synchronize;
  c.texture = dynamic_cast<Texture*>(resource.Get());
  mPass->blitCommands.push_back(std::move(c));
}

void CommandEncoder::EndEncoding()
{
  if (!Open("endEncoding"))
    return;
  mPass->ended = true;
  mBuffer->EncoderEnded();
}

} // namespace standin::mtl
