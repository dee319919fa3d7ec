// Drawing contexts of the GDI layer. A context record wraps a platform drawing context; a
// memory context also owns the pixel buffer behind it (the surface of RAST_SysBitmap and the
// glyph surface of the cached fonts). Records are recycled through a pool (up to 100 kept).
// Contexts may be made and released on any thread; one context is used by one thread at a time.
#pragma once

#include <cstdint>

#include "wemu/wemu_types.h"

namespace vq::platform {
class DrawContext;
}
struct HGDIOBJ__;

// A drawing context. A memory context's buffer holds width x height 32-bit pixels, rows of
// width x 4 bytes, first pixel on a 64-byte boundary, bytes in memory an ignored byte, red,
// green, blue; row 0 at the top.
struct HDC__ {
  vq::platform::DrawContext* draw = nullptr;  // none for a bare record
  bool ownsDraw = false;
  void* bufferAllocation = nullptr;  // owned allocation behind the pixels (memory contexts)
  std::uint32_t* pixels = nullptr;   // first pixel, 64-byte aligned (memory contexts)
  int width = 0;
  int height = 0;
  HGDIOBJ__* pen = nullptr;  // selected objects; null means the default
  HGDIOBJ__* brush = nullptr;
  HGDIOBJ__* font = nullptr;
  std::uint32_t textColor = 0;        // 0x00RRGGBB
  std::uint32_t backgroundColor = 0;  // 0x00RRGGBB
  int backgroundMode = 0;             // 1 opaque, else transparent
  float currentX = 0.0f;              // current position of the line functions
  float currentY = 0.0f;
  bool pooled = false;  // in the free pool: must not be used
  HDC__* nextPooled = nullptr;
  bool textColorObjectMade = false;  // whether SetTextColor was called on the context
  void* openGLContext = nullptr;
  HWND__* focusView = nullptr;  // view whose focus GetDC took for this record
};

// A new memory context of w x h pixels, all zero; null when either side is below 1, the byte
// count does not fit an int, or memory runs out. The reference context is not used.
HDC__* WEMU_CreateMemContext(HDC__* reference, int w, int h);

// The first pixel of a live memory context; null for null, released or non-memory contexts.
std::uint32_t* WEMU_GetCtxFrameBuffer(HDC__* context);

// Releases a context (its drawing context and pixel buffer when owned); null and already
// released contexts are ignored.
void WEMU_DeleteGfxContext(HDC__* context);

// A context record around a drawing context the caller keeps alive (a view's paint); released
// with WEMU_DeleteGfxContext, which leaves the drawing context alone. Null for none.
HDC__* WEMU_CreateGfxContext(vq::platform::DrawContext* draw);

// A fresh empty record with no drawing context (for colour questions to dialog procedures).
HDC__* WEMU_AllocContextRecord();

// The context's drawing context, or null.
vq::platform::DrawContext* WEMU_GetCtxGC(HDC__* context);

// Whether the handle is a live (made and not released) context.
bool WEMU_IsLiveContext(const HDC__* context);

// The recursive mutex of the GDI pools (contexts, objects, blit work buffers).
void WEMU_LockGdiPools();
void WEMU_UnlockGdiPools();
