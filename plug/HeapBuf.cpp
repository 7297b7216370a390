#include "plug/HeapBuf.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace plug {

namespace {

std::atomic<HeapBufAllocHook> sAllocHook{nullptr};

bool AllocAllowed(std::size_t bytes)
{
  HeapBufAllocHook hook = sAllocHook.load(std::memory_order_relaxed);
  return !hook || hook(bytes);
}

void* HookedMalloc(std::size_t bytes)
{
  return AllocAllowed(bytes) ? std::malloc(bytes) : nullptr;
}

void* HookedRealloc(void* p, std::size_t bytes)
{
  return AllocAllowed(bytes) ? std::realloc(p, bytes) : nullptr;
}

} // namespace

HeapBufAllocHook SetHeapBufAllocHook(HeapBufAllocHook hook)
{
  return sAllocHook.exchange(hook);
}

// ---------------------------------------------------------------------------------------
// HeapBuf

HeapBuf::HeapBuf(int granularity) : m_granul(granularity > 0 ? granularity : 1) {}

HeapBuf::~HeapBuf()
{
  std::free(m_buf);
}

HeapBuf::HeapBuf(const HeapBuf& other) : m_granul(other.m_granul)
{
  if (other.m_size > 0 && SetLength(other.m_size) && m_size == other.m_size)
    std::memcpy(m_buf, other.m_buf, static_cast<std::size_t>(m_size));
}

HeapBuf& HeapBuf::operator=(const HeapBuf& other)
{
  if (this == &other)
    return *this;
  HeapBuf copy(other);
  if (copy.m_size == other.m_size)
    Swap(copy);
  return *this;
}

HeapBuf::HeapBuf(HeapBuf&& other) noexcept : m_granul(other.m_granul)
{
  Swap(other);
}

HeapBuf& HeapBuf::operator=(HeapBuf&& other) noexcept
{
  if (this != &other)
    Swap(other);
  return *this;
}

void HeapBuf::Swap(HeapBuf& other) noexcept
{
  std::swap(m_buf, other.m_buf);
  std::swap(m_alloc, other.m_alloc);
  std::swap(m_size, other.m_size);
  std::swap(m_granul, other.m_granul);
}

void* HeapBuf::SetLength(int nIn, bool allowShrink)
{
  // All size arithmetic in 64 bits: an allocation that would exceed INT32_MAX fails.
  const int64_t n = nIn < 0 ? 0 : nIn;
  const int64_t A = m_alloc;
  const int64_t S = m_size;
  const int64_t G = m_granul;

  if (n == S)
    return n > 0 ? m_buf : nullptr;

  int64_t lower = 0;
  if (allowShrink && n < S)
    lower = std::max<int64_t>(1, std::min<int64_t>(A - 4 * G, A / 2));

  if (n <= A && n >= lower)
  {
    m_size = static_cast<int32_t>(n);
    return n > 0 ? m_buf : nullptr;
  }

  if (n == 0)
  {
    if (A != 0)
    {
      std::free(m_buf);
      m_buf = nullptr;
      m_alloc = 0;
      m_size = 0;
    }
    return nullptr;
  }

  int64_t extra = std::max<int64_t>(n / 2, G);
  int64_t newAlloc;
  if (G < 4096)
  {
    newAlloc = n + extra;
  }
  else
  {
    extra = std::min<int64_t>(extra & ~int64_t(4095), 4194304);
    newAlloc = ((n + extra + 96) & ~int64_t(4095)) - 96;
  }

  if (newAlloc == A)
  {
    m_size = static_cast<int32_t>(n);
    return m_buf;
  }

  if (newAlloc > INT32_MAX || newAlloc < n)
    return S > 0 ? m_buf : nullptr;

  void* p = HookedRealloc(m_buf, static_cast<std::size_t>(newAlloc));
  if (!p)
  {
    p = HookedMalloc(static_cast<std::size_t>(newAlloc));
    if (!p)
      return S > 0 ? m_buf : nullptr;
    if (m_buf)
    {
      std::memcpy(p, m_buf, static_cast<std::size_t>(std::min(n, S)));
      std::free(m_buf);
    }
  }
  m_buf = p;
  m_alloc = static_cast<int32_t>(newAlloc);
  m_size = static_cast<int32_t>(n);
  return m_buf;
}

// ---------------------------------------------------------------------------------------
// CharBuf

void CharBuf::Splice(int pos, const char* src, int srcLen, int tailLen)
{
  if (pos == 0 && srcLen == 0 && tailLen == 0)
  {
    if (m_hb.SetLength(1, false) && m_hb.GetLength() == 1)
      static_cast<char*>(m_hb.Get())[0] = 0;
    return;
  }
  if (srcLen <= 0 || pos < 0)
    return;
  if (tailLen < 0)
    tailLen = 0;

  const int64_t needed64 = int64_t(pos) + srcLen + tailLen + 1;
  if (needed64 > INT32_MAX)
    return;
  const int needed = static_cast<int>(needed64);

  // A source inside this buffer (anywhere in its allocation) is remembered by offset, so
  // it can be found again after the bytes move.
  const char* oldBase = static_cast<const char*>(m_hb.Get());
  const int64_t oldAlloc = m_hb.GetAlloc();
  const bool srcInside = src && oldBase && src >= oldBase && src < oldBase + oldAlloc;
  const int64_t srcOffset = srcInside ? src - oldBase : 0;

  // Moving the tail could overwrite source bytes that lie past it: work from a copy then.
  if (srcInside && tailLen > 0 && srcOffset + srcLen > int64_t(pos) + tailLen)
  {
    HeapBuf copy(m_hb.GetGranularity());
    copy.SetLength(srcLen, false);
    if (copy.GetLength() != srcLen)
      return;
    const int64_t avail = std::min<int64_t>(srcLen, oldAlloc - srcOffset);
    std::memcpy(copy.Get(), src, static_cast<std::size_t>(avail));
    std::memset(static_cast<char*>(copy.Get()) + avail, 0, static_cast<std::size_t>(srcLen - avail));
    Splice(pos, static_cast<const char*>(copy.Get()), srcLen, tailLen);
    return;
  }

  if (m_hb.GetLength() < needed)
  {
    m_hb.SetLength(needed, false);
    if (m_hb.GetLength() < needed)
      return;
  }
  char* buf = static_cast<char*>(m_hb.Get());

  std::memmove(buf + pos + srcLen, buf + pos, static_cast<std::size_t>(tailLen));

  if (src)
  {
    if (!srcInside)
    {
      std::memmove(buf + pos, src, static_cast<std::size_t>(srcLen));
    }
    else if (tailLen == 0)
    {
      // Nothing moved: the source is where it was (the allocation never shrinks here).
      const int64_t len = std::min<int64_t>(srcLen, int64_t(m_hb.GetAlloc()) - srcOffset);
      std::memmove(buf + pos, buf + srcOffset, static_cast<std::size_t>(len));
    }
    else
    {
      // The source lies before pos and/or in the tail. Bytes before pos are where they
      // were; bytes of the tail have just moved up by srcLen. Copy the first part from
      // where it is and the rest from its new place.
      const int64_t head = std::clamp<int64_t>(pos - srcOffset, 0, srcLen);
      if (head > 0)
        std::memmove(buf + pos, buf + srcOffset, static_cast<std::size_t>(head));
      if (head < srcLen)
      {
        const int64_t from = std::max<int64_t>(srcOffset, pos) + srcLen;
        std::memmove(buf + pos + head, buf + from, static_cast<std::size_t>(srcLen - head));
      }
    }
  }
  buf[pos + srcLen + tailLen] = 0;

  if (m_hb.GetLength() > needed)
    m_hb.SetLength(needed, false);
}

void CharBuf::Set(const char* text, int len)
{
  if (!text)
    text = "";
  if (len < 0)
    len = static_cast<int>(std::strlen(text));
  Splice(0, text, len, 0);
}

void CharBuf::Append(const char* text, int len)
{
  if (!text)
    return;
  if (len < 0)
    len = static_cast<int>(std::strlen(text));
  Splice(GetLength(), text, len, 0);
}

void CharBuf::Insert(int pos, const char* text, int len)
{
  if (!text)
    return;
  if (len < 0)
    len = static_cast<int>(std::strlen(text));
  const int cur = GetLength();
  if (pos < 0 || pos > cur)
    return;
  Splice(pos, text, len, cur - pos);
}

namespace {

// Writes printf output of at most maxLen characters at byte pos of a CharBuf's bytes and
// terminates it there. The output is formatted aside first: an argument may point into these
// very bytes, which growing the buffer can free and writing the output would overwrite.
// Allocation failure leaves the buffer as it was.
void FormatInto(HeapBuf& hb, int pos, int maxLen, const char* format, va_list args)
{
  if (maxLen < 0)
    maxLen = 0;
  const int64_t want = int64_t(pos) + maxLen + 1;
  if (want > INT32_MAX)
    return;

  va_list again;
  va_copy(again, args);
  char small[256];
  int kept = std::vsnprintf(small, sizeof(small), format, args);
  kept = kept < 0 ? 0 : std::min(kept, maxLen);
  // Longer output is formatted once more into a buffer of its own size.
  HeapBuf large(128);
  const bool isLarge = kept >= static_cast<int>(sizeof(small));
  if (isLarge)
  {
    large.SetLength(kept + 1, false);
    if (large.GetLength() == kept + 1)
      std::vsnprintf(static_cast<char*>(large.Get()), static_cast<std::size_t>(kept) + 1, format, again);
  }
  va_end(again);
  if (isLarge && large.GetLength() != kept + 1)
    return;
  const char* text = isLarge ? static_cast<const char*>(large.Get()) : small;

  hb.SetLength(static_cast<int>(want), false);
  if (hb.GetLength() != want)
    return;
  char* out = static_cast<char*>(hb.Get()) + pos;
  std::memcpy(out, text, static_cast<std::size_t>(kept));
  out[kept] = 0;
  hb.SetLength(pos + kept + 1, false);
}

} // namespace

void CharBuf::Printf(int maxLen, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  FormatInto(m_hb, 0, maxLen, format, args);
  va_end(args);
}

void CharBuf::VPrintf(int maxLen, const char* format, va_list args)
{
  FormatInto(m_hb, 0, maxLen, format, args);
}

void CharBuf::AppendPrintf(int maxLen, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  FormatInto(m_hb, GetLength(), maxLen, format, args);
  va_end(args);
}

// ---------------------------------------------------------------------------------------

int FormatDouble(char* buf, int capacity, double value, int decimals, bool forceSign)
{
  if (!buf || capacity <= 0)
    return 0;
  decimals = std::clamp(decimals, 0, 17);
  // Largest finite double in fixed notation: 309 digits, sign, point and 17 decimals.
  char tmp[352];
  char* out = tmp;
  if (forceSign && !std::signbit(value) && !std::isnan(value))
    *out++ = '+';
  auto res = std::to_chars(out, tmp + sizeof(tmp) - 1, value, std::chars_format::fixed, decimals);
  char* end = res.ec == std::errc() ? res.ptr : out;
  *end = 0;
  const int len = static_cast<int>(std::min<std::ptrdiff_t>(end - tmp, capacity - 1));
  std::memcpy(buf, tmp, static_cast<std::size_t>(len));
  buf[len] = 0;
  return len;
}

} // namespace plug
