#include "library/program_text_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/file_system.h"
#include "platform/writes_in_progress.h"
#include "plugin/buffered_file.h"
#include "protocol/program_field_table.h"

namespace {

constexpr int kValueLinesMax = kProgramFieldCount;

// Splits at LF; runs of LF count as one, so empty lines never appear.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : mText(text) {}
  bool Next(std::string_view& line) {
    while (mPos < mText.size() && mText[mPos] == '\n') ++mPos;
    if (mPos >= mText.size()) return false;
    size_t end = mText.find('\n', mPos);
    if (end == std::string_view::npos) end = mText.size();
    line = mText.substr(mPos, end - mPos);
    mPos = end;
    return true;
  }
  // Whether the line Next gave last is followed by a line end (else it ends the text).
  bool Ended() const { return mPos < mText.size(); }

 private:
  std::string_view mText;
  size_t mPos = 0;
};

// The first five characters, or all but the last (the CR of a CR LF line) of a shorter line,
// read as a signed decimal the way atoi reads it. False when no digit is there.
bool ParseLineValue(std::string_view line, int32_t& value) {
  std::string_view s = line.size() < 6 ? line.substr(0, line.size() - 1) : line.substr(0, 5);
  size_t i = 0;
  while (i < s.size() && isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i >= s.size() || !isdigit(static_cast<unsigned char>(s[i]))) return false;
  int32_t v = 0;
  while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) v = v * 10 + (s[i++] - '0');
  value = negative ? -v : v;
  return true;
}

bool InValueRange(int32_t v) {
  return v >= kProgramValueMin && v <= kProgramValueMax;
}

// Whether a line begins with a number (after blanks, with a sign), however short it is: a
// short value line ended by LF alone holds one that the five-character rule does not read.
bool HoldsNumber(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) ++i;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
  return i < line.size() && isdigit(static_cast<unsigned char>(line[i]));
}

// The lines an older file's conversion uses: 90, and those of the mode on line 90.
int OldLinesUsed(int32_t mode) {
  switch (mode) {
    case 1:
    case 3:
      return 104;
    case 2:
      return 94;
    default:
      return 90;
  }
}

// Reads up to `count` values from the splitter. The first `needed` lines (in an older file,
// those its mode uses) must be there and hold numbers, else the text is no (whole) program
// file; a later line without a number repeats the value before it. A needed line that ends
// the text without a line end and is shorter than six characters may have been cut inside
// its value: the file is incomplete.
ProgramFileError ReadValues(LineSplitter& lines, int32_t* values, int count, int needed, bool old) {
  int32_t previous = 0;
  std::string_view line;
  int n = 0;
  int cut = count;
  while (n < count && lines.Next(line)) {
    if (n < needed && !HoldsNumber(line)) return ProgramFileError::kNotProgram;
    if (line.size() < 6 && !lines.Ended()) cut = n;
    int32_t v = previous;
    ParseLineValue(line, v);
    if (!InValueRange(v)) return ProgramFileError::kBadValue;
    values[n++] = v;
    previous = v;
    if (old && n == kOldProgramModeLine + 1) needed = OldLinesUsed(v);
  }
  return n < needed || cut < needed ? ProgramFileError::kIncomplete : ProgramFileError::kNone;
}

void LimitDeviceFields(ProgramRecord& r) {
  for (int f = 0; f < kDeviceFieldCount; ++f) r[f] = LimitProgramField(f, r[f]);
  // The single switch bits kept beside their composites.
  for (int f = kDeviceFieldCount; f <= 182; ++f)
    r[f] = std::clamp(r[f], ProgramFieldTable::Min(f), ProgramFieldTable::Max(f));
}

bool ContainsAny(std::string_view name, std::initializer_list<std::string_view> parts) {
  for (std::string_view p : parts)
    if (name.find(p) != std::string_view::npos) return true;
  return false;
}

}  // namespace

const char* ProgramFileErrorText(ProgramFileError error) {
  switch (error) {
    case ProgramFileError::kCannotOpen:
      return "Cannot open the program file!";
    case ProgramFileError::kTooLarge:
    case ProgramFileError::kFillsBuffer:
      return "Corrupted filesize!";
    case ProgramFileError::kEmpty:
    case ProgramFileError::kNotProgram:
      return "Not a VQ program file!";
    case ProgramFileError::kIncomplete:
      return "Incomplete program file!";
    case ProgramFileError::kUnknownVersion:
      return "Unknown file format!";
    case ProgramFileError::kBadValue:
      return "Value out of range in the program file!";
    case ProgramFileError::kWriteFailed:
      return "Cannot write the program file!";
    case ProgramFileError::kNone:
    case ProgramFileError::kTargetExists:
      break;
  }
  return nullptr;
}

int32_t LimitProgramField(int field, int32_t value) {
  if (field < 0 || field >= kDeviceFieldCount) return value;
  return ProgramFieldTable::DeviceByte(field, value) - ProgramFieldTable::Offset(field);
}

ProgramFileError ParseProgramText(std::string_view text, ProgramFileContent& out) {
  LineSplitter lines(text);
  std::string_view first;
  if (!lines.Next(first)) return ProgramFileError::kEmpty;
  // The version, or in an older file the first value: text or binary data holds none.
  if (!HoldsNumber(first)) return ProgramFileError::kNotProgram;
  int32_t version = 0;
  ParseLineValue(first, version);

  ProgramFileContent result;
  result.version = version;
  if (version >= kProgramFileVersion + 1) return ProgramFileError::kUnknownVersion;

  if (version == 243 || version == 244) {
    if (ProgramFileError e =
            ReadValues(lines, result.record.field, kValueLinesMax, kProgramValueLines, false);
        e != ProgramFileError::kNone)
      return e;
    ProgramRecord& r = result.record;
    LimitDeviceFields(r);
    r[183] = r[76];
    if (version == 244) {
      r[184] = r[124];
      r[185] = r[124];
    } else {
      r[184] = 0;
      r[185] = 0;
    }
  } else {
    // No version line: the first line is already the first value.
    LineSplitter again(text);
    int32_t old[kOldProgramLineCount] = {};
    if (ProgramFileError e =
            ReadValues(again, old, kOldProgramLineCount, kOldProgramModeLine + 1, true);
        e != ProgramFileError::kNone)
      return e;
    result.record = ConvertOldProgram(old);
    LimitDeviceFields(result.record);
  }
  out = result;
  return ProgramFileError::kNone;
}

ProgramFileError ReadProgramFile(const char* path, ProgramFileContent& out) {
  if (!path || !*path) return ProgramFileError::kCannotOpen;
  BufferedFileReader reader(path);
  if (!reader.IsOpen()) return ProgramFileError::kCannotOpen;
  int64_t size = reader.GetSize();
  if (size > kProgramFileBufferSize) return ProgramFileError::kTooLarge;
  if (size == kProgramFileBufferSize) return ProgramFileError::kFillsBuffer;
  std::vector<char> buf(kProgramFileBufferSize);
  int total = 0;
  while (total < kProgramFileBufferSize) {
    int n = reader.Read(buf.data() + total, kProgramFileBufferSize - total);
    if (n <= 0) break;
    total += n;
  }
  // The file grew while it was read: it no longer fits either.
  if (total >= kProgramFileBufferSize) return ProgramFileError::kFillsBuffer;
  return ParseProgramText(std::string_view(buf.data(), static_cast<size_t>(total)), out);
}

ProgramRecord ConvertOldProgram(const int32_t (&old)[kOldProgramLineCount]) {
  ProgramRecord r = ProgramFieldTable::InitRecord();
  auto copy = [&](int firstField, int lastField, int firstOld) {
    for (int f = firstField; f <= lastField; ++f) r[f] = old[firstOld + (f - firstField)];
  };
  copy(0, 57, 0);
  r[58] = 127;
  r[59] = old[58];
  r[60] = 1;
  r[61] = 0;
  copy(62, 64, 59);
  r[65] = 0;
  r[66] = 1;
  r[67] = 0;
  copy(68, 74, 62);
  if (old[69] == -1) {
    r[75] = 1;
    r[76] = old[70];
  } else {
    r[75] = 0;
    r[76] = old[69];
  }
  r[77] = old[71];
  r[78] = old[72];
  r[79] = 0;
  copy(80, 86, 73);
  r[87] = old[81];
  r[88] = 0;
  r[89] = old[83];
  r[90] = old[84];
  float lfo = static_cast<float>(old[85]) * 0.89692f + 13.1138f;
  r[91] = std::min(static_cast<int32_t>(std::roundf(lfo)), 127);
  copy(92, 94, 86);

  switch (old[89]) {
    case 1:
      r[129] = old[90];
      r[130] = old[91];
      r[131] = 1;
      copy(132, 143, 92);
      break;
    case 2:
      if (old[90] == 1) {
        r[144] += 1;
        r[179] = 1;
      }
      if (old[91] == 1) {
        r[144] += 2;
        r[180] = 1;
      }
      r[145] = old[92];
      r[146] = old[93];
      break;
    case 3:
      if (old[90] == 1) {
        r[157] += 1;
        r[181] = 1;
      }
      if (old[91] == 1) {
        r[157] += 2;
        r[182] = 1;
      }
      copy(158, 169, 92);
      break;
    default:
      break;
  }
  return r;
}

namespace {

// What follows a field's value on its line: the same for every program, so formed once.
const std::array<std::string, kProgramFieldCount>& FieldLineTails() {
  static const std::array<std::string, kProgramFieldCount> tails = [] {
    std::array<std::string, kProgramFieldCount> t;
    char line[96];
    auto tail = [&](int f, int serial) {
      const ProgramFieldRow& row = ProgramFieldTable::kRows[f];
      snprintf(line, sizeof line, "; field:  %-3dpoti:  %-4dser.no.:  %d \r\n", row.fileField,
               static_cast<int>(row.poti) - 1, serial);
      t[static_cast<size_t>(f)] = line;
    };
    for (int f = 0; f <= 125; ++f) tail(f, f + 1);
    for (int f = 128; f <= 169; ++f) tail(f, f - 2);
    return t;
  }();
  return tails;
}

// The value as "%- 6d" writes it: a blank for the sign of a positive number, padded to six.
void AppendValue(std::string& text, int32_t value) {
  char buf[16];
  char* p = buf;
  if (value >= 0) *p++ = ' ';
  p = std::to_chars(p, buf + sizeof buf, value).ptr;
  text.append(buf, p);
  if (p - buf < 6) text.append(static_cast<size_t>(6 - (p - buf)), ' ');
}

}  // namespace

std::string FormatProgramText(const ProgramRecord& values) {
  const std::array<std::string, kProgramFieldCount>& tails = FieldLineTails();
  std::string text;
  text.reserve(171 * 48);
  text += " 244 \r\n";
  auto valueLine = [&](int f) {
    AppendValue(text, values[f]);
    text += tails[static_cast<size_t>(f)];
  };
  for (int f = 0; f <= 125; ++f) valueLine(f);
  text += " 0    ; dummy\r\n";
  text += " 0    ; dummy\r\n";
  for (int f = 128; f <= 169; ++f) valueLine(f);
  return text;
}

std::string ReceivedDumpText(const uint8_t* dump) {
  ProgramRecord values;
  // Data bytes carry 7 bits; anything else would make the file unreadable.
  for (int f = 0; f < kDeviceFieldCount; ++f)
    values[f] = (dump[8 + f] & 0x7F) - ProgramFieldTable::Offset(f);
  return FormatProgramText(values);
}

ProgramFileError WriteFileSafely(const std::string& path, std::string_view bytes, bool replace) {
  namespace fs = vq::platform;
  if (!replace && fs::FileExists(path)) return ProgramFileError::kTargetExists;
  std::string tmp = fs::CreateTempFileBeside(path);
  if (tmp.empty()) return ProgramFileError::kWriteFailed;
  // A process ended meanwhile removes it, never renames it.
  const fs::NotedWrite noted(tmp.c_str(), path.c_str());
  const bool ok = !noted.Refused() && fs::FillTempFile(tmp, bytes);
  if (ok) {
    if (replace ? fs::RenameFile(tmp, path) : fs::RenameNoReplace(tmp, path))
      return ProgramFileError::kNone;
    fs::RemoveFile(tmp);
    return !replace && fs::FileExists(path) ? ProgramFileError::kTargetExists
                                            : ProgramFileError::kWriteFailed;
  }
  fs::RemoveFile(tmp);
  return ProgramFileError::kWriteFailed;
}

bool HasProgramExtension(std::string_view name) {
  return ContainsAny(name, {".pr4", ".PR4", ".Pr4"}) || HasOldProgramExtension(name);
}

bool HasOldProgramExtension(std::string_view name) {
  return ContainsAny(name, {".pr3", ".PR3", ".Pr3", ".prg", ".PRG", ".Prg"});
}
