// The live records of one handle type and a bounded pool of released ones kept for reuse, so a
// released or foreign handle is recognised instead of dereferenced. The caller holds the GDI
// pools' mutex around every call. T has the fields `pooled` and `nextPooled`.
#pragma once

#include <new>
#include <unordered_set>

template <class T, int MaxPooled>
class WEMU_RecordPool {
 public:
  // A cleared record, from the pool or new, registered as live; null when out of memory.
  T* take() {
    T* record = mPool;
    if (record) {
      mPool = record->nextPooled;
      --mPooled;
      *record = T{};
    } else {
      record = new (std::nothrow) T;
      if (!record) return nullptr;
    }
    try {
      mLive.insert(record);
    } catch (...) {
      delete record;
      return nullptr;
    }
    return record;
  }

  bool isLive(const T* record) const { return mLive.count(record) != 0; }
  // Unregisters a live record; false for any other pointer.
  bool forget(const T* record) { return mLive.erase(record) != 0; }
  // Clears a forgotten record and keeps it for reuse, or deletes it when the pool is full.
  void recycle(T* record) {
    if (mPooled < MaxPooled) {
      *record = T{};
      record->pooled = true;
      record->nextPooled = mPool;
      mPool = record;
      ++mPooled;
    } else {
      delete record;
    }
  }
  // Deletes the pooled records (process end).
  void drain() {
    while (mPool) {
      T* next = mPool->nextPooled;
      delete mPool;
      mPool = next;
    }
    mPooled = 0;
  }

 private:
  std::unordered_set<const T*> mLive;
  T* mPool = nullptr;
  int mPooled = 0;
};
