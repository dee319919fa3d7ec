#include "wemu/gdi_objects.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "wemu/cursors.h"
#include "wemu/record_pool.h"
#include "wemu/utilities.h"

namespace {

using ObjectRegistry = WEMU_RecordPool<HGDIOBJ__, 200>;

// Guarded by the GDI pools' mutex.
ObjectRegistry& Objects() {
  static auto* registry = new ObjectRegistry;  // outlives static destructors
  return *registry;
}

struct PoolGuard {
  PoolGuard() { WEMU_LockGdiPools(); }
  ~PoolGuard() { WEMU_UnlockGdiPools(); }
};

HGDIOBJ__ MakeStockObject(int type) {
  HGDIOBJ__ o;
  o.type = type;
  o.width = -1;
  return o;
}

HGDIOBJ__* StockPen() {
  static HGDIOBJ__ pen = MakeStockObject(WEMU_OBJ_PEN);
  return &pen;
}

HGDIOBJ__* StockBrush() {
  static HGDIOBJ__ brush = MakeStockObject(WEMU_OBJ_BRUSH);
  return &brush;
}

bool IsSmall(const HGDIOBJ__* object) {
  return reinterpret_cast<std::uintptr_t>(object) < 5;
}

struct ObjectPoolCleaner {
  ~ObjectPoolCleaner() {
    PoolGuard guard;
    Objects().drain();
  }
} gObjectPoolCleaner;

float Clamp01(float a) {
  return a < 0 ? 0 : (a > 1 ? 1 : a);
}

}  // namespace

HGDIOBJ__* WEMU_AllocGDIObject(int type) {
  PoolGuard guard;
  HGDIOBJ__* object = Objects().take();
  if (object) object->type = type;
  return object;
}

bool WEMU_IsLiveGDIObject(const HGDIOBJ__* object, int type) {
  if (IsSmall(object)) return false;
  if (object == StockPen() || object == StockBrush()) return type == 0 || object->type == type;
  PoolGuard guard;
  if (!Objects().isLive(object)) return false;
  return type == 0 || object->type == type;
}

HPEN CreatePenAlpha(int style, int width, COLORREF color, float alpha) {
  HGDIOBJ__* pen = WEMU_AllocGDIObject(WEMU_OBJ_PEN);
  if (!pen) return nullptr;
  pen->width = width < 0 ? 0 : width;
  pen->color = vq::platform::Color::FromWord(color, Clamp01(alpha));
  return pen;
}

HPEN CreatePen(int style, int width, COLORREF color) {
  return CreatePenAlpha(style, width, color, 1.0f);
}

HBRUSH CreateSolidBrushAlpha(COLORREF color, float alpha) {
  HGDIOBJ__* brush = WEMU_AllocGDIObject(WEMU_OBJ_BRUSH);
  if (!brush) return nullptr;
  brush->color = vq::platform::Color::FromWord(color, Clamp01(alpha));
  return brush;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return CreateSolidBrushAlpha(color, 1.0f);
}

HGDIOBJ GetStockObject(int which) {
  if (which == 1) return StockPen();
  if (which == 2) return StockBrush();
  return nullptr;
}

HGDIOBJ SelectObject(HDC context, HGDIOBJ object) {
  if (!WEMU_IsLiveContext(context)) return nullptr;
  const auto small = reinterpret_cast<std::uintptr_t>(object);
  HGDIOBJ__** slots[] = {&context->pen, &context->brush, &context->font};
  if (small >= 1 && small <= 3) {
    const int type = static_cast<int>(small);
    HGDIOBJ__*& slot = *slots[type - 1];
    HGDIOBJ__* previous = slot;
    slot = nullptr;
    return WEMU_IsLiveGDIObject(previous, type) ? previous : object;
  }
  if (!WEMU_IsLiveGDIObject(object)) return nullptr;
  const int type = object->type;
  if (type < WEMU_OBJ_PEN || type > WEMU_OBJ_FONT) return nullptr;
  HGDIOBJ__*& slot = *slots[type - 1];
  HGDIOBJ__* previous = slot;
  slot = object;
  return WEMU_IsLiveGDIObject(previous, type) ? previous
                                              : reinterpret_cast<HGDIOBJ__*>(std::uintptr_t(type));
}

BOOL DeleteObject(HGDIOBJ object) {
  if (IsSmall(object) || object == StockPen() || object == StockBrush()) return FALSE;
  PoolGuard guard;
  ObjectRegistry& r = Objects();
  if (!r.isLive(object)) return FALSE;
  if (object->extraRefs > 0) {
    --object->extraRefs;
    return TRUE;
  }
  if (object->type < WEMU_OBJ_PEN || object->type > WEMU_OBJ_BITMAP) return TRUE;
  if ((object->type == WEMU_OBJ_PEN || object->type == WEMU_OBJ_BRUSH) && object->width < 0)
    return TRUE;
  r.forget(object);
  r.recycle(object);  // releases font and image
  return TRUE;
}

HGDIOBJ WEMU_CloneGDIObject(HGDIOBJ object) {
  if (IsSmall(object)) return nullptr;
  if (object == StockPen() || object == StockBrush()) return object;
  PoolGuard guard;
  if (!Objects().isLive(object)) return nullptr;
  ++object->extraRefs;
  return object;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
  if (buffer && size > 0) std::memset(buffer, 0, static_cast<std::size_t>(size));
  if (!buffer || size != 8 || !WEMU_IsLiveGDIObject(object, WEMU_OBJ_BITMAP)) return 0;
  PoolGuard guard;
  if (!object->image) return 0;
  BITMAP bm{static_cast<int>(object->imageWidth + 0.5),
            static_cast<int>(object->imageHeight + 0.5)};
  std::memcpy(buffer, &bm, sizeof(bm));
  return 1;
}

namespace {

HBITMAP BitmapOwning(std::shared_ptr<vq::platform::Image> image) {
  HGDIOBJ__* bitmap = WEMU_AllocGDIObject(WEMU_OBJ_BITMAP);
  if (!bitmap) return nullptr;
  bitmap->imageWidth = image->width;
  bitmap->imageHeight = image->height;
  bitmap->image = std::move(image);
  bitmap->width = 1;
  return bitmap;
}

// RGBA samples whatever the source layout (grey and alpha is widened).
std::shared_ptr<vq::platform::Image> AsRgba(vq::platform::Image&& image) {
  auto out = std::make_shared<vq::platform::Image>();
  if (image.samplesPerPixel == 4) {
    *out = std::move(image);
    return out;
  }
  out->width = image.width;
  out->height = image.height;
  out->pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
  for (std::size_t i = 0; i < static_cast<std::size_t>(image.width) * image.height; ++i) {
    const std::uint8_t g = image.pixels[i * 2], a = image.pixels[i * 2 + 1];
    out->pixels[i * 4] = out->pixels[i * 4 + 1] = out->pixels[i * 4 + 2] = g;
    out->pixels[i * 4 + 3] = a;
  }
  return out;
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 1 || height < 1 || bitsPerPixel != 32) return nullptr;
  const long long count = static_cast<long long>(width) * height;
  if (count > (1LL << 28)) return nullptr;
  auto image = std::make_shared<vq::platform::Image>();
  image->width = width;
  image->height = height;
  image->pixels.assign(static_cast<std::size_t>(count) * 4, 0);
  if (bits) {
    const auto* src = static_cast<const std::uint8_t*>(bits);
    for (long long i = 0; i < count; ++i) {
      image->pixels[i * 4] = src[i * 4 + 1];
      image->pixels[i * 4 + 1] = src[i * 4 + 2];
      image->pixels[i * 4 + 2] = src[i * 4 + 3];
      image->pixels[i * 4 + 3] = src[i * 4];
    }
  }
  return BitmapOwning(std::move(image));
}

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info || !WEMU_IsLiveGDIObject(info->hbmColor, WEMU_OBJ_BITMAP)) return nullptr;
  std::shared_ptr<vq::platform::Image> image;
  double w, h;
  {
    PoolGuard guard;
    if (!info->hbmColor->image) return nullptr;
    image = std::make_shared<vq::platform::Image>(*info->hbmColor->image);
    w = info->hbmColor->imageWidth;
    h = info->hbmColor->imageHeight;
  }
  HGDIOBJ__* icon = BitmapOwning(std::move(image));
  if (icon) {
    icon->imageWidth = w;
    icon->imageHeight = h;
  }
  return icon;
}

vq::platform::Image* GetNSImageFromHICON(HICON icon) {
  if (!WEMU_IsLiveGDIObject(icon, WEMU_OBJ_BITMAP)) return nullptr;
  return icon->image.get();
}

HBITMAP LoadNamedImage(const char* name, BOOL colorKey) {
  const std::string text = name ? name : "";
  std::optional<vq::platform::Image> loaded;
  if (text.find('/') != std::string::npos) loaded = WEMU_LoadImageFile(text);
  if (!loaded && !text.empty()) {
    // By name from the program's resources, with or without the extension.
    const std::string folder = WEMU_GetResourceFolder();
    loaded = WEMU_LoadImageFile(folder + text);
    if (!loaded) loaded = WEMU_LoadImageFile(folder + text + ".png");
  }
  if (!loaded || loaded->width < 1 || loaded->height < 1) return nullptr;
  std::shared_ptr<vq::platform::Image> image = AsRgba(std::move(*loaded));
  if (colorKey) {
    std::shared_ptr<vq::platform::Image> keyed;
    const std::size_t n = static_cast<std::size_t>(image->width) * image->height;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t* p = image->pixels.data() + i * 4;
      if (p[0] != 255 || p[1] != 0 || p[2] != 255) continue;
      if (!keyed) keyed = std::make_shared<vq::platform::Image>(*image);
      std::memset(keyed->pixels.data() + i * 4, 0, 4);
    }
    if (keyed) image = std::move(keyed);  // otherwise the loaded image is kept
  }
  return BitmapOwning(std::move(image));
}

void DrawImageInRect(HDC context, HBITMAP bitmap, const RECT* rect) {
  vq::platform::DrawContext* draw = WEMU_GetCtxGC(context);
  if (!draw || !rect || !WEMU_IsLiveGDIObject(bitmap, WEMU_OBJ_BITMAP) || !bitmap->image) return;
  const vq::platform::Image& img = *bitmap->image;
  if (img.width < 1 || img.height < 1 ||
      img.pixels.size() < static_cast<std::size_t>(img.width) * img.height * 4)
    return;
  std::vector<std::uint32_t> px(static_cast<std::size_t>(img.width) * img.height);
  for (std::size_t i = 0; i < px.size(); ++i) {
    const std::uint8_t* s = img.pixels.data() + i * 4;
    px[i] = s[3] | std::uint32_t(s[0]) << 8 | std::uint32_t(s[1]) << 16 | std::uint32_t(s[2]) << 24;
  }
  draw->drawImage({double(rect->left), double(rect->top), double(rect->right - rect->left),
                   double(rect->bottom - rect->top)},
                  {px.data(), img.width, img.height, img.width, true});
}

struct WEMU_ImageList {
  int cx = 0;
  int cy = 0;
  std::vector<HGDIOBJ__*> images;  // each holds one reference
};

HIMAGELIST ImageList_CreateEx(int cx, int cy, UINT flags, int initial, int grow) {
  auto* list = new (std::nothrow) WEMU_ImageList;
  if (!list) return nullptr;
  list->cx = cx;
  list->cy = cy;
  return list;
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  if (!list || !WEMU_IsLiveGDIObject(icon, WEMU_OBJ_BITMAP)) return -1;
  if (index >= static_cast<int>(list->images.size()) || index < -1) return -1;
  WEMU_CloneGDIObject(icon);
  if (index == -1) {
    list->images.push_back(icon);
    return static_cast<int>(list->images.size()) - 1;
  }
  DeleteObject(list->images[static_cast<std::size_t>(index)]);
  list->images[static_cast<std::size_t>(index)] = icon;
  return index;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  if (!list) return FALSE;
  if (index == -1) {
    for (HGDIOBJ__* o : list->images) DeleteObject(o);
    list->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  DeleteObject(list->images[static_cast<std::size_t>(index)]);
  list->images.erase(list->images.begin() + index);
  return TRUE;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (!list) return FALSE;
  ImageList_Remove(list, -1);
  delete list;
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
  return list ? static_cast<int>(list->images.size()) : 0;
}

HICON WEMU_ImageList_GetImage(HIMAGELIST list, int index) {
  if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return nullptr;
  return list->images[index];
}
