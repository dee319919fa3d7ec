// Offscreen memory drawing contexts: a drawing-context record that owns a pixel buffer, the
// surface behind RAST_SysBitmap and the glyph surface of the cached fonts. The GDI drawing over a
// context (pens, brushes, fonts, text) is built around this record.
#pragma once

#include <cstdint>

struct HGDIOBJ__;

#ifndef WEMU_RECT_DEFINED
#define WEMU_RECT_DEFINED
// Rectangle of the Win32 layer: right and bottom exclusive.
struct RECT {
  int left;
  int top;
  int right;
  int bottom;
};
#endif

// A drawing context. A memory context owns its pixel buffer: width x height 32-bit pixels,
// rows of width x 4 bytes, first pixel on a 64-byte boundary, bytes in memory as an ignored
// alpha byte, red, green, blue; row 0 at the top.
struct HDC__ {
  void* nativeContext = nullptr;      // platform graphics context, when there is one
  void* bufferAllocation = nullptr;   // owned allocation behind the pixels (memory contexts)
  std::uint32_t* pixels = nullptr;    // first pixel, 64-byte aligned
  int width = 0;
  int height = 0;
  HGDIOBJ__* pen = nullptr;           // selected objects; null means the default
  HGDIOBJ__* brush = nullptr;
  HGDIOBJ__* font = nullptr;
  std::uint32_t textColor = 0;        // 0x00RRGGBB
  std::uint32_t backgroundColor = 0;  // 0x00RRGGBB
  int backgroundMode = 0;             // 1 opaque, else transparent
  float currentX = 0.0f;              // current position of the line functions
  float currentY = 0.0f;
  bool textColorObjectMade = false;   // whether SetTextColor made a colour object
  void* openGLContext = nullptr;
};

// A new memory context of w x h pixels, all zero; null when either side is below 1, the size
// does not fit (the byte count must fit an int), or memory runs out. The reference context is
// not used.
HDC__* WEMU_CreateMemContext(HDC__* reference, int w, int h);

// The first pixel of a live memory context; null for null, released or non-memory contexts.
std::uint32_t* WEMU_GetCtxFrameBuffer(HDC__* context);

// Releases a context and its pixel buffer; null and already released contexts are ignored.
// Thread-safe (contexts may be made and released on any thread).
void WEMU_DeleteGfxContext(HDC__* context);
