#pragma once
#include "standin/metal/Object.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A CPU stand-in for the parts of Metal the editor's render back end uses.
//
// Resources are made by a Device and are reference counted (Object.h). Command buffers record
// render and blit passes; committed buffers run in queue order on the queue's worker thread
// (or at once on the committing thread when the device is synchronous), then their completed
// handlers run on that same thread. Releasing a queue does not wait for its buffers: a buffer in
// flight keeps what it uses alive and completes later. Textures follow macOS on x86-64: managed
// storage by default (shared storage is refused), GPU writes reach the CPU only through a
// synchronizeResource blit, drawables are framebuffer-only. Misuse that Metal's validation layer reports (a pixel format
// that does not match the pass, a region outside a texture, CPU access to private storage, ...)
// is refused and counted on the device, so tests can require a clean run.
namespace standin::mtl {

// Enumerations keep Metal's numbering.
enum class PixelFormat : uint64_t
{
  Invalid = 0,
  R8Unorm = 10,
  RGBA8Unorm = 70,
  BGRA8Unorm = 80,
  Stencil8 = 253,
};

// Bytes per pixel of a format (0 for Invalid).
int BytesPerPixel(PixelFormat format);

enum class BlendFactor : uint64_t
{
  Zero = 0,
  One = 1,
  SourceColor = 2,
  OneMinusSourceColor = 3,
  SourceAlpha = 4,
  OneMinusSourceAlpha = 5,
  DestinationColor = 6,
  OneMinusDestinationColor = 7,
  DestinationAlpha = 8,
  OneMinusDestinationAlpha = 9,
  SourceAlphaSaturated = 10,
};

enum class BlendOperation : uint64_t
{
  Add = 0,
  Subtract = 1,
  ReverseSubtract = 2,
  Min = 3,
  Max = 4,
};

enum ColorWriteMask : uint64_t
{
  ColorWriteMaskNone = 0,
  ColorWriteMaskAlpha = 1,
  ColorWriteMaskBlue = 2,
  ColorWriteMaskGreen = 4,
  ColorWriteMaskRed = 8,
  ColorWriteMaskAll = 15,
};

enum class CompareFunction : uint64_t
{
  Never = 0,
  Less = 1,
  Equal = 2,
  LessEqual = 3,
  Greater = 4,
  NotEqual = 5,
  GreaterEqual = 6,
  Always = 7,
};

enum class StencilOperation : uint64_t
{
  Keep = 0,
  Zero = 1,
  Replace = 2,
  IncrementClamp = 3,
  DecrementClamp = 4,
  Invert = 5,
  IncrementWrap = 6,
  DecrementWrap = 7,
};

enum class CullMode : uint64_t { None = 0, Front = 1, Back = 2 };
enum class Winding : uint64_t { Clockwise = 0, CounterClockwise = 1 };
enum class PrimitiveType : uint64_t { Point = 0, Line = 1, LineStrip = 2, Triangle = 3, TriangleStrip = 4 };
enum class IndexType : uint64_t { UInt16 = 0, UInt32 = 1 };
enum class LoadAction : uint64_t { DontCare = 0, Load = 1, Clear = 2 };
enum class StoreAction : uint64_t { DontCare = 0, Store = 1 };

enum class SamplerMinMagFilter : uint64_t { Nearest = 0, Linear = 1 };
enum class SamplerMipFilter : uint64_t { NotMipmapped = 0, Nearest = 1, Linear = 2 };
enum class SamplerAddressMode : uint64_t { ClampToEdge = 0, MirrorClampToEdge = 1, Repeat = 2 };

enum class StorageMode : uint64_t { Shared = 0, Managed = 1, Private = 2 };

// Buffer options: storage mode in bits 4..7, CPU cache mode in bits 0..3.
enum ResourceOptions : uint64_t
{
  ResourceCPUCacheModeDefaultCache = 0,
  ResourceCPUCacheModeWriteCombined = 1,
  ResourceStorageModeShared = 0,
  ResourceStorageModeManaged = 16,
  ResourceStorageModePrivate = 32,
};

enum TextureUsage : uint64_t
{
  TextureUsageUnknown = 0,
  TextureUsageShaderRead = 1,
  TextureUsageShaderWrite = 2,
  TextureUsageRenderTarget = 4,
};

enum class VertexFormat : uint64_t { Invalid = 0, Float = 28, Float2 = 29, Float3 = 30, Float4 = 31 };
enum class VertexStepFunction : uint64_t { Constant = 0, PerVertex = 1 };

enum class CommandBufferStatus : uint64_t
{
  NotEnqueued = 0,
  Enqueued = 1,
  Committed = 2,
  Scheduled = 3,
  Completed = 4,
  Error = 5,
};

enum class FunctionType : uint64_t { Vertex = 1, Fragment = 2 };

struct Origin { uint64_t x = 0, y = 0, z = 0; };
struct Size { uint64_t width = 0, height = 0, depth = 1; };
struct Region
{
  Origin origin;
  Size size;
  static Region Make2D(uint64_t x, uint64_t y, uint64_t width, uint64_t height)
  {
    return Region{{x, y, 0}, {width, height, 1}};
  }
};
struct ClearColor { double red = 0, green = 0, blue = 0, alpha = 1; };
struct Viewport { double originX = 0, originY = 0, width = 0, height = 0, znear = 0, zfar = 1; };

class Device;
class Buffer;
class Texture;
class CommandQueue;
class CommandBuffer;
class Drawable;

// Limits of this stand-in. Constant over the process.
constexpr int kMaxBufferBindings = 8;   // per stage
constexpr int kMaxTextureBindings = 4;  // per stage
constexpr int kMaxVertexAttributes = 8;
constexpr int kMaxVaryings = 16;        // floats passed from the vertex to the fragment stage
constexpr uint64_t kMaxTextureSize = 16384;
constexpr uint64_t kMaxBufferLength = uint64_t(1) << 30;
// A buffer argument in the constant address space is bound at a multiple of this (macOS). The
// fragment stage's buffers are constant ones here.
constexpr uint64_t kConstantBufferOffsetAlignment = 256;

// ---------------------------------------------------------------------------------------------
// Errors

class Error : public Object
{
public:
  explicit Error(std::string description) : mDescription(std::move(description)) {}
  const std::string& LocalizedDescription() const { return mDescription; }

private:
  std::string mDescription;
};

// ---------------------------------------------------------------------------------------------
// Resources

class Buffer : public Object
{
public:
  void* Contents() { return mBytes.data(); }
  const void* Contents() const { return mBytes.data(); }
  uint64_t Length() const { return mBytes.size(); }
  uint64_t Options() const { return mOptions; }

private:
  friend class Device;
  Buffer(uint64_t length, uint64_t options) : mBytes(length, 0), mOptions(options) {}
  std::vector<uint8_t> mBytes;
  uint64_t mOptions;
};

struct TextureDescriptor
{
  PixelFormat pixelFormat = PixelFormat::RGBA8Unorm;
  uint64_t width = 1;
  uint64_t height = 1;
  uint64_t mipmapLevelCount = 1;
  uint64_t usage = TextureUsageShaderRead;
  // Managed or private: a texture cannot have shared storage here, as on an Intel Mac.
  StorageMode storageMode = StorageMode::Managed;
  // Only a render target, as a layer's drawables are: never sampled, read or written by the CPU.
  bool framebufferOnly = false;

  // A 2D texture; mipmapped gives it every level down to 1x1.
  static TextureDescriptor Texture2D(PixelFormat format, uint64_t width, uint64_t height, bool mipmapped);
};

// A 2D texture. Its pixels are guarded by a mutex, so the CPU may upload or read back while the
// worker renders other passes; a pass holds the lock of each texture it uses while it runs.
//
// Managed storage has a CPU copy and a GPU copy. The CPU's uploads reach both; what a pass or a
// blit writes stays on the GPU side, and the CPU reads what it last saw, until a
// synchronizeResource blit has run. An upload into a texture that a committed, unfinished
// buffer still reads or writes is a hazard: reported, then abort (as a validation layer would
// stop the program).
class Texture : public Object
{
public:
  PixelFormat GetPixelFormat() const { return mFormat; }
  uint64_t Width() const { return mWidth; }
  uint64_t Height() const { return mHeight; }
  uint64_t MipmapLevelCount() const { return mLevels.size(); }
  uint64_t Usage() const { return mUsage; }
  StorageMode GetStorageMode() const { return mStorageMode; }
  bool IsFramebufferOnly() const { return mFramebufferOnly; }

  // CPU upload and read-back of a region of one level; rows are bytesPerRow apart. Refused for
  // private storage and framebuffer-only textures. A region reaching past the texture is clipped to it (a validation error);
  // the bytes keep their places relative to the region's origin.
  void ReplaceRegion(const Region& region, uint64_t level, const void* bytes, uint64_t bytesPerRow);
  void GetBytes(void* bytes, uint64_t bytesPerRow, const Region& region, uint64_t level) const;

  // Internal: the storage of one level, tightly packed rows. Hold StorageMutex() while using it.
  uint8_t* LevelData(uint64_t level) { return mLevels[level].data(); }
  const uint8_t* LevelData(uint64_t level) const { return mLevels[level].data(); }
  uint64_t LevelWidth(uint64_t level) const { return std::max<uint64_t>(1, mWidth >> level); }
  uint64_t LevelHeight(uint64_t level) const { return std::max<uint64_t>(1, mHeight >> level); }
  std::mutex& StorageMutex() const { return mStorageMutex; }
  Device& GetDevice() const { return *mDevice; }

  // Internal: passes committed and not yet run that write (or only read) this texture; delta
  // +1 at commit, -1 once the pass has run.
  void CountPendingUse(bool write, int delta);
  bool HasPendingWrites() const;
  void WaitForPendingWrites() const;
  // Internal, storage lock held: a pass or blit is about to write the GPU copy, so the CPU keeps
  // the contents it saw (managed storage only); a synchronizeResource blit brings them level.
  void GpuWillWrite();
  void Synchronize();

private:
  friend class Device;
  Texture(Device& device, const TextureDescriptor& descriptor);
  bool CheckCpuAccess(const Region& region, uint64_t level, Region& clipped, const char* what) const;
  // Copies between CPU bytes and a level (upload: into the texture; the bytes are only read).
  void CopyRegion(const Region& region, uint64_t level, uint8_t* cpu, uint64_t bytesPerRow, bool upload,
                  const char* what) const;

  Ref<Device> mDevice;
  PixelFormat mFormat;
  uint64_t mWidth, mHeight, mUsage;
  StorageMode mStorageMode;
  bool mFramebufferOnly;
  std::vector<std::vector<uint8_t>> mLevels;     // the GPU's copy
  std::vector<std::vector<uint8_t>> mCpuLevels;  // what the CPU sees, when it differs (else empty)
  mutable std::mutex mStorageMutex;
  mutable std::mutex mPendingMutex;
  mutable std::condition_variable mPendingDone;
  int mPendingWrites = 0;
  int mPendingReads = 0;
};

struct SamplerDescriptor
{
  SamplerMinMagFilter minFilter = SamplerMinMagFilter::Nearest;
  SamplerMinMagFilter magFilter = SamplerMinMagFilter::Nearest;
  SamplerMipFilter mipFilter = SamplerMipFilter::NotMipmapped;
  SamplerAddressMode sAddressMode = SamplerAddressMode::ClampToEdge;
  SamplerAddressMode tAddressMode = SamplerAddressMode::ClampToEdge;
  bool normalizedCoordinates = true;
};

class SamplerState : public Object
{
public:
  const SamplerDescriptor& Descriptor() const { return mDescriptor; }

private:
  friend class Device;
  explicit SamplerState(const SamplerDescriptor& descriptor) : mDescriptor(descriptor) {}
  SamplerDescriptor mDescriptor;
};

struct StencilDescriptor
{
  CompareFunction stencilCompareFunction = CompareFunction::Always;
  StencilOperation stencilFailureOperation = StencilOperation::Keep;
  StencilOperation depthFailureOperation = StencilOperation::Keep;
  StencilOperation depthStencilPassOperation = StencilOperation::Keep;
  uint32_t readMask = 0xff;
  uint32_t writeMask = 0xff;
};

// A face without a stencil descriptor is not stencil-tested and leaves the stencil alone.
struct DepthStencilDescriptor
{
  CompareFunction depthCompareFunction = CompareFunction::Always;
  bool depthWriteEnabled = false;
  bool hasFrontFaceStencil = false;
  StencilDescriptor frontFaceStencil;
  bool hasBackFaceStencil = false;
  StencilDescriptor backFaceStencil;

  void SetFrontFaceStencil(const StencilDescriptor& d) { frontFaceStencil = d; hasFrontFaceStencil = true; }
  void SetBackFaceStencil(const StencilDescriptor& d) { backFaceStencil = d; hasBackFaceStencil = true; }
};

class DepthStencilState : public Object
{
public:
  const DepthStencilDescriptor& Descriptor() const { return mDescriptor; }

private:
  friend class Device;
  explicit DepthStencilState(const DepthStencilDescriptor& descriptor) : mDescriptor(descriptor) {}
  DepthStencilDescriptor mDescriptor;
};

// ---------------------------------------------------------------------------------------------
// Shader library and pipelines

struct ShaderFunctionEntry; // Shader.h

class Function : public Object
{
public:
  const std::string& Name() const { return mName; }
  FunctionType GetFunctionType() const;
  const ShaderFunctionEntry& Entry() const { return *mEntry; }

private:
  friend class Library;
  Function(std::string name, const ShaderFunctionEntry* entry) : mName(std::move(name)), mEntry(entry) {}
  std::string mName;
  const ShaderFunctionEntry* mEntry;
};

// A library made from a data blob (see Shader.h for its format): it names functions whose code
// was registered with the process under the blob's library name.
class Library : public Object
{
public:
  // Null when the library has no function of that name.
  Ref<Function> NewFunction(const std::string& name) const;
  std::vector<std::string> FunctionNames() const;

private:
  friend class Device;
  Library() = default;
  std::vector<std::pair<std::string, const ShaderFunctionEntry*>> mFunctions;
};

struct VertexAttributeDescriptor
{
  VertexFormat format = VertexFormat::Invalid;
  uint64_t offset = 0;
  uint64_t bufferIndex = 0;
};

struct VertexBufferLayoutDescriptor
{
  uint64_t stride = 0;
  VertexStepFunction stepFunction = VertexStepFunction::PerVertex;
  uint64_t stepRate = 1;
};

struct VertexDescriptor
{
  std::array<VertexAttributeDescriptor, kMaxVertexAttributes> attributes{};
  std::array<VertexBufferLayoutDescriptor, kMaxBufferBindings> layouts{};
};

struct RenderPipelineColorAttachmentDescriptor
{
  PixelFormat pixelFormat = PixelFormat::Invalid;
  bool blendingEnabled = false;
  BlendFactor sourceRGBBlendFactor = BlendFactor::One;
  BlendFactor destinationRGBBlendFactor = BlendFactor::Zero;
  BlendOperation rgbBlendOperation = BlendOperation::Add;
  BlendFactor sourceAlphaBlendFactor = BlendFactor::One;
  BlendFactor destinationAlphaBlendFactor = BlendFactor::Zero;
  BlendOperation alphaBlendOperation = BlendOperation::Add;
  uint64_t writeMask = ColorWriteMaskAll;
};

// One colour attachment: this stand-in renders to attachment 0 only.
struct RenderPipelineDescriptor
{
  Ref<Function> vertexFunction;
  Ref<Function> fragmentFunction; // none: the pipeline writes no colour, only stencil
  bool hasVertexDescriptor = false;
  VertexDescriptor vertexDescriptor;
  std::array<RenderPipelineColorAttachmentDescriptor, 1> colorAttachments{};
  PixelFormat depthAttachmentPixelFormat = PixelFormat::Invalid;
  PixelFormat stencilAttachmentPixelFormat = PixelFormat::Invalid;

  void SetVertexDescriptor(const VertexDescriptor& d) { vertexDescriptor = d; hasVertexDescriptor = true; }
};

class RenderPipelineState : public Object
{
public:
  const RenderPipelineDescriptor& Descriptor() const { return mDescriptor; }

private:
  friend class Device;
  explicit RenderPipelineState(const RenderPipelineDescriptor& descriptor) : mDescriptor(descriptor) {}
  RenderPipelineDescriptor mDescriptor;
};

// ---------------------------------------------------------------------------------------------
// Device

class Device : public Object
{
public:
  const std::string& Name() const { return mName; }

  Ref<CommandQueue> NewCommandQueue();
  // Null for a length of 0 or above kMaxBufferLength. Contents start zeroed.
  Ref<Buffer> NewBuffer(uint64_t length, uint64_t options);
  Ref<Buffer> NewBuffer(const void* bytes, uint64_t length, uint64_t options);
  // Null for an unsupported format, a side of 0 or above kMaxTextureSize, or too many levels.
  Ref<Texture> NewTexture(const TextureDescriptor& descriptor);
  Ref<SamplerState> NewSamplerState(const SamplerDescriptor& descriptor);
  Ref<DepthStencilState> NewDepthStencilState(const DepthStencilDescriptor& descriptor);
  // Null with an error when the blob is not a library or names functions nobody registered.
  Ref<Library> NewLibrary(const void* data, size_t length, Ref<Error>* error);
  // Null with an error for a missing or mismatched function or an inconsistent vertex layout.
  Ref<RenderPipelineState> NewRenderPipelineState(const RenderPipelineDescriptor& descriptor, Ref<Error>* error);

  // Stand-in controls.
  // Synchronous: Commit runs the buffer (and the ones before it) on the committing thread and
  // returns when its completed handlers have run.
  void SetSynchronous(bool synchronous) { mSynchronous.store(synchronous); }
  bool IsSynchronous() const { return mSynchronous.load(); }
  // The next n buffer or texture creations fail, as when memory runs out.
  void FailNextAllocations(int n) { mFailAllocations.store(n); }
  // Off: committed buffers complete without running their passes (nothing is rasterised or
  // presented, and layers do not fill new drawables), for measuring what the CPU does up to the
  // hand-over to the GPU.
  void SetExecutesPasses(bool executes) { mExecutesPasses.store(executes); }
  bool ExecutesPasses() const { return mExecutesPasses.load(); }

  // Validation: misuse is refused and recorded here. Each message also goes to the process's
  // validation sink, when the program defines one (see kValidationSinkSymbol), as Metal's
  // validation layer writes to the process's console: a host sees every device's messages,
  // those of the devices inside a loaded bundle too.
  void ReportValidationError(const std::string& message);
  int ValidationErrorCount() const;
  std::vector<std::string> ValidationMessages() const;

private:
  friend Ref<Device> CreateSystemDefaultDevice();
  Device();
  bool TakeAllocationFailure();

  std::string mName;
  std::atomic<bool> mSynchronous{false};
  std::atomic<int> mFailAllocations{0};
  std::atomic<bool> mExecutesPasses{true};
  mutable std::mutex mValidationMutex;
  std::vector<std::string> mValidationMessages;
};

// A new device each call (so that tests do not share one), asynchronous unless
// SetDefaultSynchronous(true) was called; with VELLICOR_METAL_EXECUTES_PASSES=0 in the
// environment it does not execute passes (SetExecutesPasses(false)).
Ref<Device> CreateSystemDefaultDevice();

// The name of the C function `void (const char* message)` that a program exports (from its
// executable, so that every copy of this layer in the process finds the same one) to receive
// every device's validation messages.
constexpr const char* kValidationSinkSymbol = "standin_metal_validation_sink";
void SetDefaultSynchronous(bool synchronous);

// ---------------------------------------------------------------------------------------------
// Command submission

namespace detail {
struct RecordedPass;
struct RenderCommand;
class QueueCore;
} // namespace detail

struct RenderPassColorAttachmentDescriptor
{
  Ref<Texture> texture;
  uint64_t level = 0;
  LoadAction loadAction = LoadAction::DontCare;
  StoreAction storeAction = StoreAction::Store;
  ClearColor clearColor;
};

struct RenderPassStencilAttachmentDescriptor
{
  Ref<Texture> texture;
  LoadAction loadAction = LoadAction::DontCare;
  StoreAction storeAction = StoreAction::DontCare;
  uint32_t clearStencil = 0;
};

struct RenderPassDescriptor
{
  std::array<RenderPassColorAttachmentDescriptor, 1> colorAttachments{};
  RenderPassStencilAttachmentDescriptor stencilAttachment;
};

class RenderCommandEncoder;
class BlitCommandEncoder;

// Something that can be shown once the buffers rendering it have completed.
class Drawable : public Object
{
public:
  virtual void Present() = 0;

protected:
  friend class CommandBuffer;
  // Called on the worker thread after the command buffer that presents it has completed.
  virtual void PresentAfterCompletion() = 0;
};

class CommandBuffer : public Object
{
public:
  using Handler = std::function<void(CommandBuffer&)>;

  CommandBufferStatus Status() const;
  Device& GetDevice() const { return *mDevice; }

  // Null (with a validation error) while another encoder is open, after Commit, or for a pass
  // without a colour or stencil texture, a texture without render-target usage, a stencil
  // attachment that is not Stencil8, or a colour attachment of a stencil format.
  Ref<RenderCommandEncoder> NewRenderCommandEncoder(const RenderPassDescriptor& descriptor);
  Ref<BlitCommandEncoder> NewBlitCommandEncoder();

  // Presents the drawable once this buffer has completed.
  void PresentDrawable(const Ref<Drawable>& drawable);
  void AddScheduledHandler(Handler handler);
  void AddCompletedHandler(Handler handler);

  // Reserves this buffer's place in its queue's order.
  void Enqueue();
  // Enqueues if needed and hands the buffer to its queue. Buffers run in enqueue order: one
  // enqueued and never committed holds back every later one of its queue.
  void Commit();
  // Waiting on a buffer that was never committed is a programming error: reported, then abort.
  void WaitUntilScheduled();
  void WaitUntilCompleted();

  ~CommandBuffer() override;

private:
  friend class CommandQueue;
  friend class CommandEncoder;
  friend class detail::QueueCore;
  CommandBuffer(Device& device, std::shared_ptr<detail::QueueCore> queue);
  void Execute();          // on the worker: runs the passes
  void SetStatus(CommandBufferStatus status);
  void WaitFor(CommandBufferStatus status, const char* what);
  void EncoderEnded() { mEncoderOpen = false; }

  Ref<Device> mDevice;
  std::shared_ptr<detail::QueueCore> mQueue;
  std::vector<std::unique_ptr<detail::RecordedPass>> mPasses;
  std::vector<Ref<Drawable>> mPresents;
  std::vector<Handler> mScheduledHandlers;
  std::vector<Handler> mCompletedHandlers;
  bool mEncoderOpen = false;
  uint64_t mSequence = 0;     // place in the queue's order, from 1 once enqueued
  uint64_t mCommitSerial = 0; // place among the process's commits, from 1 once committed
  mutable std::mutex mStatusMutex;
  std::condition_variable mStatusChanged;
  CommandBufferStatus mStatus = CommandBufferStatus::NotEnqueued;
};

// What the render and blit encoders share: recording into one pass of a buffer until
// EndEncoding.
class CommandEncoder : public Object
{
public:
  void EndEncoding();

protected:
  CommandEncoder(CommandBuffer& buffer, detail::RecordedPass& pass);
  // False (reported) once the encoder has ended or its buffer is committed.
  bool Open(const char* what);
  Ref<CommandBuffer> mBuffer;
  detail::RecordedPass* mPass; // owned by the buffer; used only until the buffer is committed
};

class RenderCommandEncoder : public CommandEncoder
{
public:
  void SetRenderPipelineState(const Ref<RenderPipelineState>& state);
  void SetDepthStencilState(const Ref<DepthStencilState>& state);
  void SetStencilReferenceValue(uint32_t value);
  void SetStencilReferenceValues(uint32_t front, uint32_t back);
  void SetCullMode(CullMode mode);
  void SetFrontFacingWinding(Winding winding);
  void SetViewport(const Viewport& viewport);
  void SetVertexBuffer(const Ref<Buffer>& buffer, uint64_t offset, uint64_t index);
  void SetVertexBufferOffset(uint64_t offset, uint64_t index);
  // Offsets must be multiples of kConstantBufferOffsetAlignment.
  void SetFragmentBuffer(const Ref<Buffer>& buffer, uint64_t offset, uint64_t index);
  void SetFragmentBufferOffset(uint64_t offset, uint64_t index);
  // Refused for a framebuffer-only texture.
  void SetFragmentTexture(const Ref<Texture>& texture, uint64_t index);
  void SetFragmentSamplerState(const Ref<SamplerState>& sampler, uint64_t index);
  void DrawPrimitives(PrimitiveType type, uint64_t vertexStart, uint64_t vertexCount);
  void DrawIndexedPrimitives(PrimitiveType type, uint64_t indexCount, IndexType indexType,
                             const Ref<Buffer>& indexBuffer, uint64_t indexBufferOffset);

private:
  friend class CommandBuffer;
  using CommandEncoder::CommandEncoder;
  // Records a command unless the encoder is closed. Binding commands give their index and the
  // number of binding slots (limit); an index out of range is refused.
  void Record(detail::RenderCommand&& command, const char* what, uint64_t index = 0, uint64_t limit = 0);
  bool CheckConstantOffset(uint64_t offset, const char* what);
};

class BlitCommandEncoder : public CommandEncoder
{
public:
  void CopyFromBuffer(const Ref<Buffer>& source, uint64_t sourceOffset, uint64_t sourceBytesPerRow,
                      uint64_t sourceBytesPerImage, const Size& sourceSize, const Ref<Texture>& destination,
                      uint64_t destinationSlice, uint64_t destinationLevel, const Origin& destinationOrigin);
  void GenerateMipmaps(const Ref<Texture>& texture);
  // Makes a managed resource's GPU writes visible to the CPU; shared storage needs nothing.
  void SynchronizeResource(const Ref<Object>& resource);

private:
  friend class CommandBuffer;
  using CommandEncoder::CommandEncoder;
};

class CommandQueue : public Object
{
public:
  Ref<CommandBuffer> NewCommandBuffer();
  Device& GetDevice() const { return *mDevice; }
  // Does not wait: buffers committed before still run, in order, and complete later; the
  // worker ends after the last of them.
  ~CommandQueue() override;

private:
  friend class Device;
  explicit CommandQueue(Device& device);
  Ref<Device> mDevice;
  std::shared_ptr<detail::QueueCore> mCore;
};

// ---------------------------------------------------------------------------------------------
// Frames in flight, for tests and tools (process-wide, asynchronous devices only)

// The last `count` buffers committed in the process wait before they run, as on a GPU that many
// frames behind: the oldest runs when one more is committed (in any queue, released or not),
// when it or a later buffer of its queue is waited on, or at ReleaseHeldCommandBuffers or the
// drain point. 0 (the default) holds none; the environment variable
// VELLICOR_METAL_HELD_BUFFERS sets the count a process starts with.
void SetHeldCommandBuffers(int count);
int HeldCommandBuffers();
// Lets every buffer held now run (later ones are held again).
void ReleaseHeldCommandBuffers();
// The drain point: lets held buffers run and waits until every buffer committed in the process
// has completed and its completed handlers have returned, then joins the workers of released
// queues. Afterwards Object::LiveCount shows what nothing in flight keeps alive. With
// VELLICOR_METAL_LIVE_REPORT set in the environment, the process drains when it ends (or this
// module unloads) and prints that count.
void WaitUntilAllCommandBuffersCompleted();

} // namespace standin::mtl
