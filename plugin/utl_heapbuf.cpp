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
  free(mBuf);
}

UTL_HeapBuf::UTL_HeapBuf(const UTL_HeapBuf& other) : mGranularity(other.mGranularity) {
  if (other.mSize > 0 && Resize(other.mSize, false) && mSize == other.mSize) {
    memcpy(mBuf, other.mBuf, static_cast<size_t>(mSize));
  }
}

UTL_HeapBuf& UTL_HeapBuf::operator=(const UTL_HeapBuf& other) {
  if (this == &other) return *this;
  if (other.mSize <= 0) {
    Resize(0, false);
    return *this;
  }
  if (Resize(other.mSize, false) && mSize == other.mSize) {
    memcpy(mBuf, other.mBuf, static_cast<size_t>(mSize));
  }
  return *this;
}

UTL_HeapBuf::UTL_HeapBuf(UTL_HeapBuf&& other) noexcept
    : mBuf(other.mBuf), mAlloc(other.mAlloc), mSize(other.mSize), mGranularity(other.mGranularity) {
  other.mBuf = nullptr;
  other.mAlloc = 0;
  other.mSize = 0;
}

UTL_HeapBuf& UTL_HeapBuf::operator=(UTL_HeapBuf&& other) noexcept {
  if (this == &other) return *this;
  free(mBuf);
  mBuf = other.mBuf;
  mAlloc = other.mAlloc;
  mSize = other.mSize;
  mGranularity = other.mGranularity;
  other.mBuf = nullptr;
  other.mAlloc = 0;
  other.mSize = 0;
  return *this;
}

void* UTL_HeapBuf::Resize(int n, bool shrinkAllowed) {
  if (n < 0) n = 0;
  if (n == mSize) return Get();

  int64_t limit = 0;
  if (n < mSize && shrinkAllowed) {
    limit = std::max<int64_t>(
        1, std::min<int64_t>(int64_t{mAlloc} - 4 * int64_t{mGranularity}, mAlloc / 2));
  }

  if (n > mAlloc || n < limit) {
    const int64_t newAlloc = ComputeAllocation(n, mGranularity);
    if (newAlloc != mAlloc) {
      if (newAlloc == 0) {
        free(mBuf);
        mBuf = nullptr;
        mAlloc = 0;
        mSize = 0;
        return nullptr;
      }
      if (newAlloc > INT_MAX) return Get();
      char* p = static_cast<char*>(realloc(mBuf, static_cast<size_t>(newAlloc)));
      if (!p) {
        // The old block is still ours; try a fresh one and copy.
        p = static_cast<char*>(malloc(static_cast<size_t>(newAlloc)));
        if (!p) return Get();
        if (mBuf) memcpy(p, mBuf, static_cast<size_t>(std::min(n, mSize)));
        free(mBuf);
      }
      mBuf = p;
      mAlloc = static_cast<int>(newAlloc);
    }
  }
  mSize = n;
  return Get();
}

void* UTL_HeapBuf::Add(const void* src, int n) {
  if (n < 1) return nullptr;
  const int old = mSize;
  if (int64_t{old} + n > INT_MAX) return nullptr;
  if (!Resize(old + n, false) || mSize != old + n) return nullptr;
  char* dest = mBuf + old;
  if (src) memmove(dest, src, static_cast<size_t>(n));
  return dest;
}

// ---------------------------------------------------------------------------

UTL_String::UTL_String(int granularity) : mHb(granularity) {}

UTL_String::UTL_String(const char* text, int granularity) : mHb(granularity) {
  if (text) Set(text);
}

UTL_String::UTL_String(const UTL_String& other) : mHb(other.mHb.GetGranularity()) {
  if (other.mHb.GetSize() > 0) Set(other.Get());
}

UTL_String& UTL_String::operator=(const UTL_String& other) {
  if (this == &other) return *this;
  if (other.mHb.GetSize() > 0) {
    Set(other.Get());
  } else {
    mHb.Resize(0);
  }
  return *this;
}

const char* UTL_String::Get() const {
  const char* p = static_cast<const char*>(mHb.Get());
  return p ? p : "";
}

int UTL_String::GetLength() const {
  return mHb.GetSize() > 0 ? mHb.GetSize() - 1 : 0;
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
  char* p = static_cast<char*>(mHb.Get());
  memmove(p + position, p + position + length, static_cast<size_t>(len - position - length + 1));
  mHb.Resize(len - length + 1, false);
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
    if (mHb.Resize(1, false) && mHb.GetSize() == 1) static_cast<char*>(mHb.Get())[0] = 0;
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
  const char* buf = static_cast<const char*>(mHb.Get());
  if (buf && text >= buf && text < buf + mHb.GetAllocated()) {
    ownCopy.assign(text, static_cast<size_t>(length));
    text = ownCopy.c_str();
  }

  const int oldSize = mHb.GetSize();
  if (oldSize <= L) {
    if (!mHb.Resize(L + 1, false) || mHb.GetSize() != L + 1) return;
  }
  char* p = static_cast<char*>(mHb.Get());
  if (tail > 0) memmove(p + position + length, p + position, static_cast<size_t>(tail));
  memcpy(p + position, text, static_cast<size_t>(length));
  p[L] = 0;
  if (L + 1 < oldSize) mHb.Resize(L + 1, false);
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
