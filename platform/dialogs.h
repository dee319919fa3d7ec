// Alerts with up to three buttons and the open, save and folder panels. Each runs modally
// (a nested loop in the modal-panel mode: common-mode timers keep firing). Main thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vq::platform {

enum class AlertStyle { Informational, Warning, Critical };

struct AlertRequest {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;  // one to three, the first is the default
  AlertStyle style = AlertStyle::Informational;
};

struct PanelRequest {
  enum class Kind { Open, Save, Folder };
  Kind kind = Kind::Open;
  std::string title;
  std::string directory;                  // initial folder, empty for the last used
  std::string fileName;                   // initial name (save panel)
  std::vector<std::string> allowedTypes;  // extensions without the dot; empty allows all
  bool allowsMultipleSelection = false;
  bool canCreateDirectories = true;
};

inline constexpr int kAlertDismissed = -1;

class DialogService {
 public:
  virtual ~DialogService() = default;
  // The index of the button pressed (0 for the first). An alert closed without a button
  // (Escape, the close box) or not shown answers kAlertDismissed, or the index of its Cancel
  // (else its last) button: never a first button that confirms.
  virtual int runAlert(const AlertRequest& request) = 0;
  // The chosen paths, or none when the user cancelled.
  virtual std::optional<std::vector<std::string>> runPanel(const PanelRequest& request) = 0;
};

// Boxes, panels and menus up now: alerts, file panels, context menus, the menu bar's open menu
// and modal windows. Their nested loops run the timers, so work there that would open one more
// waits until this is 0 again. Main thread.
int boxesAndPanelsUp();

// The one way in for an alert, panel or menu command that nobody waits for: `open` runs on the
// main thread from the run loop once none is up, in the order asked. Any thread.
void openWhenNoneUp(std::function<void()> open);
// Drops what waits there: it goes with the run loop of a backend being replaced, as posted
// work does.
void dropWaitingOpens();

// Counts an alert, panel or menu as up while it lives; every backend's hold one.
class BoxOrPanelShown {
 public:
  BoxOrPanelShown();
  ~BoxOrPanelShown();
  BoxOrPanelShown(const BoxOrPanelShown&) = delete;
  BoxOrPanelShown& operator=(const BoxOrPanelShown&) = delete;
};

// One went away (a box, panel, menu or modal run): what waits in openWhenNoneUp follows once
// none is up. Main thread.
void boxOrPanelClosed();

}  // namespace vq::platform
