#include "standin/foundation/Object.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace standin {

namespace {

// Never destroyed: classes and their registry must outlive every static object that may still
// release objects at exit.
struct Registry
{
  std::mutex mutex;
  std::map<std::string, RuntimeClass*> byName;
  std::vector<RuntimeClass*> all;
};

Registry& TheRegistry()
{
  static Registry* sRegistry = new Registry;
  return *sRegistry;
}

void DefaultFault(const char* message)
{
  std::fprintf(stderr, "platform stand-in: %s\n", message);
  std::abort();
}

std::atomic<PlatformFaultHandler> sFaultHandler{nullptr};
std::atomic<long> sAutoreleasedWithoutPool{0};

} // namespace

RuntimeClass::RuntimeClass(const char* name, const RuntimeClass* super) : mName(name ? name : ""), mSuper(super) {}

RuntimeClass& RuntimeClass::Create(const char* name, const RuntimeClass* super)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  RuntimeClass* cls = new RuntimeClass(name, super);
  registry.all.push_back(cls);
  registry.byName.emplace(cls->mName, cls); // keeps the first of a name
  return *cls;
}

const RuntimeClass* RuntimeClass::Find(const char* name)
{
  if (!name)
    return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.byName.find(name);
  return it == registry.byName.end() ? nullptr : it->second;
}

void RuntimeClass::Unregister(RuntimeClass& cls)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.byName.find(cls.mName);
  if (it != registry.byName.end() && it->second == &cls)
    registry.byName.erase(it);
}

bool RuntimeClass::IsRegistered() const { return Find(mName.c_str()) == this; }

bool RuntimeClass::IsSubclassOf(const RuntimeClass& other) const
{
  for (const RuntimeClass* c = this; c; c = c->mSuper)
    if (c == &other)
      return true;
  return false;
}

long RuntimeClass::TotalLiveCount()
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  long total = 0;
  for (const RuntimeClass* cls : registry.all)
    total += cls->LiveCount();
  return total;
}

void RuntimeClass::Count(long delta) { mLive.fetch_add(delta); }

PlatformFaultHandler SetPlatformFaultHandler(PlatformFaultHandler handler) { return sFaultHandler.exchange(handler); }

void PlatformFault(const char* message)
{
  PlatformFaultHandler handler = sFaultHandler.load();
  (handler ? handler : DefaultFault)(message ? message : "");
}

long AutoreleasedWithoutPool() { return sAutoreleasedWithoutPool.load(); }

bool IsMainThread()
{
  static thread_local const bool sIsMain = syscall(SYS_gettid) == getpid();
  return sIsMain;
}

void MainThreadOnly(const char* entry)
{
  if (!IsMainThread())
    PlatformFault((std::string("Main Thread Checker: UI API called on a background thread: ") + (entry ? entry : "?")).c_str());
}

} // namespace standin

// -- NSObject --

using standin::RuntimeClass;

RuntimeClass& NSObject::Class()
{
  static RuntimeClass& sClass = RuntimeClass::Create("NSObject", nullptr);
  return sClass;
}
static const standin::ClassRegistration sNSObjectRegistration(NSObject::Class());

NSObject::NSObject(RuntimeClass& cls) : mClass(&cls) { mClass->Count(1); }

NSObject::~NSObject()
{
  if (!mImmortal)
    mClass->Count(-1);
}

void NSObject::MakeImmortal()
{
  if (!mImmortal)
  {
    mImmortal = true;
    mClass->Count(-1);
  }
}

NSObject* NSObject::retain() const
{
  if (!mImmortal)
    mRetainCount.fetch_add(1, std::memory_order_relaxed);
  return const_cast<NSObject*>(this);
}

void NSObject::release() const
{
  if (mImmortal)
    return;
  const long before = mRetainCount.fetch_sub(1, std::memory_order_acq_rel);
  if (before == 1)
    delete this;
  else if (before <= 0)
    standin::PlatformFault("object released after it was freed");
}

// -- autorelease pools --

namespace {

using PoolList = std::vector<const NSObject*>;
thread_local NSAutoreleasePool* tInnermostPool = nullptr;

} // namespace

NSAutoreleasePool::NSAutoreleasePool() : mObjects(new PoolList), mOuter(tInnermostPool) { tInnermostPool = this; }

NSAutoreleasePool::~NSAutoreleasePool()
{
  auto* objects = static_cast<PoolList*>(mObjects);
  // Releasing may autorelease more into this pool: drain until it stays empty.
  while (!objects->empty())
  {
    PoolList batch;
    batch.swap(*objects);
    for (const NSObject* object : batch)
      object->release();
  }
  tInnermostPool = mOuter;
  delete objects;
}

long NSAutoreleasePool::Count() const { return static_cast<long>(static_cast<PoolList*>(mObjects)->size()); }

NSObject* NSObject::autorelease() const
{
  if (tInnermostPool)
    static_cast<PoolList*>(tInnermostPool->mObjects)->push_back(this);
  else if (!mImmortal)
    standin::sAutoreleasedWithoutPool.fetch_add(1);
  return const_cast<NSObject*>(this);
}
