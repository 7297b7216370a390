// IPluginAAX towards the host outside the render path: the state chunk, host notifications,
// editor resizing and latency. These run on the host's main or other non-audio threads.

#include "plug/aax/IPluginAAX.h"

#include "aax/interfaces/AAX_IController.h"
#include "aax/interfaces/AAX_IViewContainer.h"
#include "graphics/IGraphics.h"
#include "aax/library/AAX_IString.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace plug {

namespace {

// Bytes of the host's record from its start to the data.
constexpr size_t kChunkDataOffset = offsetof(AAX_SPlugInChunk, fData);

const uint8_t* ChunkData(const AAX_SPlugInChunk* chunk)
{
  return reinterpret_cast<const uint8_t*>(chunk) + kChunkDataOffset;
}

uint8_t* ChunkData(AAX_SPlugInChunk* chunk) { return reinterpret_cast<uint8_t*>(chunk) + kChunkDataOffset; }

} // namespace

// ---------------------------------------------------------------------------------------------
// State chunk

AAX_Result IPluginAAX::GetChunkIDAtIndex(int32_t index, AAX_CTypeID* chunkID) const
{
  if (!chunkID)
    return AAX_ERROR_NULL_ARGUMENT;
  if (index != 0)
  {
    *chunkID = 0;
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  }
  *chunkID = static_cast<AAX_CTypeID>(GetUniqueID());
  return AAX_SUCCESS;
}

AAX_Result IPluginAAX::GetStateChunkSize(AAX_CTypeID chunkID, uint32_t* size)
{
  if (!size)
    return AAX_ERROR_NULL_ARGUMENT;
  if (chunkID != static_cast<AAX_CTypeID>(GetUniqueID()))
  {
    *size = 0;
    return AAX_ERROR_INVALID_CHUNK_ID;
  }
  try
  {
    IStateChunk state;
    if (!SaveState(state))
      return AAX_ERROR_INCORRECT_CHUNK_SIZE; // the host must not size a record from this
    const uint32_t bytes = static_cast<uint32_t>(state.Size());
    // The host sizes its records from the answer; remember the largest it may have made.
    uint32_t reported = mReportedChunkSize.load(std::memory_order_relaxed);
    while (bytes > reported && !mReportedChunkSize.compare_exchange_weak(reported, bytes))
    {
    }
    *size = bytes;
    return AAX_SUCCESS;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result IPluginAAX::GetStateChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk)
{
  if (chunkID != static_cast<AAX_CTypeID>(GetUniqueID()))
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (!chunk)
    return AAX_ERROR_NULL_ARGUMENT;
  try
  {
    IStateChunk state;
    if (!SaveState(state))
      return AAX_ERROR_INVALID_CHUNK_ID;
    // A state larger than any size the host was told would overrun its record.
    if (static_cast<uint32_t>(state.Size()) > mReportedChunkSize.load(std::memory_order_relaxed))
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;
    chunk->fSize = state.Size();
    if (state.Size() > 0)
      std::memcpy(ChunkData(chunk), state.GetData(), static_cast<size_t>(state.Size()));
    return AAX_SUCCESS;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result IPluginAAX::SetStateChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk)
{
  if (chunkID != static_cast<AAX_CTypeID>(GetUniqueID()))
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (!chunk)
    return AAX_ERROR_NULL_ARGUMENT;
  try
  {
    // Every parameter needs its double; anything shorter (or a negative size) is not a state
    // this plug-in wrote, and loading part of it would leave a mix of old and new values.
    const int32_t size = chunk->fSize;
    const int64_t needed = static_cast<int64_t>(NParams()) * static_cast<int64_t>(sizeof(double));
    if (size < 0 || size < needed)
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;

    // A damaged size may claim far more than the record holds: only what the plug-in's own
    // state reader takes is copied, and the rest is never touched.
    const int64_t readable = std::max<int64_t>(StateReadSize(), needed);
    IStateChunk state;
    if (!state.PutBytes(ChunkData(chunk), static_cast<int>(std::min<int64_t>(size, readable))))
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;
    // No value this plug-in saves is ever NaN or infinite: such a chunk is damaged.
    int pos = 0;
    for (int i = 0; i < NParams(); ++i)
    {
      double v = 0.0;
      pos = state.Get(&v, pos);
      if (pos < 0 || !std::isfinite(v))
        return AAX_ERROR_MALFORMED_CHUNK;
    }

    // The host learns the values the load set, as each parameter constrains them, and not
    // values read back from the parameters: the host's answers to an earlier restore's
    // requests arrive on its own thread whenever it gets to them, and one that came in
    // between would be told back as this state's. Only a load that does not report what it
    // set (a product's own) has its values read back.
    LoadedParamValues loaded(*this);
    LoadState(state, 0);

    // Each value is the newest request of its parameter; the host's late answers to an earlier
    // restore's requests change nothing.
    for (int i = 0; i < NParams(); ++i)
    {
      const IParam* param = GetParam(i);
      SetParamAndTellHost(i, loaded.Complete() ? loaded.Value(i) : param->Value());
    }

    RefreshAllParamsInUIFromAnyThread();
    BumpChangeCount();
    return AAX_SUCCESS;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result IPluginAAX::CompareStateChunk(const AAX_SPlugInChunk* chunk, bool* isEqual)
{
  if (!isEqual)
    return AAX_ERROR_NULL_ARGUMENT;
  if (!chunk)
  {
    *isEqual = false;
    return AAX_ERROR_NULL_ARGUMENT;
  }
  try
  {
    if (chunk->fChunkID != GetUniqueID())
    {
      *isEqual = true;
      return AAX_SUCCESS;
    }
    // Only the record's own size bytes are there to read.
    const int64_t needed = static_cast<int64_t>(NParams()) * static_cast<int64_t>(sizeof(double));
    if (chunk->fSize < needed)
    {
      *isEqual = false;
      return AAX_SUCCESS;
    }
    // The data at byte 56 need not be aligned for doubles: read them out little-endian.
    IStateChunk state;
    std::vector<double> values(static_cast<size_t>(NParams()));
    bool complete = state.PutBytes(ChunkData(chunk), static_cast<int>(needed));
    for (int i = 0, pos = 0; complete && i < NParams(); ++i)
    {
      pos = state.Get(&values[static_cast<size_t>(i)], pos);
      complete = pos >= 0;
    }
    if (!complete)
    {
      *isEqual = false;
      return AAX_SUCCESS;
    }
    *isEqual = CompareParamValues(values.data(), 0);
    return AAX_SUCCESS;
  }
  catch (...)
  {
    *isEqual = false;
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

// ---------------------------------------------------------------------------------------------
// Notifications

AAX_Result IPluginAAX::OnNotification(AAX_CTypeID type, const void* data, uint32_t size)
{
  try
  {
    if (type == AAX_eNotificationEvent_EnteringOfflineMode)
    {
      SetRenderingOffline(true);
    }
    else if (type == AAX_eNotificationEvent_ExitingOfflineMode)
    {
      SetRenderingOffline(false);
    }
    else if (type == AAX_eNotificationEvent_TrackNameChanged && data)
    {
      const char* text = static_cast<const AAX_IString*>(data)->Get();
      std::lock_guard<std::mutex> lock(mTrackNameLock);
      mTrackName.Set(text ? text : "");
    }
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return AAX_CIPluginParameters::OnNotification(type, data, size);
}

void IPluginAAX::CopyTrackName(CharBuf* out) const
{
  if (!out)
    return;
  std::lock_guard<std::mutex> lock(mTrackNameLock);
  out->Set(mTrackName.Get());
}

// ---------------------------------------------------------------------------------------------
// Editor size and latency

bool IPluginAAX::HostResizeEditor(int w, int h)
{
  if (!HasUI())
    return true;
  // After Uninit the host is asked nothing; the size is still the editor's.
  const igraphics::IGraphics* graphics = GetEditorGraphics();
  AAX_IViewContainer* container = graphics ? graphics->GetViewContainer() : nullptr;
  if (container && !mHostGone.load(std::memory_order_acquire) && (w != GetEditorWidth() || h != GetEditorHeight()))
  {
    AAX_Point size;
    size.vert = static_cast<float>(h);
    size.horz = static_cast<float>(w);
    container->SetViewSize(size);
  }
  SetEditorSize(w, h);
  return true;
}

void IPluginAAX::ChangeLatency(int samples)
{
  if (AAX_IController* controller = GetController())
    controller->SetSignalLatency(std::max(0, samples));
  IPluginProcessor::ChangeLatency(samples);
}

} // namespace plug
