// GDI objects: pens, brushes, fonts and bitmaps as small records, selected into drawing
// contexts and freed through a pool (up to 200 kept). Handles below 5 are never objects:
// 1, 2 and 3 passed to SelectObject stand for the default pen, brush and font. Any thread.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/draw_context.h"
#include "platform/font_service.h"
#include "platform/image.h"
#include "wemu/mem_context.h"
#include "wemu/wemu_types.h"

enum : int { WEMU_OBJ_PEN = 1, WEMU_OBJ_BRUSH = 2, WEMU_OBJ_FONT = 3, WEMU_OBJ_BITMAP = 4 };

struct HGDIOBJ__ {
  int type = 0;
  int extraRefs = 0;          // raised by WEMU_CloneGDIObject
  vq::platform::Color color;  // pens and brushes
  // A pen's width, 0 for a brush, -1 for a stock object that is never deleted; for a bitmap,
  // 1 when the object owns its image.
  int width = 0;
  std::shared_ptr<vq::platform::Image> image;  // bitmaps: RGBA samples
  double imageWidth = 0;                       // the image's size in units (may be fractional)
  double imageHeight = 0;
  float rotation = 0;  // fonts: text rotation in degrees
  bool pooled = false;
  HGDIOBJ__* nextPooled = nullptr;
  std::shared_ptr<vq::platform::FontFace> font;
  unsigned char quality = 0;  // fonts: 3 no antialiasing, 4 antialiasing, 0 default
};

typedef HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ__* HPEN;
typedef HGDIOBJ__* HBRUSH;
typedef HGDIOBJ__* HFONT;
typedef HGDIOBJ__* HBITMAP;
typedef HGDIOBJ__* HICON;
typedef HDC__* HDC;
typedef DWORD COLORREF;  // 0x00RRGGBB in this emulation

// Handles that stand for the default objects in SelectObject.
inline HGDIOBJ__* const WEMU_DEFAULT_PEN = reinterpret_cast<HGDIOBJ__*>(1);
inline HGDIOBJ__* const WEMU_DEFAULT_BRUSH = reinterpret_cast<HGDIOBJ__*>(2);
inline HGDIOBJ__* const WEMU_DEFAULT_FONT = reinterpret_cast<HGDIOBJ__*>(3);

// A new cleared object record of that type (pool or heap), registered live; null when out of
// memory.
HGDIOBJ__* WEMU_AllocGDIObject(int type);
// Whether the handle is a live object (stock objects included) of that type (0: any type).
bool WEMU_IsLiveGDIObject(const HGDIOBJ__* object, int type = 0);

// Pens and brushes; a pen width below 0 is taken as 0. Alpha 0..1.
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenAlpha(int style, int width, COLORREF color, float alpha);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateSolidBrushAlpha(COLORREF color, float alpha);
// 1: the static pen that draws nothing; 2: the static brush that paints nothing; else none.
HGDIOBJ GetStockObject(int which);

// Puts a pen, brush or font into its slot of the context and returns the previous object
// (the small value 1, 2 or 3 when the slot held no live object of that type); 0 for a bad
// context or an object that cannot be selected.
HGDIOBJ SelectObject(HDC context, HGDIOBJ object);
// Frees the object unless extra references remain (then one is dropped). Stock objects,
// handles below 5 and freed objects are ignored. TRUE when the handle was a live object.
BOOL DeleteObject(HGDIOBJ object);
// Adds a reference; returns the object, or none for an invalid handle.
HGDIOBJ WEMU_CloneGDIObject(HGDIOBJ object);

// Bitmap description of GetObject.
struct BITMAP {
  int bmWidth;
  int bmHeight;
};
// Clears `size` bytes of the buffer; then, for a live bitmap object with an image asked with
// size 8, writes its size (rounded) and returns 1. Everything else returns 0.
int GetObject(HGDIOBJ object, int size, void* buffer);

// A bitmap object over a new image of w x h pixels copied from `bits` (32-bit pixels, bytes in
// memory alpha, red, green, blue; null gives a transparent image). Only 32 bits per pixel;
// none for other depths or sizes below 1.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};
// A bitmap object that holds (and owns) the image of the colour bitmap; none without one.
HICON CreateIconIndirect(const ICONINFO* info);
// The image behind an icon or bitmap object, or none.
vq::platform::Image* GetNSImageFromHICON(HICON icon);

// An image from a file path (a name with "/") or by name from the resource folder, as a bitmap
// object; with the colour key, pure magenta pixels (255, 0, 255) become transparent.
HBITMAP LoadNamedImage(const char* name, BOOL colorKey);
// Draws a bitmap object's image scaled into the rectangle.
void DrawImageInRect(HDC context, HBITMAP bitmap, const RECT* rect);

// Lists of retained bitmap objects.
struct WEMU_ImageList;
typedef WEMU_ImageList* HIMAGELIST;
HIMAGELIST ImageList_CreateEx(int cx, int cy, UINT flags, int initial, int grow);
// Replaces the image at index (-1 appends); returns the index, or -1.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
// Removes the image at index (-1 removes all).
BOOL ImageList_Remove(HIMAGELIST list, int index);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
// The image at index (borrowed), or none.
HICON WEMU_ImageList_GetImage(HIMAGELIST list, int index);
