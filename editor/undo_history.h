// The undo history: snapshots of the whole program, a cursor on the one in force and the key of
// the last single change (changes of one control merge into one step). The editor fills the
// snapshot from its parameters and applies a restored entry; this class keeps the steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/program_record.h"

class UndoHistory {
 public:
  // Empty until the program the editor holds is recorded: an unfilled placeholder would be
  // restored and sent by the first Undo.
  void Clear();
  // One entry, the snapshot, with the cursor on it (a freshly loaded program).
  void StartFromSnapshot();
  // Drops the redo tail and appends the snapshot.
  void AppendSnapshot();
  // Drops the redo tail; a step with the same key as the one before replaces that step, any
  // other is appended and keeps its key.
  void MergeSnapshot(int32_t key);
  // Move the cursor one step; false when there is nothing to restore.
  bool StepBack();
  bool StepForward();
  // The entry at the cursor.
  const ProgramRecord& Current() const { return mEntries[static_cast<size_t>(mCursor)]; }

  ProgramRecord& Snapshot() { return mSnapshot; }
  const ProgramRecord& Snapshot() const { return mSnapshot; }
  const std::vector<ProgramRecord>& Entries() const { return mEntries; }
  int32_t Cursor() const { return mCursor; }
  int32_t Key() const { return mKey; }
  void SetKey(int32_t key) { mKey = key; }
  // While suspended, single changes record no step (a whole-program edit records one at its end).
  bool Suspended() const { return mSuspended; }
  void SetSuspended(bool suspended) { mSuspended = suspended; }

 private:
  void DropRedoTail();

  std::vector<ProgramRecord> mEntries;
  ProgramRecord mSnapshot;
  int32_t mCursor = -1;
  int32_t mKey = -1;
  bool mSuspended = false;
};
