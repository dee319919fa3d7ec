#include "platform/modal_run.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/view.h"

namespace vq::platform {

struct ModalSession {
  Window* window = nullptr;  // none once the window closed or went away
  int code = kModalResponseContinue;
  bool ended = false;
};

namespace {

std::vector<std::unique_ptr<ModalSession>>& runs() {
  static std::vector<std::unique_ptr<ModalSession>> list;  // innermost last
  return list;
}

ModalSession* innermostOpen() {
  auto& list = runs();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (!(*it)->ended) return it->get();
  return nullptr;
}

ModalSession* push(Window& w) {
  runs().push_back(std::make_unique<ModalSession>());
  ModalSession* s = runs().back().get();
  s->window = &w;
  Window::setModalWindow(&w);
  w.makeKeyAndOrderFront();
  return s;
}

void pop(ModalSession* s) {
  auto& list = runs();
  list.erase(std::remove_if(list.begin(), list.end(), [s](const auto& p) { return p.get() == s; }),
             list.end());
  // The enclosing run's window is modal again (none when it went away meanwhile).
  Window::setModalWindow(list.empty() ? nullptr : list.back()->window);
  boxOrPanelClosed();
}

void end(ModalSession* s, int code) {
  if (!s || s->ended) return;
  s->ended = true;
  s->code = code;
}

}  // namespace

void endModalRunsOf(Window* w) {
  if (!w) return;
  for (auto& s : runs()) {
    if (s->window != w) continue;
    end(s.get(), kModalResponseAbort);
    s->window = nullptr;
  }
  if (Window::modalWindow() == w) Window::setModalWindow(nullptr);
}

int modalRunDepth() {
  return static_cast<int>(runs().size());
}

bool isInModalRun(const Window* w) {
  for (auto& s : runs())
    if (w && s->window == w && !s->ended) return true;
  return false;
}

int Application::runModalForWindow(Window& w) {
  if (!runLoop().isMainThread() || isTerminated() || w.isClosed()) return kModalResponseAbort;
  ModalSession* s = push(w);
  double start = runLoop().now();
  while (!s->ended) {
    if (isTerminated()) {
      end(s, kModalResponseAbort);
      break;
    }
    modalPass(*s->window, runLoop().now() - start);
  }
  int code = s->code;
  pop(s);
  return code;
}

void Application::stopModal(int code) {
  if (runLoop().isMainThread()) end(innermostOpen(), code);
}

void Application::abortModal() {
  if (runLoop().isMainThread()) end(innermostOpen(), kModalResponseAbort);
}

ModalSession* Application::beginModalSession(Window& w) {
  if (!runLoop().isMainThread() || w.isClosed()) return nullptr;
  return push(w);
}

int Application::runModalSession(ModalSession* session) {
  auto& list = runs();
  bool known = std::any_of(list.begin(), list.end(),
                           [session](const auto& p) { return p.get() == session; });
  if (!known) return kModalResponseAbort;
  if (!session->ended && isTerminated()) end(session, kModalResponseAbort);
  if (!session->ended && session->window) modalPass(*session->window, 0);
  return session->ended ? session->code : kModalResponseContinue;
}

void Application::endModalSession(ModalSession* session) {
  auto& list = runs();
  if (std::any_of(list.begin(), list.end(),
                  [session](const auto& p) { return p.get() == session; }))
    pop(session);
}

void Application::modalPass(Window&, double) {
  runLoop().runNested(RunLoopMode::ModalPanel, 0.01);
}

}  // namespace vq::platform
