// Accessibility of window views: a window procedure may supply an element for its view
// (WM_GETOBJECT, wParam 0x1001, lParam a pointer to the element slot); the view then answers
// hit tests, focus and its children through it, with the inherited answers as fallback.
// Main thread.
#pragma once

#include <vector>

#include "platform/accessibility.h"
#include "platform/geometry.h"
#include "wemu/window_view.h"

// The element a procedure supplies; the desktop shows its name, role, place and children.
using WEMU_AccessibilityElement = vq::platform::AccessibilityElement;

constexpr WPARAM WEMU_OBJID_ACCESSIBLE = 0x1001;

// The element the view's procedure supplies, or none.
WEMU_AccessibilityElement* WEMU_AccessibilityObject(WEMU_WindowView* view);
WEMU_AccessibilityElement* WEMU_AccessibilityHitTest(WEMU_WindowView* view, vq::platform::Point p,
                                                     WEMU_AccessibilityElement* inherited);
WEMU_AccessibilityElement* WEMU_AccessibilityFocused(WEMU_WindowView* view,
                                                     WEMU_AccessibilityElement* inherited);
bool WEMU_AccessibilityIsIgnored(WEMU_WindowView* view, bool inherited);
// The children (or the visible children): the inherited ones with the supplied element
// appended, unignored only. The answer is kept until the element or the inherited list
// changes; the reference stays valid until the next call for the view.
enum class WEMU_AccessibilityList { Children, VisibleChildren };
const std::vector<WEMU_AccessibilityElement*>& WEMU_AccessibilityChildren(
    WEMU_WindowView* view, WEMU_AccessibilityList which,
    const std::vector<WEMU_AccessibilityElement*>& inherited);
// A view going away drops its kept answers.
void WEMU_Internal_ForgetAccessibility(uint64_t viewSerial);
// Number of list answers built anew (not taken from the cache) so far.
int WEMU_Internal_AccessibilityRebuilds();
