#pragma once
// Growable containers used throughout the framework: a raw byte buffer (HeapBuf), a typed
// array over it (TypedBuf), a NUL-terminated string (CharBuf), a list of item pointers
// (PtrArray) and one that owns its items (OwnedPtrArray).
//
// Allocation failure never throws and never loses bytes already held: a resize that cannot
// be satisfied leaves the buffer exactly as it was. Callers that need the new length
// compare the length after the call with the length they asked for.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

namespace plug {

// ---------------------------------------------------------------------------------------
// Allocation hook (for tests).
//
// When a hook is installed, every allocation or reallocation a HeapBuf makes first calls
// hook(bytes); if the hook returns false the allocation fails exactly as if the system
// allocator had returned null. Pass nullptr to remove the hook. Process-wide; install it
// only in single-threaded test code. Returns the previously installed hook.
using HeapBufAllocHook = bool (*)(std::size_t bytes);
HeapBufAllocHook SetHeapBufAllocHook(HeapBufAllocHook hook);

// ---------------------------------------------------------------------------------------
// A growable heap buffer with a growth granularity fixed at construction.
// Invariant: m_size <= m_alloc; m_buf is null exactly when m_alloc is 0.
class HeapBuf
{
public:
  explicit HeapBuf(int granularity = 4096);
  ~HeapBuf();
  HeapBuf(const HeapBuf& other);             // deep copy (empty when the copy cannot be allocated)
  HeapBuf& operator=(const HeapBuf& other);  // deep copy (unchanged when it cannot be allocated)
  HeapBuf(HeapBuf&& other) noexcept;
  HeapBuf& operator=(HeapBuf&& other) noexcept;

  // Sets the byte length to n (negative counts as 0). Growing over-allocates by half the
  // request (at least the granularity). Shrinking gives memory back only with allowShrink
  // and only when the length drops well below the allocation. Returns the bytes when n > 0,
  // null when n is 0; on allocation failure the buffer is unchanged and the old pointer is
  // returned (null when nothing was held).
  void* SetLength(int n, bool allowShrink = true);

  void* Get() const { return m_buf; }
  int GetLength() const { return m_size; }
  int GetAlloc() const { return m_alloc; }
  int GetGranularity() const { return m_granul; }

  // Exchanges contents (granularity included) without allocating.
  void Swap(HeapBuf& other) noexcept;

private:
  void* m_buf = nullptr;
  int32_t m_alloc = 0;
  int32_t m_size = 0;
  int32_t m_granul = 4096;
};

// ---------------------------------------------------------------------------------------
// A typed array over a HeapBuf. T must be trivially copyable (elements move with realloc).
template <class T>
class TypedBuf
{
  static_assert(std::is_trivially_copyable<T>::value, "TypedBuf holds trivially copyable types only");

public:
  explicit TypedBuf(int granularity = 4096) : m_hb(granularity) {}

  T* Get() const { return static_cast<T*>(m_hb.Get()); }
  int GetSize() const { return m_hb.GetLength() / static_cast<int>(sizeof(T)); }

  // Sets the element count; returns the elements (null for 0). Compare GetSize() with n to
  // detect an allocation failure.
  T* Resize(int n, bool allowShrink = true)
  {
    if (n < 0)
      n = 0;
    const int64_t bytes = static_cast<int64_t>(n) * static_cast<int64_t>(sizeof(T));
    if (bytes > INT32_MAX)
      return Get();
    return static_cast<T*>(m_hb.SetLength(static_cast<int>(bytes), allowShrink));
  }

  // Appends one element; returns a pointer to it, or null when the buffer could not grow.
  T* Add(const T& item)
  {
    const int n = GetSize();
    Resize(n + 1, false);
    if (GetSize() != n + 1)
      return nullptr;
    T* p = Get() + n;
    std::memcpy(static_cast<void*>(p), &item, sizeof(T));
    return p;
  }

  // Removes the element at idx (later elements move down); false when idx is outside.
  bool Delete(int idx)
  {
    const int n = GetSize();
    if (idx < 0 || idx >= n)
      return false;
    T* p = Get();
    std::memmove(static_cast<void*>(p + idx), p + idx + 1, sizeof(T) * static_cast<std::size_t>(n - idx - 1));
    Resize(n - 1, false);
    return true;
  }

  void Clear(bool allowShrink = true) { m_hb.SetLength(0, allowShrink); }

  HeapBuf& GetHeapBuf() { return m_hb; }
  const HeapBuf& GetHeapBuf() const { return m_hb; }

private:
  HeapBuf m_hb;
};

// ---------------------------------------------------------------------------------------
// A growable NUL-terminated string. When not empty its byte length is the text length + 1;
// an empty buffer reads as "".
class CharBuf
{
public:
  explicit CharBuf(int granularity = 128) : m_hb(granularity) {}
  explicit CharBuf(const char* text, int granularity = 128) : m_hb(granularity) { Set(text); }

  const char* Get() const { return m_hb.GetLength() > 0 ? static_cast<const char*>(m_hb.Get()) : ""; }
  // Writable access to the bytes (null while nothing is allocated).
  char* GetWritable() { return static_cast<char*>(m_hb.Get()); }
  // Text length, without the terminating NUL.
  int GetLength() const { return m_hb.GetLength() > 0 ? m_hb.GetLength() - 1 : 0; }

  // Writes srcLen bytes of src at pos, first moving the tailLen bytes that stood at pos to
  // pos + srcLen, then terminates at pos + srcLen + tailLen. Splice(0, nullptr, 0, 0) sets
  // the empty string. src may point into this very buffer.
  void Splice(int pos, const char* src, int srcLen, int tailLen);

  // Convenience forms of Splice; len < 0 means strlen(text). A null text counts as "".
  void Set(const char* text, int len = -1);
  void Append(const char* text, int len = -1);
  void Insert(int pos, const char* text, int len = -1);
  void Clear() { Splice(0, nullptr, 0, 0); }

  // Sets the text from a printf format, keeping at most maxLen characters. Formats with
  // the C library, so use it for integers and strings; floating-point values are formatted
  // locale-independently with FormatDouble. Arguments may point into this very buffer.
  void Printf(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Appends printf output of at most maxLen characters.
  void AppendPrintf(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Printf with the arguments of a caller's own variadic function.
  void VPrintf(int maxLen, const char* format, va_list args) __attribute__((format(printf, 3, 0)));

  HeapBuf& GetHeapBuf() { return m_hb; }
  const HeapBuf& GetHeapBuf() const { return m_hb; }

private:
  HeapBuf m_hb;
};

// Locale-independent "%.*f" (decimals 0..17) of value into buf (capacity bytes, NUL
// terminated, cut to fit); forceSign adds "+" before non-negative numbers ("%+.*f").
// Returns the number of characters written.
int FormatDouble(char* buf, int capacity, double value, int decimals, bool forceSign = false);

// ---------------------------------------------------------------------------------------
// A growable list of item pointers (granularity 4096). The list does not own its items
// unless asked to delete them in Clear or Delete.
template <class T>
class PtrArray
{
public:
  using DeleteFn = void (*)(T*);

  PtrArray() : m_hb(4096) {}
  PtrArray(const PtrArray&) = delete;
  PtrArray& operator=(const PtrArray&) = delete;

  T** GetList() const { return static_cast<T**>(m_hb.Get()); }
  int GetSize() const { return m_hb.GetLength() / static_cast<int>(sizeof(T*)); }
  // The item at idx, or null outside 0..GetSize()-1.
  T* Get(int idx) const { return (idx >= 0 && idx < GetSize()) ? GetList()[idx] : nullptr; }

  // Appends item; returns it, or null when the list could not grow (the list is unchanged).
  T* Add(T* item)
  {
    const int n = GetSize();
    const int64_t bytes = (static_cast<int64_t>(n) + 1) * static_cast<int64_t>(sizeof(T*));
    if (bytes > INT32_MAX)
      return nullptr;
    m_hb.SetLength(static_cast<int>(bytes), false);
    if (GetSize() != n + 1)
      return nullptr;
    GetList()[n] = item;
    return item;
  }

  // Inserts item before idx (clamped to 0..size); returns it, or null on allocation failure.
  T* Insert(int idx, T* item)
  {
    const int n = GetSize();
    if (idx < 0)
      idx = 0;
    if (idx > n)
      idx = n;
    if (!Add(item))
      return nullptr;
    T** list = GetList();
    std::memmove(list + idx + 1, list + idx, sizeof(T*) * static_cast<std::size_t>(n - idx));
    list[idx] = item;
    return item;
  }

  // Removes the entry at idx, deleting the item first when deleteItem is set.
  void Delete(int idx, bool deleteItem = false, DeleteFn deleteFn = nullptr)
  {
    const int n = GetSize();
    if (idx < 0 || idx >= n)
      return;
    T** list = GetList();
    T* item = list[idx];
    std::memmove(list + idx, list + idx + 1, sizeof(T*) * static_cast<std::size_t>(n - idx - 1));
    m_hb.SetLength((n - 1) * static_cast<int>(sizeof(T*)), false);
    if (deleteItem && item)
    {
      if (deleteFn)
        deleteFn(item);
      else
        delete item;
    }
  }

  // Index of item, or -1.
  int Find(const T* item) const
  {
    const int n = GetSize();
    for (int i = 0; i < n; ++i)
      if (GetList()[i] == item)
        return i;
    return -1;
  }

  // Empties the list (the allocation is kept). With deleteItems, deletes the items from the
  // last to the first, dropping each from the list before it is deleted, so a re-entrant
  // look at the list never sees a deleted item.
  void Clear(bool deleteItems = false, DeleteFn deleteFn = nullptr)
  {
    if (deleteItems)
    {
      for (int i = GetSize() - 1; i >= 0; --i)
      {
        T* item = GetList()[i];
        m_hb.SetLength(i * static_cast<int>(sizeof(T*)), false);
        if (item)
        {
          if (deleteFn)
            deleteFn(item);
          else
            delete item;
        }
      }
    }
    m_hb.SetLength(0, false);
  }

  const HeapBuf& GetHeapBuf() const { return m_hb; }

private:
  HeapBuf m_hb;
};

// ---------------------------------------------------------------------------------------
// A PtrArray that owns its items: whatever it still holds when it goes is deleted (last
// first), so items added by a constructor that throws later on are not lost with it.
// Delete(idx, false) and Clear(false) still hand items out without deleting them.
template <class T>
class OwnedPtrArray : public PtrArray<T>
{
public:
  OwnedPtrArray() = default;
  ~OwnedPtrArray() { this->Clear(true); }

  using PtrArray<T>::Add;
  // Appends an item; returns it, or null when the list could not grow (the item is then
  // deleted).
  T* Add(std::unique_ptr<T> item)
  {
    T* added = PtrArray<T>::Add(item.get());
    if (added)
      item.release();
    return added;
  }

  // Puts an item (or null) in place of entry idx, deleting the one it replaces; returns it, or
  // null when idx is outside the list (the item is then deleted). Never allocates.
  T* Set(int idx, std::unique_ptr<T> item)
  {
    if (idx < 0 || idx >= this->GetSize())
      return nullptr;
    std::unique_ptr<T> replaced(this->GetList()[idx]);
    this->GetList()[idx] = item.release();
    return this->GetList()[idx];
  }
};

} // namespace plug
