// Loading one program after another: whatever the first program was, the second is held, shown
// and saved exactly as its own file says.
#include <random>

#include "program_library_fixture.h"
#include "protocol/name_tables.h"
#include "protocol/program_field_table.h"

namespace vqtest {
namespace {

// A program as the editor itself would save it, with every value inside the ranges its own
// "MIDI Sync", delay model and filter model put in force.
ProgramRecord RandomProgram(std::mt19937& rng, int sync, int delayLong) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  ProgramRecord r{};
  for (int f = 0; f < 170; ++f) r[f] = pick(ProgramFieldTable::Min(f), ProgramFieldTable::Max(f));
  for (int f = 125; f <= 127; ++f) r[f] = 0;
  for (int f = 147; f <= 156; ++f) r[f] = 0;
  r[123] = delayLong | pick(0, 1) << 1 | pick(0, 3) << 2;
  r[124] = sync | pick(0, 1) << 2 | pick(0, 1) << 3;
  if (r[75] == 1) r[76] = pick(36, 122);
  if (sync == 1) r[42] = pick(1, 12);
  if (delayLong && sync >= 2) r[135] = pick(0, 9);
  if (delayLong && sync == 3) r[139] = pick(0, 9);
  static const int kDestinations[] = {42, 135, 139, 76, 11, 91};
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    const int b = kFlexiFirstField + kFlexiSlotFields * n;
    for (int k = 0; k < kFlexiSlotFields; ++k) r[b + k] = 0;
    if (pick(0, 2) == 0) continue;  // a slot without destination is saved as zeros
    const int d = kDestinations[pick(0, 5)];
    r[b] = kFlexiSourceNames[pick(0, 79)].code;
    if (r[b] == 0) r[b] = 1;
    r[b + 1] = (d >> 7) | pick(0, 1) << 1;
    r[b + 2] = d & 0x7F;
    r[b + 3] = pick(0, 3);
    r[b + 4] = pick(0, 127);
    r[b + 5] = kRangeControlNames[pick(0, 74)].code;
    r[b + 6] = pick(-11, 68);
  }
  return r;
}

class ProgramSequenceTest : public LibraryEditorTest {};

TEST_F(ProgramSequenceTest, LoadingAThenBSavesBExactly) {
  VQEditor& e = MakeWithLibrary();
  std::mt19937 rng(20261207);
  // Every pair of (MIDI Sync, delay model) settings in both orders, several programs each.
  for (int round = 0; round < 2; ++round) {
    for (int syncA = 0; syncA < 8; ++syncA) {
      for (int syncB = 0; syncB < 8; ++syncB) {
        const std::string a = FormatProgramText(RandomProgram(rng, syncA & 3, syncA >> 2));
        const std::string b = FormatProgramText(RandomProgram(rng, syncB & 3, syncB >> 2));
        WriteFile(Folder() + "a.pr4", a);
        WriteFile(Folder() + "b.pr4", b);
        ASSERT_TRUE(e.LoadProgramFileToEditor((Folder() + "a.pr4").c_str()));
        ASSERT_TRUE(e.LoadProgramFileToEditor((Folder() + "b.pr4").c_str()));
        ASSERT_TRUE(e.WriteProgramDumpText((Folder() + "saved.pr4").c_str()));
        ASSERT_EQ(ReadFile(Folder() + "saved.pr4"), b)
            << "round " << round << ", sync/delay model " << syncA << " then " << syncB;
      }
    }
  }
}

}  // namespace
}  // namespace vqtest
