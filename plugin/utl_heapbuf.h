// Growable byte buffer and the thin containers built on it: typed arrays,
// pointer lists and NUL-terminated strings. Every list, string and state
// chunk of the program sits on UTL_HeapBuf.
//
// Sizes are signed 32-bit byte counts. Growth is computed in 64 bits, so a
// request that cannot fit is a failed growth (old contents and size kept),
// never a short buffer. Callers test success by checking that a pointer came
// back and that GetSize() equals what they asked for.
//
// None of these objects is thread-safe; each belongs to the thread using it.
#pragma once

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <type_traits>

class UTL_HeapBuf {
 public:
  // Granularity: lists use 4096, strings 128.
  explicit UTL_HeapBuf(int granularity = 128);
  ~UTL_HeapBuf();
  UTL_HeapBuf(const UTL_HeapBuf& other);
  UTL_HeapBuf& operator=(const UTL_HeapBuf& other);
  UTL_HeapBuf(UTL_HeapBuf&& other) noexcept;
  UTL_HeapBuf& operator=(UTL_HeapBuf&& other) noexcept;

  // Sets the size in use to n bytes (n < 0 counts as 0), keeping the first
  // min(n, old size) bytes. Shrinking releases memory only when shrinkAllowed
  // and the new size is well below the allocation. Returns the buffer, or
  // null for a size of 0. On failure nothing changes and the old buffer is
  // returned (null when the old size was 0).
  void* Resize(int n, bool shrinkAllowed = true);

  void* Get() const { return mSize > 0 ? mBuf : nullptr; }
  int GetSize() const { return mSize; }
  int GetAllocated() const { return mAlloc; }
  int GetGranularity() const { return mGranularity; }
  void SetGranularity(int granularity) { mGranularity = granularity > 0 ? granularity : 1; }

  // Appends n bytes (src may be null: the new bytes are then left as they
  // are). Returns a pointer to the appended bytes, or null on failure.
  void* Add(const void* src, int n);

  // Allocation the growth rules give for a request of n bytes at this
  // granularity; above INT_MAX is returned as is (the caller treats it as a
  // failure). Exposed for tests.
  static int64_t ComputeAllocation(int64_t n, int granularity);

 private:
  char* mBuf = nullptr;
  int mAlloc = 0;
  int mSize = 0;
  int mGranularity = 128;
};

// An array of trivially copyable T over a UTL_HeapBuf; count = bytes / sizeof(T).
template <class T>
class UTL_TypedBuf {
  static_assert(std::is_trivially_copyable_v<T>, "UTL_TypedBuf holds plain data only");

 public:
  explicit UTL_TypedBuf(int granularity = 4096) : mHb(granularity) {}

  T* Get() const { return static_cast<T*>(mHb.Get()); }
  int GetSize() const { return mHb.GetSize() / static_cast<int>(sizeof(T)); }

  // Sets the element count; returns the array or null (failure or count 0).
  T* Resize(int count, bool shrinkAllowed = true) {
    if (count < 0) count = 0;
    const int64_t bytes = static_cast<int64_t>(count) * static_cast<int64_t>(sizeof(T));
    if (bytes > INT_MAX) return Get();
    return static_cast<T*>(mHb.Resize(static_cast<int>(bytes), shrinkAllowed));
  }
  // Appends one element; returns a pointer to it, or null when growth failed.
  T* Add(const T& value) {
    const int n = GetSize();
    T* p = Resize(n + 1, false);
    if (!p || GetSize() != n + 1) return nullptr;
    p[n] = value;
    return p + n;
  }
  // Inserts at index (clamped to 0..count); returns a pointer to it or null.
  T* Insert(int index, const T& value) {
    const int n = GetSize();
    if (index < 0) index = 0;
    if (index > n) index = n;
    T* p = Resize(n + 1, false);
    if (!p || GetSize() != n + 1) return nullptr;
    if (index < n)
      std::memmove(p + index + 1, p + index, sizeof(T) * static_cast<size_t>(n - index));
    p[index] = value;
    return p + index;
  }
  // Removes the element at index; false when there is none.
  bool Delete(int index) {
    const int n = GetSize();
    if (index < 0 || index >= n) return false;
    T* p = Get();
    if (index < n - 1)
      std::memmove(p + index, p + index + 1, sizeof(T) * static_cast<size_t>(n - 1 - index));
    Resize(n - 1, false);
    return true;
  }
  void Empty() { mHb.Resize(0); }

  UTL_HeapBuf& HeapBuf() { return mHb; }
  const UTL_HeapBuf& HeapBuf() const { return mHb; }

 private:
  UTL_HeapBuf mHb;
};

// A list of T* over a UTL_HeapBuf. The list owns its items only where the
// caller says so (Delete/Empty with wantDelete). Not copyable.
template <class T>
class UTL_PtrList {
 public:
  using DestroyFunc = void (*)(T*);

  explicit UTL_PtrList(int granularity = 4096) : mHb(granularity) {}
  ~UTL_PtrList() = default;  // does not delete the items
  UTL_PtrList(const UTL_PtrList&) = delete;
  UTL_PtrList& operator=(const UTL_PtrList&) = delete;

  int GetSize() const { return mHb.GetSize() / static_cast<int>(sizeof(T*)); }
  T* const* GetList() const { return static_cast<T* const*>(mHb.Get()); }
  // Null outside the list.
  T* Get(int index) const {
    if (index < 0 || index >= GetSize()) return nullptr;
    return GetList()[index];
  }
  T* Last() const { return Get(GetSize() - 1); }

  // Appends p; returns p, or null when the list could not grow (p is then
  // not in the list and still belongs to the caller).
  T* Add(T* p) { return Insert(-1, p); }

  // Inserts p at index: -1 appends, other negative indices insert at 0, an
  // index above the count appends. Returns p, or null when growth failed.
  T* Insert(int index, T* p) {
    const int n = GetSize();
    if (index == -1 || index > n) index = n;
    if (index < 0) index = 0;
    const int64_t bytes = static_cast<int64_t>(n + 1) * static_cast<int64_t>(sizeof(T*));
    if (bytes > INT_MAX) return nullptr;
    T** list = static_cast<T**>(mHb.Resize(static_cast<int>(bytes), false));
    if (!list || GetSize() != n + 1) return nullptr;
    if (index < n)
      std::memmove(list + index + 1, list + index, sizeof(T*) * static_cast<size_t>(n - index));
    list[index] = p;
    return p;
  }

  // Index of p, or -1.
  int Find(const T* p) const {
    const int n = GetSize();
    T* const* list = GetList();
    for (int i = 0; i < n; ++i) {
      if (list[i] == p) return i;
    }
    return -1;
  }

  // Removes the entry at index, destroying the item when wantDelete (with
  // destroy when given, else delete). False when there is no such entry.
  bool Delete(int index, bool wantDelete = false, DestroyFunc destroy = nullptr) {
    const int n = GetSize();
    if (index < 0 || index >= n) return false;
    T** list = static_cast<T**>(mHb.Get());
    T* item = list[index];
    if (index < n - 1)
      std::memmove(list + index, list + index + 1, sizeof(T*) * static_cast<size_t>(n - 1 - index));
    mHb.Resize(static_cast<int>(sizeof(T*)) * (n - 1), false);
    if (wantDelete && item) {
      if (destroy)
        destroy(item);
      else
        delete item;
    }
    return true;
  }

  // Removes every entry from the last to the first, destroying the items when
  // wantDelete; ends empty.
  void Empty(bool wantDelete = false, DestroyFunc destroy = nullptr) {
    for (int i = GetSize() - 1; i >= 0; --i) Delete(i, wantDelete, destroy);
    mHb.Resize(0);
  }

 private:
  UTL_HeapBuf mHb;
};

// A NUL-terminated string over a UTL_HeapBuf. The size in use is length + 1,
// or 0 for a string never set; reading an unset string gives "".
// A length argument of -1 means the whole text; a longer length than the
// text has is cut at its NUL. Texts may point into the string itself.
class UTL_String {
 public:
  explicit UTL_String(int granularity = 128);
  UTL_String(const char* text, int granularity = 128);
  UTL_String(const UTL_String& other);
  UTL_String& operator=(const UTL_String& other);
  UTL_String(UTL_String&&) noexcept = default;
  UTL_String& operator=(UTL_String&&) noexcept = default;
  ~UTL_String() = default;

  const char* Get() const;
  int GetLength() const;

  void Set(const char* text, int length = -1);
  void Append(const char* text, int length = -1);
  // Inserts at position (clamped to 0..length).
  void Insert(const char* text, int position, int length = -1);
  // Removes up to length characters from position.
  void DeleteSub(int position, int length);

  // Formats with at most maxLength characters (longer output is cut).
  void SetFormatted(int maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void AppendFormatted(int maxLength, const char* format, ...)
      __attribute__((format(printf, 3, 4)));

  // The core of Set, Append and Insert: writes length bytes of text at
  // position, keeping `tail` bytes that were at position after it.
  // Position 0, length 0 and tail 0 make the string "". Otherwise nothing
  // happens unless position >= 0 and length >= 1; position and tail are
  // limited to the current text.
  void SetSubstring(int position, const char* text, int length, int tail);

  void SetGranularity(int granularity) { mHb.SetGranularity(granularity); }
  const UTL_HeapBuf& HeapBuf() const { return mHb; }

 private:
  void VFormat(int position, int maxLength, const char* format, va_list args);

  UTL_HeapBuf mHb;
};
