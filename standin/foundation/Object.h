#pragma once
// The object model of the platform stand-ins: reference-counted objects with the platform's
// ownership rules, the object runtime's registry of classes, and autorelease pools.
//
// Ownership follows the platform: whatever is made with new, or returned by a function whose
// name holds Create or Copy, belongs to the caller (retain count 1) and is given back with
// release() / CFRelease; convenience constructors return autoreleased objects, which live until
// the innermost NSAutoreleasePool of the thread drains. A field that "retains" an object calls
// retain() on it and releases it when replaced or destroyed; a plain field does neither.
// Messages the platform lets one send to nil are not available on a null pointer here: callers
// check for null explicitly.
//
// Every object counts itself under its class while it lives (RuntimeClass::LiveCount), so a
// test can prove that a piece of code leaves nothing behind.
#include <atomic>
#include <string>

class NSObject;

// The per-build suffix of the classes that the plug-in registers with the object runtime
// (views, menus, text fields, the Metal back end), so that several plug-ins built from this
// framework can share one host process. Spell such a class PLUG_OBJC_CLASS(IGraphicsView),
// which names IGraphicsView_vVellicor_aax.
#ifndef PLUG_OBJC_SUFFIX
#define PLUG_OBJC_SUFFIX _vVellicor_aax
#endif
#define PLUG_OBJC_CONCAT_(a, b) a##b
#define PLUG_OBJC_CONCAT(a, b) PLUG_OBJC_CONCAT_(a, b)
#define PLUG_OBJC_CLASS(name) PLUG_OBJC_CONCAT(name, PLUG_OBJC_SUFFIX)
#define STANDIN_STRINGIZE_(x) #x
#define STANDIN_STRINGIZE(x) STANDIN_STRINGIZE_(x)

// In the body of every object class:
//   STANDIN_OBJECT_CLASS()
// and once in a source file, at the namespace of the class:
//   STANDIN_DEFINE_CLASS(Type, SuperType)
// The class registers with the runtime under the name Type spells (after macro expansion)
// when its module loads, and leaves the registry when the module unloads. Constructors of
// object classes take the runtime class as their last argument, defaulting to their own, and
// pass it to their base, so that an object counts under its most derived class.
#define STANDIN_OBJECT_CLASS() \
public:                        \
  static standin::RuntimeClass& Class();

#define STANDIN_DEFINE_CLASS(Type, SuperType)                                                          \
  standin::RuntimeClass& Type::Class()                                                                 \
  {                                                                                                    \
    static standin::RuntimeClass& sClass =                                                             \
      standin::RuntimeClass::Create(STANDIN_STRINGIZE(Type), &SuperType::Class());                     \
    return sClass;                                                                                     \
  }                                                                                                    \
  static const standin::ClassRegistration PLUG_OBJC_CONCAT(sClassRegistration, __LINE__)(Type::Class());

namespace standin {

// A class known to the object runtime.
class RuntimeClass
{
public:
  // Makes a class and registers it under its name. The registry refuses a second class of a
  // name that is taken: that class is still made (its objects work and are counted) but is not
  // registered, and Find keeps answering with the first. Classes are never destroyed, since
  // objects may outlive the module that defined their class.
  static RuntimeClass& Create(const char* name, const RuntimeClass* super);
  // The registered class of that name, or null.
  static const RuntimeClass* Find(const char* name);
  // Takes the class out of the registry (its module unloads); its name becomes free.
  static void Unregister(RuntimeClass& cls);
  // Objects alive, of every class.
  static long TotalLiveCount();

  const char* Name() const { return mName.c_str(); }
  const RuntimeClass* Super() const { return mSuper; }
  bool IsRegistered() const;
  bool IsSubclassOf(const RuntimeClass& other) const;
  // Objects of exactly this class alive now (immortal ones not counted).
  long LiveCount() const { return mLive.load(); }

  RuntimeClass(const RuntimeClass&) = delete;
  RuntimeClass& operator=(const RuntimeClass&) = delete;

private:
  friend class ::NSObject;
  RuntimeClass(const char* name, const RuntimeClass* super);
  void Count(long delta);

  std::string mName;
  const RuntimeClass* mSuper;
  std::atomic<long> mLive{0};
};

// Takes a class out of the registry when the module that registered it unloads.
class ClassRegistration
{
public:
  explicit ClassRegistration(RuntimeClass& cls) : mClass(cls) {}
  ~ClassRegistration() { RuntimeClass::Unregister(mClass); }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

private:
  RuntimeClass& mClass;
};

// What the platform does for a client's programming error (releasing NULL, releasing an object
// once too often, destroying a semaphore that is still in use): it crashes. The stand-in
// reports the message to the handler, which by default prints it and aborts; tests install
// their own to observe it. Returns the previous handler; null restores the default.
using PlatformFaultHandler = void (*)(const char* message);
PlatformFaultHandler SetPlatformFaultHandler(PlatformFaultHandler handler);
void PlatformFault(const char* message);

// The platform's main thread: the process's first thread, the one that runs main() and, in a
// host, the main run loop and its events.
bool IsMainThread();
// The main-thread checker of the platform's user-interface classes: a call of such an entry
// point from another thread is a platform fault naming the entry.
void MainThreadOnly(const char* entry);

// Objects autoreleased while no pool was in place on their thread. The platform leaks them,
// and so does the stand-in; their count tells a test that a pool was missing.
long AutoreleasedWithoutPool();

} // namespace standin

// The root of every object class. Retain and release are safe from any thread.
class NSObject
{
  STANDIN_OBJECT_CLASS()

  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;

  // Both return the object itself, typed as the caller had it through the helpers below.
  NSObject* retain() const;
  // Destroys the object when this was the last reference.
  void release() const;
  // Hands one reference to the innermost autorelease pool of this thread.
  NSObject* autorelease() const;
  long retainCount() const { return mRetainCount.load(); }

  const standin::RuntimeClass& GetClass() const { return *mClass; }
  const char* className() const { return mClass->Name(); }
  bool isKindOfClass(const standin::RuntimeClass& cls) const { return mClass->IsSubclassOf(cls); }
  virtual bool isEqual(const NSObject* other) const { return other == this; }

protected:
  explicit NSObject(standin::RuntimeClass& cls = Class());
  virtual ~NSObject();
  // Constants and process-wide singletons: retain and release do nothing and the object is not
  // counted among the live ones.
  void MakeImmortal();

private:
  mutable std::atomic<long> mRetainCount{1};
  standin::RuntimeClass* mClass;
  bool mImmortal = false;
};

// Typed forms of retain and autorelease.
template <class T>
T* Retained(T* object)
{
  if (object)
    object->retain();
  return object;
}

template <class T>
T* Autoreleased(T* object)
{
  if (object)
    object->autorelease();
  return object;
}

// An autorelease pool for the scope of the object (the platform's @autoreleasepool block).
// Pools nest per thread; the destructor releases, in order, every object autoreleased into
// this pool, including those autoreleased while it drains.
class NSAutoreleasePool
{
public:
  NSAutoreleasePool();
  ~NSAutoreleasePool();
  NSAutoreleasePool(const NSAutoreleasePool&) = delete;
  NSAutoreleasePool& operator=(const NSAutoreleasePool&) = delete;
  // Objects waiting in this pool.
  long Count() const;

private:
  friend class NSObject;
  void* mObjects; // the pool's list, owned
  NSAutoreleasePool* mOuter;
};
