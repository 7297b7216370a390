#include "aax/library/AAX_CPacketRegistry.h"

#include "aax/interfaces/AAX_IController.h"
#include "aax/library/AAX_CParameterRegistry.h"

#include <cstring>

AAX_Result AAX_PackParameterValue(const AAX_IParameter* parameter, AAX_CPacket& packet)
{
  if (!parameter)
    return AAX_ERROR_NULL_OBJECT;
  bool b = false;
  float f = 0.0f;
  int32_t i = 0;
  double d = 0.0;
  if (parameter->GetValueAsBool(&b))
    *packet.GetPtr<int32_t>() = b ? 1 : 0;
  else if (parameter->GetValueAsFloat(&f))
    *packet.GetPtr<float>() = f;
  else if (parameter->GetValueAsInt32(&i))
    *packet.GetPtr<int32_t>() = i;
  else if (parameter->GetValueAsDouble(&d))
    *packet.GetPtr<double>() = d;
  else
    return AAX_ERROR_NULL_OBJECT;
  return AAX_SUCCESS;
}

AAX_Result AAX_CParameterPacketHandler::Fill(AAX_CParamID identifier, AAX_CPacket& packet) const
{
  return AAX_PackParameterValue(mParameters.FindParameter(identifier), packet);
}

AAX_CPacketRegistry::~AAX_CPacketRegistry()
{
  AAX_COwnerMutexGuard guard(mLock);
  mHandlers.clear();
  mPackets.clear();
}

void AAX_CPacketRegistry::SetController(AAX_IController* controller, AAX_CEffectParameters* owner)
{
  AAX_COwnerMutexGuard guard(mLock);
  mController = controller;
  mOwner = owner;
}

AAX_Result AAX_CPacketRegistry::RegisterPacket(AAX_CParamID identifier, int32_t packetIndex,
                                               const AAX_IPacketHandler& handler)
{
  if (!identifier)
    return AAX_ERROR_NULL_ARGUMENT;
  if (packetIndex < 0)
    return AAX_SUCCESS;
  AAX_COwnerMutexGuard guard(mLock);
  std::unique_ptr<AAX_IPacketHandler> clone(handler.Clone());
  if (!clone)
    return AAX_ERROR_NULL_OBJECT;
  auto& packet = mPackets[packetIndex];
  if (!packet)
    packet = std::make_unique<AAX_CPacket>(packetIndex);
  mHandlers.emplace(identifier, Handler{packet.get(), std::move(clone)});
  return AAX_SUCCESS;
}

AAX_Result AAX_CPacketRegistry::MarkDirty(AAX_CParamID identifier, bool dirty)
{
  if (!identifier)
    return AAX_SUCCESS;
  AAX_COwnerMutexGuard guard(mLock);
  const auto range = mHandlers.equal_range(identifier);
  for (auto it = range.first; it != range.second; ++it)
    it->second.mPacket->SetDirty(dirty);
  return AAX_SUCCESS;
}

AAX_Result AAX_CPacketRegistry::Dispatch()
{
  AAX_COwnerMutexGuard guard(mLock);
  if (!mController)
    return AAX_ERROR_NULL_OBJECT;
  AAX_Result result = AAX_SUCCESS;
  for (auto& [identifier, handler] : mHandlers)
  {
    AAX_CPacket& packet = *handler.mPacket;
    if (!packet.IsDirty())
      continue;
    if (handler.mHandler->Fill(identifier.c_str(), packet) == AAX_SUCCESS)
      result = mController->PostPacket(static_cast<uint32_t>(packet.GetID()), packet.GetData(), packet.GetSize());
    packet.SetDirty(false);
  }
  return result;
}

int32_t AAX_CPacketRegistry::PacketCount() const
{
  AAX_COwnerMutexGuard guard(mLock);
  return static_cast<int32_t>(mPackets.size());
}
