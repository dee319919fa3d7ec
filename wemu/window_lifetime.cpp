#include "wemu/window_lifetime.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "platform/platform.h"

using vq::platform::View;

struct WEMU_WindowLifetime {
  static bool& doomed(HWND__* h) { return h->mDoomed; }
};

namespace {

std::unordered_set<HWND__*> gAdopted;
std::vector<HWND__*> gDoomed;
vq::platform::RunLoop* gScheduledOn = nullptr;

void schedule() {
  auto& loop = vq::platform::services().runLoop();
  if (gScheduledOn == &loop) return;
  gScheduledOn = &loop;
  loop.postToMain([] {
    gScheduledOn = nullptr;
    WEMU_Internal_FlushDeferredDeletes();
  });
}

// The adopted objects that go with `h`: itself, its content view, the views inside.
void collect(View* v, std::vector<HWND__*>& out) {
  if (!v) return;
  HWND__* h = dynamic_cast<HWND__*>(v);
  if (h && gAdopted.count(h) && std::find(out.begin(), out.end(), h) == out.end()) out.push_back(h);
  if (h && h->windowObject()) collect(h->windowObject()->contentView(), out);
  for (View* child : v->subviews()) collect(child, out);
}

}  // namespace

HWND__::Hold::~Hold() {
  if (mHandle && --mHandle->mHolds == 0 && WEMU_WindowLifetime::doomed(mHandle)) schedule();
}

void WEMU_Internal_Adopt(HWND__* object) {
  if (object) gAdopted.insert(object);
}

bool WEMU_Internal_IsAdopted(const HWND__* object) {
  return gAdopted.count(const_cast<HWND__*>(object)) != 0;
}

void WEMU_Internal_ReleaseLater(HWND__* object) {
  if (!object || !gAdopted.count(object) || WEMU_WindowLifetime::doomed(object)) return;
  WEMU_WindowLifetime::doomed(object) = true;
  gDoomed.push_back(object);
  schedule();
}

void WEMU_Internal_FlushDeferredDeletes() {
  std::vector<HWND__*> batch;
  batch.swap(gDoomed);
  std::vector<HWND__*> kept;
  for (HWND__* h : batch) {
    if (!gAdopted.count(h)) continue;  // deleted with an earlier one
    std::vector<HWND__*> tree;
    collect(h, tree);
    if (std::any_of(tree.begin(), tree.end(), [](HWND__* t) { return t->isHeld(); })) {
      kept.push_back(h);
      continue;
    }
    // Innermost first, so no view outlives the view or window that lists it for long.
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
      gAdopted.erase(*it);
      delete *it;
    }
  }
  gDoomed.insert(gDoomed.end(), kept.begin(), kept.end());
}

int WEMU_Internal_PendingDeleteCount() {
  return static_cast<int>(gDoomed.size());
}
int WEMU_Internal_AdoptedCount() {
  return static_cast<int>(gAdopted.size());
}

void WEMU_Internal_DestroyAllWindows() {
  std::vector<HWND__*> all(gAdopted.begin(), gAdopted.end());
  for (HWND__* h : all)
    if (gAdopted.count(h)) h->destroy();
  for (HWND__* h : std::vector<HWND__*>(gAdopted.begin(), gAdopted.end())) {
    WEMU_WindowLifetime::doomed(h) = true;
    if (std::find(gDoomed.begin(), gDoomed.end(), h) == gDoomed.end()) gDoomed.push_back(h);
  }
  WEMU_Internal_FlushDeferredDeletes();
  gDoomed.clear();
  gScheduledOn = nullptr;
}
