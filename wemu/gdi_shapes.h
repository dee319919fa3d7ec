// Lines and shapes of the GDI layer, reached through the API table. A usable pen is a pen
// object of width 0 or more (0 draws 1 wide); a usable brush is a brush object of width 0 or
// more; the defaults and stock objects draw nothing.
#pragma once

#include "wemu/gdi_objects.h"

// Sets the current position; the old one goes to `previous` when given.
BOOL MoveToEx(HDC context, int x, int y, POINT* previous);
// Strokes from the current position to the point, both ends offset by half the pen width; the
// point becomes the current position.
BOOL LineTo(HDC context, int x, int y);
// Several polylines: counts[i] points each, taken in order from points.
BOOL PolyPolyline(HDC context, const POINT* points, const DWORD* counts, DWORD polylines);
// One cubic curve per three points from the current position (at least three points).
BOOL PolyBezierTo(HDC context, const POINT* points, DWORD count);
// At least two points; fills with the brush and strokes the closed outline with the pen.
BOOL WEMU_Polygon(HDC context, const POINT* points, int count);
// A polygon whose corners are cut at a third of the corner width and height.
BOOL RoundRect(HDC context, int left, int top, int right, int bottom, int width, int height);
// Fill with the brush, then stroke with the pen (a rectangle's stroke at least 1 wide).
BOOL Rectangle(HDC context, int left, int top, int right, int bottom);
BOOL Ellipse(HDC context, int left, int top, int right, int bottom);
// Paints the pixel with the colour; returns the colour, or 0xFFFFFFFF for a bad context.
COLORREF SetPixel(HDC context, int x, int y, COLORREF color);
// The colours of system elements 0..9; 0 for other indices.
DWORD GetSysColor(int index);
