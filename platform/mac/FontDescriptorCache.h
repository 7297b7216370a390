#pragma once
// The process-wide cache of CoreText font descriptors of the fonts the editors loaded, with
// the em ratio that native text fields use to pick a matching native font. It is shared by the
// live IGraphicsMac objects, counted here under the cache's mutex, and emptied when the last
// of them goes.
#include "graphics/PlatformFont.h"
#include "standin/coretext/CoreText.h"

#include <cstdint>
#include <mutex>

namespace plug::igraphics {

struct MacFontDescriptorEntry
{
  // Retains the descriptor.
  MacFontDescriptorEntry(CTFontDescriptorRef descriptor, double emRatio);
  ~MacFontDescriptorEntry();
  MacFontDescriptorEntry(const MacFontDescriptorEntry&) = delete;
  MacFontDescriptorEntry& operator=(const MacFontDescriptorEntry&) = delete;

  CTFontDescriptorRef mDescriptor;
  double mEmRatio; // unitsPerEm / (ascender - descender)
};

class FontDescriptorCache
{
public:
  FontDescriptorCache() = default;
  // Empties the cache.
  ~FontDescriptorCache();
  FontDescriptorCache(const FontDescriptorCache&) = delete;
  FontDescriptorCache& operator=(const FontDescriptorCache&) = delete;

  // The one cache of the process (static storage; emptied at exit).
  static FontDescriptorCache& Shared();

  // The 64-bit hash of a key text (FNV-1a).
  static uint64_t KeyHash(const char* key);

  // The callers of the four operations below hold Mutex().
  // The value of the first entry whose key hash, scale (exactly) and name all match; the key
  // is the name followed by "-%.1fx" of the scale.
  MacFontDescriptorEntry* Find(const char* name, double scale) const;
  // Appends an entry that owns value.
  void Add(MacFontDescriptorEntry* value, const char* name, double scale);
  // Deletes the entries, from the last to the first.
  void Clear();
  int Size() const { return mEntries.GetSize(); }

  std::mutex& Mutex() { return mMutex; }

  // The count of the live IGraphicsMac objects that share the cache: each takes the mutex for
  // the count and, when it goes from 1 to 0, the clearing, and for nothing else.
  void AddInstance();
  void RemoveInstance();
  int InstanceCount();

private:
  struct Entry
  {
    uint64_t mHash;
    CharBuf mName;
    double mScale;
    MacFontDescriptorEntry* mValue;
    ~Entry() { delete mValue; }
  };

  PtrArray<Entry> mEntries;
  std::mutex mMutex;
  int mInstanceCount = 0;
};

// unitsPerEm / (ascender - descender) in double precision; 1 when ascender equals descender.
double FontEmRatio(const SfntFaceInfo& facts);

// Keeps the font's descriptor under the font id (at scale 1) unless an entry for the id is
// there already. The font stays the caller's.
void CacheCoreTextFontDescriptor(const char* fontID, const PlatformFontPtr& font,
                                 FontDescriptorCache& cache = FontDescriptorCache::Shared());
// The entry of the font id, owned by the cache; null when none.
MacFontDescriptorEntry* FindCachedFontDescriptor(const char* fontID, FontDescriptorCache& cache = FontDescriptorCache::Shared());

} // namespace plug::igraphics
