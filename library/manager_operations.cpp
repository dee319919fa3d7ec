// The manager's two lists: selecting, dropping and opening browser rows, selecting and editing
// bank slots, and writing the bank's programs into a folder.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include <sys/stat.h>

#include "editor/vq_editor.h"
#include "library/program_list.h"
#include "library/program_manager.h"
#include "library/program_text_format.h"
#include "library/slot_table.h"
#include "platform/debug_log.h"
#include "platform/error_output.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"

namespace fs = vq::platform;

namespace {

constexpr int kDesignWidth = VQEditor::kGuiWidth;
constexpr int kGridLeft = 308, kGridTop = 108, kGridWidth = 812, kGridHeight = 680;
constexpr size_t kPathBytes = 255;
constexpr const char* kPastLastSlot =
    "The selected Program(s) do not fit between this slot and slot 99.\nNothing was changed.";
constexpr const char* kRemoveQuestion =
    "This operation will remove the selected Program(s).\nDo you wish to continue?";
constexpr const char* kOverwriteQuestion =
    "This operation will overwrite the destination Program(s).\nDo you wish to continue?";

bool IsHttpsPath(const char* path) {
  return std::strncmp(path, "https://", 8) == 0;
}

bool SlotInRange(int slot) {
  return slot >= kFirstProgramSlot && slot <= kLastProgramSlot;
}

// "Foo.prg" and its two other spellings.
bool IsPrgName(std::string_view name) {
  return name.ends_with(".prg") || name.ends_with(".Prg") || name.ends_with(".PRG");
}

bool ReadWhole(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 &&
         out.size() < static_cast<size_t>(kProgramFileBufferSize))
    out.append(chunk, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  // Program files are always smaller than the readers' buffer; anything else is not copied.
  return ok && out.size() < static_cast<size_t>(kProgramFileBufferSize);
}

// The text a program file should have in a bank folder: older ".prg" files converted, every
// other file as it is. False when the source cannot be taken.
bool BankFileText(const std::string& source, std::string& text) {
  if (!ReadWhole(source, text)) return false;
  if (!IsPrgName(fs::NameOfPath(source))) return true;
  ProgramFileContent content;
  if (ParseProgramText(text, content) != ProgramFileError::kNone) return false;
  if (content.version < 243) text = FormatProgramText(content.record);
  return true;
}

bool InsideFolder(const std::string& folder, const std::string& path) {
  return !folder.empty() && folder.back() == '/' && path.size() > folder.size() &&
         path.compare(0, folder.size(), folder) == 0 &&
         path.find('/', folder.size()) == std::string::npos;
}

bool BelowSettingsFolder(const VQEditor& e, const std::string& folder) {
  const std::string& root = e.Browser().SettingsFolder();
  return !root.empty() && fs::IsPlainAbsolutePath(folder) && folder.size() > root.size() &&
         folder.compare(0, root.size(), root) == 0;
}

std::vector<int> SelectedSlots(const std::vector<ProgramSlot>& table) {
  std::vector<int> sources;
  for (int s = kFirstProgramSlot; s <= kLastProgramSlot; ++s)
    if (table[static_cast<size_t>(s)].selected) sources.push_back(s);
  return sources;
}

void SetText(char (&dst)[256], const std::string& s) {
  std::snprintf(dst, sizeof dst, "%s", s.c_str());
}

// The file a browser row stands for: a local row's in the browser folder, an online row's
// copy in the cache folder.
std::string BrowserRowFile(const VQEditor& e, const OnlineListRow& row) {
  if (row.flags[0]) return e.Browser().CacheFolder() + DownloadFileName(row.idOrUrl);
  std::string folder = e.Browser().Folder();
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder + "/" + row.name;
}

}  // namespace

std::string ManagerTextField::Text() const {
  if (!mReadControl) return Utf8Prefix(mText, mLimit);
  // The control's copy is wiped: the field may hold a password.
  std::string read = mReadControl();
  std::string text = Utf8Prefix(read, mLimit);
  explicit_bzero(read.data(), read.size());
  return text;
}

void ManagerTextField::SetText(std::string_view text) {
  mText = Utf8Prefix(text, mLimit);
  if (mWriteControl) mWriteControl(mText);
}

int DropTargetSlot(int x, int y, int width) {
  if (width <= 0) width = kDesignWidth;
  const double xs = static_cast<double>(x) * kDesignWidth / width;
  const double ys = static_cast<double>(y) * kDesignWidth / width;
  if (xs < kGridLeft + 1 || ys < kGridTop + 1) return -1;
  // A drop on the grid's right or bottom edge stays in the last column or row.
  const int col = std::clamp(
      static_cast<int>(std::floor(std::min((xs - kGridLeft) / kGridWidth, 1.0) * 10)), 0, 9);
  const int row = std::clamp(
      static_cast<int>(std::floor(std::min((ys - kGridTop) / kGridHeight, 1.0) * 10)), 0, 9);
  return col + 10 * row;
}

bool ShiftRunsPastLastSlot(const std::vector<ProgramSlot>& table, int target) {
  if (table.size() != kSlotTableSize) return false;
  const std::vector<int> sources = SelectedSlots(table);
  return !sources.empty() && sources.back() + target - sources.front() > kLastProgramSlot;
}

std::vector<int> ShiftSelectedSlots(std::vector<ProgramSlot>& table, int target,
                                    ManagerEditMode mode) {
  std::vector<int> changed;
  if (table.size() != kSlotTableSize || !SlotInRange(target)) return changed;
  // A block that would run past the last slot is refused whole: its tail would be lost.
  if (ShiftRunsPastLastSlot(table, target)) return changed;
  const std::vector<int> sources = SelectedSlots(table);
  if (sources.empty()) return changed;
  const int delta = target - sources.front();
  const std::vector<ProgramSlot> before = table;
  for (int s : sources) table[static_cast<size_t>(s)].selected = 0;

  std::vector<int> dests;
  for (int s : sources) dests.push_back(s + delta);
  auto entry = [&before](int s) {
    ProgramSlot e = before[static_cast<size_t>(s)];
    e.selected = 0;
    return e;
  };
  auto contains = [](const std::vector<int>& v, int s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };

  if (mode == kModeMove)
    for (int s : sources) table[static_cast<size_t>(s)] = ProgramSlot{};
  if (mode == kModeSwap) {
    // What the block displaces fills the places it left, in order: a permutation, nothing lost.
    std::vector<int> vacated, displaced;
    for (int s : sources)
      if (!contains(dests, s)) vacated.push_back(s);
    for (int d : dests)
      if (!contains(sources, d)) displaced.push_back(d);
    for (size_t i = 0; i < vacated.size() && i < displaced.size(); ++i)
      table[static_cast<size_t>(vacated[i])] = entry(displaced[i]);
  }
  for (size_t i = 0; i < sources.size(); ++i)
    table[static_cast<size_t>(dests[i])] = entry(sources[i]);

  for (int s : sources) changed.push_back(s);
  for (int d : dests)
    if (!contains(changed, d)) changed.push_back(d);
  std::sort(changed.begin(), changed.end());
  return changed;
}

void ProgramManager::RecolourBrowser(VQEditor& e) {
  VQEditorPages* pages = e.Pages();
  for (int i = 0; pages && i < VQEditor::kBrowserTextRows; ++i) {
    const size_t row = static_cast<size_t>(e.Browser().FirstRow() + i);
    if (row < e.Browser().Rows().size()) pages->MarkBrowserRow(i, e.Browser().Rows()[row].flags[3]);
  }
}

void ProgramManager::RedrawBrowserRows(VQEditor& e) {
  VQEditorPages* pages = e.Pages();
  for (int i = 0; pages && i < VQEditor::kBrowserTextRows; ++i) {
    const size_t row = static_cast<size_t>(e.Browser().FirstRow() + i);
    if (e.Browser().FirstRow() < 0 || row >= e.Browser().Rows().size()) {
      pages->HideBrowserRow(i);
      continue;
    }
    const OnlineListRow& r = e.Browser().Rows()[row];
    const bool folder = r.flags[0] == 0 && r.flags[2] == 0 && std::strcmp(r.name, "..") != 0;
    char shown[sizeof r.name + 2];
    std::snprintf(shown, sizeof shown, folder ? "[%s]" : "%s", r.name);
    pages->ShowBrowserRow(i, shown, r.flags[3]);
  }
}

void ProgramManager::ClearSlotSelection(VQEditor& e) {
  for (int i = 0; i < kSlotTableSize; ++i) {
    e.Browser().Slots()[static_cast<size_t>(i)].selected = 0;
    if (VQEditorPages* pages = e.Pages()) pages->ShowSlotSelected(i, false);
  }
}

void ProgramManager::RefreshSlot(VQEditor& e, int slot) {
  const ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(slot)];
  VQEditorPages* pages = e.Pages();
  if (!pages) return;
  pages->ShowSlotSelected(slot, s.selected);
  pages->ShowSlotCategory(slot, s.empty ? 0 : s.category);
  pages->ShowSlotName(slot, s.empty ? "" : s.displayName);
}

void ProgramManager::EmptySlot(VQEditor& e, int slot) {
  e.Browser().Slots()[static_cast<size_t>(slot)] = ProgramSlot{};
  RefreshSlot(e, slot);
}

std::string ProgramManager::LocalSlotFile(VQEditor& e, int slot) {
  ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(slot)];
  if (!IsHttpsPath(s.path)) return s.path;
  std::string local;
  // A failed download leaves the online address in place.
  if (!DownloadToFolder(e, s.path, &local) || local.size() > kPathBytes) return "";
  SetText(s.path, local);
  return local;
}

void ProgramManager::LoadSlotProgram(VQEditor& e, int slot) {
  e.SetLastField(kNoFieldSent);
  const std::string path = LocalSlotFile(e, slot);
  if (!path.empty()) LoadSlotFile(e, path);
}

void ProgramManager::LoadSlotFile(VQEditor& e, const std::string& path) {
  if (e.LoadProgramFileToEditor(path.c_str(), [this, &e, path] { LoadSlotFile(e, path); }))
    e.SendProgramNrpn();
  // As a release of "select none": its case deselects the browser's rows. The mark stays on
  // the program on screen.
  e.SetParameterFromGUI2(vq_param::kManagerSelectNone, 0.0);
  e.SetControlsFromParam(vq_param::kManagerSelectNone);
  MarkProgramOnScreen(e);
}

void ProgramManager::OnBrowserListClick(VQEditor& e) {
  const ListEvent ev = mBrowserEvent ? mBrowserEvent() : ListEvent{};
  const double value = e.ParamValue(vq_param::kManagerBrowserList);
  if (ev.kind == kListScroll) {
    const double position = std::clamp(
        value / VQEditor::kBrowserTextRows + e.ParamValue(vq_param::kManagerBrowserScroll) - 0.5,
        0.0, 1.0);
    if (VQEditorPages* pages = e.Pages()) pages->SetBrowserScrollPosition(position);
    e.SetParameterFromGUI2(vq_param::kManagerBrowserScroll, position);
    return;
  }
  // A drag ends wherever the pointer is let go, whatever row of the list that height reads as.
  if (ev.kind == kListDrop || ev.kind == kListDragOver) return DropBrowserFiles(e, ev);
  const int shown = static_cast<int>(value + 0.001);
  const int index = e.Browser().FirstRow() + shown;
  // The bottom edge reads 47, one row past the shown ones.
  if (shown < 0 || shown >= VQEditor::kBrowserTextRows || index < 0 ||
      index >= static_cast<int>(e.Browser().Rows().size()))
    return;
  OnlineListRow& row = e.Browser().Rows()[static_cast<size_t>(index)];
  const bool isFile = row.flags[2] != 0;

  switch (ev.kind) {
    case kListClick:
      if (ev.modifier == kListToggle) {
        row.flags[3] = !row.flags[3];
        mAnchor = -1;
      } else if (ev.modifier == kListRange) {
        if (!isFile) return;
        if (mAnchor < 0 || mAnchor >= static_cast<int>(e.Browser().Rows().size())) {
          row.flags[3] = 1;
        } else {
          for (int i = std::min(mAnchor, index); i <= std::max(mAnchor, index); ++i)
            if (e.Browser().Rows()[static_cast<size_t>(i)].flags[2])
              e.Browser().Rows()[static_cast<size_t>(i)].flags[3] = 1;
        }
        mAnchor = index;
      } else {
        if (!isFile || row.flags[3]) return;
        for (OnlineListRow& r : e.Browser().Rows())
          if (r.flags[2]) r.flags[3] = 0;
        row.flags[3] = 1;
        mAnchor = index;
        e.GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
      }
      RecolourBrowser(e);
      return;
    case kListDoubleClick:
      break;
    default:
      return;
  }

  // Double-click.
  if (row.flags[0] == 0 && !isFile) {
    std::string folder = e.Browser().Folder();
    if (std::strcmp(row.name, "..") == 0) {
      const size_t slash = folder.rfind('/');
      if (slash == std::string::npos) return;
      folder = slash == 0 ? "/" : folder.substr(0, slash);
    } else {
      folder = (folder == "/" ? "" : folder) + "/" + row.name;
    }
    if (folder.size() > kPathBytes) return;  // a path cut short would name another folder
    e.Browser().SetFolder(folder);
    mAnchor = -1;
    e.ListProgramFolder(folder.c_str());
    return;
  }
  if (row.flags[0] != 0 && !isFile) {
    const std::string key = row.idOrUrl;
    if (row.flags[1]) {
      e.Browser().SetFolder(key);
      ShowOnlinePages(e, key);
    } else if (index == 0) {
      ShowOnlineCategories(e);
    } else {
      ShowOnlineFiles(e, key);
    }
    return;
  }
  ClearSlotSelection(e);
  e.SetLastField(kNoFieldSent);
  // The click before marked the file, but until it is loaded the program on screen is the one
  // before: the boxes of the download and the load (a question, a refusal) show that marked.
  MarkProgramOnScreen(e);
  const bool local = row.flags[0] == 0;
  std::string path;
  if (local)
    path = BrowserRowFile(e, row);
  else
    DownloadToFolder(e, row.idOrUrl, &path);
  if (path.empty()) {
    MarkProgramOnScreen(e);
    mAnchor = -1;
    return;
  }
  LoadBrowserFile(e, path, local);
}

void ProgramManager::LoadBrowserFile(VQEditor& e, const std::string& path, bool local) {
  // A load marks its file itself; after one that did not happen the mark is the program's again.
  if (!e.LoadProgramFileToEditor(path.c_str(),
                                 [this, &e, path, local] { LoadBrowserFile(e, path, local); })) {
    MarkProgramOnScreen(e);
    mAnchor = -1;
    return;
  }
  if (local) e.Browser().SetLastFile(path);
  e.SendProgramNrpn();
}

void ProgramManager::MarkProgramOnScreen(VQEditor& e) {
  const bool fromFile = !e.ProgramWithoutFile() && !e.ProgramFile().empty();
  for (OnlineListRow& r : e.Browser().Rows())
    if (r.flags[2]) r.flags[3] = fromFile && BrowserRowFile(e, r) == e.ProgramFile();
  RecolourBrowser(e);
}

void ProgramManager::DropBrowserFiles(VQEditor& e, const ListEvent& ev) {
  const int target = DropTargetSlot(ev.x, ev.y, e.GuiWidth());
  if (ev.kind == kListDragOver || target < 0) {
    // Over or let go outside the grid: only the slot under the pointer is marked.
    ShowSlotSelections(e, ev.kind == kListDragOver && target >= kFirstProgramSlot ? target : -1);
    return;
  }
  const char* why = nullptr;
  if (target < kFirstProgramSlot)
    why = "Programs go into the slots 01 to 99.\nNothing was changed.";
  else if (std::none_of(e.Browser().Rows().begin(), e.Browser().Rows().end(),
                        [](const OnlineListRow& r) { return r.flags[2] && r.flags[3]; }))
    why = "No program file is selected in the list.\nNothing was changed.";
  if (why) {
    ShowSlotSelections(e);
    e.PostMessageBox(why, "Warning");  // shown by the idle call once the editor is free
    return;
  }
  ClearSlotSelection(e);
  e.Browser().Slots()[static_cast<size_t>(target)].selected = 1;
  if (VQEditorPages* pages = e.Pages()) pages->ShowSlotSelected(target, true);
  e.SetParameterFromGUI2(vq_param::kManagerInsert, 0.0);
}

void ProgramManager::OnBankListClick(VQEditor& e) {
  const ListEvent ev = mBankEvent ? mBankEvent() : ListEvent{};
  const int slot = std::min(static_cast<int>(e.ParamValue(vq_param::kManagerBankList) + 0.001),
                            kLastProgramSlot);
  // A press and release on one cell is a click; only a release after a drag is a drop.
  bool dropped = false;
  if (ev.kind == kListClick || ev.kind == kListDoubleClick) {
    mBankPressSlot = slot;
    mBankDragged = false;
  } else if (ev.kind == kListDragOver) {
    mBankDragged = mBankDragged || slot != mBankPressSlot;
  } else if (ev.kind == kListDrop) {
    dropped = mBankDragged || slot != mBankPressSlot;
    mBankPressSlot = -1;
    mBankDragged = false;
  }
  if (slot < kFirstProgramSlot) return;
  ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(slot)];

  if (ev.kind == kListDrop) {
    if (dropped && mEditMode >= kModeRemove && mEditMode <= kModeSwap) ApplyDropMode(e, slot);
    return;
  }
  if (ev.kind == kListDoubleClick) {
    if (mEditMode != kModeNone || ev.modifier != kListPlain) return;
    ClearSlotSelection(e);
    s.selected = 1;
    RefreshSlot(e, slot);
    if (!s.empty) LoadSlotProgram(e, slot);
    return;
  }
  if (ev.kind != kListClick) return;
  if (ev.modifier == kListToggle) {
    s.selected = !s.selected;
    RefreshSlot(e, slot);
    e.GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
  } else if (ev.modifier == kListRange) {
    int lowest = slot;
    for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
      if (e.Browser().Slots()[static_cast<size_t>(i)].selected) {
        lowest = i;
        break;
      }
    for (int i = std::min(lowest, slot); i <= std::max(lowest, slot); ++i) {
      e.Browser().Slots()[static_cast<size_t>(i)].selected = 1;
      RefreshSlot(e, i);
    }
  } else if (!s.selected) {
    ClearSlotSelection(e);
    s.selected = 1;
    RefreshSlot(e, slot);
    e.GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
  }
  if (mEditMode == kModeEdit && s.selected) EditSlot(e, slot);
}

void ProgramManager::EditSlot(VQEditor& e, int slot) {
  const ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(slot)];
  for (int p = vq_param::kManagerCategoryBass; p <= vq_param::kManagerCategoryEwi; ++p) {
    if (IParam* param = e.GetParam(p))
      param->Set(!s.empty && s.category == p - vq_param::kManagerCategoryBass + 2 ? 1.0 : 0.0);
    e.SetControlsFromParam(p);
  }
  int selected = 0;
  for (const ProgramSlot& x : e.Browser().Slots()) selected += x.selected ? 1 : 0;
  mNameEntry.SetText(selected == 1 ? s.name : "");
}

void ProgramManager::ApplyDropMode(VQEditor& e, int slot) {
  // Refused as the bank buttons are, and again after a question.
  if (RefuseBankChange(e)) return;
  const bool holdsProgram = !e.Browser().Slots()[static_cast<size_t>(slot)].empty;
  const bool confirm = Confirm(e);
  if (mEditMode == kModeRemove) {
    if (confirm && !holdsProgram) return;
    if (confirm && (!Ask(e, kRemoveQuestion) || RefuseBankChange(e))) return;
    for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
      if (e.Browser().Slots()[static_cast<size_t>(i)].selected) EmptySlot(e, i);
    ClearSlotSelection(e);
    mBankSaved = false;
    return;
  }
  const std::vector<int> sources = SelectedSlots(e.Browser().Slots());
  if (sources.empty()) return;
  if (ShiftRunsPastLastSlot(e.Browser().Slots(), slot)) {
    e.PostMessageBox(kPastLastSlot, "Warning");
    return;
  }
  if (confirm) {
    const int delta = slot - sources.front();
    bool overwrites = false;
    for (int src : sources) {
      const int d = src + delta;
      if (e.Browser().Slots()[static_cast<size_t>(d)].empty) continue;
      // A moved program that moves on is not overwritten.
      if (mEditMode == kModeMove && std::find(sources.begin(), sources.end(), d) != sources.end())
        continue;
      overwrites = true;
    }
    if (overwrites && (!Ask(e, kOverwriteQuestion) || RefuseBankChange(e))) return;
  }
  const std::vector<int> changed = mEditMode == kModeMove   ? MoveSlots(e.Browser().Slots(), slot)
                                   : mEditMode == kModeCopy ? CopySlots(e.Browser().Slots(), slot)
                                                            : SwapSlots(e.Browser().Slots(), slot);
  for (int s : changed) RefreshSlot(e, s);
  mBankSaved = false;
}

bool ProgramManager::SaveProgramsToFolder(VQEditor& e, const std::string& folder, bool updatePaths,
                                          int slot) {
  if (folder.empty() || folder.back() != '/') return false;
  fs::MakeFolder(folder, 0755);
  std::string failed;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i) {
    if (slot != 0 && i != slot) continue;
    ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(i)];
    if (s.empty) continue;
    const std::string source = LocalSlotFile(e, i);
    // The name is made safe on its way into the file name; the path is never cut into another
    // file's name.
    const std::string target = folder + SlotFileName(s.category, i, s.name);
    if (!source.empty() && source == target) continue;
    std::string text;
    if (source.empty() || target.size() > kPathBytes || !BankFileText(source, text) ||
        WriteFileSafely(target, text) != ProgramFileError::kNone) {
      failed += (failed.empty() ? "" : ", ") + std::to_string(i);
      continue;
    }
    if (updatePaths) SetText(s.path, target);
  }
  if (e.OnMainThread()) e.ShowSavedFileInBrowser(folder);
  if (failed.empty()) return true;
  const std::string text = "Cannot save the program(s) of slot " + failed + " in\n" + folder;
  e.SetStatusText(text.c_str());
  e.PostMessageBox(text.c_str(), "Error");
  return false;
}

bool ProgramManager::SaveSelectedProgramsToFolder(VQEditor& e, const std::string& folder) {
  if (!BelowSettingsFolder(e, folder) || folder.back() != '/') return false;
  e.ResetFolder(folder.c_str());
  fs::MakeFolder(e.Browser().CacheFolder(), 0755);
  fs::MakeFolder(folder, 0755);
  bool saved = true;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot && saved; ++i)
    if (e.Browser().Slots()[static_cast<size_t>(i)].selected)
      saved = SaveProgramsToFolder(e, folder, false, i);
  return saved;
}

void ProgramManager::DeleteProgramFiles(VQEditor& e, const std::string& folder) {
  // Files are renamed and removed only in the program's own scratch folders.
  if (!BelowSettingsFolder(e, folder) || folder.back() != '/') return;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i) {
    ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(i)];
    if (s.empty) continue;
    const std::string wanted = SlotFileName(s.category, i, s.name);
    if (fs::NameOfPath(s.path) == wanted) continue;
    const std::string source = LocalSlotFile(e, i);
    const std::string target = folder + wanted;
    if (source.empty() || target.size() > kPathBytes) continue;
    std::string text;
    if (!ReadWhole(source, text) || WriteFileSafely(target, text) != ProgramFileError::kNone)
      continue;
    if (InsideFolder(folder, source)) fs::RemoveFile(source);
    SetText(s.path, target);
  }
  for (const std::string& name : fs::ListFolder(folder)) {
    const std::string path = folder + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    const int n = LeadingNumber(name, 2);
    if (!SlotInRange(n)) continue;
    const ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(n)];
    if (!s.empty && path == s.path) continue;
    fs::RemoveFile(path);
  }
}

namespace {

constexpr const char* kKeptBankFile = "managerbank.txt";

std::string KeptBankPath(const VQEditor& e) {
  return e.Browser().SettingsFolder().empty() ? std::string()
                                              : e.Browser().SettingsFolder() + kKeptBankFile;
}

}  // namespace

void ProgramManager::KeepBank(VQEditor& e) {
  const std::string path = KeptBankPath(e);
  if (path.empty()) return;
  std::string text;
  {
    // Only the table needs the lock; the write may wait for the disk.
    UTL_MutexLock lock(e.Mutex());
    text = KeptBankText(KeptSlotsOf(std::as_const(e).Browser().Slots()));
  }
  if (text == mKeptBank) return;
  if (text.empty()) {
    fs::RemoveFile(path);
  } else if (WriteFileSafely(path, text) != ProgramFileError::kNone) {
    // Told once until a write succeeds. The box is posted, never shown here: the idle call
    // shows it as it ends, and at quit, when the window is going, only the error output tells.
    if (!std::exchange(mKeepFailed, true)) {
      vq::platform::errorLine("VQEditor4: the program manager's bank could not be kept in %s\n",
                              path.c_str());
      const std::string why = "Cannot keep the bank for the next start in\n" + path;
      e.SetStatusText(why.c_str());
      e.PostMessageBox(why.c_str(), "Error");
    }
    return;
  }
  mKeepFailed = false;
  mKeptBank = text;
}

void ProgramManager::RestoreBank(VQEditor& e) {
  const std::string path = KeptBankPath(e);
  std::string text;
  if (path.empty()) return;
  if (!fs::ReadRegularFile(path, 1 << 20, text)) {
    // Never read through a link; the debug log says why the bank did not come back.
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      fs::debugLog("the kept bank " + path + " is a symbolic link: not read");
    return;
  }
  UTL_MutexLock lock(e.Mutex());
  mKeptBank = text;
  for (const KeptSlot& s : ReadKeptBank(text)) {
    struct stat st;
    if (!IsHttpsPath(s.path.c_str()) && (stat(s.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
      continue;
    EnterProgramIntoSlot(e, s.slot, s.category, s.path, s.name);
  }
}

void ProgramManager::InsertSelectedFiles(VQEditor& e) {
  int start = kFirstProgramSlot;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
    if (e.Browser().Slots()[static_cast<size_t>(i)].selected) {
      start = i;
      break;
    }
  int placed = 0, unplaced = 0;
  for (const OnlineListRow& row : e.Browser().Rows()) {
    if (!row.flags[2] || !row.flags[3]) continue;
    int slot = start;
    while (slot <= kLastProgramSlot && !e.Browser().Slots()[static_cast<size_t>(slot)].empty)
      ++slot;
    if (slot > kLastProgramSlot) {
      ++unplaced;
      continue;
    }
    const std::string path = row.flags[0] ? std::string(row.idOrUrl) : BrowserRowFile(e, row);
    if (path.size() > kPathBytes) continue;  // a cut path would name another file
    const SlotFileNameParts parts = SlotNameOfFile(row.name);
    EnterProgramIntoSlot(e, slot, parts.category, path, parts.name);
    e.Browser().Slots()[static_cast<size_t>(slot)].selected = 0;
    RefreshSlot(e, slot);
    ++placed;
  }
  mBankSaved = false;
  // Programs go only into empty slots from the one dropped on upwards: a full stretch up to
  // slot 99 leaves the rest out, which the user must be told. The status line keeps it; the
  // manager page covers that line, so a box says it there.
  if (unplaced > 0) {
    char why[48], status[96], box[256];
    if (start == kLastProgramSlot)
      std::snprintf(why, sizeof why, "Slot 99 is not empty");
    else
      std::snprintf(why, sizeof why, "No empty slot in %02d-99", start);
    std::snprintf(status, sizeof status, "%s: %d not placed", why, unplaced);
    std::snprintf(box, sizeof box,
                  "%s:\n%d of %d program(s) not placed.\nEmpty slots there, or drop on an "
                  "earlier one.",
                  why, unplaced, unplaced + placed);
    e.SetStatusText(status);
    e.PostMessageBox(box, "Warning");
  }
}
