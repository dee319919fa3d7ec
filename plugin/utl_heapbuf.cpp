#include "plugin/utl_heapbuf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int64_t kPage = 4096;
constexpr int64_t kMaxStep = 4194304;  // 4 MB: large lists grow by at most this much at once
}  // namespace

int64_t UTL_HeapBuf::ComputeAllocation(int64_t n, int granularity) {
  if (n <= 0) return 0;
  const int64_t gran = granularity > 0 ? granularity : 1;
  if (gran < kPage) return n + std::max(n / 2, gran);
  int64_t step = std::max(n / 2, gran) / kPage * kPage;
  step = std::clamp(step, kPage, kMaxStep);
  // Keep the block plus the allocator's header within whole pages.
  return (n + step + 96) / kPage * kPage - 96;
}

UTL_HeapBuf::UTL_HeapBuf(int granularity) {
  SetGranularity(granularity);
}

UTL_HeapBuf::~UTL_HeapBuf() {
  free(m_buf);
}

UTL_HeapBuf::UTL_HeapBuf(const UTL_HeapBuf& other) : m_granularity(other.m_granularity) {
  if (other.m_size > 0 && Resize(other.m_size, false) && m_size == other.m_size) {
    memcpy(m_buf, other.m_buf, static_cast<size_t>(m_size));
  }
}

UTL_HeapBuf& UTL_HeapBuf::operator=(const UTL_HeapBuf& other) {
  if (this == &other) return *this;
  if (other.m_size <= 0) {
    Resize(0, false);
    return *this;
  }
  if (Resize(other.m_size, false) && m_size == other.m_size) {
    memcpy(m_buf, other.m_buf, static_cast<size_t>(m_size));
  }
  return *this;
}

UTL_HeapBuf::UTL_HeapBuf(UTL_HeapBuf&& other) noexcept
    : m_buf(other.m_buf),
      m_alloc(other.m_alloc),
      m_size(other.m_size),
      m_granularity(other.m_granularity) {
  other.m_buf = nullptr;
  other.m_alloc = 0;
  other.m_size = 0;
}

UTL_HeapBuf& UTL_HeapBuf::operator=(UTL_HeapBuf&& other) noexcept {
  if (this == &other) return *this;
  free(m_buf);
  m_buf = other.m_buf;
  m_alloc = other.m_alloc;
  m_size = other.m_size;
  m_granularity = other.m_granularity;
  other.m_buf = nullptr;
  other.m_alloc = 0;
  other.m_size = 0;
  return *this;
}

void* UTL_HeapBuf::Resize(int n, bool shrinkAllowed) {
  if (n < 0) n = 0;
  if (n == m_size) return Get();

  int64_t limit = 0;
  if (n < m_size && shrinkAllowed) {
    limit = std::max<int64_t>(
        1, std::min<int64_t>(int64_t{m_alloc} - 4 * int64_t{m_granularity}, m_alloc / 2));
  }

  if (n > m_alloc || n < limit) {
    const int64_t newAlloc = ComputeAllocation(n, m_granularity);
    if (newAlloc != m_alloc) {
      if (newAlloc == 0) {
        free(m_buf);
        m_buf = nullptr;
        m_alloc = 0;
        m_size = 0;
        return nullptr;
      }
      if (newAlloc > INT_MAX) return Get();
      char* p = static_cast<char*>(realloc(m_buf, static_cast<size_t>(newAlloc)));
      if (!p) {
        // The old block is still ours; try a fresh one and copy.
        p = static_cast<char*>(malloc(static_cast<size_t>(newAlloc)));
        if (!p) return Get();
        if (m_buf) memcpy(p, m_buf, static_cast<size_t>(std::min(n, m_size)));
        free(m_buf);
      }
      m_buf = p;
      m_alloc = static_cast<int>(newAlloc);
    }
  }
  m_size = n;
  return Get();
}

void* UTL_HeapBuf::Add(const void* src, int n) {
  if (n < 1) return nullptr;
  const int old = m_size;
  if (int64_t{old} + n > INT_MAX) return nullptr;
  if (!Resize(old + n, false) || m_size != old + n) return nullptr;
  char* dest = m_buf + old;
  if (src) memmove(dest, src, static_cast<size_t>(n));
  return dest;
}

// ---------------------------------------------------------------------------

UTL_String::UTL_String(int granularity) : m_hb(granularity) {}

UTL_String::UTL_String(const char* text, int granularity) : m_hb(granularity) {
  if (text) Set(text);
}

UTL_String::UTL_String(const UTL_String& other) : m_hb(other.m_hb.GetGranularity()) {
  if (other.m_hb.GetSize() > 0) Set(other.Get());
}

UTL_String& UTL_String::operator=(const UTL_String& other) {
  if (this == &other) return *this;
  if (other.m_hb.GetSize() > 0) {
    Set(other.Get());
  } else {
    m_hb.Resize(0);
  }
  return *this;
}

const char* UTL_String::Get() const {
  const char* p = static_cast<const char*>(m_hb.Get());
  return p ? p : "";
}

int UTL_String::GetLength() const {
  return m_hb.GetSize() > 0 ? m_hb.GetSize() - 1 : 0;
}

void UTL_String::Set(const char* text, int length) {
  SetSubstring(0, text, length, 0);
}

void UTL_String::Append(const char* text, int length) {
  SetSubstring(GetLength(), text, length, 0);
}

void UTL_String::Insert(const char* text, int position, int length) {
  const int len = GetLength();
  position = std::clamp(position, 0, len);
  SetSubstring(position, text, length, len - position);
}

void UTL_String::DeleteSub(int position, int length) {
  const int len = GetLength();
  if (position < 0 || position >= len || length < 1) return;
  length = std::min(length, len - position);
  char* p = static_cast<char*>(m_hb.Get());
  memmove(p + position, p + position + length, static_cast<size_t>(len - position - length + 1));
  m_hb.Resize(len - length + 1, false);
}

void UTL_String::SetSubstring(int position, const char* text, int length, int tail) {
  if (!text) {
    text = "";
    length = 0;
  }
  // A length is a limit: never read past the text's terminator.
  length = length < 0 ? static_cast<int>(strnlen(text, INT_MAX))
                      : static_cast<int>(strnlen(text, length));

  if (position == 0 && length == 0 && tail == 0) {
    if (m_hb.Resize(1, false) && m_hb.GetSize() == 1) static_cast<char*>(m_hb.Get())[0] = 0;
    return;
  }
  if (position < 0 || length < 1) return;

  const int curLen = GetLength();
  position = std::min(position, curLen);
  tail = std::clamp(tail, 0, curLen - position);
  const int64_t newLen = int64_t{position} + length + tail;
  if (newLen >= INT_MAX) return;
  const int L = static_cast<int>(newLen);

  // Text inside our own buffer would move under us: take a copy first.
  std::string ownCopy;
  const char* buf = static_cast<const char*>(m_hb.Get());
  if (buf && text >= buf && text < buf + m_hb.GetAllocated()) {
    ownCopy.assign(text, static_cast<size_t>(length));
    text = ownCopy.c_str();
  }

  const int oldSize = m_hb.GetSize();
  if (oldSize <= L) {
    if (!m_hb.Resize(L + 1, false) || m_hb.GetSize() != L + 1) return;
  }
  char* p = static_cast<char*>(m_hb.Get());
  if (tail > 0) memmove(p + position + length, p + position, static_cast<size_t>(tail));
  memcpy(p + position, text, static_cast<size_t>(length));
  p[L] = 0;
  if (L + 1 < oldSize) m_hb.Resize(L + 1, false);
}

void UTL_String::VFormat(int position, int maxLength, const char* format, va_list args) {
  if (!format || maxLength < 0) return;
  va_list probe;
  va_copy(probe, args);
  const int needed = vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  if (needed < 0) {
    SetSubstring(position, "", 0, 0);
    return;
  }
  // Format into a private block first: the arguments may point into this string.
  const int keep = std::min(maxLength, needed);
  std::string out(static_cast<size_t>(needed) + 1, '\0');
  vsnprintf(out.data(), out.size(), format, args);
  if (position == 0) {
    Set(out.c_str(), keep);
  } else if (keep > 0) {
    SetSubstring(position, out.c_str(), keep, 0);
  }
}

void UTL_String::SetFormatted(int maxLength, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VFormat(0, maxLength, format, args);
  va_end(args);
}

void UTL_String::AppendFormatted(int maxLength, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VFormat(GetLength(), maxLength, format, args);
  va_end(args);
}
