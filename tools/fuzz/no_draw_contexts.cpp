// The PNG fuzzer links the loader and the memory bitmap only. The system bitmap in the same
// file refers to the drawing contexts of the Win32 layer, which the loader never reaches; these
// stand-ins satisfy the linker (creating a context always fails) so that the fuzzer does not
// depend on the window layer compiling under clang.
#include "wemu/mem_context.h"

HDC__* WEMU_CreateMemContext(HDC__*, int, int) {
  return nullptr;
}
std::uint32_t* WEMU_GetCtxFrameBuffer(HDC__*) {
  return nullptr;
}
void WEMU_DeleteGfxContext(HDC__*) {}
