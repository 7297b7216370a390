#include "standin/aaxhost/Controller.h"

#include "aax/interfaces/AAX_IACFPageTable.h"

namespace aaxhost
{
AAX_Result Controller::GetEffectID(AAX_IString* out)
{
  Call("Controller.GetEffectID");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  out->Set("com.standin.effect");
  return 0;
}

AAX_Result Controller::GetSampleRate(float* out) { return Value("Controller.GetSampleRate", out, mSampleRate); }
AAX_Result Controller::GetInputStemFormat(int32_t* out) { return Value("Controller.GetInputStemFormat", out, mInputStem); }
AAX_Result Controller::GetOutputStemFormat(int32_t* out)
{
  return Value("Controller.GetOutputStemFormat", out, mOutputStem);
}
AAX_Result Controller::GetSignalLatency(int32_t* out) { return Value("Controller.GetSignalLatency", out, mLatency.load()); }

AAX_Result Controller::SetSignalLatency(int32_t samples)
{
  Call("Controller.SetSignalLatency");
  mLatency = samples;
  return 0;
}

AAX_Result Controller::PostPacket(uint32_t field, const void* data, uint32_t size)
{
  Call("Controller.PostPacket");
  if (!data && size > 0)
    return AAX_ERROR_NULL_ARGUMENT;
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::lock_guard<std::mutex> lock(mMutex);
  mPackets.Add({field, std::vector<uint8_t>(bytes, bytes + size)});
  return 0;
}

AAX_Result Controller::SendNotification(AAX_CTypeID type, const void* data, uint32_t size)
{
  Call("Controller.SendNotification");
  if (!data && size > 0)
    return AAX_ERROR_NULL_ARGUMENT;
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::lock_guard<std::mutex> lock(mMutex);
  mNotifications.Add({type, bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>()});
  return 0;
}

AAX_Result Controller::GetHostName(AAX_IString* out)
{
  Call("Controller.GetHostName");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  out->Set("aaxhost");
  return 0;
}

std::vector<PacketRecord> Controller::Packets() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mPackets.Records();
}

std::vector<NotificationRecord> Controller::Notifications() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mNotifications.Records();
}

uint64_t Controller::PacketCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mPackets.Total();
}

uint64_t Controller::NotificationCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mNotifications.Total();
}

bool Controller::LastPacket(uint32_t field, PacketRecord& out) const
{
  std::lock_guard<std::mutex> lock(mMutex);
  const PacketRecord* last = mPackets.FindLast([field](const PacketRecord& p) { return p.field == field; });
  if (!last)
    return false;
  out = *last;
  return true;
}

void Controller::ClearRecords()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mPackets.Clear();
  mNotifications.Clear();
}

AAX_Result PageTableService::Fill(const char* name, IACFUnknown* table)
{
  Call(name);
  auto* pageTable = ACFQuery<AAX_IACFPageTable>(table, IID_IAAXPageTableV1);
  if (!pageTable)
    return AAX_ERROR_NULL_OBJECT;
  pageTable->InsertPage(0);
  const AAX_Result result = pageTable->MapParameterID("1", 0, 0);
  pageTable->Release();
  return result;
}
} // namespace aaxhost
