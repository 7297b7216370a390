#include "platform/mac/FontDescriptorCache.h"

#include <cstring>

namespace plug::igraphics {

namespace {

// name + "-%.1fx" of the scale, formatted without regard to the locale.
void MakeKey(const char* name, double scale, CharBuf& key)
{
  char number[48];
  FormatDouble(number, sizeof number, scale, 1);
  key.Set(name);
  key.Append("-");
  key.Append(number);
  key.Append("x");
}

} // namespace

MacFontDescriptorEntry::MacFontDescriptorEntry(CTFontDescriptorRef descriptor, double emRatio)
  : mDescriptor(descriptor ? static_cast<CTFontDescriptorRef>(CFRetain(descriptor)) : nullptr), mEmRatio(emRatio)
{
}

MacFontDescriptorEntry::~MacFontDescriptorEntry()
{
  if (mDescriptor)
    CFRelease(mDescriptor);
}

FontDescriptorCache::~FontDescriptorCache() { Clear(); }

FontDescriptorCache& FontDescriptorCache::Shared()
{
  static FontDescriptorCache sCache;
  return sCache;
}

uint64_t FontDescriptorCache::KeyHash(const char* key)
{
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const char* p = key ? key : ""; *p; ++p)
  {
    hash ^= static_cast<unsigned char>(*p);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

MacFontDescriptorEntry* FontDescriptorCache::Find(const char* name, double scale) const
{
  if (!name)
    return nullptr;
  CharBuf key;
  MakeKey(name, scale, key);
  const uint64_t hash = KeyHash(key.Get());
  for (int i = 0; i < mEntries.GetSize(); ++i)
  {
    const Entry* entry = mEntries.Get(i);
    if (entry->mHash == hash && entry->mScale == scale && std::strcmp(entry->mName.Get(), name) == 0)
      return entry->mValue;
  }
  return nullptr;
}

void FontDescriptorCache::Add(MacFontDescriptorEntry* value, const char* name, double scale)
{
  if (!value || !name)
  {
    delete value;
    return;
  }
  CharBuf key;
  MakeKey(name, scale, key);
  Entry* entry = new (std::nothrow) Entry{KeyHash(key.Get()), CharBuf(name), scale, value};
  if (!entry)
  {
    delete value;
    return;
  }
  if (!mEntries.Add(entry))
    delete entry;
}

void FontDescriptorCache::Clear() { mEntries.Clear(true); }

void FontDescriptorCache::AddInstance()
{
  std::lock_guard<std::mutex> lock(mMutex);
  ++mInstanceCount;
}

void FontDescriptorCache::RemoveInstance()
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mInstanceCount > 0 && --mInstanceCount == 0)
    Clear();
}

int FontDescriptorCache::InstanceCount()
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mInstanceCount;
}

double FontEmRatio(const SfntFaceInfo& facts)
{
  const double height = static_cast<double>(facts.mAscender) - static_cast<double>(facts.mDescender);
  return height == 0.0 ? 1.0 : static_cast<double>(facts.mUnitsPerEm) / height;
}

void CacheCoreTextFontDescriptor(const char* fontID, const PlatformFontPtr& font, FontDescriptorCache& cache)
{
  if (!fontID || !font)
    return;
  std::lock_guard<std::mutex> lock(cache.Mutex());
  const auto descriptor = static_cast<CTFontDescriptorRef>(font->GetDescriptor());
  if (!descriptor || cache.Find(fontID, 1.0))
    return; // the first entry of an id stays
  PlatformFontData* data = font->GetFontData();
  const double emRatio = data ? FontEmRatio(data->mFaceInfo) : 1.0;
  DeletePlatformFontData(data);
  cache.Add(new (std::nothrow) MacFontDescriptorEntry(descriptor, emRatio), fontID, 1.0);
}

MacFontDescriptorEntry* FindCachedFontDescriptor(const char* fontID, FontDescriptorCache& cache)
{
  std::lock_guard<std::mutex> lock(cache.Mutex());
  return cache.Find(fontID, 1.0);
}

} // namespace plug::igraphics
