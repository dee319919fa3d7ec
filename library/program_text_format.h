// Program text files: one line per field of the program record, each holding the field's value
// (in the editor's units) and an informational comment. The current layout is version 244
// (".pr4"); version 243 reads the same way; older ".pr3"/".prg" files carry no version line and
// another field order and are converted onto the INIT program. These functions are the reading
// rules every reader shares, the conversion and the writer's layout; they hold no editor state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/program_record.h"

inline constexpr int kProgramFileVersion = 244;
// Every reader takes a file whole into a buffer of this size; a file must be smaller.
inline constexpr int kProgramFileBufferSize = 8192;
inline constexpr int kOldProgramLineCount = 121;
// The lines a whole file holds: 170 after the version line (fields 0..169 with the two dummy
// lines), or, in an older file, the 90 up to its mode line and those the mode's conversion
// uses (104 for modes 1 and 3, 94 for mode 2); the rest are filler, missing ones read as 0.
inline constexpr int kProgramValueLines = 170;
inline constexpr int kOldProgramModeLine = 89;  // old[89], the file's 90th line
// Values a line may hold; anything else makes the file unreadable.
inline constexpr int32_t kProgramValueMin = -64;
inline constexpr int32_t kProgramValueMax = 127;

enum class ProgramFileError {
  kNone,
  kCannotOpen,
  kTooLarge,        // above the buffer
  kFillsBuffer,     // exactly the buffer size
  kEmpty,           // no line at all
  kNotProgram,      // a line the reader needs holds no number
  kIncomplete,      // fewer lines than a whole file holds
  kUnknownVersion,  // 245 and above
  kBadValue,        // a value outside -64..127
  kWriteFailed,
  kTargetExists,  // a conversion found its ".pr4" already there
};

// The text that tells the user why a file failed; null for kNone and kTargetExists.
const char* ProgramFileErrorText(ProgramFileError error);

struct ProgramFileContent {
  int version = 0;       // 243, 244, or below 243 for an older file
  ProgramRecord record;  // every device field limited to its range
};

// Reads a whole file text by the shared rules. Only a whole file reads: every line the reader
// needs must be there and begin with a number. On any error `out` is left unchanged.
ProgramFileError ParseProgramText(std::string_view text, ProgramFileContent& out);
// Opens the file (shared lock), checks its size and parses it.
ProgramFileError ReadProgramFile(const char* path, ProgramFileContent& out);

// An older file's lines old[0..120] laid onto the INIT program.
ProgramRecord ConvertOldProgram(const int32_t (&old)[kOldProgramLineCount]);

// The value a device field (0..169) is held to when read: what its device byte can carry.
int32_t LimitProgramField(int field, int32_t value);

// The version-244 text of fields 0..125 and 128..169 (126, 127 become the dummy lines; 170..185
// are not written). 171 lines, each ended by CR LF.
std::string FormatProgramText(const ProgramRecord& values);

// The version-244 text of a 213-byte program dump: field k is dump byte 8 + k less the field's
// device offset (the name bytes 178..209 are not part of the text).
std::string ReceivedDumpText(const uint8_t* dump);

// Writes `bytes` to a new file beside `path` and renames it over `path` only when every byte
// reached the disk: a failed save leaves the old file as it was. With `replace` false an
// existing file at `path` is never replaced (kTargetExists).
ProgramFileError WriteFileSafely(const std::string& path, std::string_view bytes,
                                 bool replace = true);

// Program-file names are recognised by a substring test on the name.
bool HasProgramExtension(std::string_view name);     // .pr4 .PR4 .Pr4 .pr3 .PR3 .Pr3 .prg .PRG .Prg
bool HasOldProgramExtension(std::string_view name);  // the six older forms
