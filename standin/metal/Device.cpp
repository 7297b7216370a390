#include "standin/metal/Metal.h"
#include "standin/metal/Shader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>

namespace standin::mtl {

namespace {
std::atomic<int64_t> gLiveObjects{0};
std::atomic<bool> gDefaultSynchronous{false};

// Registered shader libraries by name. Entries are never removed, so pointers into them stay
// valid for the process.
struct Registry
{
  std::mutex mutex;
  std::map<std::string, std::vector<std::unique_ptr<ShaderFunctionEntry>>> libraries;
  std::vector<std::unique_ptr<ShaderFunctionEntry>> replaced;
};

Registry& TheRegistry()
{
  static Registry* registry = new Registry(); // outlives every static destructor
  return *registry;
}

const char* FormatName(PixelFormat format)
{
  switch (format)
  {
    case PixelFormat::R8Unorm: return "R8Unorm";
    case PixelFormat::RGBA8Unorm: return "RGBA8Unorm";
    case PixelFormat::BGRA8Unorm: return "BGRA8Unorm";
    case PixelFormat::Stencil8: return "Stencil8";
    default: return "Invalid";
  }
}

// Reads the library blob; false when it is malformed.
bool ParseLibraryBlob(const uint8_t* p, size_t length, std::string& libraryName,
                      std::vector<std::pair<std::string, FunctionType>>& functions)
{
  size_t pos = 0;
  auto need = [&](size_t n) { return n <= length - pos; };
  auto u8 = [&]() { return p[pos++]; };
  auto u16 = [&]() {
    uint16_t v = uint16_t(p[pos] | (p[pos + 1] << 8));
    pos += 2;
    return v;
  };
  auto text = [&](std::string& out) {
    if (!need(1))
      return false;
    size_t n = u8();
    if (!need(n))
      return false;
    out.assign(reinterpret_cast<const char*>(p + pos), n);
    pos += n;
    return true;
  };
  if (!p || length < 6 || p[0] != 'M' || p[1] != 'T' || p[2] != 'L' || p[3] != 'B')
    return false;
  pos = 4;
  if (u16() != 1)
    return false;
  if (!text(libraryName) || !need(2))
    return false;
  int count = u16();
  for (int i = 0; i < count; i++)
  {
    if (!need(1))
      return false;
    int type = u8();
    std::string name;
    if ((type != 1 && type != 2) || !text(name))
      return false;
    functions.emplace_back(std::move(name), FunctionType(type));
  }
  return pos == length;
}

void SetError(Ref<Error>* error, const std::string& text)
{
  if (error)
    *error = MakeRef<Error>(text);
}
} // namespace

Object::Object() { gLiveObjects.fetch_add(1, std::memory_order_relaxed); }
Object::~Object() { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }
int64_t Object::LiveCount() { return gLiveObjects.load(); }

int BytesPerPixel(PixelFormat format)
{
  switch (format)
  {
    case PixelFormat::R8Unorm:
    case PixelFormat::Stencil8: return 1;
    case PixelFormat::RGBA8Unorm:
    case PixelFormat::BGRA8Unorm: return 4;
    default: return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Shader registry and library blobs

bool ShaderFunctionEntry::DeclaresBuffer(int index) const
{
  return std::any_of(buffers.begin(), buffers.end(), [&](const BufferArgumentDeclaration& b) { return b.index == index; });
}

bool ShaderFunctionEntry::DeclaresTexture(int index) const
{
  return std::find(textures.begin(), textures.end(), index) != textures.end();
}

bool ShaderFunctionEntry::DeclaresSampler(int index) const
{
  return std::find(samplers.begin(), samplers.end(), index) != samplers.end();
}

void RegisterShaderLibrary(const std::string& libraryName, const std::vector<ShaderFunctionEntry>& functions)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto& entries = registry.libraries[libraryName];
  // Libraries made earlier keep pointing at the replaced entries: those stay alive.
  for (auto& e : entries)
    registry.replaced.push_back(std::move(e));
  entries.clear();
  for (const auto& f : functions)
    entries.push_back(std::make_unique<ShaderFunctionEntry>(f));
}

std::vector<uint8_t> EncodeLibraryBlob(const std::string& libraryName,
                                       const std::vector<ShaderFunctionEntry>& functions)
{
  std::vector<uint8_t> blob = {'M', 'T', 'L', 'B', 1, 0};
  auto text = [&](const std::string& s) {
    blob.push_back(uint8_t(std::min<size_t>(s.size(), 255)));
    blob.insert(blob.end(), s.begin(), s.begin() + std::min<size_t>(s.size(), 255));
  };
  text(libraryName);
  blob.push_back(uint8_t(functions.size() & 0xff));
  blob.push_back(uint8_t(functions.size() >> 8));
  for (const auto& f : functions)
  {
    blob.push_back(uint8_t(f.type));
    text(f.name);
  }
  return blob;
}

FunctionType Function::GetFunctionType() const { return mEntry->type; }

Ref<Function> Library::NewFunction(const std::string& name) const
{
  for (const auto& [functionName, entry] : mFunctions)
    if (functionName == name)
      return Ref<Function>::Adopt(new Function(name, entry));
  return nullptr;
}

std::vector<std::string> Library::FunctionNames() const
{
  std::vector<std::string> names;
  for (const auto& f : mFunctions)
    names.push_back(f.first);
  return names;
}

// ---------------------------------------------------------------------------------------------
// Device

Device::Device() : mName("Vellicor CPU stand-in") {}

Ref<Device> CreateSystemDefaultDevice()
{
  Ref<Device> device = Ref<Device>::Adopt(new Device());
  device->SetSynchronous(gDefaultSynchronous.load());
  // For runs that look at lifetimes, not pixels.
  const char* passes = std::getenv("VELLICOR_METAL_EXECUTES_PASSES");
  if (passes && std::string(passes) == "0")
    device->SetExecutesPasses(false);
  return device;
}

void SetDefaultSynchronous(bool synchronous) { gDefaultSynchronous.store(synchronous); }

bool Device::TakeAllocationFailure()
{
  int n = mFailAllocations.load();
  while (n > 0)
    if (mFailAllocations.compare_exchange_weak(n, n - 1))
      return true;
  return false;
}

void Device::ReportValidationError(const std::string& message)
{
  using Sink = void (*)(const char*);
  static const Sink sink = reinterpret_cast<Sink>(dlsym(RTLD_DEFAULT, kValidationSinkSymbol));
  if (sink)
    sink(message.c_str());
  std::lock_guard<std::mutex> lock(mValidationMutex);
  if (mValidationMessages.size() < 1000)
    mValidationMessages.push_back(message);
}

int Device::ValidationErrorCount() const
{
  std::lock_guard<std::mutex> lock(mValidationMutex);
  return int(mValidationMessages.size());
}

std::vector<std::string> Device::ValidationMessages() const
{
  std::lock_guard<std::mutex> lock(mValidationMutex);
  return mValidationMessages;
}

Ref<CommandQueue> Device::NewCommandQueue() { return Ref<CommandQueue>::Adopt(new CommandQueue(*this)); }

Ref<Buffer> Device::NewBuffer(uint64_t length, uint64_t options)
{
  if (length == 0 || length > kMaxBufferLength || TakeAllocationFailure())
    return nullptr;
  return Ref<Buffer>::Adopt(new Buffer(length, options));
}

Ref<Buffer> Device::NewBuffer(const void* bytes, uint64_t length, uint64_t options)
{
  Ref<Buffer> buffer = NewBuffer(length, options);
  if (buffer && bytes)
    std::copy_n(static_cast<const uint8_t*>(bytes), length, static_cast<uint8_t*>(buffer->Contents()));
  return buffer;
}

TextureDescriptor TextureDescriptor::Texture2D(PixelFormat format, uint64_t width, uint64_t height, bool mipmapped)
{
  TextureDescriptor d;
  d.pixelFormat = format;
  d.width = width;
  d.height = height;
  d.mipmapLevelCount = 1;
  if (mipmapped)
    for (uint64_t size = std::max(width, height); size > 1; size >>= 1)
      d.mipmapLevelCount++;
  return d;
}

Ref<Texture> Device::NewTexture(const TextureDescriptor& d)
{
  uint64_t maxLevels = 1;
  for (uint64_t size = std::max(d.width, d.height); size > 1; size >>= 1)
    maxLevels++;
  if (BytesPerPixel(d.pixelFormat) == 0 || d.width == 0 || d.height == 0 || d.width > kMaxTextureSize ||
      d.height > kMaxTextureSize || d.mipmapLevelCount == 0 || d.mipmapLevelCount > maxLevels)
    return nullptr;
  if (d.pixelFormat == PixelFormat::Stencil8 && d.mipmapLevelCount != 1)
    return nullptr;
  if (d.storageMode == StorageMode::Shared)
  {
    ReportValidationError("newTexture: shared storage is not available for textures on this device");
    return nullptr;
  }
  if (TakeAllocationFailure())
    return nullptr;
  return Ref<Texture>::Adopt(new Texture(*this, d));
}

Ref<SamplerState> Device::NewSamplerState(const SamplerDescriptor& descriptor)
{
  return Ref<SamplerState>::Adopt(new SamplerState(descriptor));
}

Ref<DepthStencilState> Device::NewDepthStencilState(const DepthStencilDescriptor& descriptor)
{
  return Ref<DepthStencilState>::Adopt(new DepthStencilState(descriptor));
}

Ref<Library> Device::NewLibrary(const void* data, size_t length, Ref<Error>* error)
{
  std::string libraryName;
  std::vector<std::pair<std::string, FunctionType>> functions;
  if (!ParseLibraryBlob(static_cast<const uint8_t*>(data), length, libraryName, functions))
  {
    SetError(error, "Invalid library file: the data is not a Metal library");
    return nullptr;
  }
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.libraries.find(libraryName);
  if (found == registry.libraries.end())
  {
    SetError(error, "Invalid library file: library \"" + libraryName + "\" has no code in this process");
    return nullptr;
  }
  Ref<Library> library = Ref<Library>::Adopt(new Library());
  for (const auto& [name, type] : functions)
  {
    const ShaderFunctionEntry* entry = nullptr;
    for (const auto& e : found->second)
      if (e->name == name && e->type == type)
        entry = e.get();
    if (!entry)
    {
      SetError(error, "Invalid library file: function \"" + name + "\" has no code in this process");
      return nullptr;
    }
    library->mFunctions.emplace_back(name, entry);
  }
  return library;
}

Ref<RenderPipelineState> Device::NewRenderPipelineState(const RenderPipelineDescriptor& d, Ref<Error>* error)
{
  if (!d.vertexFunction || d.vertexFunction->GetFunctionType() != FunctionType::Vertex ||
      !d.vertexFunction->Entry().vertex)
  {
    SetError(error, "Render pipeline descriptor has no valid vertex function");
    return nullptr;
  }
  if (d.fragmentFunction)
  {
    const ShaderFunctionEntry& f = d.fragmentFunction->Entry();
    if (f.type != FunctionType::Fragment || !f.fragment)
    {
      SetError(error, "Fragment function \"" + d.fragmentFunction->Name() + "\" is not a fragment function");
      return nullptr;
    }
    if (f.varyingCount > d.vertexFunction->Entry().varyingCount)
    {
      SetError(error, "Fragment function \"" + d.fragmentFunction->Name() +
                        "\" reads more varyings than the vertex function writes");
      return nullptr;
    }
  }
  PixelFormat color = d.colorAttachments[0].pixelFormat;
  if (color == PixelFormat::Stencil8 ||
      (color != PixelFormat::Invalid && color != PixelFormat::RGBA8Unorm && color != PixelFormat::BGRA8Unorm &&
       color != PixelFormat::R8Unorm))
  {
    SetError(error, std::string("Colour attachment pixel format ") + FormatName(color) + " cannot be rendered to");
    return nullptr;
  }
  if (d.stencilAttachmentPixelFormat != PixelFormat::Invalid && d.stencilAttachmentPixelFormat != PixelFormat::Stencil8)
  {
    SetError(error, "Stencil attachment pixel format must be Stencil8");
    return nullptr;
  }
  if (d.depthAttachmentPixelFormat != PixelFormat::Invalid)
  {
    SetError(error, "Depth attachments are not supported");
    return nullptr;
  }
  if (d.hasVertexDescriptor)
    for (const auto& a : d.vertexDescriptor.attributes)
    {
      if (a.format == VertexFormat::Invalid)
        continue;
      if (a.bufferIndex >= uint64_t(kMaxBufferBindings) || d.vertexDescriptor.layouts[a.bufferIndex].stride == 0 ||
          d.vertexDescriptor.layouts[a.bufferIndex].stepFunction != VertexStepFunction::PerVertex)
      {
        SetError(error, "Vertex descriptor: attribute reads a buffer without a per-vertex layout");
        return nullptr;
      }
    }
  return Ref<RenderPipelineState>::Adopt(new RenderPipelineState(d));
}

} // namespace standin::mtl
