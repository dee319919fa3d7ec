#include "wemu/utilities.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "wemu/app_controller.h"
#include "wemu/modules.h"

namespace {

// Length of the UTF-8 sequence starting at s[i] (within n bytes), or 0 when malformed.
size_t utf8SequenceLength(const unsigned char* s, size_t i, size_t n) {
  unsigned char c = s[i];
  size_t len;
  uint32_t cp;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

std::mutex gResourceMutex;
std::string gResourceFolder;
std::atomic<int> gAppNap{0};

}  // namespace

WEMU_String WEMU_CStringToCFString(const char* text) {
  if (!text) return {};
  size_t n = std::strlen(text);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i < n;) {
    size_t len = utf8SequenceLength(s, i, n);
    if (len == 0) {
      std::string ascii(text, n);
      for (char& c : ascii)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
      return ascii;
    }
    i += len;
  }
  return std::string(text, n);
}

bool WEMU_CFStringToCString(const WEMU_String* s, char* buf, int size) {
  if (!buf || size <= 0) return false;
  buf[0] = 0;
  if (!s) return false;
  size_t limit = static_cast<size_t>(size) - 1;
  if (s->size() <= limit) {
    std::memcpy(buf, s->data(), s->size());
    buf[s->size()] = 0;
    return true;
  }
  // Cut at a character boundary, so the buffer never ends in half a character.
  const auto* p = reinterpret_cast<const unsigned char*>(s->data());
  size_t cut = limit;
  while (cut > 0 && (p[cut] & 0xC0) == 0x80) --cut;
  std::memcpy(buf, s->data(), cut);
  buf[cut] = 0;
  return false;
}

void Sleep(DWORD ms) {
  if (ms == 0)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

DWORD GetTickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<DWORD>(static_cast<uint64_t>(ms.count()));
}

BOOL WEMU_PtInRect(const RECT* r, POINT p) {
  if (!r) return FALSE;
  int top = std::min(r->top, r->bottom), bottom = std::max(r->top, r->bottom);
  return p.x >= r->left && p.x < r->right && p.y >= top && p.y < bottom;
}

void WinSetRect(RECT* r, int left, int top, int right, int bottom) {
  if (r) *r = RECT{left, top, right, bottom};
}

void WinOffsetRect(RECT* r, int dx, int dy) {
  if (!r) return;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

namespace {
bool isEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
}  // namespace

BOOL WinIntersectRect(RECT* out, const RECT* a, const RECT* b) {
  RECT r{0, 0, 0, 0};
  if (a && b && !isEmpty(*a) && !isEmpty(*b)) {
    RECT i{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (!isEmpty(i)) r = i;
  }
  if (out) *out = r;
  return isEmpty(r) ? FALSE : TRUE;
}

BOOL WinUnionRect(RECT* out, const RECT* a, const RECT* b) {
  bool ea = !a || isEmpty(*a), eb = !b || isEmpty(*b);
  RECT r{0, 0, 0, 0};
  if (!ea && !eb) {
    r = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
             std::max(a->bottom, b->bottom)};
  } else if (!ea) {
    r = *a;
  } else if (!eb) {
    r = *b;
  }
  if (out) *out = r;
  return isEmpty(r) ? FALSE : TRUE;
}

char* lstrcpyn(char* dst, const char* src, int n) {
  if (!dst || n < 1) return dst;
  int i = 0;
  if (src)
    for (; i < n - 1 && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  double v = std::trunc(static_cast<double>(a) * b / c);
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

unsigned int _controlfp(unsigned int, unsigned int) { return 0; }

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

DWORD GetTempPath(DWORD size, char* buf) {
  if (!buf || size == 0) return 0;
  const char* dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp/";
  lstrcpyn(buf, dir, static_cast<int>(std::min<DWORD>(size, INT_MAX)));
  size_t len = std::strlen(buf);
  if (size == 1) return 0;
  if (len > 0 && buf[len - 1] != '/') {
    if (len + 1 < size) {
      buf[len++] = '/';
      buf[len] = 0;
    } else {
      buf[len - 1] = '/';  // full: the slash takes the last character's place
    }
  }
  return static_cast<DWORD>(len);
}

DWORD GetModuleFileName(void* module, char* buf, DWORD size) {
  if (!buf || size == 0) return 0;
  std::string path = module ? WEMU_ModulePath(module) : std::string();
  if (!module) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n > 0) path.assign(exe, static_cast<size_t>(n));
  }
  lstrcpyn(buf, path.c_str(), static_cast<int>(std::min<DWORD>(size, INT_MAX)));
  return static_cast<DWORD>(std::strlen(buf));
}

std::string WEMU_GetResourceFolder() {
  std::lock_guard<std::mutex> lock(gResourceMutex);
  if (gResourceFolder.empty()) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
    size_t slash = path.rfind('/');
    gResourceFolder = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
                      "/resources/";
  }
  return gResourceFolder;
}

void WEMU_SetResourceFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gResourceMutex);
  gResourceFolder = folder;
  if (!gResourceFolder.empty() && gResourceFolder.back() != '/') gResourceFolder += '/';
}

int WEMU_GetOSXVersion() { return 0x10B0; }

void WEMU_EnsureMultithreadedCocoa() {
  static std::once_flag once;
  std::call_once(once, [] {});
}

void* WEMU_InitAutoRelease() {
  // Nothing is autoreleased here; a distinct token keeps callers' pairing intact.
  static char token;
  return &token;
}

void WEMU_QuitAutoRelease(void*) {}

void WEMU_DisableAppNap(int delta) {
  if (WEMU_IsQuitting()) return;
  gAppNap.fetch_add(delta);
}
int WEMU_Internal_AppNapCounter() { return gAppNap.load(); }

namespace {
FILETIME toFileTime(const struct timespec& ts) {
  constexpr uint64_t kEpochDelta = 11644473600ull;  // seconds from 1601 to 1970
  uint64_t t = (static_cast<uint64_t>(ts.tv_sec) + kEpochDelta) * 10000000ull +
               static_cast<uint64_t>(ts.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}
}  // namespace

BOOL GetFileTime(int fd, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  struct stat st;
  if (fstat(fd, &st) != 0) return FALSE;
  if (creation) *creation = toFileTime(st.st_ctim);
  if (lastAccess) *lastAccess = toFileTime(st.st_atim);
  if (lastWrite) *lastWrite = toFileTime(st.st_mtim);
  return TRUE;
}

void WEMU_GenerateGUID(void* out16) {
  if (!out16) return;
  unsigned char b[16];
  std::random_device rd;
  for (int i = 0; i < 16; i += 4) {
    uint32_t v = rd();
    std::memcpy(b + i, &v, 4);
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  std::memcpy(out16, b, 16);
}
