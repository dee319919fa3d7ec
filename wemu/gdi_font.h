// Fonts of the GDI layer: font objects over the platform font service, the process-wide cache
// of resolved face names, and text metrics. Any thread.
#pragma once

#include <memory>

#include "platform/font_service.h"
#include "wemu/gdi_objects.h"

// A font object. Size: the height, or the width when the height is 0, as a positive number;
// below 2 or above 8192 it is 10. The full name (face, " Bold" for a weight of 700 or more,
// " Italic") is resolved once per process to an installed face; a name nothing serves gives the
// system label font. Rotation is orientation / 10 degrees; quality 3 (no antialiasing) and
// 4 (antialiasing) are kept, anything else is 0 (default).
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outputPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);

struct LOGFONT {
  int lfHeight;
  int lfWidth;
  int lfEscapement;
  int lfOrientation;
  int lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[32];
};
// CreateFont with the record's height, width, orientation, weight, italic, quality and face.
HFONT CreateFontIndirect(const LOGFONT* font);

// First five fields as filled by GetTextMetrics.
struct TEXTMETRIC {
  int tmHeight;
  int tmAscent;
  int tmDescent;
  int tmInternalLeading;
  int tmAveCharWidth;
};
// Fills the record (defaults 16, 12, 4, 3, 10 first) from the selected font or the default
// font: ascent, descent and leading cut to integers, height their sum (plus 1 when not 0),
// average width 2 x height / 3 before that raise. 1, or 0 for a bad context.
BOOL GetTextMetrics(HDC context, TEXTMETRIC* metrics);

// The display name of the selected font (or of the default font) as UTF-8, at most size - 1
// bytes, never cutting a character; the length written, or 0.
int GetTextFace(HDC context, int size, char* name);

// The face of the context's selected font, else the default font (system label font, size
// 10); null when no font is installed. Also gives the selected font object's quality.
std::shared_ptr<vq::platform::FontFace> WEMU_ContextFont(HDC context,
                                                         unsigned char* quality = nullptr);

// The same face at `scale` times its size (for contexts of more than one device pixel per
// unit); the face itself for a scale near 1 or when no scaled face can be made. Scaled faces
// are kept for reuse.
std::shared_ptr<vq::platform::FontFace> WEMU_DeviceFont(
    const std::shared_ptr<vq::platform::FontFace>& face, double scale);

// The PostScript name the name cache holds for a full name ("" when unresolved); resolves on
// a miss. Exposed for tests.
std::string WEMU_ResolveFontName(const std::string& fullName);
