#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

// Reference counting shared by every object of the Metal and QuartzCore stand-ins.
//
// An object starts with one reference, owned by whoever created it (the Ref returned by the
// New... call). Retain and Release may be called from any thread; the last Release deletes the
// object on the thread that made it.
namespace standin::mtl {

class Object
{
public:
  void Retain() const { mRefs.fetch_add(1, std::memory_order_relaxed); }
  void Release() const
  {
    if (mRefs.fetch_sub(1, std::memory_order_acq_rel) == 1)
      delete this;
  }
  uint32_t RetainCount() const { return mRefs.load(std::memory_order_acquire); }

  // Stand-in objects alive in the process: lets tests see that everything made was released.
  static int64_t LiveCount();

  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

protected:
  Object();
  virtual ~Object();

private:
  mutable std::atomic<uint32_t> mRefs{1};
};

// A strong reference. Constructing from a raw pointer retains it; Adopt takes over the reference
// a New... call hands out.
template <class T>
class Ref
{
public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  Ref(T* object) : mObject(object)
  {
    if (mObject)
      mObject->Retain();
  }
  Ref(const Ref& other) : Ref(other.mObject) {}
  Ref(Ref&& other) noexcept : mObject(std::exchange(other.mObject, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& other) : Ref(static_cast<T*>(other.Get()))
  {
  }
  ~Ref()
  {
    if (mObject)
      mObject->Release();
  }
  Ref& operator=(Ref other) noexcept
  {
    std::swap(mObject, other.mObject);
    return *this;
  }

  static Ref Adopt(T* object)
  {
    Ref ref;
    ref.mObject = object;
    return ref;
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(mObject, nullptr); }

  T* Get() const { return mObject; }
  T* operator->() const { return mObject; }
  T& operator*() const { return *mObject; }
  explicit operator bool() const { return mObject != nullptr; }
  bool operator==(const Ref& other) const { return mObject == other.mObject; }
  bool operator!=(const Ref& other) const { return mObject != other.mObject; }
  bool operator==(std::nullptr_t) const { return mObject == nullptr; }
  bool operator!=(std::nullptr_t) const { return mObject != nullptr; }

private:
  T* mObject = nullptr;
};

template <class T, class... Args>
Ref<T> MakeRef(Args&&... args)
{
  return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

} // namespace standin::mtl
