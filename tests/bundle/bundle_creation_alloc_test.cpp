// Creating an instance when memory runs out: the real bundle, loaded in-process, is asked for
// an instance the way the host asks (its instance factory, the interface query, Init, then
// Uninit and the last Release), while one allocation of the process fails, the first, then the
// second, and so on until a creation meets no failure at all. Allocations are counted by the
// replaced operator new of this executable, so what a failed creation leaves behind shows as
// blocks still alive once everything is released, without relying on a leak report at exit.
// The stand-in host's own allocations inside the calls fail as well: its recording of a call
// then throws into the plug-in, which must not let the exception out of the entry point.
#include "tests/bundle/BundleSession.h"
#include "tests/support/AllocationCounter.h"

#include "aax/interfaces/AAX_IEffectParameters.h"
#include "aax/interfaces/AAX_UIDs.h"
#include "standin/aaxhost/InstanceHost.h"

#include <gtest/gtest.h>

#include <string>

namespace {

AAX_CCreateObjectProc InstanceFactory(bundletest::BundleSession& session)
{
  for (const aaxhost::ProcPtrRecord& proc : session.Bundle().Registered()->Effects().front().second->ProcPtrs())
    if (proc.procID == AAX_eProcPtrID_Create_EffectParameters)
      return reinterpret_cast<AAX_CCreateObjectProc>(proc.proc);
  return nullptr;
}

struct Trial
{
  bool failed = false;      // the armed allocation failed inside the trial
  bool created = false;     // the factory gave an object
  bool initialised = false; // and Init succeeded
  std::string escaped;      // the entry an exception came out of
};

// One creation with the n-th allocation failing (0: none), released again whatever happened.
Trial Create(aaxhost::Host& host, AAX_CCreateObjectProc factory, long n)
{
  Trial trial;
  auto* instanceHost = new aaxhost::InstanceHost(host);
  instanceHost->GetController().SetSampleRate(48000.0f);
  testsupport::FailNthAllocation(n);
  IACFUnknown* object = nullptr;
  try
  {
    object = factory();
  }
  catch (...)
  {
    trial.escaped = "the instance factory";
  }
  AAX_IACFEffectParameters* effect = nullptr;
  if (object)
  {
    void* answer = nullptr;
    if (object->QueryInterface(IID_IAAXEffectParametersV1, &answer) == ACF_OK)
      effect = static_cast<AAX_IACFEffectParameters*>(answer);
    trial.created = effect != nullptr;
  }
  if (effect)
  {
    try
    {
      trial.initialised = effect->Init(instanceHost) == AAX_SUCCESS;
    }
    catch (...)
    {
      trial.escaped = "Init";
    }
  }
  trial.failed = testsupport::AllocationFailed();
  testsupport::FailNthAllocation(0);
  if (effect)
  {
    effect->Uninit();
    effect->Release();
  }
  else if (object)
  {
    object->AddRef();
    object->Release();
  }
  instanceHost->Release();
  return trial;
}

TEST(BundleCreationAllocation, AFailedAllocationLeavesNothingBehindAndNothingEscapes)
{
  bundletest::BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  aaxhost::Host& host = session.GetHost();
  const AAX_CCreateObjectProc factory = InstanceFactory(session);
  ASSERT_NE(factory, nullptr);

  // Whatever the process makes once (run loop, caches, the home folder's name) is made here.
  for (int i = 0; i < 2; ++i)
    ASSERT_TRUE(Create(host, factory, 0).initialised);

  long n = 1;
  int leakingTrials = 0;
  long leakedBlocks = 0;
  std::string firstLeaks;
  int failedCreations = 0;
  for (;; ++n)
  {
    // The host's record of calls is bounded, not freed: it is emptied around each trial.
    host.Context().ClearCalls();
    const long before = testsupport::LiveAllocations();
    const Trial trial = Create(host, factory, n);
    host.Context().ClearCalls();
    const long left = testsupport::LiveAllocations() - before;

    EXPECT_EQ(trial.escaped, "") << "allocation " << n << " failing";
    EXPECT_EQ(session.Bundle().CanUnloadNow(), 0) << "live plug-in objects after allocation " << n << " failed";
    if (left != 0)
    {
      ++leakingTrials;
      leakedBlocks += left;
      if (leakingTrials <= 5)
        firstLeaks += " " + std::to_string(n) + " (" + std::to_string(left) + " blocks)";
    }
    if (!trial.created)
      ++failedCreations;
    if (!trial.failed)
    {
      EXPECT_TRUE(trial.initialised);
      break;
    }
  }
  EXPECT_EQ(leakingTrials, 0) << leakedBlocks << " blocks left in all; first failing allocations:" << firstLeaks;
  // The sweep went through a whole construction: the parameters, preset slots and engine are
  // hundreds of allocations, and most of them fail the creation.
  EXPECT_GT(n, 400);
  EXPECT_GT(failedCreations, 150);
}

} // namespace
