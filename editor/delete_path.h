// Removes a file or a folder with everything in it.
#pragma once

#include <string>

// Removes what exists at the path; a failure is written to the error output. Only a plain
// absolute path below the root is acted on (no ".", ".." or empty components), so a mistaken
// caller cannot empty the whole disk or a relative folder. True when nothing is left there.
bool DeletePath(const std::string& path);
