#include "library/slot_table.h"
#include "library/folder_listing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/vq_editor.h"
#include "library/program_list.h"
#include "library/program_text_format.h"
#include "platform/file_system.h"
#include "platform/utf8.h"
#include "plugin/iparam.h"

namespace fs = vq::platform;

namespace {

constexpr size_t kSlotNameLength = 32;
// A slot's box holds three lines of 12 characters of its monospaced face.
constexpr size_t kLineCharacters = 12;
constexpr size_t kNameLines = 3;
constexpr std::string_view kCutMark = "\u2026";

bool IsWordBreak(char c) {
  return c == ' ' || c == '_';
}

struct Tag {
  const char* text;
  int category;
};
constexpr Tag kTags[] = {{"_BASS_", kSlotCategoryBass},
                         {"_GTR_", kSlotCategoryGuitar},
                         {"_MIDI_", kSlotCategoryMidi},
                         {"_FX_", kSlotCategoryFx},
                         {"_EWI_", kSlotCategoryEwi}};

template <size_t N>
void CopyText(char (&dst)[N], const std::string& src) {
  std::snprintf(dst, N, "%s", src.c_str());
}

}  // namespace

// What a slot keeps of a name read from a file name: 32 characters, one leading "_" removed.
static void TakeSlotName(SlotFileNameParts& r, std::string_view rest) {
  r.name = Utf8Prefix(rest, kSlotNameLength);
  r.cut = r.name.size() < rest.size();
  if (!r.name.empty() && r.name[0] == '_') r.name.erase(0, 1);
}

std::string Utf8Prefix(std::string_view text, size_t bytes) {
  return vq::platform::Utf8Prefix(text, bytes);
}

int ProgramFileSlot(std::string_view fileName) {
  int n = LeadingNumber(fileName, 2);
  return n >= kFirstProgramSlot && n <= kLastProgramSlot ? n : 0;
}

SlotFileNameParts ParseSlotFileName(std::string_view fileName) {
  SlotFileNameParts r;
  int n = LeadingNumber(fileName, 2);
  r.slot = n >= kFirstProgramSlot && n <= kLastProgramSlot ? n : 0;
  size_t start = fileName.size() < 2 ? fileName.size() : 2;
  for (const Tag& t : kTags) {
    if (fileName.size() > 2 && fileName.substr(2).starts_with(t.text)) {
      r.category = t.category;
      start = 2 + std::strlen(t.text);
      break;
    }
  }
  size_t dot = fileName.rfind('.');
  std::string_view rest =
      dot != std::string_view::npos && dot >= start
          ? fileName.substr(start, dot - start)
          : (dot != std::string_view::npos ? std::string_view() : fileName.substr(start));
  TakeSlotName(r, rest);
  return r;
}

SlotFileNameParts SlotNameOfFile(std::string_view fileName) {
  SlotFileNameParts r = ParseSlotFileName(fileName);
  if (r.slot != 0) return r;
  // No slot number: the whole name, after a category tag it begins with.
  r.category = kSlotCategoryPlain;
  size_t from = 0;
  for (const Tag& t : kTags)
    if (fileName.starts_with(t.text)) {
      r.category = t.category;
      from = std::strlen(t.text);
      break;
    }
  std::string_view rest = fileName.substr(from);
  if (const size_t dot = rest.rfind('.'); dot != std::string_view::npos) rest = rest.substr(0, dot);
  TakeSlotName(r, rest);
  return r;
}

std::string SlotFileName(int category, int slot, std::string_view name) {
  const char* tag = "_";
  for (const Tag& t : kTags)
    if (t.category == category) tag = t.text;
  char number[8];
  std::snprintf(number, sizeof number, "%02d", slot);
  return std::string(number) + tag + SafeFileNamePart(name) + ".pr4";
}

std::string WrapDisplayName(std::string_view original) {
  // A file name may hold line breaks and other controls: here they are blanks.
  std::string blanked(original);
  for (char& c : blanked)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  const std::string_view name = blanked;
  const std::vector<size_t> at = vq::platform::Utf8CharacterStarts(name);
  const size_t count = at.size() - 1;
  auto text = [&](size_t from, size_t end) { return name.substr(at[from], at[end] - at[from]); };

  std::string out;
  for (size_t from = 0, line = 1;; ++line) {
    if (count - from <= kLineCharacters) {
      out += text(from, count);
      break;
    }
    if (line == kNameLines) {
      // Two names that differ only after this point must not look alike.
      size_t end = from + kLineCharacters - 1;
      while (end > from && IsWordBreak(name[at[end - 1]])) --end;
      out.append(text(from, end)).append(kCutMark);
      break;
    }
    // The last blank that leaves the line's words whole; a word longer than a line is cut.
    size_t end = from + kLineCharacters;
    while (end > from && !IsWordBreak(name[at[end]])) --end;
    size_t next = end + 1;
    if (end == from) end = next = from + kLineCharacters;
    out.append(text(from, end)).push_back('\n');
    from = next;
  }
  // Names of many-byte characters can pass what the field holds: cut there, shown as cut.
  constexpr size_t kFieldBytes = sizeof(ProgramSlot::displayName) - 1;
  if (out.size() > kFieldBytes) {
    if (out.ends_with(kCutMark)) out.resize(out.size() - kCutMark.size());
    out = Utf8Prefix(out, kFieldBytes - kCutMark.size());
    while (!out.empty() && (out.back() == '\n' || IsWordBreak(out.back()))) out.pop_back();
    out += kCutMark;
  }
  return out;
}

void EnterProgramIntoSlot(VQEditor& editor, int slot, int category, const std::string& path,
                          const std::string& name) {
  // A path cut to fit would name another file.
  if (slot < kFirstProgramSlot || slot > kLastProgramSlot ||
      path.size() >= sizeof(ProgramSlot::path))
    return;
  UTL_MutexLock lock(editor.Mutex());
  if (editor.Browser().Slots().size() != kSlotTableSize)
    editor.Browser().Slots().assign(kSlotTableSize, ProgramSlot{});
  ProgramSlot& entry = editor.Browser().Slots()[static_cast<size_t>(slot)];
  entry.empty = 0;
  entry.category = category;
  CopyText(entry.path, path);
  CopyText(entry.name, Utf8Prefix(name, kSlotNameLength));
  // A name cut to what a slot holds, here or when its file name was read, shows that it was.
  const std::string kept = entry.name;
  const SlotFileNameParts file = SlotNameOfFile(fs::NameOfPath(path));
  const bool cut = kept.size() < name.size() || (file.cut && file.name.starts_with(kept));
  CopyText(entry.displayName, WrapDisplayName(cut ? kept + std::string(kCutMark) : kept));
  if (VQEditorPages* pages = editor.Pages()) {
    pages->ShowSlotCategory(slot, category);
    pages->ShowSlotName(slot, entry.displayName);
  }
}

void ScanFolderIntoSlots(VQEditor& editor, const std::string& folder) {
  UTL_MutexLock lock(editor.Mutex());
  editor.ResetCacheFolder();
  editor.Browser().Slots().assign(kSlotTableSize, ProgramSlot{});
  VQEditorPages* pages = editor.Pages();
  for (int i = 0; pages && i < kSlotTableSize; ++i) {
    pages->ShowSlotSelected(i, false);
    pages->ShowSlotCategory(i, 0);
    pages->ShowSlotName(i, "");
  }

  std::vector<std::string> names = ListFolderInNumericOrder(folder);
  const std::string* previous = nullptr;
  for (const std::string& file : names) {
    if (!HasProgramExtension(file)) continue;
    if (previous && *previous == file) break;
    previous = &file;
    SlotFileNameParts parts = ParseSlotFileName(file);
    if (parts.slot == 0) continue;
    EnterProgramIntoSlot(editor, parts.slot, parts.category, folder + file, parts.name);
  }

  if (IParam* p = editor.GetParam(vq_param::kManagerSelectNone)) p->Set(0.0);
  editor.SetControlsFromParam(vq_param::kManagerSelectNone);
  for (int i = 0; i < kSlotTableSize; ++i) {
    editor.Browser().Slots()[static_cast<size_t>(i)].selected = 0;
    if (pages) pages->ShowSlotSelected(i, false);
  }
}

void ShowSlotSelections(VQEditor& editor, int alsoShown) {
  VQEditorPages* pages = editor.Pages();
  for (int i = 0; pages && i < kSlotTableSize; ++i)
    pages->ShowSlotSelected(
        i, i == alsoShown || (i < static_cast<int>(editor.Browser().Slots().size()) &&
                              editor.Browser().Slots()[static_cast<size_t>(i)].selected));
}

void RenameSlot(VQEditor& editor, const std::string& name, int slot) {
  if (slot < 0 || slot >= kSlotTableSize) return;
  UTL_MutexLock lock(editor.Mutex());
  if (editor.Browser().Slots().size() != kSlotTableSize)
    editor.Browser().Slots().assign(kSlotTableSize, ProgramSlot{});
  ProgramSlot& entry = editor.Browser().Slots()[static_cast<size_t>(slot)];
  CopyText(entry.name, Utf8Prefix(name, sizeof entry.name - 1));
  CopyText(entry.displayName, WrapDisplayName(entry.name));
  if (VQEditorPages* pages = editor.Pages()) pages->ShowSlotName(slot, entry.displayName);
}

std::vector<KeptSlot> KeptSlotsOf(const std::vector<ProgramSlot>& table) {
  std::vector<KeptSlot> kept;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot && i < static_cast<int>(table.size());
       ++i) {
    const ProgramSlot& s = table[static_cast<size_t>(i)];
    if (s.empty) continue;
    kept.push_back({i, s.category, std::string(s.path, strnlen(s.path, sizeof s.path)),
                    std::string(s.name, strnlen(s.name, sizeof s.name))});
  }
  return kept;
}

std::string KeptBankText(const std::vector<KeptSlot>& slots) {
  std::string text;
  for (const KeptSlot& s : slots)
    text += std::to_string(s.slot) + ' ' + std::to_string(s.category) + ' ' +
            std::to_string(s.path.size()) + ' ' + std::to_string(s.name.size()) + ' ' + s.path +
            s.name + '\n';
  return text;
}

namespace {

// A decimal number of at most six digits (a "-" before it when `sign`) and the blank after it;
// false leaves `at` anywhere.
bool ReadField(std::string_view text, size_t& at, long& value, bool sign = false) {
  const bool negative = sign && at < text.size() && text[at] == '-';
  if (negative) ++at;
  const size_t from = at;
  value = 0;
  while (at < text.size() && at - from < 7 && text[at] >= '0' && text[at] <= '9')
    value = value * 10 + (text[at++] - '0');
  if (at == from || at - from > 6 || at >= text.size() || text[at] != ' ') return false;
  ++at;
  if (negative) value = -value;
  return true;
}

bool AcceptedSlotPath(std::string_view path) {
  if (path.empty() || path.size() >= sizeof(ProgramSlot::path) ||
      path.find('\0') != std::string_view::npos)
    return false;
  if (path.starts_with("https://")) return true;
  return path[0] == '/' && HasProgramExtension(vq::platform::NameOfPath(path));
}

}  // namespace

std::vector<KeptSlot> ReadKeptBank(std::string_view text) {
  std::vector<KeptSlot> kept;
  bool taken[kLastProgramSlot + 1] = {};
  size_t at = 0;
  while (at < text.size()) {
    long slot = 0, category = 0, pathBytes = 0, nameBytes = 0;
    if (!ReadField(text, at, slot) || !ReadField(text, at, category, true) ||
        !ReadField(text, at, pathBytes) || !ReadField(text, at, nameBytes))
      break;
    // Six digits each: the sum cannot overflow.
    const size_t end = at + static_cast<size_t>(pathBytes) + static_cast<size_t>(nameBytes);
    if (end >= text.size() || text[end] != '\n') break;
    const std::string_view path = text.substr(at, static_cast<size_t>(pathBytes));
    const std::string_view name = text.substr(at + path.size(), static_cast<size_t>(nameBytes));
    at = end + 1;
    if (slot < kFirstProgramSlot || slot > kLastProgramSlot || taken[slot] ||
        !AcceptedSlotPath(path) || name.size() >= sizeof(ProgramSlot::name) ||
        name.find('\0') != std::string_view::npos)
      continue;
    taken[slot] = true;
    if (category < kSlotCategoryPlain || category > kSlotCategoryEwi) category = kSlotCategoryPlain;
    kept.push_back(
        {static_cast<int>(slot), static_cast<int>(category), std::string(path), std::string(name)});
  }
  return kept;
}
