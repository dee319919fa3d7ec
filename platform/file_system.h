// File-system services the program library needs: folder listings, the natural numeric order
// of file browsers, existence tests, folder creation, recursive removal and the pieces of a
// safe file replacement (a temporary file beside the target, flushed, then renamed over it).
// POSIX; every function reports failure by its result and never throws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq::platform {

// The names in a folder ("." and ".." left out) in the order the system gives them. A folder
// that cannot be read gives an empty list and *ok = false.
std::vector<std::string> ListFolder(const std::string& folder, bool* ok = nullptr);

// Natural order: runs of digits compare by their numeric value ("Prog9" < "Prog10"), every
// other byte compares as an unsigned byte; names equal by value fall back to bytewise order.
// Negative, zero or positive like strcmp.
int CompareNumeric(std::string_view a, std::string_view b);
void SortNumeric(std::vector<std::string>& names);

// True when something exists at the path (a dangling link does not); *isFolder says whether it
// is a folder (following links).
bool FileExists(const std::string& path, bool* isFolder = nullptr);

// Creates one folder with the mode; true when a folder exists there afterwards.
bool MakeFolder(const std::string& path, unsigned mode = 0755);

// Removes a file, a link (never what it points to) or a folder with everything in it. True when
// nothing exists at the path afterwards; *error receives the first failure's description. Only a
// plain absolute path below the root is acted on (no ".", ".." or empty path, not "/" itself).
bool RemoveRecursive(const std::string& path, std::string* error = nullptr);

// A new, empty, uniquely named file in the folder of `target`, for writing the target's new
// content; its mode follows the target's when that exists (else 0644). Returns its path, or ""
// when none could be created.
std::string CreateTempFileBeside(const std::string& target);
// Removes from `folder` the temporary files the program's own safe saves create (".vqtmp-XXXXXX"
// beside program files, ".<name>.XXXXXX.new" beside INI files) that are older than
// `minAgeSeconds`: what a killed save left behind, never a save still running. Returns how many;
// `left` (when given) receives how many such files stay.
int RemoveStaleTempFiles(const std::string& folder, int minAgeSeconds, int* left = nullptr);
// The whole content of a regular file of at most `limit` bytes, read without following a link
// at the path and without blocking on a FIFO or device there; false for anything else.
bool ReadRegularFile(const std::string& path, size_t limit, std::string& out);
// Replaces `path` whole with `bytes`: a unique temporary file beside it (opened without
// following links), synced, then renamed over it. False, with the old file untouched, on any
// failure.
bool WriteFileWhole(const std::string& path, std::string_view bytes);
// Writes `bytes` into a temporary file made before (CreateTempFileBeside) and syncs it; false
// when it is gone or any step fails.
bool FillTempFile(const std::string& temp, std::string_view bytes);
// Forces a file's data to the disk.
bool SyncFile(const std::string& path);
// rename(2): replaces `to` in one step; both must be in the same file system.
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Moves `from` to `to` only when nothing exists at `to` (false then, `from` stays).
bool RenameNoReplace(const std::string& from, const std::string& to);

// The text of a path up to and including its last "/" ("" when it has none).
std::string FolderOfPath(std::string_view path);
// The text after the last "/" (the whole text when it has none).
std::string NameOfPath(std::string_view path);
// The path with its file name's extension (from the name's last ".") replaced by `extension`;
// unchanged when the name has no "."; dots in folder names never count.
std::string ReplaceNameExtension(std::string_view path, std::string_view extension);
// True for an absolute path without "." or ".." components.
bool IsPlainAbsolutePath(std::string_view path);

}  // namespace vq::platform
