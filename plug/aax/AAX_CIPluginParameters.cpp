#include "plug/aax/AAX_CIPluginParameters.h"

#include "aax/interfaces/AAX_IController.h"
#include "aax/library/AAX_Assert.h"

#include <cmath>
#include <cstring>

namespace plug {

SNumberedStateList::~SNumberedStateList()
{
  for (TParamValPair* pair : mPairs)
    delete pair;
}

bool SParamValList::Append(TParamValPair* pair)
{
  AAX_ASSERT(sCap > mSize);
  if (mSize >= sCap)
    return false;
  mElem[mSize++] = pair;
  return true;
}

size_t SParamValList::Append(const std::vector<TParamValPair*>& inOther)
{
  AAX_ASSERT(sCap >= mSize + (int64_t)inOther.size());
  size_t appended = 0;
  // Once full the list stays full, so the appended pairs are the first ones; every pair
  // that does not fit is reported.
  for (TParamValPair* pair : inOther)
  {
    if (Append(pair))
      ++appended;
  }
  return appended;
}

AAX_CIPluginParameters::AAX_CIPluginParameters() = default;

AAX_CIPluginParameters::~AAX_CIPluginParameters()
{
  FreeHandedBackItems();
  // Lists the audio thread never collected are ours to delete as well.
  while (SNumberedStateList* list = mQueuedParameterStates.Pop())
    delete list;
}

void AAX_CIPluginParameters::RegisterSynchronizedParameter(const AAX_IParameter& inParameter)
{
  AAX_ASSERT(inParameter.Automatable());
  if (const char* id = inParameter.Identifier())
    mSynchronizedParameters.insert(id);
  AAX_ASSERT(kSynchronizedParameterQueueSize >= mSynchronizedParameters.size());
}

AAX_Result AAX_CIPluginParameters::Uninit()
{
  try
  {
    // The set holds pointers to parameters the base is about to take away.
    std::lock_guard<std::mutex> lock(mDirtyLock);
    mDirtySynchronizedParameters.clear();
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return AAX_CEffectParameters::Uninit();
}

AAX_Result AAX_CIPluginParameters::UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t source)
{
  const AAX_Result result = AAX_CEffectParameters::UpdateParameterFromHost(id, normalized, source);
  if (result != AAX_SUCCESS)
    return result;
  try
  {
    if (mSynchronizedParameters.count(id) > 0)
    {
      if (AAX_IParameter* parameter = mParameterManager.FindParameter(id))
      {
        std::lock_guard<std::mutex> lock(mDirtyLock);
        mDirtySynchronizedParameters.insert(parameter);
      }
    }
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return result;
}

AAX_Result AAX_CIPluginParameters::QueueParameterState()
{
  const AAX_Result baseResult = AAX_CEffectParameters::QueueParameterState();
  if (baseResult != AAX_SUCCESS)
    return baseResult;

  try
  {
    // Only the packet pass writes the counter, so load-then-store is a plain increment.
    const int64_t n = mStateCounter.load(std::memory_order_relaxed);
    mStateCounter.store(n + 1, std::memory_order_release);

    std::unique_ptr<SNumberedStateList> list;
    {
      std::lock_guard<std::mutex> lock(mDirtyLock);
      while (!mDirtySynchronizedParameters.empty())
      {
        AAX_IParameter* parameter = *mDirtySynchronizedParameters.begin();
        mDirtySynchronizedParameters.erase(mDirtySynchronizedParameters.begin());
        if (!parameter)
          continue;
        if (!list)
        {
          list = std::make_unique<SNumberedStateList>();
          list->mStateNumber = n;
        }
        auto pair = std::make_unique<TParamValPair>(parameter->Identifier(),
                                                    std::unique_ptr<AAX_IParameterValue>(parameter->CloneValue()));
        list->mPairs.push_back(pair.get());
        pair.release(); // the list owns it now
      }
    }

    if (list)
    {
      const auto pushResult = mQueuedParameterStates.Push(list.get());
      AAX_ASSERT(AAX_IContainer::eStatus_Success == pushResult);
      if (pushResult == AAX_IContainer::eStatus_Success)
        list.release(); // the audio thread has it now
    }

    AAX_IController* controller = GetController();
    if (!controller)
      return AAX_ERROR_NOT_INITIALIZED;
    return controller->PostPacket(kStateNumberFieldIndex, &n, sizeof(n));
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result AAX_CIPluginParameters::InitPrivateData(int32_t fieldIndex, void* data, uint32_t iDataSize)
{
  if (fieldIndex != kPrivateDataFieldIndex)
    return AAX_CEffectParameters::InitPrivateData(fieldIndex, data, iDataSize);

  AAX_ASSERT(iDataSize == sizeof(AAX_SIPluginPrivateData));
  if (!data)
    return AAX_ERROR_NULL_ARGUMENT;
  // A smaller block cannot take the pointer; writing it anyway would overrun the host's memory.
  if (iDataSize < sizeof(AAX_SIPluginPrivateData))
    return AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW;
  std::memset(data, 0, iDataSize);
  const AAX_SIPluginPrivateData privateData{this};
  std::memcpy(data, &privateData, sizeof(privateData));
  return AAX_SUCCESS;
}

AAX_CIPluginParameters* AAX_CIPluginParameters::FromPrivateData(const void* data)
{
  if (!data)
    return nullptr;
  AAX_SIPluginPrivateData privateData{nullptr};
  std::memcpy(&privateData, data, sizeof(privateData));
  return privateData.mInstance;
}

AAX_Result AAX_CIPluginParameters::OnHostTimerTick()
{
  FreeHandedBackItems();
  return AAX_CEffectParameters::OnHostTimerTick();
}

void AAX_CIPluginParameters::FreeHandedBackItems()
{
  while (SNumberedStateList* list = mRecycledStates.Pop())
    delete list;
  while (TParamValPair* pair = mPairsToDelete.Pop())
    delete pair;
}

void AAX_CIPluginParameters::RenderAudioInstance(SParamValList& out, AAX_CIPluginParameters& instance,
                                                 int64_t delivered)
{
  out.Clear();

  // Take every list that is due, in queue order, before touching any of them.
  SNumberedStateList* due[kStateQueueSize];
  int32_t nDue = 0;
  while (SNumberedStateList* numberedStateList = instance.mQueuedParameterStates.Peek())
  {
    const int64_t s = numberedStateList->mStateNumber;
    // A delivered number far below zero next to a large queued one means the counter
    // wrapped around: the queued list is older and due.
    const bool wrapped = delivered < -65535 && s >= 65536;
    if (s > delivered && !wrapped)
      break;
    SNumberedStateList* poppedPair = instance.mQueuedParameterStates.Pop();
    AAX_ASSERT(poppedPair == numberedStateList);
    if (!poppedPair)
      break;
    AAX_ASSERT(nDue < kStateQueueSize);
    if (nDue >= kStateQueueSize)
    {
      // Cannot happen with a 256-slot source queue; hand it back rather than lose it.
      instance.mRecycledStates.Push(poppedPair);
      continue;
    }
    due[nDue++] = poppedPair;
  }

  for (int32_t i = 0; i < nDue; ++i)
  {
    SNumberedStateList* list = due[i];
    // Pairs that do not fit this call's list go straight back for deletion.
    const size_t appended = out.Append(list->mPairs);
    for (size_t k = appended; k < list->mPairs.size(); ++k)
      instance.HandBackPair(list->mPairs[k]);
    list->mPairs.clear(); // keeps its storage: no freeing on this thread
    const auto pushResult = instance.mRecycledStates.Push(list);
    AAX_ASSERT(AAX_IContainer::eStatus_Success == pushResult);
  }
}

void AAX_CIPluginParameters::RenderAudio(AAX_RenderContext, TParamValPair* const*, int32_t) {}

void AAX_CIPluginParameters::StaticRenderCallback(AAX_RenderContext const* begin, const void* end)
{
  if (!begin || !end)
    return;
  for (AAX_RenderContext const* it = begin; it < static_cast<AAX_RenderContext const*>(end); ++it)
  {
    AAX_RenderContext context = *it;
    if (!context)
      continue;
    AAX_CIPluginParameters* instance = FromPrivateData(context[kPrivateDataFieldIndex]);
    if (!instance)
      continue;
    // Without a state field every queued state is due, so none piles up.
    const auto* delivered = static_cast<const int64_t*>(context[kStateNumberFieldIndex]);
    SParamValList list;
    try
    {
      RenderAudioInstance(list, *instance, delivered ? *delivered : INT64_MAX);
      instance->RenderAudio(context, list.mElem, list.mSize);
    }
    catch (...)
    {
      // Nothing may leave the host's audio thread; the pairs still go back below.
    }
    for (int32_t i = 0; i < list.mSize; ++i)
      instance->HandBackPair(list.mElem[i]);
  }
}

bool AAX_CIPluginParameters::HandBackPair(TParamValPair* pair)
{
  const auto pushResult = mPairsToDelete.Push(pair);
  AAX_ASSERT(AAX_IContainer::eStatus_Success == pushResult);
  return pushResult == AAX_IContainer::eStatus_Success;
}

} // namespace plug
