// The program manager's slot table: how a file name ties a program to a slot and a category,
// the display name of a bank-list row, and filling the table from a folder. The name rules are
// pure functions; the table itself is the editor's Browser().Slots().
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/program_slot.h"

class VQEditor;

// The slot a program file is written to, by single writes and bank uploads alike: the number
// its first two characters read (a leading blank allowed, so " 7_X" and "7_X" are 7, "0815 Bass"
// is 8 and "1999 Pad" is 19), the same rule as the folder scan. 0 when that is not 1..99.
int ProgramFileSlot(std::string_view fileName);

// A file name as the folder scan reads it: the slot from its first two characters (as atoi
// reads them), the category from the tag at the third character ("_BASS_", "_GTR_", "_MIDI_",
// "_FX_", "_EWI_"; none: plain), and the name after the tag (after the two digits when there is
// none) up to the last ".", cut to 32 characters, one leading "_" removed.
struct SlotFileNameParts {
  int slot = 0;  // 0 when not 1..99
  int category = kSlotCategoryPlain;
  std::string name;
  bool cut = false;  // the name was longer
};
SlotFileNameParts ParseSlotFileName(std::string_view fileName);
// The category and name a file takes in a slot it is put into: as above for a name whose first
// two characters read as a slot; else the whole name up to the last ".", after a tag it begins
// with, cut and trimmed alike.
SlotFileNameParts SlotNameOfFile(std::string_view fileName);

// The longest prefix of `text` of at most `bytes` bytes that does not split a UTF-8 sequence.
std::string Utf8Prefix(std::string_view text, size_t bytes);

// "%02d_BASS_%s.pr4" and its siblings by category; "%02d_%s.pr4" for any other.
std::string SlotFileName(int category, int slot, std::string_view name);

// The row text of a name: at most three lines of at most 12 characters, broken at the blank or
// "_" (dropped) after the last word that fits a line; a word longer than a line is broken inside
// it. A name that does not fit ends in "…" on the third line. It fits ProgramSlot::displayName.
std::string WrapDisplayName(std::string_view name);

// Fills slot `slot`'s entry (1..99) and its row controls; a path that does not fit the entry
// whole is refused. A name cut to what a slot holds (here, or as its file name was read) shows
// "…" at its end.
void EnterProgramIntoSlot(VQEditor& editor, int slot, int category, const std::string& path,
                          const std::string& name);
// Empties the download cache folder, resets the table and fills it from the numbered program
// files of `folder` (a path ending in "/"); a later file for a slot replaces an earlier one.
void ScanFolderIntoSlots(VQEditor& editor, const std::string& folder);
// The slot's name and display name, and its row's text.
void RenameSlot(VQEditor& editor, const std::string& name, int slot);
// Every slot's selection switch as the table holds it; `alsoShown` (a drop target) shows
// selected too.
void ShowSlotSelections(VQEditor& editor, int alsoShown = -1);

// The bank kept for the next start ("managerbank.txt"): one line per filled slot,
// "slot category pathBytes nameBytes " followed by the path and the name.
struct KeptSlot {
  int slot = 0;
  int category = kSlotCategoryPlain;
  std::string path;
  std::string name;
  bool operator==(const KeptSlot&) const = default;
};
std::vector<KeptSlot> KeptSlotsOf(const std::vector<ProgramSlot>& table);
std::string KeptBankText(const std::vector<KeptSlot>& slots);
// Whatever the text holds, each slot 1..99 comes back at most once (the first line for it), with
// a path that fits a slot whole and is an "https://" address or an absolute program file name,
// a name that fits, and a known category (another reads as plain). A line that does not read
// so is left out; one whose lengths do not lead to its line end ends the reading.
std::vector<KeptSlot> ReadKeptBank(std::string_view text);
