#pragma once
// Holds one reference to an object of the platform's runtime for a scope: the editor view keeps
// itself (or the graphics object keeps its view) alive across a call that may close the editor,
// whether the call returns or throws.

namespace plug {
namespace igraphics {

template <class T>
class ScopedRetain
{
public:
  explicit ScopedRetain(T* object) : mObject(object)
  {
    if (mObject)
      mObject->retain();
  }
  ~ScopedRetain()
  {
    if (mObject)
      mObject->release();
  }
  ScopedRetain(const ScopedRetain&) = delete;
  ScopedRetain& operator=(const ScopedRetain&) = delete;

  T* get() const { return mObject; }
  T* operator->() const { return mObject; }
  explicit operator bool() const { return mObject != nullptr; }

private:
  T* const mObject;
};

} // namespace igraphics
} // namespace plug
