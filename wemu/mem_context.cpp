#include "wemu/mem_context.h"

#include <climits>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

// Live contexts, so that a released or foreign handle is recognised instead of dereferenced.
struct ContextRegistry {
  std::mutex mutex;
  std::unordered_set<HDC__*> live;
};

ContextRegistry& Registry() {
  static ContextRegistry* registry = new ContextRegistry;  // outlives static destructors
  return *registry;
}

}  // namespace

HDC__* WEMU_CreateMemContext(HDC__* /*reference*/, int w, int h) {
  if (w < 1 || h < 1) return nullptr;
  const long long pixels = static_cast<long long>(w) * h;  // both below 2^31: no overflow
  if (pixels > INT_MAX / 4) return nullptr;                // never a short buffer
  const long long bytes = pixels * 4;
  void* allocation = std::calloc(static_cast<std::size_t>(bytes) + 63, 1);
  if (!allocation) return nullptr;
  HDC__* context = new (std::nothrow) HDC__;
  if (!context) {
    std::free(allocation);
    return nullptr;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(allocation);
  context->bufferAllocation = allocation;
  context->pixels = reinterpret_cast<std::uint32_t*>((address + 63) & ~static_cast<std::uintptr_t>(63));
  context->width = w;
  context->height = h;
  ContextRegistry& registry = Registry();
  try {
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.live.insert(context);
  } catch (...) {
    std::free(allocation);
    delete context;
    return nullptr;
  }
  return context;
}

std::uint32_t* WEMU_GetCtxFrameBuffer(HDC__* context) {
  if (!context) return nullptr;
  ContextRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.live.count(context)) return nullptr;
  return context->pixels;
}

void WEMU_DeleteGfxContext(HDC__* context) {
  if (!context) return;
  ContextRegistry& registry = Registry();
  {
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (!registry.live.erase(context)) return;
  }
  std::free(context->bufferAllocation);
  delete context;
}
