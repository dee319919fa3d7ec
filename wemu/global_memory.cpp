// Movable global memory blocks.
#include "wemu/utilities.h"

#include <cstdint>
#include <cstdlib>

namespace {
struct GlobalHeader {
  int32_t size;
  int32_t locks;
};
static_assert(sizeof(GlobalHeader) == 8);
GlobalHeader* headerOf(HANDLE h) {
  return h ? reinterpret_cast<GlobalHeader*>(static_cast<char*>(h) - sizeof(GlobalHeader))
           : nullptr;
}
}  // namespace

HANDLE GlobalAlloc(UINT, long size) {
  if (size < 0) size = 0;
  if (size > INT32_MAX - 64) return nullptr;
  void* block = std::malloc(sizeof(GlobalHeader) + static_cast<size_t>(size));
  if (!block) return nullptr;
  auto* h = static_cast<GlobalHeader*>(block);
  h->size = static_cast<int32_t>(size);
  h->locks = 0;
  return static_cast<char*>(block) + sizeof(GlobalHeader);
}

void* GlobalLock(HANDLE h) {
  GlobalHeader* hdr = headerOf(h);
  if (!hdr) return nullptr;
  ++hdr->locks;
  return h;
}

BOOL GlobalUnlock(HANDLE h) {
  GlobalHeader* hdr = headerOf(h);
  if (!hdr) return FALSE;
  if (hdr->locks > 0) --hdr->locks;
  return hdr->locks > 0 ? TRUE : FALSE;
}

size_t GlobalSize(HANDLE h) {
  GlobalHeader* hdr = headerOf(h);
  return hdr ? static_cast<size_t>(hdr->size) : 0;
}

HANDLE GlobalFree(HANDLE h) {
  if (GlobalHeader* hdr = headerOf(h)) std::free(hdr);
  return nullptr;
}
