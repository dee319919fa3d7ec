// Rectangle arithmetic.
#include "wemu/utilities.h"

#include <algorithm>

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
bool isEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}
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
