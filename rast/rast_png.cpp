// PNG loading through libpng. libpng reports errors by longjmp, so the reading itself runs in
// one function that holds no C++ objects, with every resource kept in a state record owned by
// the caller; the caller releases whatever the record holds on every path.
#include "rast/rast_png.h"

#include "rast/rast_bitmap.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <new>

namespace {

// Reads from a memory buffer; a read past its end is a libpng error (a truncated file).
struct MemorySource {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (length > src->size - src->pos) {
    png_error(png, "unexpected end of data");
  }
  std::memcpy(out, src->data + src->pos, length);
  src->pos += length;
}

// Errors end in the longjmp to the loader without printing; warnings are dropped.
void silentError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void silentWarning(png_structp, png_const_charp) {}

struct LoadState {
  FILE* file = nullptr;
  MemorySource memory{};
  png_structp png = nullptr;
  png_infop info = nullptr;
  RAST_IBitmap* target = nullptr;
  bool createdTarget = false;
  png_bytep* rows = nullptr;
  bool sizeOnly = false;            // stop after the header, keeping the size below
  RAST_PNGRowSink* sink = nullptr;  // rows go here one by one instead of into a target
  png_bytep row = nullptr;
  bool ok = false;
  int width = 0;
  int height = 0;
};

// Everything after setjmp lives in `st` (the caller's frame), so nothing here needs volatile
// and no destructor is skipped by the longjmp. Returns true when the image was read.
bool readPng(LoadState& st) {
  if (setjmp(png_jmpbuf(st.png))) {
    return false;
  }
  png_set_user_limits(st.png, RAST_PNG_MAX_SIDE, RAST_PNG_MAX_SIDE);
  png_set_chunk_malloc_max(st.png, 8u << 20);
  png_set_chunk_cache_max(st.png, 1000);
  // Only IHDR, PLTE, tRNS, IDAT and IEND matter for the pixels. Every other chunk is skipped
  // unread: libpng would otherwise allocate whatever length a text or profile chunk claims
  // (gigabytes for a damaged file) before finding the file too short.
  png_set_keep_unknown_chunks(st.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
#ifdef PNG_IGNORE_ADLER32
  // Every compressed byte is already covered by its chunk's CRC, which is still checked; the
  // stream's own checksum over the decompressed bytes is a tenth of the decoding time.
  png_set_option(st.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  if (st.file) {
    png_init_io(st.png, st.file);
  } else {
    png_set_read_fn(st.png, &st.memory, readFromMemory);
  }
  png_read_info(st.png, st.info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(st.png, st.info, &width, &height, &bitDepth, &colorType, &interlace, &compression,
               &filter);
  if (width == 0 || height == 0 || width > uint32_t(RAST_PNG_MAX_SIDE) ||
      height > uint32_t(RAST_PNG_MAX_SIDE) ||
      uint64_t(width) * uint64_t(height) > uint64_t(RAST_PNG_MAX_PIXELS)) {
    return false;
  }
  st.width = int(width);
  st.height = int(height);
  if (st.sizeOnly) {
    return true;
  }

  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_palette_to_rgb(st.png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
    png_set_expand_gray_1_2_4_to_8(st.png);
  }
  if (png_get_valid(st.png, st.info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(st.png);
    colorType |= PNG_COLOR_MASK_ALPHA;
  }
  if (bitDepth == 16) {
    png_set_strip_16(st.png);
  }
  if (bitDepth < 8) {
    png_set_packing(st.png);
  }
  if ((colorType & ~PNG_COLOR_MASK_ALPHA) == PNG_COLOR_TYPE_GRAY) {
    png_set_gray_to_rgb(st.png);
  }
  if (colorType & PNG_COLOR_MASK_ALPHA) {
    png_set_swap_alpha(st.png);
  } else {
    png_set_filler(st.png, 0xff, PNG_FILLER_BEFORE);
  }
  png_set_interlace_handling(st.png);
  png_read_update_info(st.png, st.info);
  // Every row must come out as exactly four bytes per pixel, or the rows below would overflow.
  if (png_get_rowbytes(st.png, st.info) != size_t(width) * 4) {
    return false;
  }

  const int w = int(width), h = int(height);
  if (st.sink) {
    // Row by row, which an interlaced image cannot give.
    if (interlace != PNG_INTERLACE_NONE || !st.sink->begin(w, h)) {
      return false;
    }
    st.row = static_cast<png_bytep>(std::malloc(size_t(w) * 4));
    if (!st.row) {
      return false;
    }
    for (int y = 0; y < h; ++y) {
      png_read_row(st.png, st.row, nullptr);
      st.sink->row(y, reinterpret_cast<const RAST_pixel*>(st.row));
    }
    png_read_end(st.png, nullptr);
    return true;
  }
  if (st.target) {
    st.target->resize(w, h);
  } else {
    st.target = new (std::nothrow) RAST_MemBitmap(w, h, 4);
    if (!st.target) {
      return false;
    }
    st.createdTarget = true;
  }
  RAST_pixel* bits = st.target->getBits();
  const int span = st.target->getRowSpan();
  if (st.target->getWidth() != w || st.target->getHeight() != h || !bits || span < w) {
    return false;
  }

  st.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * size_t(h)));
  if (!st.rows) {
    return false;
  }
  const bool flipped = st.target->isFlipped();
  for (int i = 0; i < h; ++i) {
    const int stored = flipped ? h - 1 - i : i;
    st.rows[i] = reinterpret_cast<png_bytep>(bits + ptrdiff_t(stored) * span);
  }
  png_read_image(st.png, st.rows);
  return true;
}

RAST_IBitmap* load(LoadState& st, RAST_IBitmap* into) {
  st.target = into;
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, silentError, silentWarning);
  if (st.png) {
    st.info = png_create_info_struct(st.png);
  }
  const bool ok = st.png && st.info && readPng(st);
  st.ok = ok;
  if (st.png) {
    png_destroy_read_struct(&st.png, st.info ? &st.info : nullptr, nullptr);
  }
  std::free(st.rows);
  std::free(st.row);
  if (st.file) {
    std::fclose(st.file);
  }
  if (!ok) {
    if (st.createdTarget) {
      delete st.target;
    }
    return nullptr;
  }
  return st.target;
}

ImageLoaderRecord* g_loaders = nullptr;

// Enters the PNG loader into the list when the program starts.
ImageLoaderRecord g_pngLoader{PNGLoader_Load, PNGLoader_FilterString, nullptr};
struct RegisterPngLoader {
  RegisterPngLoader() { RAST_AddImageLoader(&g_pngLoader); }
} g_registerPngLoader;

}  // namespace

RAST_IBitmap* RAST_LoadPNG(const char* fileName, RAST_IBitmap* into) {
  if (!fileName) {
    return nullptr;
  }
  LoadState st;
  st.file = std::fopen(fileName, "rb");
  if (!st.file) {
    return nullptr;
  }
  return load(st, into);
}

bool RAST_ReadPNGSize(const char* fileName, int* width, int* height) {
  if (!fileName) {
    return false;
  }
  LoadState st;
  st.sizeOnly = true;
  st.file = std::fopen(fileName, "rb");
  if (!st.file) {
    return false;
  }
  load(st, nullptr);  // makes no bitmap: the size alone tells whether the header was read
  if (st.width <= 0) {
    return false;
  }
  *width = st.width;
  *height = st.height;
  return true;
}

bool RAST_ReadPNGRows(const char* fileName, RAST_PNGRowSink& sink) {
  if (!fileName) {
    return false;
  }
  LoadState st;
  st.sink = &sink;
  st.file = std::fopen(fileName, "rb");
  if (!st.file) {
    return false;
  }
  load(st, nullptr);
  return st.ok;
}

RAST_IBitmap* RAST_LoadPNGFromMemory(const void* data, unsigned long size, RAST_IBitmap* into) {
  if (!data || size < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) {
    return nullptr;
  }
  LoadState st;
  st.memory = MemorySource{static_cast<const unsigned char*>(data), size_t(size), 0};
  return load(st, into);
}

ImageLoaderRecord* RAST_ImageLoaders() {
  return g_loaders;
}

void RAST_AddImageLoader(ImageLoaderRecord* record) {
  if (record) {
    record->next = g_loaders;
    g_loaders = record;
  }
}

RAST_IBitmap* PNGLoader_Load(const char* fileName, bool checkExtension, RAST_IBitmap* into) {
  if (!fileName) {
    return nullptr;
  }
  if (checkExtension) {
    const char* ext = fileName;
    for (const char* p = fileName + std::strlen(fileName); p > fileName;) {
      --p;
      if (*p == '.' || *p == '/' || *p == '\\') {
        ext = p;
        break;
      }
    }
    if (strcasecmp(ext, ".png") != 0) {
      return nullptr;
    }
  }
  return RAST_LoadPNG(fileName, into);
}

const char* PNGLoader_FilterString() {
  // Two NUL-terminated strings and the closing empty one (the literal adds the last NUL).
  static const char filter[] = "PNG files (*.PNG)\0*.PNG\0";
  return filter;
}
