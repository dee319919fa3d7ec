// The synth page's controls that move whole programs: load, save and send file selectors and
// their buttons, the folder (bank upload) button, previous/next program, the firmware file
// selector, INIT, the copy switches, the group edits and the program request. A file selector's
// choice is the browser's SelectedFile of its role when its parameter changes.
#pragma once

#include <memory>

#include "editor/device_link.h"
#include "editor/device_transfers.h"
#include "editor/param_cases.h"

class VQEditor;

// The gate asked before a transfer starts (editor lock held): when `t` may not run beside the
// transfers that run, TellTransferRunning says so and true is returned; the caller then changes
// nothing.
bool RefusedBeside(VQEditor& e, DeviceLink::Transfer t);
// "A transfer is running!" in the status line, and on the manager page, which covers that line,
// in a box too (one at a time, shown by the idle call).
void TellTransferRunning(VQEditor& e);

// The cases of 201..217, 270..273 and 302. `managerPage` (may be null) takes the manager page's
// cases, which belong to the manager; without it they go on along the common path.
std::unique_ptr<VQParamCases> MakeProgramControlCases(
    std::unique_ptr<VQParamCases> managerPage = nullptr);

// The replies that drive transfers, handed on to the editor's firmware update and its
// BankTransfers().
std::unique_ptr<VQDeviceTransfers> MakeEditorDeviceTransfers();
