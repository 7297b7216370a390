// Creating an instance when memory runs out: the real bundle, loaded in-process, is asked for
// an instance the way the host asks (its instance factory, the interface query, Init, then
// Uninit and the last Release), while one allocation fails, the first, then the second, and so
// on until a creation meets no failure at all; then again with two allocations in a row
// failing (a buffer whose reallocation fails tries a fresh block before giving up).
// Allocations are the calls of operator new and of the C allocator (malloc, calloc, realloc)
// made on the host's thread, whichever library makes them; the replaced operator new of this
// executable counts its blocks, so what a failed creation leaves behind shows as blocks still
// alive once everything is released, without relying on a leak report at exit. The stand-in
// host's own allocations inside the calls fail as well: its recording of a call then throws
// into the plug-in, which must not let the exception out of the entry point. The counter's
// own failing of each kind of allocation is checked first.
#include "tests/bundle/BundleSession.h"
#include "tests/support/AllocationCounter.h"

#include "aax/interfaces/AAX_IEffectParameters.h"
#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_CString.h"
#include "standin/aaxhost/InstanceHost.h"
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/appkit/UserInput.h"
#include "standin/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The C allocator's calls through pointers the compiler cannot see through, so that it
// neither drops a call nor takes its result for granted.
void* (*volatile gMalloc)(std::size_t) = std::malloc;
void* (*volatile gCalloc)(std::size_t, std::size_t) = std::calloc;
void* (*volatile gRealloc)(void*, std::size_t) = std::realloc;

// The sweeps below cover what the counter fails: each kind of allocation, armed, fails when
// its turn comes, and with it the ones after it in the burst; the others succeed. Results are
// looked at once the counter is disarmed, so that nothing of the test's own is counted.
TEST(AllocationCounter, FailsTheArmedAllocationsOfEveryKind)
{
  enum EKind { kNew, kNewNothrow, kMalloc, kCalloc, kRealloc, kKinds };
  const char* const names[kKinds] = {"operator new", "nothrow operator new", "malloc", "calloc", "realloc"};
  for (int kind = 0; kind < kKinds; ++kind)
  {
    SCOPED_TRACE(names[kind]);
    // The throwing form fails one: the exception it throws takes an allocation of its own.
    const int burst = kind == kNew ? 1 : 2;
    void* grown[4] = {};
    for (void*& block : grown)
      block = std::malloc(8);
    void* made[4] = {};
    bool failedYet[4] = {};
    testsupport::FailAllocations(2, burst);
    for (int i = 0; i < 4; ++i)
    {
      switch (kind)
      {
        case kNew:
          try
          {
            made[i] = ::operator new(32);
          }
          catch (const std::bad_alloc&)
          {
          }
          break;
        case kNewNothrow: made[i] = ::operator new(32, std::nothrow); break;
        case kMalloc: made[i] = gMalloc(32); break;
        case kCalloc: made[i] = gCalloc(4, 8); break;
        default:
          made[i] = gRealloc(grown[i], 4096);
          if (made[i])
            grown[i] = nullptr;
          break;
      }
      failedYet[i] = testsupport::AllocationFailed();
    }
    testsupport::FailNthAllocation(0);
    for (int i = 0; i < 4; ++i)
    {
      EXPECT_EQ(made[i] == nullptr, i >= 1 && i <= burst) << "call " << i + 1;
      EXPECT_EQ(failedYet[i], i >= 1) << "call " << i + 1;
      if (kind == kNew || kind == kNewNothrow)
        ::operator delete(made[i]);
      else
        std::free(made[i]);
      std::free(grown[i]);
    }
  }
}

AAX_CCreateObjectProc InstanceFactory(bundletest::BundleSession& session)
{
  for (const aaxhost::ProcPtrRecord& proc : session.Bundle().Registered()->Effects().front().second->ProcPtrs())
    if (proc.procID == AAX_eProcPtrID_Create_EffectParameters)
      return reinterpret_cast<AAX_CCreateObjectProc>(proc.proc);
  return nullptr;
}

// Every reference the instance may take from the host.
using References = std::tuple<std::vector<int32_t>, int32_t, int32_t, int32_t>;
References HostReferences(aaxhost::Host& host, aaxhost::InstanceHost& instanceHost)
{
  return References(host.RefCounts(), instanceHost.RefCount(), instanceHost.GetController().RefCount(),
                    instanceHost.Automation().RefCount());
}

// The state chunk of the instance, as a host record.
std::vector<uint64_t> SavedState(AAX_IACFEffectParameters& effect)
{
  AAX_CTypeID id = 0;
  uint32_t size = 0;
  if (effect.GetChunkIDAtIndex(0, &id) != AAX_SUCCESS || effect.GetStateChunkSize(id, &size) != AAX_SUCCESS)
    return {};
  std::vector<uint64_t> record(AAX_ChunkRecordSize(size) / sizeof(uint64_t) + 1);
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fSize = static_cast<int32_t>(size);
  chunk->fChunkID = static_cast<int32_t>(id);
  if (effect.GetStateChunk(id, chunk) != AAX_SUCCESS)
    return {};
  return record;
}

// What an initialised instance publishes: the name it answers for each identifier the host
// holds, and the value it sends the host under each identifier when a state is restored.
struct Publication
{
  std::map<std::string, std::string> names;
  std::map<std::string, double> restored;
};

Publication Published(AAX_IACFEffectParameters& effect, aaxhost::AutomationDelegate& automation,
                      const std::vector<uint64_t>& state)
{
  Publication publication;
  for (const std::string& id : automation.Registered())
  {
    AAX_CString name;
    effect.GetParameterName(id.c_str(), &name);
    publication.names[id] = name.StdString();
  }
  const uint64_t before = automation.SetValueRequestCount();
  const auto* chunk = reinterpret_cast<const AAX_SPlugInChunk*>(state.data());
  EXPECT_EQ(effect.SetStateChunk(static_cast<AAX_CTypeID>(chunk->fChunkID), chunk), AAX_SUCCESS);
  const std::vector<aaxhost::ValueRecord> requests = automation.SetValueRequests();
  const size_t made = static_cast<size_t>(std::min<uint64_t>(automation.SetValueRequestCount() - before, requests.size()));
  for (size_t i = requests.size() - made; i < requests.size(); ++i)
    publication.restored[requests[i].id] = requests[i].value;
  return publication;
}

// Where a publication differs from the one of an instance that met no failure: it may leave a
// parameter out, but every identifier it has must name the same parameter and carry the same
// value.
std::string Differences(const Publication& publication, const Publication& expected)
{
  std::string differences;
  for (const auto& [id, name] : publication.names)
  {
    const auto it = expected.names.find(id);
    if (it == expected.names.end() || it->second != name)
      differences += " '" + id + "' names \"" + name + "\"";
  }
  for (const auto& [id, value] : publication.restored)
  {
    const auto it = expected.restored.find(id);
    if (it == expected.restored.end() || it->second != value)
      differences += " '" + id + "' restored to " + std::to_string(value);
  }
  return differences;
}

struct Trial
{
  bool failed = false;         // the armed allocation failed inside the trial
  bool created = false;        // the factory gave an object
  bool initialised = false;    // and Init succeeded
  bool keptReferences = false; // the host held more references after Uninit than before Init
  std::string escaped;         // the entry an exception came out of
};

// One creation with the n-th allocation and the count - 1 after it failing (n = 0: none),
// released again whatever happened. Once Init has succeeded (and nothing fails any more),
// initialised runs with the instance.
Trial Create(aaxhost::Host& host, AAX_CCreateObjectProc factory, long n, long count,
             const std::function<void(AAX_IACFEffectParameters&, aaxhost::InstanceHost&)>& initialised = {})
{
  Trial trial;
  auto* instanceHost = new aaxhost::InstanceHost(host);
  instanceHost->GetController().SetSampleRate(48000.0f);
  // The factory is not given the host: the references it holds before Init are these.
  const References beforeInit = HostReferences(host, *instanceHost);
  testsupport::FailAllocations(n, count);
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
    if (trial.initialised && initialised)
      initialised(*effect, *instanceHost);
    effect->Uninit();
    trial.keptReferences = HostReferences(host, *instanceHost) != beforeInit;
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

// Every creation, whatever allocation fails in it: nothing escapes, nothing is left behind,
// and Uninit gives back every reference Init took, at once. An instance whose Init succeeds
// publishes each parameter under its own identifier or not at all: every identifier the host
// holds names the parameter a creation without failures has under it, and restoring a state
// sends each identifier that parameter's value.
TEST(BundleCreationAllocation, AFailedAllocationLeavesNothingBehindAndNothingEscapes)
{
  bundletest::BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  aaxhost::Host& host = session.GetHost();
  const AAX_CCreateObjectProc factory = InstanceFactory(session);
  ASSERT_NE(factory, nullptr);

  // Whatever the process makes once (run loop, caches, the home folder's name) is made here,
  // with a state that gives every parameter a value of its own, and what an instance that met
  // no failure publishes.
  std::vector<uint64_t> state;
  ASSERT_TRUE(Create(host, factory, 0, 1, [&](AAX_IACFEffectParameters& effect, aaxhost::InstanceHost& instanceHost) {
                const std::set<std::string> ids = instanceHost.Automation().Registered();
                int k = 0;
                for (const std::string& id : ids)
                  effect.UpdateParameterFromHost(id.c_str(), (++k) / (ids.size() + 1.0), AAX_eUpdateSource_Parameter);
                state = SavedState(effect);
              }).initialised);
  ASSERT_FALSE(state.empty());
  Publication expected;
  ASSERT_TRUE(Create(host, factory, 0, 1, [&](AAX_IACFEffectParameters& effect, aaxhost::InstanceHost& instanceHost) {
                expected = Published(effect, instanceHost.Automation(), state);
              }).initialised);
  ASSERT_EQ(expected.names.size(), 34u);
  ASSERT_EQ(expected.restored.size(), 33u);

  for (const long count : {1L, 2L})
  {
    const std::string failing = count == 1 ? "allocation " : "allocations from ";
    long n = 1;
    int leakingTrials = 0;
    long leakedBlocks = 0;
    std::string firstLeaks;
    int wrongTrials = 0;
    std::string firstWrong;
    int keepingTrials = 0;
    std::string firstKeeping;
    int failedCreations = 0;
    for (;; ++n)
    {
      // The host's record of calls is bounded, not freed: it is emptied around each trial.
      host.Context().ClearCalls();
      const long before = testsupport::LiveAllocations();
      std::string differences;
      const Trial trial =
        Create(host, factory, n, count, [&](AAX_IACFEffectParameters& effect, aaxhost::InstanceHost& instanceHost) {
          differences = Differences(Published(effect, instanceHost.Automation(), state), expected);
        });
      host.Context().ClearCalls();
      const long left = testsupport::LiveAllocations() - before;

      EXPECT_EQ(trial.escaped, "") << failing << n << " failing";
      EXPECT_EQ(session.Bundle().CanUnloadNow(), 0) << "live plug-in objects after " << failing << n << " failed";
      if (trial.keptReferences && ++keepingTrials <= 5)
        firstKeeping += " " + std::to_string(n);
      if (left != 0)
      {
        ++leakingTrials;
        leakedBlocks += left;
        if (leakingTrials <= 5)
          firstLeaks += " " + std::to_string(n) + " (" + std::to_string(left) + " blocks)";
      }
      if (!differences.empty() && ++wrongTrials <= 3)
        firstWrong += "\n  " + failing + std::to_string(n) + " failing:" + differences;
      if (!trial.created)
        ++failedCreations;
      if (!trial.failed)
      {
        EXPECT_TRUE(trial.initialised);
        break;
      }
    }
    EXPECT_EQ(leakingTrials, 0) << leakedBlocks << " blocks left in all; first " << failing << "failing:" << firstLeaks;
    EXPECT_EQ(wrongTrials, 0) << "initialised with identifiers that name another parameter:" << firstWrong;
    EXPECT_EQ(keepingTrials, 0) << "host references kept past Uninit; first " << failing << "failing:" << firstKeeping;
    // The sweep went through a whole construction: the parameters, preset slots and engine are
    // hundreds of allocations, and most of them fail the creation.
    EXPECT_GT(n, 400);
    EXPECT_GT(failedCreations, 150);
  }
}

// The host uninitialises the instance inside the set request of a drag on Drive, or
// initialises it again there (which uninitialises it first), once the editor has been open for
// a few frames and its handlers have come and gone, while one of the call's allocations fails,
// the first, then the second, and so on until the call meets no failure. Whatever fails,
// Uninit keeps what it takes from the instance while the request, inside which the parameter
// making it is still running, is on the stack (under the sanitizers, a read of that parameter
// freed below its request fails the run): the host gets no reference back until the handler
// has returned. Then it holds what it holds after an Uninit outside any handler, or, once an
// Init inside succeeded, what it held before and every parameter the instance answers.
// Uninit keeps without allocating, in room that Init makes and that outlives what was kept in
// it: after the first trial every Uninit of the sweep finds room made long before. So a last
// request initialises the instance again and then uninitialises it with every allocation
// failing, where what is kept is one more than ever before and only that Init's room serves.
TEST(BundleCreationAllocation, TheHostUninitialisingInsideADragsSetRequestFreesNothingBelowIt)
{
  namespace input = standin::appkit;
  bundletest::BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  aaxhost::Host& host = session.GetHost();
  ASSERT_TRUE(standin::RunLoop::Main().SetClock(standin::RunLoop::EClock::kVirtual));
  {
    std::unique_ptr<aaxhost::PluginInstance> instance = session.NewInstance(1);
    ASSERT_TRUE(instance);
    AAX_IACFEffectParameters& effect = *instance->Effect();
    aaxhost::InstanceHost& instanceHost = *instance->GetInstanceHost();
    // No echo: it would reach the instance on the host's parameter thread while allocations fail.
    instanceHost.Automation().SetUpdateSink(nullptr);
    aaxhost::EditorSession editor(host, *instance);
    ASSERT_TRUE(editor.Create()) << editor.Error();
    ASSERT_EQ(editor.Open(), AAX_SUCCESS);
    NSView* view = editor.EditorView();
    ASSERT_NE(view, nullptr);
    NSWindow* window = view->window();
    ASSERT_NE(window, nullptr);
    standin::RunLoop::Main().RunForMs(50); // a few frames
    const double scale = view->frame().size.width / 900.0;

    const auto references = [&] { return HostReferences(host, instanceHost); };
    ASSERT_EQ(effect.Uninit(), AAX_SUCCESS);
    const References uninitialised = references();
    ASSERT_EQ(effect.Init(&instanceHost), AAX_SUCCESS);

    bool up = true;
    for (const bool reinit : {false, true})
    {
      const std::string call = reinit ? "Init" : "Uninit";
      long n = 1;
      for (;; ++n)
      {
        const std::string where = " (allocation " + std::to_string(n) + " of " + call + " failing)";
        const References initialised = references();
        References inside;
        int acted = 0;
        bool failed = false;
        AAX_Result result = AAX_SUCCESS;
        instanceHost.Automation().SetRequestHook([&](aaxhost::GestureRecord::EKind kind, const std::string&) {
          if (kind != aaxhost::GestureRecord::kSet || acted > 0)
            return;
          ++acted;
          testsupport::FailNthAllocation(n);
          result = reinit ? effect.Init(&instanceHost) : effect.Uninit();
          failed = testsupport::AllocationFailed();
          testsupport::FailNthAllocation(0);
          inside = references();
        });
        {
          NSAutoreleasePool pool; // the host's main loop always has one
          // Up and down in turn, so that every drag moves the knob.
          input::Drag(window, input::InWindow(view, NSMakePoint(147 * scale, 118 * scale)),
                      input::InWindow(view, NSMakePoint(147 * scale, (up ? 60 : 176) * scale)));
          up = !up;
        }
        instanceHost.Automation().SetRequestHook(nullptr);
        ASSERT_EQ(acted, 1) << where;
        if (!reinit)
        {
          EXPECT_TRUE(inside == initialised) << "host references given back inside the request" << where;
          EXPECT_TRUE(references() == uninitialised) << "host references after the handler" << where;
        }
        else if (result == AAX_SUCCESS)
        {
          EXPECT_TRUE(references() == initialised) << "host references after the handler" << where;
          int32_t count = 0;
          effect.GetParameterCount(&count);
          std::set<std::string> answered;
          for (int32_t i = 0; i < count; ++i)
          {
            AAX_CString id;
            effect.GetParameterIDAtIndex(i, &id);
            answered.insert(id.StdString());
          }
          EXPECT_EQ(instanceHost.Automation().Registered(), answered) << "the host's parameters" << where;
        }
        // The next drag starts from an instance initialised without failures.
        effect.Uninit();
        EXPECT_TRUE(references() == uninitialised) << where;
        ASSERT_EQ(effect.Init(&instanceHost), AAX_SUCCESS) << where;
        if (!failed || ::testing::Test::HasFailure())
          break;
      }
      // Its allocations were failed one by one (the host's recording of its calls among them).
      EXPECT_GT(n, 10) << call;
    }

    // Inside one request the host initialises the instance again, which uninitialises it and
    // keeps what that took, and then uninitialises it with every allocation failing: the second
    // Uninit keeps what it takes beside the first one's, in the room that Init made.
    {
      References initialised;
      References inside;
      int acted = 0;
      bool initOK = false;
      instanceHost.Automation().SetRequestHook([&](aaxhost::GestureRecord::EKind kind, const std::string&) {
        if (kind != aaxhost::GestureRecord::kSet || acted > 0)
          return;
        ++acted;
        initOK = effect.Init(&instanceHost) == AAX_SUCCESS;
        initialised = references();
        testsupport::FailAllocations(1, std::numeric_limits<long>::max());
        effect.Uninit();
        testsupport::FailNthAllocation(0);
        inside = references();
      });
      {
        NSAutoreleasePool pool;
        input::Drag(window, input::InWindow(view, NSMakePoint(147 * scale, 118 * scale)),
                    input::InWindow(view, NSMakePoint(147 * scale, (up ? 60 : 176) * scale)));
      }
      instanceHost.Automation().SetRequestHook(nullptr);
      ASSERT_EQ(acted, 1);
      EXPECT_TRUE(initOK);
      EXPECT_TRUE(inside == initialised) << "host references given back inside the request (every allocation failing)";
      EXPECT_TRUE(references() == uninitialised) << "host references after the handler (every allocation failing)";
      ASSERT_EQ(effect.Init(&instanceHost), AAX_SUCCESS);
    }
    bool balanced = false;
    editor.Close(balanced);
    EXPECT_TRUE(balanced);
  }
  standin::RunLoop::Main().RunForMs(20);
  EXPECT_EQ(session.Bundle().CanUnloadNow(), 0) << "plug-in objects alive";
  EXPECT_TRUE(standin::RunLoop::Main().SetClock(standin::RunLoop::EClock::kReal));
}

} // namespace
