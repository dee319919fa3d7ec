#include "wemu/mem_context.h"

#include <climits>
#include <cstdlib>
#include <mutex>
#include <new>

#include "platform/draw_context.h"
#include "wemu/record_pool.h"

namespace {

// Live contexts and the pool of released records.
struct ContextRegistry {
  std::recursive_mutex mutex;  // shared by every GDI pool
  WEMU_RecordPool<HDC__, 100> records;

  ~ContextRegistry() = delete;  // leaked on purpose: outlives static destructors
};

ContextRegistry& Registry() {
  static ContextRegistry* registry = new ContextRegistry;
  return *registry;
}

// Empties the pool at process end.
struct PoolCleaner {
  ~PoolCleaner() {
    ContextRegistry& r = Registry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    r.records.drain();
  }
} gPoolCleaner;

// A cleared record, from the pool or new, registered as live.
HDC__* TakeRecord() {
  ContextRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  return r.records.take();
}

}  // namespace

void WEMU_LockGdiPools() {
  Registry().mutex.lock();
}
void WEMU_UnlockGdiPools() {
  Registry().mutex.unlock();
}

bool WEMU_IsLiveContext(const HDC__* context) {
  if (!context) return false;
  ContextRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  return r.records.isLive(context);
}

HDC__* WEMU_CreateMemContext(HDC__* /*reference*/, int w, int h) {
  if (w < 1 || h < 1) return nullptr;
  const long long pixels = static_cast<long long>(w) * h;  // both below 2^31: no overflow
  if (pixels > (INT_MAX - 63) / 4) return nullptr;         // never a short buffer
  const long long bytes = pixels * 4;
  void* allocation = std::calloc(static_cast<std::size_t>(bytes) + 63, 1);
  if (!allocation) return nullptr;
  const auto address = reinterpret_cast<std::uintptr_t>(allocation);
  auto* first = reinterpret_cast<std::uint32_t*>((address + 63) & ~static_cast<std::uintptr_t>(63));
  auto* draw = new (std::nothrow) vq::platform::DrawContext(first, w, h, w);
  if (!draw) {
    std::free(allocation);
    return nullptr;
  }
  HDC__* context = TakeRecord();
  if (!context) {
    delete draw;
    std::free(allocation);
    return nullptr;
  }
  context->draw = draw;
  context->ownsDraw = true;
  context->bufferAllocation = allocation;
  context->pixels = first;
  context->width = w;
  context->height = h;
  return context;
}

HDC__* WEMU_CreateGfxContext(vq::platform::DrawContext* draw) {
  if (!draw) return nullptr;
  HDC__* context = TakeRecord();
  if (context) context->draw = draw;
  return context;
}

HDC__* WEMU_AllocContextRecord() {
  return TakeRecord();
}

std::uint32_t* WEMU_GetCtxFrameBuffer(HDC__* context) {
  if (!WEMU_IsLiveContext(context)) return nullptr;
  return context->pixels;
}

vq::platform::DrawContext* WEMU_GetCtxGC(HDC__* context) {
  if (!WEMU_IsLiveContext(context)) return nullptr;
  return context->draw;
}

void WEMU_DeleteGfxContext(HDC__* context) {
  if (!context) return;
  ContextRegistry& r = Registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  if (!r.records.forget(context)) return;
  if (context->ownsDraw) delete context->draw;
  std::free(context->bufferAllocation);
  r.records.recycle(context);
}
