// Parameter cases that belong to other features than the dispatcher itself: the program file,
// folder and group-edit controls (201..217, 270..273, 302) and the program-manager page
// (313..346 while it is shown). The editor holds one implementation (ParamCases()); without
// one those parameters take the dispatcher's common path only.
#pragma once

#include <cstdint>

class VQEditor;

// How a case leaves the dispatcher.
enum class DispatchExit {
  kNormal,            // the usual bookkeeping: last field, last sent values, idle polls
  kWholeProgramSent,  // as kNormal, and last field 186 (the next single send repeats the address)
  kLeaveEarly,        // no bookkeeping at all
};

class VQParamCases {
 public:
  virtual ~VQParamCases() = default;
  // Runs before the common path while the manager page is shown, for 313..346. False ends the
  // change there; true lets it go on along the common path.
  virtual bool ManagerPageCase(VQEditor& editor, int paramIdx) = 0;
  // A program file, folder or group-edit control after the common path.
  virtual DispatchExit ProgramControlCase(VQEditor& editor, int paramIdx, int32_t value) = 0;
};
