#include "freed_memory_scan.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<bool> gArmed{false};
std::atomic<int> gFound{0};
std::atomic<int> gScanning{0};  // frees on any thread that may be reading the secret
char gSecret[256];
size_t gSecretLength = 0;

void Scan(void* p) {
  if (!p) return;
  ++gScanning;
  if (gArmed.load() && memmem(p, malloc_usable_size(p), gSecret, gSecretLength)) ++gFound;
  --gScanning;
}

void* Allocate(size_t n) {
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t n) {
  return Allocate(n);
}
void* operator new[](size_t n) {
  return Allocate(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  return std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  return std::malloc(n ? n : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  Scan(p);
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  Scan(p);
  std::free(p);
}
void operator delete(void* p) noexcept {
  Scan(p);
  std::free(p);
}
void operator delete[](void* p) noexcept {
  Scan(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  Scan(p);
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  Scan(p);
  std::free(p);
}

namespace vqtest {

void ArmFreedMemoryScan(const std::string& secret) {
  // Other threads free memory too (the error output's writer): none may be reading the secret.
  gArmed.store(false);
  while (gScanning.load() != 0) {
  }
  gSecretLength = std::min(secret.size(), sizeof gSecret);
  std::memcpy(gSecret, secret.data(), gSecretLength);
  gFound = 0;
  gArmed.store(true);
}

int DisarmFreedMemoryScan() {
  gArmed.store(false);
  return gFound.load();
}

}  // namespace vqtest
