// PNG image loading into 32-bit bitmaps, and the process-wide list of image loaders.
#pragma once

#include "rast/rast_bitmap.h"

class RAST_IBitmap;

// Reads a PNG file into 8-bit A, R, G, B pixels (alpha not premultiplied; opaque images get
// alpha 255). With `into` given, the image is loaded into it (resized to the image) and `into`
// is returned; with null, a new RAST_MemBitmap is returned that the caller owns. Null on any
// failure: unreadable, truncated or corrupt file, an image larger than the loader accepts, or
// a bitmap that does not take the image's size (a bitmap passed in may keep the new size).
RAST_IBitmap* RAST_LoadPNG(const char* fileName, RAST_IBitmap* into);

// The size of a PNG file's image from its header alone, checked as RAST_LoadPNG checks it;
// false where RAST_LoadPNG would fail before the pixels.
bool RAST_ReadPNGSize(const char* fileName, int* width, int* height);

// Takes a PNG file's rows one at a time, top to bottom, as RAST_LoadPNG would lay them out.
class RAST_PNGRowSink {
 public:
  virtual ~RAST_PNGRowSink() = default;
  // The image's size, before any row; false stops the reading.
  virtual bool begin(int width, int height) = 0;
  // Row y, `width` pixels, valid during the call. Must not throw.
  virtual void row(int y, const RAST_pixel* pixels) = 0;
};

// Reads a PNG file into `sink` without holding the whole image. False on any failure
// RAST_LoadPNG has, and for interlaced images; rows given before a failure stay given.
bool RAST_ReadPNGRows(const char* fileName, RAST_PNGRowSink& sink);

// The same from a PNG held in memory (at least the 8 signature bytes).
RAST_IBitmap* RAST_LoadPNGFromMemory(const void* data, unsigned long size, RAST_IBitmap* into);

// Largest image side and pixel count the loader accepts; bigger images give null.
constexpr int RAST_PNG_MAX_SIDE = 32768;
constexpr long long RAST_PNG_MAX_PIXELS = 1LL << 24;

// One entry of the image-loader list: loads a file (checking its extension first when asked)
// and names its file-dialog filter (pairs of NUL-terminated strings, ended by an empty one).
struct ImageLoaderRecord {
  RAST_IBitmap* (*load)(const char* fileName, bool checkExtension, RAST_IBitmap* into);
  const char* (*filterString)();
  ImageLoaderRecord* next;
};

// Head of the list (null when empty); loaders are added at the head by static initialisers.
ImageLoaderRecord* RAST_ImageLoaders();
void RAST_AddImageLoader(ImageLoaderRecord* record);

// The PNG loader's entries: without the flag it loads at once; with it, names whose extension
// (from the last '.', '/' or '\\') is not ".png" in any case give null without opening the file.
RAST_IBitmap* PNGLoader_Load(const char* fileName, bool checkExtension, RAST_IBitmap* into);
const char* PNGLoader_FilterString();
