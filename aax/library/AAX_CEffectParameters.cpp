#include "aax/library/AAX_CEffectParameters.h"

#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CString.h"
#include "aax/library/AAX_Exception.h"
#include "aax/library/AAX_VAutomationDelegate.h"
#include "aax/library/AAX_VController.h"
#include "aax/library/AAX_VPageTable.h"
#include "aax/library/AAX_VTransport.h"

#include <algorithm>
#include <utility>
#include <climits>
#include <cstddef>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr AAX_CTypeID kPreviewNotification = AAX_MakeFourCC('A', 'S', 'P', 'v');
constexpr const char* kPreviewID = "PreviewID";
constexpr const char* kDefaultChunkName = "Complete Controls State";
// Short names are looked at through a buffer of this size.
constexpr size_t kShortNameBufferSize = 256;

template <class F>
AAX_Result Guarded(F&& body) noexcept
{
  return AAX_Guarded(std::forward<F>(body));
}

// Host normalised values: non-finite ones are refused, the rest clamped to 0..1.
bool SanitizeNormalized(double& value)
{
  if (!std::isfinite(value))
    return false;
  value = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
  return true;
}

// Answers one property of a known parameter: an unknown identifier is refused before a
// missing result pointer is.
template <class Out, class Read>
AAX_Result ReadParameter(const AAX_IParameter* parameter, Out* out, Read&& read)
{
  if (!parameter)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = read(*parameter);
  return AAX_SUCCESS;
}

double Clamp01(double value)
{
  if (!(value >= 0.0))
    return 0.0;
  return value > 1.0 ? 1.0 : value;
}

void WriteString(AAX_IString* out, const char* text)
{
  if (out)
    out->Set(text);
}

// The value type a parameter answers, probed in the default chunk's order.
enum class ValueKind
{
  None,
  Float,
  Int32,
  Bool,
  Double,
  String
};

ValueKind KindOf(const AAX_IParameter& parameter)
{
  float f = 0.0f;
  int32_t i = 0;
  bool b = false;
  double d = 0.0;
  if (parameter.GetValueAsFloat(&f))
    return ValueKind::Float;
  if (parameter.GetValueAsInt32(&i))
    return ValueKind::Int32;
  if (parameter.GetValueAsBool(&b))
    return ValueKind::Bool;
  if (parameter.GetValueAsDouble(&d))
    return ValueKind::Double;
  AAX_CString s;
  if (parameter.GetValueAsString(&s))
    return ValueKind::String;
  return ValueKind::None;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and component identity

AAX_CEffectParameters::AAX_CEffectParameters() = default;

AAX_CEffectParameters::~AAX_CEffectParameters()
{
  // The parameters hold the automation delegate: they must go before the wrappers do.
  mParameterManager.RemoveAll();
  mParameterManager.SetAutomationDelegate(nullptr);
  mPacketDispatcher.SetController(nullptr, this);
  mAutomationDelegate.reset();
  mTransport.reset();
  mController.reset();
}

ACFRESULT AAX_CEffectParameters::QueryInterface(const acfIID& iid, void** out)
{
  return OuterQueryInterface(iid, out);
}

uint32_t AAX_CEffectParameters::AddRef() { return OuterAddRef(); }

uint32_t AAX_CEffectParameters::Release() { return OuterRelease(); }

ACFRESULT AAX_CEffectParameters::InternalQueryInterface(const acfIID& iid, void** out)
{
  if (!out)
    return ACF_E_NOINTERFACE;
  if (iid == IID_IAAXEffectParametersV1 || iid == IID_IAAXEffectParametersV2 ||
      iid == IID_IAAXEffectParametersV3 || iid == IID_IAAXEffectParametersV4)
  {
    *out = static_cast<IACFUnknown*>(static_cast<AAX_IEffectParameters*>(this));
    AddRef();
    return ACF_OK;
  }
  return CACFUnknown::InternalQueryInterface(iid, out);
}

// ---------------------------------------------------------------------------------------------
// Life cycle

AAX_Result AAX_CEffectParameters::Init(IACFUnknown* hostObject)
{
  return Guarded([&]() -> AAX_Result {
    // A second Init starts over rather than leaving parameters on wrappers about to go.
    if (mController || mAutomationDelegate || mTransport)
      Uninit();
    if (mKeepUninitRemains)
    {
      std::lock_guard<std::mutex> lock(mKeptUninitRemainsLock);
      mKeptUninitRemains.reserve(mKeptUninitRemains.size() + 1);
    }

    mController = std::make_unique<AAX_VController>(hostObject);
    mAutomationDelegate = std::make_unique<AAX_VAutomationDelegate>(hostObject);
    mTransport = std::make_unique<AAX_VTransport>(hostObject);

    mParameterManager.SetAutomationDelegate(mAutomationDelegate.get());
    mPacketDispatcher.SetController(mController.get(), this);

    const AAX_Result result = InitEffect();
    if (result != AAX_SUCCESS)
      return result;

    AAX_CString bypassID;
    GetMasterBypassID(&bypassID);
    AddExcludedID(bypassID.Get());

    int32_t count = 0;
    GetParameterCount(&count);
    if (count > 0)
    {
      // Only excluded identifiers that really name a parameter reduce the count.
      int32_t included = 0;
      for (int32_t i = 0; i < count; ++i)
      {
        const AAX_IParameter* parameter = mParameterManager.ParameterAt(i);
        if (parameter && !IsExcluded(*parameter))
          ++included;
      }
      mNumChunkedParameters = included;
      AAX_ASSERT(mNumChunkedParameters >= 0);
    }
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::Uninit()
{
  return Guarded([&]() -> AAX_Result {
    UninitRemains remains = TakeForUninit();
    if (!remains.Empty() && mKeepUninitRemains && mKeepUninitRemains())
    {
      // Never allocates: only an Init gives Uninit something to keep, and each Init made room
      // for it beforehand (a room that freeing the kept remains leaves in place).
      std::lock_guard<std::mutex> lock(mKeptUninitRemainsLock);
      mKeptUninitRemains.push_back(std::move(remains));
    }
    return AAX_SUCCESS; // what was not kept is deleted here
  });
}

AAX_CEffectParameters::UninitRemains AAX_CEffectParameters::TakeForUninit()
{
  UninitRemains remains;
  remains.mParameters = mParameterManager.TakeAll();
  mParameterManager.SetAutomationDelegate(nullptr);
  mPacketDispatcher.SetController(nullptr, this);
  remains.mController = std::move(mController);
  remains.mAutomationDelegate = std::move(mAutomationDelegate);
  remains.mTransport = std::move(mTransport);
  mNumChunkedParameters = 0;
  // The parameters leave the host now, not when they are deleted, so that an Init before then
  // keeps every identifier it registers again. Last: the host may re-enter here, and this
  // object holds nothing more of what went. No exception may leave here while remains holds
  // the parameters (deleting them on the way out would free one that may still be running
  // further up the stack): a host that fails an unregistration has the parameter leave it all
  // the same.
  for (const std::unique_ptr<AAX_IParameter>& parameter : remains.mParameters)
  {
    try
    {
      parameter->SetAutomationDelegate(nullptr);
    }
    catch (...)
    {
    }
  }
  return remains;
}

void AAX_CEffectParameters::KeepUninitRemainsWhile(std::function<bool()> keep) { mKeepUninitRemains = std::move(keep); }

void AAX_CEffectParameters::FreeKeptUninitRemains() noexcept
{
  // One at a time, the oldest first, each deleted outside the lock (the wrappers give their
  // references back to the host). The list keeps its room: the next Uninit inside a handler
  // keeps what it takes without allocating.
  for (;;)
  {
    UninitRemains remains;
    try
    {
      std::lock_guard<std::mutex> lock(mKeptUninitRemainsLock);
      if (mKeptUninitRemains.empty())
        return;
      remains = std::move(mKeptUninitRemains.front());
      mKeptUninitRemains.erase(mKeptUninitRemains.begin());
    }
    catch (...)
    {
      return; // kept until this object goes
    }
  }
}

AAX_Result AAX_CEffectParameters::InitEffect() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::OnNotification(AAX_CTypeID type, const void* data, uint32_t size)
{
  return Guarded([&]() -> AAX_Result {
    if (type == kPreviewNotification && data && size >= sizeof(int32_t))
    {
      if (AAX_IParameter* preview = Find(kPreviewID))
      {
        int32_t state = 0;
        std::memcpy(&state, data, sizeof(state));
        preview->SetValueWithBool(state != 0);
      }
    }
    return AAX_SUCCESS;
  });
}

// ---------------------------------------------------------------------------------------------
// Parameter queries

AAX_IParameter* AAX_CEffectParameters::Find(AAX_CParamID id) const
{
  return id ? mParameterManager.FindParameter(id) : nullptr;
}

template <class F>
AAX_Result AAX_CEffectParameters::WithParameter(AAX_CParamID id, F&& operation) const
{
  return Guarded([&]() -> AAX_Result {
    AAX_IParameter* parameter = Find(id);
    if (!parameter)
      return AAX_ERROR_INVALID_PARAMETER_ID;
    return operation(*parameter);
  });
}

AAX_Result AAX_CEffectParameters::GetParameterCount(int32_t* count) const
{
  if (!count)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = mParameterManager.ParameterCount();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetMasterBypassID(AAX_IString* identifier) const
{
  return Guarded([&]() -> AAX_Result {
    WriteString(identifier, Find(AAX_kMasterBypassID) ? AAX_kMasterBypassID : "");
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetParameterAutomatable(AAX_CParamID id, bool* automatable) const
{
  if (automatable)
    *automatable = false;
  return ReadParameter(Find(id), automatable, [](const AAX_IParameter& p) { return p.Automatable(); });
}

AAX_Result AAX_CEffectParameters::GetParameterStepCount(AAX_CParamID id, int32_t* steps) const
{
  const AAX_IParameter* parameter = Find(id);
  if (!parameter)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!steps)
    return AAX_ERROR_NULL_ARGUMENT;
  const uint32_t count = parameter->GetNumberOfSteps();
  if (count > static_cast<uint32_t>(INT32_MAX))
    return AAX_ERROR_SIGNED_INT_OVERFLOW;
  *steps = static_cast<int32_t>(count);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterName(AAX_CParamID id, AAX_IString* name) const
{
  return Guarded([&]() -> AAX_Result {
    const AAX_IParameter* parameter = Find(id);
    WriteString(name, parameter ? parameter->Name().Get() : "");
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetParameterShortName(AAX_CParamID id, AAX_IString* name, int32_t maxLength) const
{
  if (!name)
    return AAX_ERROR_INVALID_STRING_CONVERSION;
  return Guarded([&]() -> AAX_Result {
    const AAX_IParameter* parameter = Find(id);
    if (!parameter)
    {
      name->Set("");
      return AAX_SUCCESS;
    }

    // At most 255 characters of the parameter's name for that length are considered.
    const AAX_CString& source = parameter->ShortenedName(maxLength);
    const std::string text(source.Get(), std::min<size_t>(std::strlen(source.Get()), kShortNameBufferSize - 1));
    if (text.empty())
    {
      name->Set("");
      return AAX_SUCCESS;
    }

    // The longest line that fits (the first of equal length); a blank line between others is
    // a line of length 0, a line feed at the very end starts no further line.
    std::string best;
    bool found = false;
    size_t start = 0;
    while (start < text.size())
    {
      size_t end = text.find('\n', start);
      if (end == std::string::npos)
        end = text.size();
      const size_t length = end - start;
      if (static_cast<int64_t>(length) <= maxLength && (!found || length > best.size()))
      {
        best = text.substr(start, length);
        found = true;
      }
      start = end + 1;
    }

    if (found)
      name->Set(best.c_str());
    else if (maxLength < 1)
      name->Set("");
    else
      name->Set(text.substr(0, static_cast<size_t>(maxLength)).c_str());
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetParameterDefault(AAX_CParamID id, double* normalized) const
{
  return ReadParameter(Find(id), normalized, [](const AAX_IParameter& p) { return p.GetNormalizedDefaultValue(); });
}

AAX_Result AAX_CEffectParameters::SetParameterDefault(AAX_CParamID id, double normalized)
{
  AAX_IParameter* parameter = Find(id);
  if (!parameter)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!SanitizeNormalized(normalized))
    return AAX_ERROR_INVALID_ARGUMENT;
  parameter->SetNormalizedDefaultValue(normalized);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterKind(AAX_CParamID id, int32_t* kind) const
{
  return ReadParameter(Find(id), kind, [](const AAX_IParameter& p) { return p.GetType(); });
}

AAX_Result AAX_CEffectParameters::GetParameterLayoutCode(AAX_CParamID id, int32_t* code) const
{
  return ReadParameter(Find(id), code, [](const AAX_IParameter& p) { return p.GetOrientation(); });
}

AAX_Result AAX_CEffectParameters::FindParameterByID(AAX_CParamID id, AAX_IParameter** parameter) const
{
  if (!parameter)
    return AAX_ERROR_NULL_ARGUMENT;
  *parameter = Find(id);
  return *parameter ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterIndexByID(AAX_CParamID id, int32_t* index) const
{
  if (!index)
    return AAX_ERROR_NULL_ARGUMENT;
  *index = id ? mParameterManager.IndexOfParameter(id) : -1;
  return *index < 0 ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterIDAtIndex(int32_t index, AAX_IString* id) const
{
  return Guarded([&]() -> AAX_Result {
    const AAX_IParameter* parameter = mParameterManager.ParameterAt(index);
    WriteString(id, parameter ? parameter->Identifier() : "");
    return parameter ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
  });
}

AAX_Result AAX_CEffectParameters::HostQuery19(AAX_CParamID, int32_t, int32_t* value) const
{
  if (value)
    *value = 0;
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::ParseParameterText(AAX_CParamID id, double* normalized,
                                                     const AAX_IString& text) const
{
  return WithParameter(id, [&](const AAX_IParameter& parameter) -> AAX_Result {
    if (!normalized || !parameter.GetNormalizedValueFromString(AAX_CString(text), normalized))
      return AAX_ERROR_INVALID_STRING_CONVERSION;
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::FormatParameterValue(AAX_CParamID id, double normalized, AAX_IString* text,
                                                       int32_t maxLength) const
{
  return WithParameter(id, [&](const AAX_IParameter& parameter) -> AAX_Result {
    if (!text || !SanitizeNormalized(normalized))
      return AAX_ERROR_INVALID_STRING_CONVERSION;
    AAX_CString formatted;
    if (!parameter.GetStringFromNormalizedValue(normalized, maxLength, formatted))
      return AAX_ERROR_INVALID_STRING_CONVERSION;
    text->Set(formatted.Get());
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetParameterText(AAX_CParamID id, AAX_IString* text, int32_t maxLength) const
{
  return WithParameter(id, [&](const AAX_IParameter& parameter) -> AAX_Result {
    if (!text)
      return AAX_ERROR_NULL_ARGUMENT;
    AAX_CString value;
    parameter.GetValueString(maxLength, &value);
    text->Set(value.Get());
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetParameterNormalized(AAX_CParamID id, double* normalized) const
{
  return ReadParameter(Find(id), normalized, [](const AAX_IParameter& p) { return p.GetNormalizedValue(); });
}

// ---------------------------------------------------------------------------------------------
// Parameter changes

AAX_Result AAX_CEffectParameters::SetParameterNormalized(AAX_CParamID id, double normalized)
{
  return WithParameter(id, [&](AAX_IParameter& parameter) -> AAX_Result {
    if (!SanitizeNormalized(normalized))
      return AAX_ERROR_INVALID_ARGUMENT;
    parameter.SetNormalizedValue(normalized);
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::NudgedValue(AAX_CParamID id, double delta, double* nudged) const
{
  double value = 0.0;
  const AAX_Result result = GetParameterNormalized(id, &value);
  if (result != AAX_SUCCESS)
    return result;
  if (!std::isfinite(delta))
    return AAX_ERROR_INVALID_ARGUMENT;
  *nudged = Clamp01(value + delta);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::NudgeParameterNormalized(AAX_CParamID id, double delta)
{
  double value = 0.0;
  const AAX_Result result = NudgedValue(id, delta, &value);
  return result != AAX_SUCCESS ? result : SetParameterNormalized(id, value);
}

AAX_Result AAX_CEffectParameters::BeginParameterTouch(AAX_CParamID id)
{
  return WithParameter(id, [&](AAX_IParameter& parameter) -> AAX_Result {
    parameter.Touch();
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::EndParameterTouch(AAX_CParamID id)
{
  return WithParameter(id, [&](AAX_IParameter& parameter) -> AAX_Result {
    parameter.Release();
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::HostOperation28(AAX_CParamID, double) { return AAX_SUCCESS; }

void AAX_CEffectParameters::BumpChangeCount()
{
  // Wraps from INT32_MAX to 0, never into the negative counts that GetChangeCount would have
  // to withhold while still reporting success.
  int32_t current = mChangeCount.load(std::memory_order_relaxed);
  int32_t next = 0;
  do
  {
    next = current == INT32_MAX ? 0 : current + 1;
  } while (!mChangeCount.compare_exchange_weak(current, next, std::memory_order_acq_rel));
}

AAX_Result AAX_CEffectParameters::UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t)
{
  return WithParameter(id, [&](AAX_IParameter& parameter) -> AAX_Result {
    if (!SanitizeNormalized(normalized))
      return AAX_ERROR_INVALID_ARGUMENT;
    const double before = parameter.GetNormalizedValue();
    parameter.UpdateNormalizedValue(normalized);
    const double after = parameter.GetNormalizedValue();
    const AAX_Result result = mPacketDispatcher.MarkDirty(id);
    if (!(before == after)) // also counts a NaN on either side
      BumpChangeCount();
    return result;
  });
}

AAX_Result AAX_CEffectParameters::NudgeParameterFromHost(AAX_CParamID id, double delta)
{
  double value = 0.0;
  const AAX_Result result = NudgedValue(id, delta, &value);
  return result != AAX_SUCCESS ? result : UpdateParameterFromHost(id, value, AAX_eUpdateSource_Unspecified);
}

AAX_Result AAX_CEffectParameters::QueueParameterState()
{
  return Guarded([&]() -> AAX_Result { return mPacketDispatcher.Dispatch(); });
}

AAX_Result AAX_CEffectParameters::InitPrivateData(int32_t, void* data, uint32_t size)
{
  if (data && size > 0)
    std::memset(data, 0, size);
  return AAX_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Default state chunk

bool AAX_CEffectParameters::IsExcluded(const AAX_IParameter& parameter) const
{
  const char* id = parameter.Identifier();
  return id && mExcludedIDs.count(id) > 0;
}

void AAX_CEffectParameters::BuildChunkParser()
{
  mChunkParser.Clear();
  const int32_t count = mParameterManager.ParameterCount();
  for (int32_t i = 0; i < count; ++i)
  {
    const AAX_IParameter* parameter = mParameterManager.ParameterAt(i);
    AAX_ASSERT(NULL != parameter);
    if (!parameter || IsExcluded(*parameter))
      continue;
    const char* id = parameter->Identifier();
    float f = 0.0f;
    int32_t i32 = 0;
    bool b = false;
    double d = 0.0;
    AAX_CString s;
    if (parameter->GetValueAsFloat(&f))
      mChunkParser.AddDouble(id, static_cast<double>(f));
    else if (parameter->GetValueAsInt32(&i32))
      mChunkParser.AddInt32(id, i32);
    else if (parameter->GetValueAsBool(&b))
      mChunkParser.AddInt32(id, b ? 1 : 0);
    else if (parameter->GetValueAsDouble(&d))
      mChunkParser.AddDouble(id, d);
    else if (parameter->GetValueAsString(&s))
      mChunkParser.AddString(id, s);
  }
}

AAX_Result AAX_CEffectParameters::GetChunkCount(int32_t* count) const
{
  if (!count)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = 1;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkIDAtIndex(int32_t index, AAX_CTypeID* chunkID) const
{
  if (!chunkID)
    return AAX_ERROR_NULL_ARGUMENT;
  if (index != 0)
  {
    *chunkID = 0;
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  }
  *chunkID = AAX_kDefaultChunkID;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetStateChunkSize(AAX_CTypeID chunkID, uint32_t* size)
{
  if (!size)
    return AAX_ERROR_NULL_ARGUMENT;
  if (chunkID != AAX_kDefaultChunkID)
  {
    *size = 0;
    return AAX_ERROR_INVALID_CHUNK_ID;
  }
  return Guarded([&]() -> AAX_Result {
    std::lock_guard<std::mutex> lock(mChunkLock);
    BuildChunkParser();
    const int32_t dataSize = mChunkParser.GetChunkDataSize();
    if (dataSize < 0)
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;
    mDefaultChunkSize = dataSize;
    *size = static_cast<uint32_t>(dataSize);
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetStateChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk)
{
  if (chunkID != AAX_kDefaultChunkID)
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (!chunk)
    return AAX_ERROR_NULL_ARGUMENT;
  return Guarded([&]() -> AAX_Result {
    std::lock_guard<std::mutex> lock(mChunkLock);
    BuildChunkParser();
    // The host sized the record from GetStateChunkSize: anything else would not fit it.
    const int32_t dataSize = mChunkParser.GetChunkDataSize();
    if (dataSize != mDefaultChunkSize || dataSize <= 0)
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;
    chunk->fVersion = mChunkParser.ChunkVersion();
    std::memset(chunk->fName, 0, sizeof(chunk->fName));
    std::memcpy(chunk->fName, kDefaultChunkName, std::strlen(kDefaultChunkName));
    return mChunkParser.GetChunkData(chunk);
  });
}

AAX_Result AAX_CEffectParameters::SetStateChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk)
{
  if (chunkID != AAX_kDefaultChunkID)
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (!chunk)
    return AAX_ERROR_NULL_ARGUMENT;
  return Guarded([&]() -> AAX_Result {
    std::lock_guard<std::mutex> lock(mChunkLock);
    mChunkParser.LoadChunk(chunk);
    const int32_t count = mParameterManager.ParameterCount();
    for (int32_t i = 0; i < count; ++i)
    {
      AAX_IParameter* parameter = mParameterManager.ParameterAt(i);
      if (!parameter || IsExcluded(*parameter))
        continue;
      const char* id = parameter->Identifier();
      switch (KindOf(*parameter))
      {
        case ValueKind::Float:
        {
          double d = 0.0;
          if (mChunkParser.FindDouble(id, &d))
            parameter->SetValueWithFloat(static_cast<float>(d));
          break;
        }
        case ValueKind::Int32:
        {
          int32_t v = 0;
          if (mChunkParser.FindInt32(id, &v))
            parameter->SetValueWithInt32(v);
          break;
        }
        case ValueKind::Bool:
        {
          int32_t v = 0;
          if (mChunkParser.FindInt32(id, &v))
            parameter->SetValueWithBool(v != 0);
          break;
        }
        case ValueKind::Double:
        {
          double d = 0.0;
          if (mChunkParser.FindDouble(id, &d))
            parameter->SetValueWithDouble(d);
          break;
        }
        case ValueKind::String:
        {
          AAX_CString s;
          if (mChunkParser.FindString(id, &s))
            parameter->SetValueWithString(s);
          break;
        }
        case ValueKind::None:
          break;
      }
    }
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::CompareStateChunk(const AAX_SPlugInChunk* chunk, bool* isEqual)
{
  if (!isEqual)
    return AAX_ERROR_NULL_ARGUMENT;
  *isEqual = false;
  if (!chunk)
    return AAX_ERROR_NULL_ARGUMENT;
  return Guarded([&]() -> AAX_Result {
    const int32_t count = mParameterManager.ParameterCount();
    if (chunk->fChunkID != static_cast<int32_t>(AAX_kDefaultChunkID) || count == 0)
    {
      *isEqual = true;
      return AAX_SUCCESS;
    }
    std::lock_guard<std::mutex> lock(mChunkLock);
    mChunkParser.LoadChunk(chunk);
    for (int32_t i = 0; i < count; ++i)
    {
      const AAX_IParameter* parameter = mParameterManager.ParameterAt(i);
      if (!parameter || IsExcluded(*parameter))
        continue;
      const char* id = parameter->Identifier();
      bool same = false;
      switch (KindOf(*parameter))
      {
        case ValueKind::Float:
        case ValueKind::Double:
        {
          double stored = 0.0;
          double current = 0.0;
          float f = 0.0f;
          if (parameter->GetValueAsFloat(&f))
            current = f;
          else
            parameter->GetValueAsDouble(&current);
          same = mChunkParser.FindDouble(id, &stored) && static_cast<float>(stored) == static_cast<float>(current);
          break;
        }
        case ValueKind::Int32:
        {
          int32_t stored = 0;
          int32_t current = 0;
          parameter->GetValueAsInt32(&current);
          same = mChunkParser.FindInt32(id, &stored) && stored == current;
          break;
        }
        case ValueKind::Bool:
        {
          int32_t stored = 0;
          bool current = false;
          parameter->GetValueAsBool(&current);
          same = mChunkParser.FindInt32(id, &stored) && (stored != 0) == current;
          break;
        }
        case ValueKind::String:
        {
          AAX_CString stored;
          AAX_CString current;
          parameter->GetValueAsString(&current);
          same = mChunkParser.FindString(id, &stored) && stored.StdString() == current.StdString();
          break;
        }
        case ValueKind::None:
          same = true;
          break;
      }
      if (!same)
        return AAX_SUCCESS;
    }
    *isEqual = true;
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::GetChangeCount(int32_t* count) const
{
  if (!count)
    return AAX_ERROR_NULL_ARGUMENT;
  const int32_t current = mChangeCount.load(std::memory_order_acquire);
  if (current < 0)
    return AAX_ERROR_SIGNED_INT_OVERFLOW;
  *count = current;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::OnHostTimerTick() { return AAX_SUCCESS; }

// ---------------------------------------------------------------------------------------------
// Operations offered by the host's interface only

AAX_Result AAX_CEffectParameters::HostOperation41(AAX_CTypeID, uint32_t, void*) const
{
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::HostOperation42(AAX_CTypeID, const void*, uint32_t, int32_t* result)
{
  if (result)
    *result = 0;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::HostOperation43(AAX_CTypeID, const void*, uint32_t) { return AAX_SUCCESS; }
AAX_Result AAX_CEffectParameters::HostOperation44(AAX_CTypeID) { return AAX_SUCCESS; }
AAX_Result AAX_CEffectParameters::HostOperation45(AAX_CTypeID, void*, uint32_t) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result AAX_CEffectParameters::HostOperation46(int32_t) { return AAX_SUCCESS; }
AAX_Result AAX_CEffectParameters::HostOperation47(int32_t) { return AAX_SUCCESS; }
AAX_Result AAX_CEffectParameters::HostOperation48(AAX_CTypeID, uint32_t*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result AAX_CEffectParameters::HostOperation49(AAX_CTypeID, void*, uint32_t) const
{
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::UpdatePageTable(uint32_t tableType, uint32_t tablePageSize, IACFUnknown*,
                                                  IACFUnknown* pageTable) const
{
  return Guarded([&]() -> AAX_Result {
    AAX_VPageTable table(pageTable);
    if (!table.IsSupported())
      return AAX_SUCCESS;
    return OnUpdatePageTable(tableType, tablePageSize, table);
  });
}

AAX_Result AAX_CEffectParameters::OnUpdatePageTable(uint32_t, uint32_t, AAX_IPageTable&) const
{
  return AAX_ERROR_UNIMPLEMENTED;
}

// ---------------------------------------------------------------------------------------------
// Helpers for subclasses

AAX_IController* AAX_CEffectParameters::GetController() const { return mController.get(); }
AAX_ITransport* AAX_CEffectParameters::Transport() const { return mTransport.get(); }
AAX_IAutomationDelegate* AAX_CEffectParameters::AutomationDelegate() const { return mAutomationDelegate.get(); }

void AAX_CEffectParameters::AddExcludedID(AAX_CParamID id)
{
  // An empty identifier names no parameter; keeping it would only skew the chunked count.
  if (id && id[0])
    mExcludedIDs.insert(id);
}

AAX_Result AAX_CEffectParameters::SetParameterTaper(AAX_CParamID id, AAX_ITaperDelegateBase& taper,
                                                    bool keepRealValue)
{
  return WithParameter(id, [&](AAX_IParameter& parameter) -> AAX_Result {
    parameter.SetTaperDelegate(taper, keepRealValue);
    if (!keepRealValue)
      mPacketDispatcher.MarkDirty(id);
    return AAX_SUCCESS;
  });
}

AAX_Result AAX_CEffectParameters::SetParameterDisplay(AAX_CParamID id, AAX_IDisplayDelegateBase& display)
{
  return WithParameter(id, [&](AAX_IParameter& parameter) -> AAX_Result {
    parameter.SetDisplayDelegate(display);
    return AAX_SUCCESS;
  });
}

bool AAX_CEffectParameters::IsParameterTouched(AAX_CParamID id) const
{
  if (!mAutomationDelegate || !id)
    return false;
  bool touched = false;
  if (mAutomationDelegate->GetTouchState(id, &touched) != AAX_SUCCESS)
    return false;
  return touched;
}

bool AAX_CEffectParameters::IsParameterTouchedForSource(AAX_CParamID id, int32_t source) const
{
  if (source == AAX_eUpdateSource_Parameter || source == AAX_eUpdateSource_Chunk ||
      source == AAX_eUpdateSource_Delay)
    return false;
  return IsParameterTouched(id);
}

// ---------------------------------------------------------------------------------------------
// Conversions

int32_t ToInt32FromNormalized(double normalized)
{
  const double x = Clamp01(normalized);
  const double v = std::floor(x * 4294967295.0 - 2147483648.0 + 0.5);
  if (v <= static_cast<double>(INT32_MIN))
    return INT32_MIN;
  if (v >= static_cast<double>(INT32_MAX))
    return INT32_MAX;
  return static_cast<int32_t>(v);
}

double ToNormalizedFromInt32(int32_t value)
{
  return (static_cast<double>(value) + 2147483648.0) / 4294967295.0;
}

double ToNormalizedFromBool(bool value) { return value ? 1.0 : 0.0; }
