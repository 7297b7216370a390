#include "aax/interfaces/AAX_IAutomationDelegate.h"
#include "aax/interfaces/AAX_IController.h"
#include "aax/library/AAX_COwnerMutex.h"
#include "aax/library/AAX_CPacketRegistry.h"
#include "aax/library/AAX_CParameterRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{
// A parameter that holds one value of a chosen kind and records what the registry does to it.
class FakeParameter : public AAX_IParameter
{
public:
  enum Kind { kNone, kBool, kFloat, kInt, kDouble };
  FakeParameter(const char* id, const char* name, int* deaths, Kind kind = kDouble, double value = 0)
    : mId(id), mName(name), mDeaths(deaths), mKind(kind), mValue(value) {}
  ~FakeParameter() override
  {
    if (mDeaths)
      ++*mDeaths;
  }

  AAX_IAutomationDelegate* mDelegate = nullptr;
  int mDelegateCalls = 0;

  AAX_IParameterValue* CloneValue() const override { return nullptr; }
  AAX_CParamID Identifier() const override { return mId.c_str(); }
  void SetName(const AAX_CString& name) override { mName = name; }
  const AAX_CString& Name() const override { return mName; }
  void AddShortenedName(const AAX_CString&) override {}
  const AAX_CString& ShortenedName(int32_t) const override { return mName; }
  void ClearShortenedNames() override {}
  bool Automatable() const override { return true; }
  void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) override
  {
    mDelegate = delegate;
    ++mDelegateCalls;
  }
  void Touch() override {}
  void Release() override {}
  void SetNormalizedValue(double) override {}
  double GetNormalizedValue() const override { return 0; }
  void SetNormalizedDefaultValue(double) override {}
  double GetNormalizedDefaultValue() const override { return 0; }
  void SetToDefaultValue() override {}
  void SetNumberOfSteps(uint32_t) override {}
  uint32_t GetNumberOfSteps() const override { return 0; }
  uint32_t GetStepValue() const override { return 0; }
  double GetNormalizedValueFromStep(uint32_t) const override { return 0; }
  uint32_t GetStepValueFromNormalizedValue(double) const override { return 0; }
  void SetStepValue(uint32_t) override {}
  bool GetValueString(AAX_CString*) const override { return false; }
  bool GetValueString(int32_t, AAX_CString*) const override { return false; }
  bool GetNormalizedValueFromBool(bool, double*) const override { return false; }
  bool GetNormalizedValueFromInt32(int32_t, double*) const override { return false; }
  bool GetNormalizedValueFromFloat(float, double*) const override { return false; }
  bool GetNormalizedValueFromDouble(double, double*) const override { return false; }
  bool GetNormalizedValueFromString(const AAX_CString&, double*) const override { return false; }
  bool GetBoolFromNormalizedValue(double, bool*) const override { return false; }
  bool GetInt32FromNormalizedValue(double, int32_t*) const override { return false; }
  bool GetFloatFromNormalizedValue(double, float*) const override { return false; }
  bool GetDoubleFromNormalizedValue(double, double*) const override { return false; }
  bool GetStringFromNormalizedValue(double, AAX_CString&) const override { return false; }
  bool GetStringFromNormalizedValue(double, int32_t, AAX_CString&) const override { return false; }
  bool SetValueFromString(const AAX_CString&) override { return false; }
  bool GetValueAsBool(bool* v) const override { return mKind == kBool && (*v = mValue != 0, true); }
  bool GetValueAsInt32(int32_t* v) const override
  {
    return mKind == kInt && (*v = static_cast<int32_t>(mValue), true);
  }
  bool GetValueAsFloat(float* v) const override { return mKind == kFloat && (*v = static_cast<float>(mValue), true); }
  bool GetValueAsDouble(double* v) const override { return mKind == kDouble && (*v = mValue, true); }
  bool GetValueAsString(AAX_IString*) const override { return false; }
  bool SetValueWithBool(bool) override { return false; }
  bool SetValueWithInt32(int32_t) override { return false; }
  bool SetValueWithFloat(float) override { return false; }
  bool SetValueWithDouble(double) override { return false; }
  bool SetValueWithString(const AAX_IString&) override { return false; }
  void SetType(AAX_EParameterType) override {}
  AAX_EParameterType GetType() const override { return AAX_eParameterType_Continuous; }
  void SetOrientation(AAX_EParameterOrientation) override {}
  AAX_EParameterOrientation GetOrientation() const override { return 0; }
  void SetTaperDelegate(AAX_ITaperDelegateBase&, bool) override {}
  void SetDisplayDelegate(AAX_IDisplayDelegateBase&) override {}
  void UpdateNormalizedValue(double) override {}

private:
  std::string mId;
  AAX_CString mName;
  int* mDeaths;
  Kind mKind;
  double mValue;
};

class NullDelegate : public AAX_IAutomationDelegate
{
public:
  AAX_Result RegisterParameter(const char*) override { return 0; }
  AAX_Result UnregisterParameter(const char*) override { return 0; }
  AAX_Result PostSetValueRequest(const char*, double) const override { return 0; }
  AAX_Result PostCurrentValue(const char*, double) const override { return 0; }
  AAX_Result PostTouchRequest(const char*) override { return 0; }
  AAX_Result PostReleaseRequest(const char*) override { return 0; }
  AAX_Result GetTouchState(const char*, bool*) override { return 0; }
  AAX_Result ParameterNameChanged(const char*) override { return 0; }
};

// Records every packet posted to it.
class PacketController : public AAX_IController
{
public:
  struct Post
  {
    uint32_t mIndex;
    std::vector<uint8_t> mBytes;
  };
  std::vector<Post> mPosts;
  AAX_Result mPostResult = AAX_SUCCESS;

  AAX_Result PostPacket(uint32_t index, const void* data, uint32_t size) override
  {
    const auto* bytes = static_cast<const uint8_t*>(data);
    mPosts.push_back({index, std::vector<uint8_t>(bytes, bytes + size)});
    return mPostResult;
  }

  AAX_Result GetEffectID(AAX_IString*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetSampleRate(float*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetInputStemFormat(int32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetOutputStemFormat(int32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetSignalLatency(int32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetCycleCount(int32_t, int32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetTODLocation(int64_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result SetSignalLatency(int32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result SetCycleCount(const int32_t*, const int32_t*, int32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result SendNotification(AAX_CTypeID, const void*, uint32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result SendNotification(AAX_CTypeID) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetCurrentMeterValue(uint32_t, float*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetMeterPeakValue(uint32_t, float*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result ClearMeterPeakValue(uint32_t) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetMeterCount(uint32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetMeterClipped(uint32_t, bool*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result ClearMeterClipped(uint32_t) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetCurrentAutomationTimestamp(int64_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetHybridSignalLatency(int32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetHostEnvironment(IACFUnknown**) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetIsAudioSuite(bool*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetHostName(AAX_IString*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result GetPlugInTargetPlatform(int32_t*) const override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_IPageTable* CreateTableCopyForEffect(AAX_CTypeID, AAX_CTypeID, AAX_CTypeID, uint32_t, int32_t) const override
  {
    return nullptr;
  }
  AAX_IPageTable* CreateTableCopyForLayout(const char*, const char*, uint32_t, int32_t) const override
  {
    return nullptr;
  }
  AAX_IPageTable* CreateTableCopyForEffectFromFile(const char*, AAX_CTypeID, AAX_CTypeID, AAX_CTypeID, uint32_t,
                                                   int32_t) const override
  {
    return nullptr;
  }
  AAX_IPageTable* CreateTableCopyForLayoutFromFile(const char*, const char*, uint32_t, int32_t) const override
  {
    return nullptr;
  }
};

// Writes the identifier's first byte and counts its calls; can fail or call back.
struct Log
{
  std::vector<std::string> mFills;
  std::function<void()> mCallback;
};

class RecordingHandler : public AAX_IPacketHandler
{
public:
  RecordingHandler(Log* log, AAX_Result result = AAX_SUCCESS) : mLog(log), mResult(result) {}
  AAX_IPacketHandler* Clone() const override { return new RecordingHandler(*this); }
  AAX_Result Fill(AAX_CParamID id, AAX_CPacket& packet) const override
  {
    mLog->mFills.push_back(id);
    if (mLog->mCallback)
      mLog->mCallback();
    *packet.GetPtr<char>() = id[0];
    return mResult;
  }

private:
  Log* mLog;
  AAX_Result mResult;
};
} // namespace

TEST(AAXParameterRegistry, OwnsFindsAndRemoves)
{
  int deaths = 0;
  NullDelegate delegate;
  {
    AAX_CParameterRegistry registry;
    registry.SetAutomationDelegate(&delegate);
    auto* gain = new FakeParameter("1", "Gain", &deaths);
    auto* drive = new FakeParameter("2", "Drive", &deaths);
    auto* mix = new FakeParameter("3", "Mix", &deaths);
    EXPECT_TRUE(registry.AddParameter(gain));
    EXPECT_TRUE(registry.AddParameter(drive));
    EXPECT_TRUE(registry.AddParameter(mix));
    EXPECT_FALSE(registry.AddParameter(nullptr));
    EXPECT_EQ(gain->mDelegate, &delegate);

    // A duplicate identifier is refused and left to the caller.
    FakeParameter duplicate("2", "Other", &deaths);
    EXPECT_FALSE(registry.AddParameter(&duplicate));
    EXPECT_EQ(duplicate.mDelegateCalls, 0);
    EXPECT_EQ(registry.FindParameter("2"), drive);
    EXPECT_EQ(registry.ParameterCount(), 3);

    for (int32_t i = 0; i < registry.ParameterCount(); ++i)
    {
      AAX_IParameter* p = registry.ParameterAt(i);
      EXPECT_EQ(registry.FindParameter(p->Identifier()), p);
      EXPECT_EQ(registry.IndexOfParameter(p->Identifier()), i);
    }
    EXPECT_EQ(registry.ParameterAt(-1), nullptr);
    EXPECT_EQ(registry.ParameterAt(3), nullptr);
    EXPECT_EQ(registry.FindParameter(nullptr), nullptr);
    EXPECT_EQ(registry.FindParameter("4"), nullptr);
    EXPECT_EQ(registry.IndexOfParameter(nullptr), -1);
    EXPECT_EQ(registry.IndexOfParameter("4"), -1);
    EXPECT_EQ(registry.FindParameterByName("Mix"), mix);
    EXPECT_EQ(registry.FindParameterByName("mix"), nullptr);

    registry.RemoveParameterByID("1");
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(registry.IndexOfParameter("2"), 0);
    EXPECT_EQ(registry.FindParameter("1"), nullptr);
    registry.RemoveParameterByID("1"); // absent: nothing
    registry.RemoveParameter(nullptr);
    registry.RemoveParameter(mix); // through its own identifier
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(registry.ParameterCount(), 1);
  }
  // The destructor deleted the rest; the refused duplicate died with its own scope.
  EXPECT_EQ(deaths, 4);

  AAX_CParameterRegistry registry;
  registry.AddParameter(new FakeParameter("a", "A", &deaths));
  registry.RemoveAll();
  EXPECT_EQ(deaths, 5);
  EXPECT_EQ(registry.ParameterCount(), 0);
  EXPECT_EQ(registry.FindParameter("a"), nullptr);
}

TEST(AAXPacketRegistry, DispatchesDirtyPacketsOnce)
{
  PacketController controller;
  AAX_CPacketRegistry registry;
  Log log;
  EXPECT_EQ(registry.Dispatch(), AAX_ERROR_NULL_OBJECT); // no controller yet
  registry.SetController(&controller, nullptr);
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);

  const RecordingHandler handler(&log);
  EXPECT_EQ(registry.RegisterPacket("b", 3, handler), AAX_SUCCESS);
  EXPECT_EQ(registry.RegisterPacket("a", 3, handler), AAX_SUCCESS);
  EXPECT_EQ(registry.RegisterPacket("c", 5, handler), AAX_SUCCESS);
  EXPECT_EQ(registry.RegisterPacket("d", -1, handler), AAX_SUCCESS); // registers nothing
  EXPECT_EQ(registry.RegisterPacket(nullptr, 1, handler), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(registry.PacketCount(), 2);

  // New packets start dirty: each goes out once, filled by its first identifier in order.
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  ASSERT_EQ(controller.mPosts.size(), 2u);
  EXPECT_EQ(controller.mPosts[0].mIndex, 3u);
  EXPECT_EQ(controller.mPosts[0].mBytes, std::vector<uint8_t>{'a'});
  EXPECT_EQ(controller.mPosts[1].mIndex, 5u);
  EXPECT_EQ(log.mFills, (std::vector<std::string>{"a", "c"}));

  // Clean packets are not sent again.
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  EXPECT_EQ(controller.mPosts.size(), 2u);

  // Either identifier of a shared packet makes it go out once more.
  EXPECT_EQ(registry.MarkDirty("b"), AAX_SUCCESS);
  EXPECT_EQ(registry.MarkDirty("unknown"), AAX_SUCCESS);
  controller.mPostResult = AAX_ERROR_POST_PACKET_FAILED;
  EXPECT_EQ(registry.Dispatch(), AAX_ERROR_POST_PACKET_FAILED);
  ASSERT_EQ(controller.mPosts.size(), 3u);
  EXPECT_EQ(controller.mPosts[2].mIndex, 3u);

  // Marking clean again withdraws it.
  registry.MarkDirty("c");
  registry.MarkDirty("c", false);
  controller.mPostResult = AAX_SUCCESS;
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  EXPECT_EQ(controller.mPosts.size(), 3u);

  // A failing fill posts nothing but still clears the flag.
  Log failLog;
  registry.RegisterPacket("e", 9, RecordingHandler(&failLog, AAX_ERROR_NULL_OBJECT));
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  EXPECT_EQ(failLog.mFills.size(), 1u);
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  EXPECT_EQ(failLog.mFills.size(), 1u);
  EXPECT_EQ(controller.mPosts.size(), 3u);
}

TEST(AAXPacketRegistry, HandlersMayCallBackIntoTheRegistry)
{
  PacketController controller;
  AAX_CPacketRegistry registry;
  registry.SetController(&controller, nullptr);
  Log log;
  // Re-entering on the dispatching thread must neither deadlock nor upset the pass.
  log.mCallback = [&] {
    registry.MarkDirty("z");
    EXPECT_EQ(registry.PacketCount(), 1);
  };
  registry.RegisterPacket("z", 1, RecordingHandler(&log));
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  EXPECT_EQ(controller.mPosts.size(), 1u);
  // The handler marked its own packet dirty again during the fill; the pass then cleared it.
  EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
  EXPECT_EQ(controller.mPosts.size(), 1u);
}

TEST(AAXPacketRegistry, StandardPackingOfParameterValues)
{
  AAX_CParameterRegistry parameters;
  parameters.AddParameter(new FakeParameter("b", "Bypass", nullptr, FakeParameter::kBool, 1));
  parameters.AddParameter(new FakeParameter("f", "Mix", nullptr, FakeParameter::kFloat, 0.5));
  parameters.AddParameter(new FakeParameter("i", "Mode", nullptr, FakeParameter::kInt, -3));
  parameters.AddParameter(new FakeParameter("d", "Drive", nullptr, FakeParameter::kDouble, 0.25));
  parameters.AddParameter(new FakeParameter("n", "Odd", nullptr, FakeParameter::kNone));
  const AAX_CParameterPacketHandler handler(parameters);

  AAX_CPacket packet(0);
  EXPECT_EQ(packet.GetSize(), 0u);
  EXPECT_EQ(handler.Fill("b", packet), AAX_SUCCESS);
  EXPECT_EQ(packet.GetSize(), 4u);
  EXPECT_EQ(*static_cast<const int32_t*>(packet.GetData()), 1);
  EXPECT_EQ(handler.Fill("f", packet), AAX_SUCCESS);
  EXPECT_EQ(*static_cast<const float*>(packet.GetData()), 0.5f);
  EXPECT_EQ(handler.Fill("i", packet), AAX_SUCCESS);
  EXPECT_EQ(*static_cast<const int32_t*>(packet.GetData()), -3);
  EXPECT_EQ(handler.Fill("d", packet), AAX_SUCCESS);
  EXPECT_EQ(packet.GetSize(), 8u);
  EXPECT_EQ(*static_cast<const double*>(packet.GetData()), 0.25);
  EXPECT_EQ(handler.Fill("n", packet), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(handler.Fill("missing", packet), AAX_ERROR_NULL_OBJECT);
}

TEST(AAXOwnerMutex, OwnerReentersOthersWait)
{
  AAX_COwnerMutex mutex;
  auto otherThreadTry = [&] {
    bool got = false;
    std::thread([&] {
      got = mutex.TryLock();
      mutex.Unlock(); // does nothing unless this thread owns it
    }).join();
    return got;
  };

  EXPECT_TRUE(mutex.Lock());
  EXPECT_FALSE(mutex.Lock()); // nested: no deadlock, still ours
  EXPECT_TRUE(mutex.IsOwnedByCurrentThread());
  EXPECT_TRUE(mutex.TryLock());
  EXPECT_FALSE(otherThreadTry());
  std::thread([&] { mutex.Unlock(); }).join(); // a stranger cannot release it
  EXPECT_FALSE(otherThreadTry());
  mutex.Unlock();
  EXPECT_FALSE(mutex.IsOwnedByCurrentThread());
  EXPECT_TRUE(otherThreadTry());

  {
    AAX_COwnerMutexGuard outer(mutex);
    EXPECT_TRUE(outer.Locked());
    {
      AAX_COwnerMutexGuard inner(mutex);
      EXPECT_FALSE(inner.Locked());
    }
    EXPECT_TRUE(mutex.IsOwnedByCurrentThread()); // the inner guard left it alone
    EXPECT_FALSE(otherThreadTry());
  }
  EXPECT_TRUE(otherThreadTry());

  // Mutual exclusion between threads.
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i)
    {
      AAX_COwnerMutexGuard guard(mutex);
      ++counter;
    }
  };
  std::thread t1(work), t2(work);
  t1.join();
  t2.join();
  EXPECT_EQ(counter, 40000);
}
