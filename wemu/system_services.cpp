// Time, arithmetic helpers, the system version, process-wide switches, file times and GUIDs.
#include "wemu/utilities.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "wemu/app_controller.h"

namespace {
std::atomic<int> gAppNap{0};
}  // namespace

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

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  double v = std::trunc(static_cast<double>(a) * b / c);
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

unsigned int _controlfp(unsigned int, unsigned int) {
  return 0;
}

int WEMU_GetOSXVersion() {
  return 0x10B0;
}

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
int WEMU_Internal_AppNapCounter() {
  return gAppNap.load();
}

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
