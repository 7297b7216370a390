#pragma once
// Values the audio thread sends towards an editor control (meters, LEDs): fixed-size records
// in a lock-free ring allocated once at construction.
#include "plug/IRingQueue.h"

namespace plug {

// One reading for an editor control: the control's tag, how many channel values it carries
// and from which channel they start.
template <int MAXNC = 1, typename T = float>
struct ISenderData
{
  int mCtrlTag = -1;
  int mNChans = MAXNC;
  int mChanOffset = 0;
  T mVals[MAXNC] = {};
};

// A queue of up to QUEUE_SIZE readings. A push into a full queue drops the reading; the
// audio side never allocates or waits.
template <int MAXNC = 1, int QUEUE_SIZE = 64, typename T = float>
class ISender
{
public:
  using Data = ISenderData<MAXNC, T>;

  ISender() : mQueue(QUEUE_SIZE) {}
  virtual ~ISender() = default;
  ISender(const ISender&) = delete;
  ISender& operator=(const ISender&) = delete;

  // Audio side. False when the reading was dropped.
  bool PushData(const Data& data) { return mQueue.Push(data); }
  // Editor side. False when nothing is waiting.
  bool PopData(Data& data) { return mQueue.Pop(data); }
  int NumWaiting() const { return mQueue.Count(); }

private:
  IRingQueue<Data> mQueue;
};

} // namespace plug
