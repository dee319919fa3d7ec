#include "editor/undo_history.h"

void UndoHistory::Clear() {
  mEntries.clear();
  mCursor = -1;
  mKey = -1;
  mSuspended = false;
}

void UndoHistory::StartFromSnapshot() {
  mEntries.assign(1, mSnapshot);
  mCursor = 0;
  mKey = -1;
}

void UndoHistory::DropRedoTail() {
  if (mCursor + 1 < static_cast<int32_t>(mEntries.size()))
    mEntries.resize(static_cast<size_t>(mCursor + 1));
}

void UndoHistory::AppendSnapshot() {
  DropRedoTail();
  mEntries.push_back(mSnapshot);
  mCursor = static_cast<int32_t>(mEntries.size()) - 1;
}

void UndoHistory::MergeSnapshot(int32_t key) {
  DropRedoTail();
  if (key == mKey && mCursor >= 0 && !mEntries.empty()) {
    mEntries[static_cast<size_t>(mCursor)] = mSnapshot;
  } else {
    mEntries.push_back(mSnapshot);
    ++mCursor;
    mKey = key;
  }
}

bool UndoHistory::StepBack() {
  if (mEntries.empty()) return false;
  if (mCursor > 0) --mCursor;
  return mCursor >= 0;
}

bool UndoHistory::StepForward() {
  if (mCursor + 1 >= static_cast<int32_t>(mEntries.size())) return false;
  ++mCursor;
  return true;
}
