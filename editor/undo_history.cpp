#include "editor/undo_history.h"

#include <utility>

void UndoHistory::Clear() {
  mEntries.clear();
  mLabels.clear();
  mCursor = -1;
  mKey = -1;
  mSuspended = false;
  ++mChanges;
}

void UndoHistory::StartFromSnapshot(UndoLabel label) {
  mEntries.assign(1, mSnapshot);
  mLabels.assign(1, std::move(label));
  mCursor = 0;
  mKey = -1;
  ++mChanges;
}

void UndoHistory::DropRedoTail() {
  if (mCursor + 1 < static_cast<int32_t>(mEntries.size())) {
    mEntries.resize(static_cast<size_t>(mCursor + 1));
    mLabels.resize(mEntries.size());
  }
}

void UndoHistory::SetCurrentLabel(UndoLabel label) {
  if (mCursor >= 0 && mCursor < static_cast<int32_t>(mLabels.size()))
    mLabels[static_cast<size_t>(mCursor)] = std::move(label);
}

void UndoHistory::NameProgramAfterFile(uint64_t program, const std::string& name,
                                       const std::string& file, const ProgramRecord& saved) {
  for (size_t i = 0; i < mLabels.size(); ++i) {
    if (mLabels[i].program != program) continue;
    mLabels[i] = {name, mEntries[i] != saved, false, file, program};
  }
}

void UndoHistory::AppendSnapshot(UndoLabel label) {
  ++mChanges;
  DropRedoTail();
  mEntries.push_back(mSnapshot);
  mLabels.push_back(std::move(label));
  mCursor = static_cast<int32_t>(mEntries.size()) - 1;
}

void UndoHistory::MergeSnapshot(int32_t key, UndoLabel label) {
  ++mChanges;
  DropRedoTail();
  if (key == mKey && mCursor >= 0 && !mEntries.empty()) {
    mEntries[static_cast<size_t>(mCursor)] = mSnapshot;
    mLabels[static_cast<size_t>(mCursor)] = std::move(label);
  } else {
    mEntries.push_back(mSnapshot);
    mLabels.push_back(std::move(label));
    ++mCursor;
    mKey = key;
  }
}

bool UndoHistory::StepBack() {
  if (mEntries.empty()) return false;
  if (mCursor > 0) {
    --mCursor;
    ++mChanges;
  }
  return mCursor >= 0;
}

bool UndoHistory::StepForward() {
  if (mCursor + 1 >= static_cast<int32_t>(mEntries.size())) return false;
  ++mCursor;
  ++mChanges;
  return true;
}
