// Bookkeeping of modal runs and sessions shared by every backend: which runs are in progress,
// innermost last. Main thread.
#pragma once

namespace vq::platform {

class Window;

constexpr int kModalResponseStop = -1000;
constexpr int kModalResponseAbort = -1001;
constexpr int kModalResponseContinue = -1002;

// A modal run or session in progress (opaque to callers).
struct ModalSession;

// Ends every run and session of the window with the abort answer (it closed or is being
// deleted); a run never touches its window again after this.
void endModalRunsOf(Window* w);
// Number of runs and sessions in progress.
int modalRunDepth();
// Whether the window has a run or session in progress.
bool isInModalRun(const Window* w);

}  // namespace vq::platform
