// Cursors of the Win32 ids (system cursors, or cursors built from 16 x 16 pixel data), cursor
// files, the current cursor, the pointer position, and hiding the pointer behind a virtual
// position for endless drags. Main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/cursor.h"
#include "platform/event.h"
#include "wemu/wemu_types.h"

// A cursor handle; cursors live for the process.
struct HCURSOR__ {
  vq::platform::CursorRef cursor;
};
typedef HCURSOR__* HCURSOR;

HCURSOR WEMU_LoadCursor(int id);
HCURSOR WEMU_LoadCursorFromFile(const char* name);
// A cursor handle is remembered as last set and made current; anything else forgets the last
// one and makes the arrow current.
void WEMU_SetCursor(HCURSOR cursor);
HCURSOR WEMU_GetCursor();
HCURSOR WEMU_GetLastSetCursor();

// The pointer in screen coordinates (y up); the virtual position while hidden.
BOOL GetCursorPos(POINT* point);
// The same, x in the low 16 bits and y in the high 16 bits.
DWORD GetMessagePos();
// The event's position in the view; while hidden, the virtual position (moved by the deltas
// of a mouse move, message 0x200) converted into the view.
POINT WEMU_EventPositionInView(UINT message, HWND__* view, const vq::platform::Event* event);
// Counts hides and shows; returns the counter. Hidden below 0.
int WEMU_ShowCursor(BOOL show);
BOOL WEMU_IsCursorVisible();
BOOL WEMU_SetCursorPos(int x, int y);

// Pixel data of the built cursors: 16 x 16 bytes, rows from the top, high nibble grey and low
// nibble opacity. Exposed for tests.
enum class WEMU_CursorShape { FourWay, Diagonal };
const uint8_t* WEMU_CursorData(WEMU_CursorShape shape);
// The 16 x 16 grey-and-alpha image built from data, mirrored left to right when asked.
vq::platform::Image WEMU_BuildCursorImage(const uint8_t* data, bool mirrored);

// A decoded cursor or icon file: the image (RGBA) and the hot spot the file gives.
struct WEMU_DecodedCursor {
  vq::platform::Image image;
  int hotX = 0;
  int hotY = 0;
};
// Decodes a cursor file held in memory (bounds checked: a short or malformed file gives
// none). The file must start with reserved 0, type 2, count 1; the image is a bitmap (1, 4, 8,
// 24 or 32 bits with its mask) or PNG data.
std::optional<WEMU_DecodedCursor> WEMU_DecodeCursorFile(const uint8_t* data, size_t size);
// The whole of a cursor or image file; none when it cannot be read or passes 16 MiB.
std::optional<std::vector<uint8_t>> WEMU_ReadImageFileBytes(const std::string& path);
// Decodes a PNG file into RGBA; none when it cannot be read.
std::optional<vq::platform::Image> WEMU_LoadImageFile(const std::string& path);
std::optional<vq::platform::Image> WEMU_DecodePNG(const uint8_t* data, size_t size);

// Forgets the hide state and the last-set cursor (tests between cases).
void WEMU_Internal_ResetCursorState();
