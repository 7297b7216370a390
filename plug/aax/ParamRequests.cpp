#include "plug/aax/ParamRequests.h"

#include "plug/IParam.h"

#include <cmath>

namespace plug {

void ParamRequests::Slot::DropOldest(int n)
{
  n = n < count ? n : count;
  first = (first + n) % kMaxWaiting;
  count -= n;
}

void ParamRequests::Slot::Push(const Request& request)
{
  if (count == kMaxWaiting)
  {
    DropOldest(1);
    if (forgotten < kMaxWaiting * 1024)
      ++forgotten;
  }
  ++count;
  Newest() = request;
}

bool ParamRequests::Same(double a, double b) { return std::fabs(a - b) <= kSameNormalized; }

void ParamRequests::Reset(int nParams)
{
  std::vector<Slot> slots(static_cast<size_t>(nParams > 0 ? nParams : 0));
  std::lock_guard<std::mutex> lock(mLock);
  mSlots.swap(slots);
}

bool ParamRequests::Set(int paramIdx, IParam& param, double value, bool always)
{
  const double stored = param.Constrain(value);
  if (std::isnan(stored) || !Valid(paramIdx))
    return false;
  const double normalized = param.NormalizedClamped(stored);
  std::lock_guard<std::mutex> lock(mLock);
  param.value.exchange(stored, std::memory_order_acq_rel);
  Slot& slot = mSlots[static_cast<size_t>(paramIdx)];
  if (!always && Same(slot.count > 0 ? slot.Newest().normalized : slot.host, normalized))
    return false;
  // A request never sent is no request the host can answer: the new one takes its place.
  if (slot.count > 0 && !slot.Newest().sent)
    slot.Newest() = Request{normalized, false, mRound};
  else
    slot.Push(Request{normalized, false, mRound});
  return true;
}

void ParamRequests::EndRound()
{
  std::lock_guard<std::mutex> lock(mLock);
  ++mRound;
}

bool ParamRequests::TakeUnsent(int& paramIdx, double& normalized, bool settledOnly)
{
  std::lock_guard<std::mutex> lock(mLock);
  for (int i = paramIdx < 0 ? 0 : paramIdx; i < Size(); ++i)
  {
    Slot& slot = mSlots[static_cast<size_t>(i)];
    if (slot.count > 0 && !slot.Newest().sent && (!settledOnly || slot.Newest().round != mRound))
    {
      slot.Newest().sent = true;
      slot.Newest().sentRound = mRound;
      paramIdx = i;
      normalized = slot.Newest().normalized;
      return true;
    }
  }
  return false;
}

void ParamRequests::DropUnsent()
{
  std::lock_guard<std::mutex> lock(mLock);
  for (Slot& slot : mSlots)
    if (slot.count > 0 && !slot.Newest().sent)
      --slot.count;
}

ParamRequests::EUpdate ParamRequests::FromHost(int paramIdx, IParam& param, double normalized)
{
  if (!Valid(paramIdx))
    return EUpdate::kSameValue;
  std::lock_guard<std::mutex> lock(mLock);
  Slot& slot = mSlots[static_cast<size_t>(paramIdx)];
  slot.host = normalized;
  // In the host's order: the oldest request of this value is the one answered.
  for (int k = 0; k < slot.count; ++k)
  {
    if (!Same(slot.At(k).normalized, normalized))
      continue;
    const bool newest = k == slot.count - 1;
    // The request answered, and every older one: the host took them before it.
    slot.DropOldest(k + 1);
    slot.forgotten = 0;
    return newest ? EUpdate::kAnswer : EUpdate::kReplacedAnswer;
  }
  if (slot.forgotten > 0)
  {
    // The answer of the oldest request forgotten: set aside, as for one kept.
    --slot.forgotten;
    return EUpdate::kReplacedAnswer;
  }
  // Another value while a request waits: the host refused it. With nothing waiting: the
  // host's own change.
  return TakeHostValue(slot, param, normalized, slot.count > 0 ? EUpdate::kRefused : EUpdate::kNewValue);
}

ParamRequests::EUpdate ParamRequests::RefuseOverdue(int paramIdx, IParam& param)
{
  if (!Valid(paramIdx))
    return EUpdate::kSameValue;
  std::lock_guard<std::mutex> lock(mLock);
  Slot& slot = mSlots[static_cast<size_t>(paramIdx)];
  // Requests are sent oldest first, so the oldest one waiting is the one that waited longest.
  // Sent in round r, it has waited a whole round once round r + 1 has ended.
  if (slot.count == 0 || !slot.At(0).sent || mRound - slot.At(0).sentRound < 2)
    return EUpdate::kSameValue;
  return TakeHostValue(slot, param, slot.host, EUpdate::kRefused);
}

ParamRequests::EUpdate ParamRequests::TakeHostValue(Slot& slot, IParam& param, double normalized, EUpdate moved)
{
  slot.count = 0;
  slot.forgotten = 0;
  const double current = param.Value();
  // The host's value of the value the parameter has keeps the exact value: the way through
  // the shape and back moves it by rounding, and a restored state must save again byte for byte.
  if (Same(param.NormalizedClamped(current), normalized))
    return EUpdate::kSameValue;
  // Rounded to the step, into the range, rounded again (a range edge off the step grid must
  // not stay off it), and clamped.
  const double value = param.Constrain(param.Constrain(param.FromNormalized(normalized)));
  if (std::isnan(value) || value == current)
    return EUpdate::kSameValue;
  param.value.exchange(value, std::memory_order_acq_rel);
  return moved;
}

void ParamRequests::Publish(int paramIdx, double normalized)
{
  if (!Valid(paramIdx))
    return;
  std::lock_guard<std::mutex> lock(mLock);
  mSlots[static_cast<size_t>(paramIdx)].host = normalized;
}

} // namespace plug
