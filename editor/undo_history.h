// The undo history: snapshots of the whole program, a cursor on the one in force and the key of
// the last single change (changes of one control merge into one step). The editor fills the
// snapshot from its parameters and applies a restored entry; this class keeps the steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/program_record.h"

// What the program is called with an entry's values: its name, whether it differs from its
// file, whether it has a file at all (INIT has none), that file, and which program the entry is
// a state of (a load or INIT makes a new one; edits, undo and redo keep it).
struct UndoLabel {
  std::string name;
  bool edited = false;
  bool withoutFile = false;
  std::string file;
  uint64_t program = 0;
};

class UndoHistory {
 public:
  // Empty until the program the editor holds is recorded: an unfilled placeholder would be
  // restored and sent by the first Undo.
  void Clear();
  // One entry, the snapshot, with the cursor on it (a freshly loaded program).
  void StartFromSnapshot(UndoLabel label = {});
  // Drops the redo tail and appends the snapshot, called `label`.
  void AppendSnapshot(UndoLabel label = {});
  // Drops the redo tail; a step with the same key as the one before replaces that step, any
  // other is appended and keeps its key.
  void MergeSnapshot(int32_t key, UndoLabel label = {});
  // Move the cursor one step; false when there is nothing to restore.
  bool StepBack();
  bool StepForward();
  // The entry at the cursor.
  const ProgramRecord& Current() const { return mEntries[static_cast<size_t>(mCursor)]; }
  const UndoLabel& CurrentLabel() const { return mLabels[static_cast<size_t>(mCursor)]; }
  // Renames the entry at the cursor (the program was named after its values were recorded).
  void SetCurrentLabel(UndoLabel label);
  // Every entry of `program` takes the file just saved as its name and file; only those that
  // hold the `saved` values are the file unedited.
  void NameProgramAfterFile(uint64_t program, const std::string& name, const std::string& file,
                            const ProgramRecord& saved);

  ProgramRecord& Snapshot() { return mSnapshot; }
  const ProgramRecord& Snapshot() const { return mSnapshot; }
  const std::vector<ProgramRecord>& Entries() const { return mEntries; }
  int32_t Cursor() const { return mCursor; }
  // Counts every step recorded, taken back or forward and every new start: equal counts mean
  // the program is where the history was.
  uint64_t Changes() const { return mChanges; }
  int32_t Key() const { return mKey; }
  void SetKey(int32_t key) { mKey = key; }
  // While suspended, single changes record no step (a whole-program edit records one at its end).
  bool Suspended() const { return mSuspended; }
  void SetSuspended(bool suspended) { mSuspended = suspended; }

 private:
  void DropRedoTail();

  std::vector<ProgramRecord> mEntries;
  std::vector<UndoLabel> mLabels;  // one per entry
  ProgramRecord mSnapshot;
  int32_t mCursor = -1;
  int32_t mKey = -1;
  bool mSuspended = false;
  uint64_t mChanges = 0;
};
