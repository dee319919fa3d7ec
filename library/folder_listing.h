// The sorted listing of a program folder that the program list, the bank upload and the slot
// scan all start from.
#pragma once

#include <string>
#include <vector>

// The names in `folder` ("." and ".." left out) in natural numeric order ("2" before "10"). The
// listing goes to the debug log as it was read, so a user reporting a wrong slot order can show
// what the program saw. A folder that cannot be read gives an empty list.
std::vector<std::string> ListFolderInNumericOrder(const std::string& folder);

// The log line for a listing: "directoryContents ====== " and the names as a parenthesised,
// quoted list, one per line.
std::string DirectoryContentsLogLine(const std::vector<std::string>& names);
