#pragma once
// The process-wide caches of decoded bitmaps and parsed SVG documents that every graphics
// context of the process shares (several plug-in instances may show their editors at once).
// Each cache counts the contexts that use it and is emptied when the last one goes. An entry
// is found by its name and resource scale; the cache owns what it holds.
//
// Callers hold the cache's mutex for a whole lookup-and-load. It is recursive: a holder may
// call an operation that locks it again. The bitmap cache is locked before the SVG cache
// when both are held.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/IGraphicsStructs.h"
#include "plug/HeapBuf.h"

namespace plug {
namespace igraphics {

// A parsed SVG document as the SVG cache keeps it.
struct SVGHolder
{
  explicit SVGHolder(std::unique_ptr<standin::svg::Image> image);
  ~SVGHolder();
  std::unique_ptr<standin::svg::Image> mImage;
};

template <class T>
class SharedResourceCache
{
public:
  SharedResourceCache() = default;
  ~SharedResourceCache() { Empty(); }
  SharedResourceCache(const SharedResourceCache&) = delete;
  SharedResourceCache& operator=(const SharedResourceCache&) = delete;

  std::recursive_mutex& Mutex() { return mMutex; }

  // The first entry, in insertion order, with that name and exactly that scale.
  T* Find(const char* name, double scale) const
  {
    for (int i = 0; i < mEntries.GetSize(); ++i)
    {
      const Entry* e = mEntries.Get(i);
      if (e->scale == scale && std::strcmp(e->name.Get(), name ? name : "") == 0)
        return e->resource.get();
    }
    return nullptr;
  }

  // Appends an entry (without looking for one of the same key) and takes the resource over.
  void Add(T* resource, const char* name, double scale)
  {
    std::unique_ptr<T> owned(resource);
    auto entry = std::make_unique<Entry>();
    entry->name.Set(name ? name : "");
    entry->scale = scale;
    entry->resource = std::move(owned);
    if (!mEntries.Add(entry.get()))
      throw std::bad_alloc();
    entry.release();
  }

  // Deletes the first entry holding the resource, and the resource; the rest keep their order.
  void Remove(const T* resource)
  {
    for (int i = 0; i < mEntries.GetSize(); ++i)
    {
      if (mEntries.Get(i)->resource.get() == resource)
      {
        mEntries.Delete(i, true);
        return;
      }
    }
  }

  // Deletes every entry from the last to the first.
  void Empty() { mEntries.Clear(true); }

  int Size() const { return mEntries.GetSize(); }

  // A graphics context begins or ends using the cache (callers hold the mutex); the last one
  // to end empties it.
  void Retain() { ++mCount; }
  void Release()
  {
    if (mCount > 0 && --mCount == 0)
      Empty();
  }
  int Count() const { return mCount; }

private:
  struct Entry
  {
    CharBuf name{128};
    double scale = 1.0;
    std::unique_ptr<T> resource;
  };

  int mCount = 0;
  std::recursive_mutex mMutex;
  PtrArray<Entry> mEntries;
};

// The two caches of the process.
SharedResourceCache<APIBitmap>& BitmapCache();
SharedResourceCache<SVGHolder>& SVGCache();

} // namespace igraphics
} // namespace plug
