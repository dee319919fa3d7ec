#include "library/program_text_format.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "protocol/program_field_table.h"

namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

// A record whose device fields all lie inside their ranges, with many different values.
ProgramRecord VariedRecord() {
  ProgramRecord r;
  for (int f = 0; f < kDeviceFieldCount; ++f) {
    int32_t lo = ProgramFieldTable::Min(f), hi = ProgramFieldTable::Max(f);
    if (f == 76 || f == 123 || f == 124 || f == 125) hi = (f == 76) ? 122 : (f == 125 ? 127 : 15);
    r[f] = lo + (f * 7) % (hi - lo + 1);
  }
  r[126] = r[127] = 0;
  return r;
}

std::string Text(const ProgramRecord& r) {
  return FormatProgramText(r);
}

// The text of `r` with the first five characters of field `f`'s line replaced by `value`.
std::string WithValue(const ProgramRecord& r, int f, const std::string& value) {
  std::string text = Text(r);
  size_t at = 0;
  for (int line = 0; line <= f; ++line) at = text.find("\r\n", at) + 2;
  return text.replace(at, 5, value);
}

// An older file: one value per line, LF or CR LF.
std::string OldText(const std::vector<int>& values) {
  std::ostringstream s;
  for (int v : values) s << v << "\r\n";
  return s.str();
}

TEST(ProgramTextWriter, LayoutIsByteExact) {
  ProgramRecord r = VariedRecord();
  r[0] = -24;
  r[1] = 5;
  std::vector<std::string> lines = SplitCrLf(Text(r));
  ASSERT_EQ(lines.size(), 171u);
  EXPECT_EQ(lines[0], " 244 ");
  EXPECT_EQ(lines[1], "-24   ; field:  0  poti:  0   ser.no.:  1 ");
  EXPECT_EQ(lines[2], " 5    ; field:  0  poti:  1   ser.no.:  2 ");
  EXPECT_EQ(lines[127], " 0    ; dummy");
  EXPECT_EQ(lines[128], " 0    ; dummy");
  // Field 125 has no poti entry: it shows -1.
  EXPECT_NE(lines[126].find("poti:  -1  ser.no.:  126 "), std::string::npos) << lines[126];
  // Field 128 continues the serial numbers at 126.
  EXPECT_NE(lines[129].find("field:  15 poti:  0   ser.no.:  126 "), std::string::npos)
      << lines[129];
  EXPECT_NE(lines[170].find("ser.no.:  167 "), std::string::npos) << lines[170];
  for (int f = 0; f < kDeviceFieldCount; ++f) {
    if (f == 126 || f == 127) continue;
    char value[16];
    snprintf(value, sizeof value, "%- 6d;", r[f]);
    EXPECT_EQ(lines[static_cast<size_t>(f) + 1].substr(0, 7), value) << "field " << f;
  }
  // Values no device sends are written as the same format writes them, however wide.
  for (int32_t v : {INT32_MIN, -100000, -99999, -1, 0, 99999, 100000, INT32_MAX}) {
    r[3] = v;
    char value[24];
    snprintf(value, sizeof value, "%- 6d; field:", v);
    EXPECT_EQ(SplitCrLf(Text(r))[4].substr(0, strlen(value)), value) << v;
  }
}

TEST(ProgramTextReader, RoundTripDerivesTheCompositeParts) {
  ProgramRecord r = VariedRecord();
  ProgramFileContent c;
  ASSERT_EQ(ParseProgramText(Text(r), c), ProgramFileError::kNone);
  EXPECT_EQ(c.version, 244);
  for (int f = 0; f < kDeviceFieldCount; ++f) EXPECT_EQ(c.record[f], r[f]) << "field " << f;
  EXPECT_EQ(c.record[183], r[76]);
  EXPECT_EQ(c.record[184], r[124]);
  EXPECT_EQ(c.record[185], r[124]);

  // The same text as version 243 leaves 184 and 185 at 0.
  std::string v243 = Text(r);
  v243.replace(0, 5, " 243 ");
  ProgramFileContent old;
  ASSERT_EQ(ParseProgramText(v243, old), ProgramFileError::kNone);
  EXPECT_EQ(old.version, 243);
  for (int f = 0; f < kDeviceFieldCount; ++f) EXPECT_EQ(old.record[f], r[f]) << "field " << f;
  EXPECT_EQ(old.record[183], r[76]);
  EXPECT_EQ(old.record[184], 0);
  EXPECT_EQ(old.record[185], 0);
}

TEST(ProgramTextReader, LineEndingsAndShortLines) {
  ProgramRecord r = VariedRecord();
  ProgramFileContent crlf, lf;
  ASSERT_EQ(ParseProgramText(Text(r), crlf), ProgramFileError::kNone);
  ASSERT_EQ(ParseProgramText(ReplaceAll(Text(r), "\r\n", "\n"), lf), ProgramFileError::kNone);
  EXPECT_EQ(lf.record, crlf.record);
  // Blank lines between the lines are skipped.
  ASSERT_EQ(ParseProgramText(ReplaceAll(Text(r), "\r\n", "\n\n\n"), lf), ProgramFileError::kNone);
  EXPECT_EQ(lf.record, crlf.record);

  // A line shorter than six characters loses its last one: "12" with LF alone reads as 1, and
  // "5" reads as no number, which repeats the value before it.
  std::string text = ReplaceAll(Text(r), "\r\n", "\n");
  text.replace(text.find('\n') + 1, 0, "12\n5\n  33  ; seven\n");
  ProgramFileContent c;
  ASSERT_EQ(ParseProgramText(text, c), ProgramFileError::kNone);
  EXPECT_EQ(c.record[0], 1);
  EXPECT_EQ(c.record[1], 1);
  EXPECT_EQ(c.record[2], 33);
  EXPECT_EQ(c.record[4], r[1]);  // the lines move on by three
}

TEST(ProgramTextReader, ValuesAreCheckedAndLimited) {
  ProgramRecord r = VariedRecord();
  ProgramFileContent before;
  ASSERT_EQ(ParseProgramText(Text(r), before), ProgramFileError::kNone);
  for (const char* bad : {"128  ", "-65  ", "99999"}) {
    std::vector<std::string> lines = SplitCrLf(Text(r));
    lines[100] = bad + lines[100].substr(5);
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    ProgramFileContent c = before;
    EXPECT_EQ(ParseProgramText(text, c), ProgramFileError::kBadValue) << bad;
    EXPECT_EQ(c.record, before.record) << "a failed read leaves the result alone";
  }
  // In -64..127 but outside a field's range: held to the range.
  r[1] = 0;
  ProgramFileContent c;
  ASSERT_EQ(ParseProgramText(WithValue(r, 0, "127  "), c), ProgramFileError::kNone);
  EXPECT_EQ(c.record[0], 48);  // VCO1 coarse -24..48
  ASSERT_EQ(ParseProgramText(WithValue(r, 1, "-64  "), c), ProgramFileError::kNone);
  EXPECT_EQ(c.record[1], -63);  // VCO1 fine -63..63
  ASSERT_EQ(ParseProgramText(WithValue(r, 0, "-30  "), c), ProgramFileError::kNone);
  EXPECT_EQ(c.record[0], -24);
}

TEST(ProgramTextReader, VersionsAndEmptyText) {
  ProgramFileContent c;
  c.record[0] = 9;
  EXPECT_EQ(ParseProgramText(" 245 \r\n1\r\n", c), ProgramFileError::kUnknownVersion);
  EXPECT_EQ(c.record[0], 9);
  EXPECT_STREQ(ProgramFileErrorText(ProgramFileError::kUnknownVersion), "Unknown file format!");
  EXPECT_EQ(ParseProgramText("", c), ProgramFileError::kEmpty);
  EXPECT_EQ(ParseProgramText("\n\n", c), ProgramFileError::kEmpty);
}

// Only a whole program file reads, each failure with a text that says why; an older file needs
// the lines its conversion uses, the rest are filler.
TEST(ProgramTextReader, OnlyWholeProgramFilesRead) {
  const ProgramRecord r = VariedRecord();
  const std::string whole = Text(r);
  std::string random(4000, '\0');
  uint32_t seed = 38;
  for (char& b : random) b = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  // An older file of `lines` lines whose mode line (the 90th) holds `mode`.
  auto old = [](size_t lines, int mode) {
    std::vector<int> values(lines, 5);
    if (lines > 89) values[89] = mode;
    return OldText(values);
  };
  const size_t lastLine = whole.rfind("\r\n", whole.size() - 3) + 2;
  using E = ProgramFileError;
  const struct {
    const char* what;
    std::string text;
    E expected;
  } rows[] = {
      {"4000 random bytes", random, E::kNotProgram},
      {"a text file", "hello world", E::kNotProgram},
      {"text lines", "hello\r\nworld\r\n", E::kNotProgram},
      {"empty", "", E::kEmpty},
      {"a version line alone", " 244 \r\n", E::kIncomplete},
      {"cut to 3000 bytes", whole.substr(0, 3000), E::kIncomplete},
      {"one line less", whole.substr(0, lastLine), E::kIncomplete},
      // Cut inside the last value: " 15" would read as 1.
      {"the last value cut", whole.substr(0, lastLine + 3), E::kIncomplete},
      {"the last value line cut short", whole.substr(0, lastLine + 5), E::kIncomplete},
      {"a value line of text", WithValue(r, 40, "abc  "), E::kNotProgram},
      {"a value of 999", WithValue(r, 40, "999  "), E::kBadValue},
      {"an older file cut before its mode line", old(89, 0), E::kIncomplete},
      {"an older file of mode 1 cut short", old(103, 1), E::kIncomplete},
      {"an older file of mode 2 cut short", old(93, 2), E::kIncomplete},
      {"an older file of mode 3 with its last line cut",
       old(104, 3).substr(0, old(104, 3).size() - 2), E::kIncomplete},
      {"version 245", " 245 \r\n" + whole.substr(7), E::kUnknownVersion},
      // Whole files, in the forms other writers give them too.
      {"version 244", whole, E::kNone},
      {"version 243", " 243 " + whole.substr(5), E::kNone},
      {"LF alone", ReplaceAll(whole, "\r\n", "\n"), E::kNone},
      {"no final line end", whole.substr(0, whole.size() - 2), E::kNone},
      {"lines after the last field", whole + "1\r\nnote\r\n", E::kNone},
      {"an older file", OldText(std::vector<int>(kOldProgramLineCount, 5)), E::kNone},
      {"an older file of mode 1's lines", old(104, 1), E::kNone},
      {"an older file of mode 2's lines", old(94, 2), E::kNone},
      {"an older file of mode 3's lines", old(104, 3), E::kNone},
      {"an older file of mode 0's lines", old(90, 0), E::kNone},
      {"an older file of another mode's lines", old(90, 5), E::kNone},
      {"an older file of 103 lines, mode 2", old(103, 2), E::kNone},
      {"an older file, last line without line end",
       old(90, 120).substr(0, old(90, 120).size() - 2) + "    ", E::kNone},
      {"an older file with text filler", OldText(std::vector<int>(104, 5)) + "x\r\ny\r\n",
       E::kNone},
  };
  for (const auto& row : rows) {
    ProgramFileContent c;
    c.record[0] = 9;
    EXPECT_EQ(ParseProgramText(row.text, c), row.expected) << row.what;
    if (row.expected == E::kNone) continue;
    EXPECT_EQ(c.record[0], 9) << row.what << ": a failed read leaves the result alone";
    EXPECT_NE(ProgramFileErrorText(row.expected), nullptr) << row.what;
  }
}

TEST(OldProgramConversion, FollowsTheConversionTable) {
  int32_t old[kOldProgramLineCount] = {};
  for (int i = 0; i < kOldProgramLineCount; ++i) old[i] = i % 50;
  old[69] = 17;
  old[85] = 0;
  old[89] = 0;
  ProgramRecord r = ConvertOldProgram(old);
  ProgramRecord init = ProgramFieldTable::InitRecord();
  for (int f = 0; f <= 57; ++f) EXPECT_EQ(r[f], old[f]) << f;
  EXPECT_EQ(r[58], 127);
  EXPECT_EQ(r[59], old[58]);
  EXPECT_EQ(r[60], 1);
  EXPECT_EQ(r[61], 0);
  EXPECT_EQ(r[62], old[59]);
  EXPECT_EQ(r[64], old[61]);
  EXPECT_EQ(r[65], 0);
  EXPECT_EQ(r[66], 1);
  EXPECT_EQ(r[67], 0);
  EXPECT_EQ(r[68], old[62]);
  EXPECT_EQ(r[74], old[68]);
  EXPECT_EQ(r[75], 0);
  EXPECT_EQ(r[76], 17);
  EXPECT_EQ(r[77], old[71]);
  EXPECT_EQ(r[78], old[72]);
  EXPECT_EQ(r[79], 0);
  EXPECT_EQ(r[80], old[73]);
  EXPECT_EQ(r[86], old[79]);
  EXPECT_EQ(r[87], old[81]);
  EXPECT_EQ(r[88], 0);
  EXPECT_EQ(r[89], old[83]);
  EXPECT_EQ(r[90], old[84]);
  EXPECT_EQ(r[91], 13);
  EXPECT_EQ(r[92], old[86]);
  EXPECT_EQ(r[94], old[88]);
  for (int f = 95; f < kProgramFieldCount; ++f)
    EXPECT_EQ(r[f], init[f]) << "field " << f << " keeps INIT";

  old[69] = -1;
  old[70] = 99;
  old[85] = 127;
  r = ConvertOldProgram(old);
  EXPECT_EQ(r[75], 1);
  EXPECT_EQ(r[76], 99);
  EXPECT_EQ(r[91], 127);
  old[85] = 126;  // 126 x 0.89692 + 13.1138 = 126.125...
  EXPECT_EQ(ConvertOldProgram(old)[91], 126);
}

TEST(OldProgramConversion, ModesPlaceTheEffectLines) {
  int32_t old[kOldProgramLineCount] = {};
  for (int i = 92; i <= 103; ++i) old[i] = i - 80;
  old[90] = 1;
  old[91] = 1;

  old[89] = 1;
  ProgramRecord r = ConvertOldProgram(old);
  EXPECT_EQ(r[129], 1);
  EXPECT_EQ(r[130], 1);
  EXPECT_EQ(r[131], 1);
  for (int f = 132; f <= 143; ++f) EXPECT_EQ(r[f], old[f - 40]) << f;

  old[89] = 2;
  r = ConvertOldProgram(old);
  EXPECT_EQ(r[144], ProgramFieldTable::Init(144) + 3);
  EXPECT_EQ(r[179], 1);
  EXPECT_EQ(r[180], 1);
  EXPECT_EQ(r[145], old[92]);
  EXPECT_EQ(r[146], old[93]);

  old[89] = 3;
  old[91] = 0;
  r = ConvertOldProgram(old);
  EXPECT_EQ(r[157], ProgramFieldTable::Init(157) + 1);
  EXPECT_EQ(r[181], 1);
  EXPECT_EQ(r[182], ProgramFieldTable::Init(182));
  for (int f = 158; f <= 169; ++f) EXPECT_EQ(r[f], old[f - 66]) << f;
}

TEST(OldProgramConversion, TextWithoutVersionLineIsConverted) {
  std::vector<int> values(kOldProgramLineCount, 0);
  values[69] = -1;
  values[70] = 50;
  values[85] = 127;
  ProgramFileContent c;
  ASSERT_EQ(ParseProgramText(OldText(values), c), ProgramFileError::kNone);
  EXPECT_LT(c.version, 243);
  EXPECT_EQ(c.record[75], 1);
  EXPECT_EQ(c.record[76], 50);
  EXPECT_EQ(c.record[91], 127);
  values[30] = 200;
  EXPECT_EQ(ParseProgramText(OldText(values), c), ProgramFileError::kBadValue);
}

class ProgramFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_prog_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
  }
  void TearDown() override {
    chmod(dir.c_str(), 0700);
    std::filesystem::remove_all(dir);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir + name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  size_t Entries() {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) (void)e, ++n;
    return n;
  }
  // Runs `body` in a child process (as an ordinary user when root) and returns its exit code.
  template <typename F>
  int InChild(F body, bool dropRoot) {
    pid_t pid = fork();
    if (pid == 0) {
      if (dropRoot && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
      _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }

  std::string dir;
};

TEST_F(ProgramFileTest, SizeLimits) {
  ProgramFileContent c;
  EXPECT_EQ(ReadProgramFile((dir + "missing.pr4").c_str(), c), ProgramFileError::kCannotOpen);
  Write("big.pr4", std::string(8193, '1'));
  EXPECT_EQ(ReadProgramFile((dir + "big.pr4").c_str(), c), ProgramFileError::kTooLarge);
  EXPECT_STREQ(ProgramFileErrorText(ProgramFileError::kTooLarge), "Corrupted filesize!");
  Write("full.pr4", std::string(8192, '1'));
  EXPECT_EQ(ReadProgramFile((dir + "full.pr4").c_str(), c), ProgramFileError::kFillsBuffer);
  EXPECT_STREQ(ProgramFileErrorText(ProgramFileError::kFillsBuffer), "Corrupted filesize!");
  // Just below the limit is read.
  std::string text = Text(VariedRecord());
  text += std::string(8191 - text.size(), '\n');
  Write("fits.pr4", text);
  EXPECT_EQ(ReadProgramFile((dir + "fits.pr4").c_str(), c), ProgramFileError::kNone);
}

TEST_F(ProgramFileTest, SafeWriteReplacesOnlyWhenComplete) {
  std::string first = Text(VariedRecord());
  ASSERT_EQ(WriteFileSafely(dir + "p.pr4", first), ProgramFileError::kNone);
  EXPECT_EQ(Read("p.pr4"), first);
  std::string second = Text(ProgramFieldTable::InitRecord());
  ASSERT_EQ(WriteFileSafely(dir + "p.pr4", second), ProgramFileError::kNone);
  EXPECT_EQ(Read("p.pr4"), second);
  EXPECT_EQ(Entries(), 1u);

  EXPECT_EQ(WriteFileSafely(dir + "p.pr4", first, false), ProgramFileError::kTargetExists);
  EXPECT_EQ(Read("p.pr4"), second);
  EXPECT_EQ(WriteFileSafely(dir + "missing/p.pr4", first), ProgramFileError::kWriteFailed);
}

TEST_F(ProgramFileTest, FailedSaveKeepsTheOldFile) {
  std::string old = Text(ProgramFieldTable::InitRecord());
  ASSERT_EQ(WriteFileSafely(dir + "p.pr4", old), ProgramFileError::kNone);
  std::string next = Text(VariedRecord());

  // A file-size limit below the program's size: the write fails part way.
  int rc = InChild(
      [&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl = {1024, 1024};
        setrlimit(RLIMIT_FSIZE, &rl);
        return WriteFileSafely(dir + "p.pr4", next) == ProgramFileError::kWriteFailed ? 0 : 1;
      },
      false);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Read("p.pr4"), old);
  EXPECT_EQ(Entries(), 1u) << "no temporary file is left behind";

  // A read-only folder: nothing can be created beside the file.
  ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  ASSERT_EQ(chmod((dir + "p.pr4").c_str(), 0666), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  rc = InChild(
      [&] {
        return WriteFileSafely(dir + "p.pr4", next) == ProgramFileError::kWriteFailed ? 0 : 1;
      },
      true);
  chmod(dir.c_str(), 0700);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Read("p.pr4"), old);
  EXPECT_EQ(Entries(), 1u);
}

TEST(ProgramExtensions, NineFormsBySubstring) {
  for (const char* name : {"a.pr4", "a.PR4", "a.Pr4", "a.pr3", "a.PR3", "a.Pr3", "a.prg", "a.PRG",
                           "a.Prg", "a.prg.bak"})
    EXPECT_TRUE(HasProgramExtension(name)) << name;
  for (const char* name : {"a.pR4", "a.txt", "pr4", "a_pr4"})
    EXPECT_FALSE(HasProgramExtension(name)) << name;
  EXPECT_TRUE(HasOldProgramExtension("x.Prg"));
  EXPECT_FALSE(HasOldProgramExtension("x.pr4"));
}

}  // namespace
