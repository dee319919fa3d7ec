#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/writes_in_progress.h"

namespace vq::platform {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string ErrorText(const std::string& path) {
  return path + ": " + std::strerror(errno);
}

bool RemoveTree(const std::string& path, std::string* error) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return true;
    if (error && error->empty()) *error = ErrorText(path);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    if (error && error->empty()) *error = ErrorText(path);
    return false;
  }
  bool ok = true;
  bool listed = false;
  std::vector<std::string> names = ListFolder(path, &listed);
  if (!listed) {
    if (error && error->empty()) *error = ErrorText(path);
    ok = false;
  }
  std::string prefix = path.back() == '/' ? path : path + "/";
  for (const std::string& name : names) ok = RemoveTree(prefix + name, error) && ok;
  if (rmdir(path.c_str()) != 0 && errno != ENOENT) {
    if (error && error->empty()) *error = ErrorText(path);
    return false;
  }
  return ok;
}

}  // namespace

std::vector<std::string> ListFolder(const std::string& folder, bool* ok) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (ok) *ok = dir != nullptr;
  if (!dir) return names;
  while (dirent* e = readdir(dir)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  closedir(dir);
  return names;
}

int CompareNumeric(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && IsDigit(a[ei])) ++ei;
      while (ej < b.size() && IsDigit(b[ej])) ++ej;
      // More significant digits is the larger number; equal lengths compare digit by digit.
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (c != 0) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  int c = a.compare(b);  // "07" and "7": equal by value, still a fixed order
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void SortNumeric(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
    return CompareNumeric(x, y) < 0;
  });
}

bool FileExists(const std::string& path, bool* isFolder) {
  struct stat st;
  bool exists = !path.empty() && stat(path.c_str(), &st) == 0;
  if (isFolder) *isFolder = exists && S_ISDIR(st.st_mode);
  return exists;
}

bool MakeFolder(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  if (mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
  bool isFolder = false;
  return errno == EEXIST && FileExists(path, &isFolder) && isFolder;
}

bool RemoveRecursive(const std::string& path, std::string* error) {
  if (path.empty()) {
    if (error) *error = "empty path";
    return false;
  }
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  // A mistaken caller must not empty the whole disk or a folder relative to wherever it runs.
  if (!IsPlainAbsolutePath(trimmed) || trimmed == "/") {
    if (error) *error = "refusing to remove \"" + path + "\"";
    return false;
  }
  return RemoveTree(trimmed, error);
}

std::string CreateTempFileBeside(const std::string& target) {
  std::string folder = FolderOfPath(target);
  std::string name = NameOfPath(target);
  if (name.empty()) return "";
  // A hidden name without the target's extension: program lists pick files by a substring of
  // the name, and a temporary file left by a crash must never appear in them.
  std::string tmpl = folder + ".vqtmp-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  int fd = mkstemp(buf.data());
  if (fd < 0) return "";
  struct stat st;
  mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  fchmod(fd, mode);
  close(fd);
  return std::string(buf.data());
}

namespace {

bool IsOwnTempName(const std::string& name) {
  static const std::string kProgramPrefix = ".vqtmp-";
  static const std::string kIniSuffix = ".new";
  if (name.size() == kProgramPrefix.size() + 6 &&
      name.compare(0, kProgramPrefix.size(), kProgramPrefix) == 0)
    return true;
  // "." + name + "." + six characters + ".new"
  const size_t n = name.size();
  return n > 1 + 1 + 7 + kIniSuffix.size() && name[0] == '.' &&
         name.compare(n - kIniSuffix.size(), kIniSuffix.size(), kIniSuffix) == 0 &&
         name[n - kIniSuffix.size() - 7] == '.';
}

}  // namespace

int RemoveStaleTempFiles(const std::string& folder, int minAgeSeconds, int* left) {
  if (left) *left = 0;
  if (folder.empty()) return 0;
  const std::string dir = folder.back() == '/' ? folder : folder + "/";
  const time_t now = time(nullptr);
  int removed = 0;
  for (const std::string& name : ListFolder(dir)) {
    if (!IsOwnTempName(name)) continue;
    struct stat st;
    const std::string path = dir + name;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (now - st.st_mtime >= minAgeSeconds && unlink(path.c_str()) == 0)
      ++removed;
    else if (left)
      ++*left;
  }
  return removed;
}

bool ReadRegularFile(const std::string& path, size_t limit, std::string& out) {
  out.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<unsigned long long>(st.st_size) <= limit;
  // The size may change while reading: one byte more than the limit shows a file too large.
  char chunk[4096];
  while (ok) {
    const size_t want = std::min(sizeof chunk, limit + 1 - out.size());
    const ssize_t n = read(fd, chunk, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    out.append(chunk, static_cast<size_t>(n));
    if (out.size() > limit) ok = false;
  }
  close(fd);
  if (!ok) out.clear();
  return ok;
}

bool FillTempFile(const std::string& temp, std::string_view bytes) {
  // Opened again without O_CREAT: a file the shut-down's time limit removed is not made anew.
  const int fd = open(temp.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  bool ok = fd >= 0;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  if (fd >= 0 && close(fd) != 0) ok = false;
  return ok;
}

bool WriteFileWhole(const std::string& path, std::string_view bytes) {
  const std::string temp = CreateTempFileBeside(path);
  if (temp.empty()) return false;
  // A process ended meanwhile removes it, never renames it.
  const NotedWrite noted(temp.c_str(), path.c_str());
  bool ok = !noted.Refused() && FillTempFile(temp, bytes);
  ok = ok && RenameFile(temp, path);
  if (!ok) {
    const int saved = errno;
    unlink(temp.c_str());
    errno = saved;
  }
  return ok;
}

bool SyncFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) return false;
  // The new directory entry itself reaches the disk too; a failure here changes nothing.
  std::string folder = FolderOfPath(to);
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  return true;
}

bool RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  // One step that fails when the name exists, so no check-then-rename race can replace a file.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without it: link(2) fails when the name exists as well.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

std::string FolderOfPath(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string NameOfPath(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ReplaceNameExtension(std::string_view path, std::string_view extension) {
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return std::string(path);
  return std::string(path.substr(0, dot)) + std::string(extension);
}

bool IsPlainAbsolutePath(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  size_t i = 0;
  while (i < path.size()) {
    size_t next = path.find('/', i);
    if (next == std::string_view::npos) next = path.size();
    std::string_view part = path.substr(i, next - i);
    if (part == "." || part == "..") return false;
    i = next + 1;
  }
  return true;
}

}  // namespace vq::platform
