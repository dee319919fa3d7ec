// The program list of the current program folder and the names of received programs: pure
// functions over names, so the rules can be checked without files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kProgramListCapacity = 1024;
inline constexpr int kDumpNameBytes = 32;

// The program files of a folder listing (names containing one of the nine extensions), at most
// 1024 in listing order, then sorted by their lower-case forms compared bytewise; names equal in
// lower case keep their listing order.
std::vector<std::string> BuildProgramList(const std::vector<std::string>& listing);

// The number the first `count` characters of a name read as (atoi on them: leading blanks and
// a sign allowed), 0 when they hold none. `count` is at most 3.
int LeadingNumber(std::string_view name, size_t count = 2);

// The one cleaner of every name that becomes part of a file name (slot names, downloads, device
// dumps, typed names): control characters (C0, DEL, C1), bytes that are not valid UTF-8, "/"
// and "\" turn into "_", and so do the dots of a leading "." or of any run of two or more dots;
// the result is cut to at most kSafeFileNameBytes bytes without splitting a character.
inline constexpr size_t kSafeFileNameBytes = 200;
std::string SafeFileNamePart(std::string_view name);

// The file name offered for a program received in `slot` (1..99) whose 32 name bytes are
// given: trailing blanks and zeros dropped; empty -> "%02d.pr4"; a name whose first two
// characters read as the slot -> name + ".pr4"; else "%02d%s.pr4", so the name always reads
// back as its slot. The name is made safe first.
std::string ReceivedProgramFileName(const uint8_t* nameBytes, int slot);
