// The manager's two lists: selecting, dropping and opening browser rows, selecting and editing
// bank slots, and writing the bank's programs into a folder.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "library/program_list.h"
#include "library/program_manager.h"
#include "library/program_text_format.h"
#include "library/slot_table.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"

namespace fs = vq::platform;

namespace {

constexpr int kDesignWidth = 1140;
constexpr int kGridLeft = 308, kGridTop = 108, kGridWidth = 812, kGridHeight = 680;
constexpr size_t kPathBytes = 255;
const IColor kSelectedText(255, 255, 0, 0);
const IColor kPlainText(255, 200, 200, 200);

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
  const std::string& root = e.settingsFolder;
  return !root.empty() && fs::IsPlainAbsolutePath(folder) && folder.size() > root.size() &&
         folder.compare(0, root.size(), root) == 0;
}

void SetText(char (&dst)[256], const std::string& s) {
  std::snprintf(dst, sizeof dst, "%s", s.c_str());
}

}  // namespace

std::string ManagerTextField::Text() const {
  return Utf8Prefix(readControl ? readControl() : mText, mLimit);
}

void ManagerTextField::SetText(std::string_view text) {
  mText = Utf8Prefix(text, mLimit);
  if (writeControl) writeControl(mText);
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

std::vector<int> ShiftSelectedSlots(std::vector<ProgramSlot>& table, int target,
                                    ManagerEditMode mode) {
  std::vector<int> changed;
  if (table.size() != kSlotTableSize || !SlotInRange(target)) return changed;
  std::vector<int> sources;
  for (int s = kFirstProgramSlot; s <= kLastProgramSlot; ++s)
    if (table[static_cast<size_t>(s)].selected) sources.push_back(s);
  if (sources.empty()) return changed;
  const int delta = target - sources.front();
  const std::vector<ProgramSlot> before = table;
  for (int s : sources) table[static_cast<size_t>(s)].selected = 0;

  std::vector<int> moving, dests;
  for (int s : sources)
    if (s + delta <= kLastProgramSlot) {
      moving.push_back(s);
      dests.push_back(s + delta);
    }
  auto entry = [&before](int s) {
    ProgramSlot e = before[static_cast<size_t>(s)];
    e.selected = 0;
    return e;
  };
  auto contains = [](const std::vector<int>& v, int s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };

  if (mode == kModeMove)
    for (int s : moving) table[static_cast<size_t>(s)] = ProgramSlot{};
  if (mode == kModeSwap) {
    // What the block displaces fills the places it left, in order: a permutation, nothing lost.
    std::vector<int> vacated, displaced;
    for (int s : moving)
      if (!contains(dests, s)) vacated.push_back(s);
    for (int d : dests)
      if (!contains(moving, d)) displaced.push_back(d);
    for (size_t i = 0; i < vacated.size() && i < displaced.size(); ++i)
      table[static_cast<size_t>(vacated[i])] = entry(displaced[i]);
  }
  for (size_t i = 0; i < moving.size(); ++i)
    table[static_cast<size_t>(dests[i])] = entry(moving[i]);

  for (int s : sources) changed.push_back(s);
  for (int d : dests)
    if (!contains(changed, d)) changed.push_back(d);
  std::sort(changed.begin(), changed.end());
  return changed;
}

void ProgramManager::RecolourBrowser(VQEditor& e) {
  for (int i = 0; i < VQEditor::kBrowserTextRows; ++i) {
    IControl* text = e.browserRowText[i];
    const size_t row = static_cast<size_t>(e.browserFirstRow + i);
    if (!text || row >= e.browserRows.size()) continue;
    text->SetTextColor(e.browserRows[row].flags[3] ? kSelectedText : kPlainText);
    text->SetDirty(false);
  }
}

void ProgramManager::RedrawBrowserRows(VQEditor& e) {
  for (int i = 0; i < VQEditor::kBrowserTextRows; ++i) {
    IControl* text = e.browserRowText[i];
    if (!text) continue;
    const size_t row = static_cast<size_t>(e.browserFirstRow + i);
    if (e.browserFirstRow < 0 || row >= e.browserRows.size()) {
      text->SetTextFromPlug("");
      text->Hide(true);
      continue;
    }
    const OnlineListRow& r = e.browserRows[row];
    const bool folder = r.flags[0] == 0 && r.flags[2] == 0 && std::strcmp(r.name, "..") != 0;
    char shown[sizeof r.name + 2];
    std::snprintf(shown, sizeof shown, folder ? "[%s]" : "%s", r.name);
    text->SetTextFromPlug(shown);
    text->SetTextColor(r.flags[3] ? kSelectedText : kPlainText);
    text->Hide(false);
  }
}

void ProgramManager::ClearSlotSelection(VQEditor& e) {
  for (int i = 0; i < kSlotTableSize; ++i) {
    e.slotTable[static_cast<size_t>(i)].selected = 0;
    if (IControl* c = e.slotSwitch[i]) c->SetValueFromPlug(0.0);
  }
}

void ProgramManager::RefreshSlot(VQEditor& e, int slot) {
  const ProgramSlot& s = e.slotTable[static_cast<size_t>(slot)];
  if (IControl* c = e.slotSwitch[slot]) c->SetValueFromPlug(s.selected ? 1.0 : 0.0);
  if (IControl* c = e.slotCategoryIndicator[slot])
    c->SetValueFromPlug(s.empty ? 0.0 : s.category / 6.0);
  if (IControl* c = e.slotNameText[slot]) {
    c->SetTextFromPlug(s.empty ? "" : s.displayName);
    c->Hide(true);
    c->Hide(false);
  }
}

void ProgramManager::EmptySlot(VQEditor& e, int slot) {
  e.slotTable[static_cast<size_t>(slot)] = ProgramSlot{};
  RefreshSlot(e, slot);
}

std::string ProgramManager::LocalSlotFile(VQEditor& e, int slot) {
  ProgramSlot& s = e.slotTable[static_cast<size_t>(slot)];
  if (!IsHttpsPath(s.path)) return s.path;
  std::string local;
  // A failed download leaves the online address in place.
  if (!DownloadToFolder(e, s.path, &local) || local.size() > kPathBytes) return "";
  SetText(s.path, local);
  return local;
}

void ProgramManager::LoadSlotProgram(VQEditor& e, int slot) {
  e.lastField = kNoFieldSent;
  const std::string path = LocalSlotFile(e, slot);
  if (path.empty()) return;
  if (e.LoadProgramFileToEditor(path.c_str())) e.SendProgramNrpn();
  if (IParam* p = e.GetParam(vq_param::kManagerSelectNone)) p->Set(0.0);
  e.SetControlsFromParam(vq_param::kManagerSelectNone);
}

void ProgramManager::OnBrowserListClick(VQEditor& e) {
  const ListEvent ev = browserEvent ? browserEvent() : ListEvent{};
  IGraphics* g = e.Graphics();
  const double value = e.ParamValue(vq_param::kManagerBrowserList);
  if (ev.kind == kListScroll) {
    const double position = std::clamp(
        value / VQEditor::kBrowserTextRows + e.ParamValue(vq_param::kManagerBrowserScroll) - 0.5,
        0.0, 1.0);
    if (e.browserScrollBar) e.browserScrollBar->SetValueFromPlug(position);
    e.SetParameterFromGUI2(vq_param::kManagerBrowserScroll, position);
    return;
  }
  const int shown = static_cast<int>(value + 0.001);
  const int index = e.browserFirstRow + shown;
  if (shown < 0 || index < 0 || index >= static_cast<int>(e.browserRows.size())) return;
  OnlineListRow& row = e.browserRows[static_cast<size_t>(index)];
  const bool isFile = row.flags[2] != 0;

  switch (ev.kind) {
    case kListClick:
      if (ev.modifier == kListToggle) {
        row.flags[3] = !row.flags[3];
        anchor = -1;
      } else if (ev.modifier == kListRange) {
        if (!isFile) return;
        if (anchor < 0 || anchor >= static_cast<int>(e.browserRows.size())) {
          row.flags[3] = 1;
        } else {
          for (int i = std::min(anchor, index); i <= std::max(anchor, index); ++i)
            if (e.browserRows[static_cast<size_t>(i)].flags[2])
              e.browserRows[static_cast<size_t>(i)].flags[3] = 1;
        }
        anchor = index;
      } else {
        if (!isFile || row.flags[3]) return;
        for (OnlineListRow& r : e.browserRows)
          if (r.flags[2]) r.flags[3] = 0;
        row.flags[3] = 1;
        anchor = index;
        if (g) g->GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
      }
      RecolourBrowser(e);
      return;
    case kListDrop:
    case kListDragOver: {
      const int target = DropTargetSlot(ev.x, ev.y, g ? g->GetWidth() : kDesignWidth);
      if (target < kFirstProgramSlot) {
        // Outside the grid, or on its first cell, which is no program slot.
        for (int i = 0; i < kSlotTableSize; ++i)
          if (IControl* c = e.slotSwitch[i])
            c->SetValueFromPlug(e.slotTable[static_cast<size_t>(i)].selected ? 1.0 : 0.0);
        return;
      }
      if (ev.kind == kListDragOver) {
        for (int i = 0; i < kSlotTableSize; ++i)
          if (IControl* c = e.slotSwitch[i])
            c->SetValueFromPlug(i == target || e.slotTable[static_cast<size_t>(i)].selected ? 1.0
                                                                                            : 0.0);
        return;
      }
      ClearSlotSelection(e);
      e.slotTable[static_cast<size_t>(target)].selected = 1;
      if (IControl* c = e.slotSwitch[target]) c->SetValueFromPlug(1.0);
      e.SetParameterFromGUI2(vq_param::kManagerInsert, 0.0);
      return;
    }
    case kListDoubleClick:
      break;
    default:
      return;
  }

  // Double-click.
  if (row.flags[0] == 0 && !isFile) {
    std::string folder = e.browserFolder;
    if (std::strcmp(row.name, "..") == 0) {
      const size_t slash = folder.rfind('/');
      if (slash == std::string::npos) return;
      folder = slash == 0 ? "/" : folder.substr(0, slash);
    } else {
      folder = (folder == "/" ? "" : folder) + "/" + row.name;
    }
    if (folder.size() > kPathBytes) return;  // a path cut short would name another folder
    e.browserFolder = folder;
    anchor = -1;
    e.ListProgramFolder(folder.c_str());
    return;
  }
  if (row.flags[0] != 0 && !isFile) {
    const std::string key = row.idOrUrl;
    if (row.flags[1]) {
      e.browserFolder = key;
      ShowOnlinePages(e, key);
    } else if (index == 0) {
      ShowOnlineCategories(e);
    } else {
      ShowOnlineFiles(e, key);
    }
    return;
  }
  ClearSlotSelection(e);
  e.lastField = kNoFieldSent;
  std::string path;
  if (row.flags[0] != 0) {
    if (!DownloadToFolder(e, row.idOrUrl, &path)) return;
  } else {
    std::string folder = e.browserFolder;
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    path = folder + "/" + row.name;
    e.lastFile = path;
  }
  if (e.LoadProgramFileToEditor(path.c_str())) e.SendProgramNrpn();
}

void ProgramManager::OnBankListClick(VQEditor& e) {
  const ListEvent ev = bankEvent ? bankEvent() : ListEvent{};
  const int slot = std::min(static_cast<int>(e.ParamValue(vq_param::kManagerBankList) + 0.001),
                            kLastProgramSlot);
  if (slot < kFirstProgramSlot) return;
  ProgramSlot& s = e.slotTable[static_cast<size_t>(slot)];
  IGraphics* g = e.Graphics();

  if (ev.kind == kListDrop) {
    if (editMode >= kModeRemove && editMode <= kModeSwap) ApplyDropMode(e, slot);
    return;
  }
  if (ev.kind == kListDoubleClick) {
    if (editMode != kModeNone || ev.modifier != kListPlain) return;
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
    if (g) g->GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
  } else if (ev.modifier == kListRange) {
    int lowest = slot;
    for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
      if (e.slotTable[static_cast<size_t>(i)].selected) {
        lowest = i;
        break;
      }
    for (int i = std::min(lowest, slot); i <= std::max(lowest, slot); ++i) {
      e.slotTable[static_cast<size_t>(i)].selected = 1;
      RefreshSlot(e, i);
    }
  } else if (!s.selected) {
    ClearSlotSelection(e);
    s.selected = 1;
    RefreshSlot(e, slot);
    if (g) g->GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
  }
  if (editMode == kModeEdit && s.selected) EditSlot(e, slot);
}

void ProgramManager::EditSlot(VQEditor& e, int slot) {
  const ProgramSlot& s = e.slotTable[static_cast<size_t>(slot)];
  for (int p = vq_param::kManagerCategoryBass; p <= vq_param::kManagerCategoryEwi; ++p) {
    if (IParam* param = e.GetParam(p))
      param->Set(!s.empty && s.category == p - vq_param::kManagerCategoryBass + 2 ? 1.0 : 0.0);
    e.SetControlsFromParam(p);
  }
  int selected = 0;
  for (const ProgramSlot& x : e.slotTable) selected += x.selected ? 1 : 0;
  nameEntry.SetText(selected == 1 ? s.name : "");
}

void ProgramManager::ApplyDropMode(VQEditor& e, int slot) {
  const bool holdsProgram = !e.slotTable[static_cast<size_t>(slot)].empty;
  if (editMode == kModeRemove) {
    if (confirm && !holdsProgram) return;
    if (confirm &&
        !Ask(e, "This operation will remove the selected Program(s).\nDo you wish to continue?"))
      return;
    for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
      if (e.slotTable[static_cast<size_t>(i)].selected) EmptySlot(e, i);
    ClearSlotSelection(e);
    bankSaved = false;
    return;
  }
  std::vector<int> sources;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
    if (e.slotTable[static_cast<size_t>(i)].selected) sources.push_back(i);
  if (sources.empty()) return;
  if (confirm) {
    const int delta = slot - sources.front();
    bool overwrites = false;
    for (int src : sources) {
      const int d = src + delta;
      if (d > kLastProgramSlot || e.slotTable[static_cast<size_t>(d)].empty) continue;
      // A moved program that moves on is not overwritten.
      if (editMode == kModeMove && std::find(sources.begin(), sources.end(), d) != sources.end())
        continue;
      overwrites = true;
    }
    if (overwrites &&
        !Ask(e,
             "This operation will overwrite the destination Program(s).\nDo you wish to continue?"))
      return;
  }
  const std::vector<int> changed = editMode == kModeMove   ? MoveSlots(e.slotTable, slot)
                                   : editMode == kModeCopy ? CopySlots(e.slotTable, slot)
                                                           : SwapSlots(e.slotTable, slot);
  for (int s : changed) RefreshSlot(e, s);
  bankSaved = false;
}

void ProgramManager::SaveProgramsToFolder(VQEditor& e, const std::string& folder, bool updatePaths,
                                          int slot) {
  if (folder.empty() || folder.back() != '/') return;
  fs::MakeFolder(folder, 0755);
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i) {
    if (slot != 0 && i != slot) continue;
    ProgramSlot& s = e.slotTable[static_cast<size_t>(i)];
    if (s.empty) continue;
    const std::string source = LocalSlotFile(e, i);
    if (source.empty()) continue;
    const std::string target = folder + SlotFileName(s.category, i, s.name);
    if (target.size() > kPathBytes) continue;  // never cut into another file's name
    if (source == target) continue;
    std::string text;
    if (!BankFileText(source, text)) continue;
    if (WriteFileSafely(target, text) != ProgramFileError::kNone) continue;
    if (updatePaths) SetText(s.path, target);
  }
}

void ProgramManager::SaveSelectedProgramsToFolder(VQEditor& e, const std::string& folder) {
  if (!BelowSettingsFolder(e, folder) || folder.back() != '/') return;
  e.ResetFolder(folder.c_str());
  fs::MakeFolder(e.cacheFolder, 0755);
  fs::MakeFolder(folder, 0755);
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
    if (e.slotTable[static_cast<size_t>(i)].selected) SaveProgramsToFolder(e, folder, false, i);
}

void ProgramManager::DeleteProgramFiles(VQEditor& e, const std::string& folder) {
  // Files are renamed and removed only in the program's own scratch folders.
  if (!BelowSettingsFolder(e, folder) || folder.back() != '/') return;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i) {
    ProgramSlot& s = e.slotTable[static_cast<size_t>(i)];
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
    const ProgramSlot& s = e.slotTable[static_cast<size_t>(n)];
    if (!s.empty && path == s.path) continue;
    fs::RemoveFile(path);
  }
}

void ProgramManager::InsertSelectedFiles(VQEditor& e) {
  int start = kFirstProgramSlot;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
    if (e.slotTable[static_cast<size_t>(i)].selected) {
      start = i;
      break;
    }
  static constexpr struct {
    const char* tag;
    int category;
  } kTags[] = {{"_BASS_", kSlotCategoryBass},
               {"_GTR_", kSlotCategoryGuitar},
               {"_MIDI_", kSlotCategoryMidi},
               {"_FX_", kSlotCategoryFx},
               {"_EWI_", kSlotCategoryEwi}};
  std::string folder = e.browserFolder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  for (const OnlineListRow& row : e.browserRows) {
    if (!row.flags[2] || !row.flags[3]) continue;
    int slot = start;
    while (slot <= kLastProgramSlot && !e.slotTable[static_cast<size_t>(slot)].empty) ++slot;
    if (slot > kLastProgramSlot) continue;
    const std::string path = row.flags[0] ? std::string(row.idOrUrl) : folder + "/" + row.name;
    if (path.size() > kPathBytes) continue;  // a cut path would name another file
    const std::string file = row.name;
    int category = kSlotCategoryPlain;
    std::string name;
    const int number = LeadingNumber(file, 2);
    if (SlotInRange(number)) {
      SlotFileNameParts parts = ParseSlotFileName(file);
      category = parts.category;
      name = parts.name;
    } else {
      size_t from = 0;
      for (const auto& t : kTags)
        if (file.starts_with(t.tag)) {
          category = t.category;
          from = std::strlen(t.tag);
          break;
        }
      name = file.substr(from);
      const size_t dot = name.rfind('.');
      if (dot != std::string::npos) name.erase(dot);
    }
    name = Utf8Prefix(name, 32);
    if (!name.empty() && name[0] == '_') name.erase(0, 1);
    EnterProgramIntoSlot(e, slot, category, path, name);
    e.slotTable[static_cast<size_t>(slot)].selected = 0;
    RefreshSlot(e, slot);
  }
  bankSaved = false;
}
