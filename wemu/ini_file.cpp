#include "wemu/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error_output.h"
#include "platform/writes_in_progress.h"

namespace {

constexpr int kSlotCount = 32;
constexpr size_t kLineChunk = 8192;
constexpr size_t kMaxLine = 0x2000000;      // 32 MiB: longer physical lines are split
constexpr size_t kMaxHeaderless = 0x40000;  // no header within 256 KiB: not an INI file
constexpr size_t kMaxTempBase = 1015;

using KeyValue = std::pair<std::string, std::string>;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

struct IniSection {
  std::vector<KeyValue> pairs;  // sorted by key (case-insensitive) once finalised
};

struct NamedSection {
  std::string name;
  std::unique_ptr<IniSection> section;
};

// What tells a changed file from the one parsed: the modification time to the nanosecond (a
// rewrite within the same second is still seen), the size, and the inode (a file replaced by
// rename, as every writer here does, is seen even when time and size match).
struct FileStamp {
  int64_t timeNs = 0;
  uint64_t size = 0;
  uint64_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

struct IniCacheSlot {
  uint64_t lastUse = 0;
  FileStamp stamp;
  bool used = false;
  // Set when a write failed: the parsed copy holds a change the file lacks, so re-read it.
  bool stale = false;
  // Changed while writes were held: the file lacks the change until they are let go.
  bool held = false;
  // Which rewrite took the text last: an older one finishing later leaves the stamp alone.
  uint64_t version = 0;
  std::string fileName;
  std::vector<NamedSection> sections;  // sorted by name (case-insensitive)
};

struct IniCache {
  std::recursive_mutex lock;
  // Taken by every rewrite around its rename, after `lock` when both are taken, never while
  // waiting for the disk: a file takes the newest text taken, and an older rewrite that finishes
  // later is dropped. Readers never take it.
  std::mutex diskLock;
  std::unordered_map<std::string, uint64_t> renamedVersion;  // under diskLock
  IniCacheSlot slots[kSlotCount];
  uint64_t useCounter = 0;
  uint64_t versions = 0;
  int holds = 0;  // WEMU_HoldIniWrites calls not yet let go
  // The file the background thread is writing without `lock`: its slot is newer than the disk
  // until the rename, and stays in the cache.
  std::string writing;
  std::vector<char> lineBuffer;
};

// Never destroyed: settings may still be written by other static destructors at exit.
IniCache& Cache() {
  static IniCache* cache = new IniCache;
  return *cache;
}

FileStamp FileState(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return FileStamp{};
  return FileStamp{static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                   static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(st.st_ino)};
}

// Binary search over a vector sorted case-insensitively by `proj`.
template <typename Vec, typename Proj>
std::pair<size_t, bool> FindSorted(const Vec& v, const char* name, Proj proj) {
  size_t lo = 0, hi = v.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = strcasecmp(proj(v[mid]).c_str(), name);
    if (c == 0) return {mid, true};
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return {lo, false};
}

const std::string& SectionName(const NamedSection& s) {
  return s.name;
}
const std::string& PairKey(const KeyValue& kv) {
  return kv.first;
}

IniSection* FindSection(IniCacheSlot& slot, const char* name) {
  auto [i, found] = FindSorted(slot.sections, name, SectionName);
  return found ? slot.sections[i].section.get() : nullptr;
}

IniSection* FindOrAddSection(IniCacheSlot& slot, const char* name) {
  auto [i, found] = FindSorted(slot.sections, name, SectionName);
  if (found) return slot.sections[i].section.get();
  NamedSection ns{name, std::make_unique<IniSection>()};
  IniSection* s = ns.section.get();
  slot.sections.insert(slot.sections.begin() + static_cast<ptrdiff_t>(i), std::move(ns));
  return s;
}

// Sort the keys read from the file and drop duplicates (the later line of a key wins), in one
// pass after the sort: a file of thousands of copies of one key reads in linear time.
void FinaliseSection(IniSection* s) {
  if (s->pairs.size() < 2) return;
  std::stable_sort(s->pairs.begin(), s->pairs.end(), [](const KeyValue& a, const KeyValue& b) {
    return strcasecmp(a.first.c_str(), b.first.c_str()) < 0;
  });
  size_t kept = 0;
  for (size_t i = 0; i < s->pairs.size(); ++i) {
    const bool last = i + 1 == s->pairs.size() ||
                      strcasecmp(s->pairs[i].first.c_str(), s->pairs[i + 1].first.c_str()) != 0;
    if (!last) continue;
    if (kept != i) s->pairs[kept] = std::move(s->pairs[i]);
    ++kept;
  }
  s->pairs.resize(kept);
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// What a writer may store so that the file reads back the same: no line breaks anywhere, no "]"
// in a section name, and no "=" in a key or "[" at its start (the line would read as another
// key or a section header).
bool HasLineBreak(const char* text) {
  return text && std::strpbrk(text, "\r\n") != nullptr;
}
bool WritableSection(const char* section) {
  return !HasLineBreak(section) && !std::strchr(section, ']');
}
bool WritableKey(const char* key) {
  const char* first = key;
  while (IsBlank(*first)) ++first;
  return !HasLineBreak(key) && !std::strchr(key, '=') && *first != '[';
}

// Reads one physical line (or a 32 MiB piece of it) into the shared buffer.
// Returns the line length, 0 at the end of the file, at a line that begins with a NUL byte, or
// when the buffer cannot grow.
size_t ReadLine(IniCache& cache, FILE* f) {
  std::vector<char>& buf = cache.lineBuffer;
  size_t len = 0;
  for (;;) {
    try {
      if (buf.size() < len + kLineChunk) buf.resize(len + kLineChunk);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    if (!fgets(buf.data() + len, static_cast<int>(buf.size() - len), f)) break;
    size_t piece = strlen(buf.data() + len);
    // A piece that begins with a NUL byte ends the line here (and, as the first piece of a
    // line, the whole parse): text behind a NUL cannot be told from the end of the line.
    if (piece == 0) break;
    len += piece;
    if (len > 0 && (buf[len - 1] == '\n' || buf[len - 1] == '\r')) break;
    if (len >= kMaxLine) break;
    if (feof(f)) break;
  }
  if (len == 0) return 0;
  buf[len] = '\0';
  return len;
}

// Sections are gathered in file order, a repeated header (in any letter case) adding to the
// keys read before it, and sorted once at the end.
void ParseFile(IniCache& cache, IniCacheSlot& slot, FILE* f) {
  std::vector<NamedSection> sections;
  std::unordered_map<std::string, size_t> indexOf;
  IniSection* current = nullptr;
  size_t headerlessBytes = 0;
  for (;;) {
    size_t len = ReadLine(cache, f);
    if (len == 0) break;
    char* line = cache.lineBuffer.data();
    if (sections.empty()) {
      headerlessBytes += len;
      if (headerlessBytes > kMaxHeaderless) break;
    }
    while (len > 0 && (line[len - 1] == '\t' || line[len - 1] == '\n' || line[len - 1] == '\r' ||
                       line[len - 1] == ' '))
      line[--len] = '\0';
    while (IsBlank(*line)) {
      ++line;
      --len;
    }
    if (*line == '[') {
      char* close = strchr(line + 1, ']');
      if (!close) continue;
      current = nullptr;
      std::string name(line + 1, close);
      if (name.empty()) continue;
      auto [it, added] = indexOf.emplace(LowerAscii(name), sections.size());
      if (added) sections.push_back(NamedSection{name, std::make_unique<IniSection>()});
      current = sections[it->second].section.get();
      continue;
    }
    if (!current) continue;
    char* eq = strchr(line, '=');
    if (!eq || eq == line) continue;
    current->pairs.emplace_back(std::string(line, eq), std::string(eq + 1));
  }
  for (NamedSection& ns : sections) FinaliseSection(ns.section.get());
  std::stable_sort(sections.begin(), sections.end(),
                   [](const NamedSection& a, const NamedSection& b) {
                     return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
                   });
  slot.sections = std::move(sections);
}

bool IniCache_Write(IniCache& cache, IniCacheSlot& slot);

IniCacheSlot& IniCache_Load(IniCache& cache, const char* path) {
  int chosen = -1;
  for (int i = 0; i < kSlotCount; ++i) {
    IniCacheSlot& s = cache.slots[i];
    if (!s.used || s.fileName == path) {
      chosen = i;
      break;
    }
  }
  if (chosen < 0) {
    for (int i = 0; i < kSlotCount; ++i) {
      if (cache.slots[i].fileName == cache.writing) continue;
      if (chosen < 0 || cache.slots[i].lastUse < cache.slots[chosen].lastUse) chosen = i;
    }
  }
  IniCacheSlot& slot = cache.slots[chosen];
  slot.lastUse = ++cache.useCounter;

  // Newer than the file (changes held, or our own rewrite under way): the cache answers.
  if (slot.used && slot.fileName == path && (slot.held || cache.writing == path)) return slot;
  if (slot.held) IniCache_Write(cache, slot);  // another file takes the slot: this one first
  if (slot.used && !slot.stale && slot.fileName == path) {
    if (FileState(path) == slot.stamp) return slot;
  }
  slot.sections.clear();
  slot.stale = false;
  slot.fileName = path;
  slot.used = true;

  FILE* f = fopen(path, "r");
  if (!f) {
    slot.stamp = FileStamp{};
    return slot;
  }
  flock(fileno(f), LOCK_SH);
  ParseFile(cache, slot, f);
  slot.stamp = FileState(slot.fileName);
  flock(fileno(f), LOCK_UN);
  fclose(f);
  return slot;
}

std::string TempTemplate(const std::string& fileName) {
  std::string name = fileName.substr(0, std::min(fileName.size(), kMaxTempBase));
  size_t slash = name.rfind('/');
  size_t at = slash == std::string::npos ? 0 : slash + 1;
  return name.substr(0, at) + "." + name.substr(at) + ".XXXXXX.new";
}

std::string SectionsText(const IniCacheSlot& slot) {
  std::string text;
  for (const NamedSection& ns : slot.sections) {
    if (!ns.section) break;
    text.append("[").append(ns.name).append("]\n");
    for (const KeyValue& kv : ns.section->pairs) {
      if (kv.first.empty()) continue;
      text.append(kv.first).append("=").append(kv.second).append("\n");
    }
    text.append("\n");
  }
  return text;
}

// What a rewrite puts on disk, taken from the slot under the cache's lock.
struct IniRewrite {
  std::string fileName;
  std::string text;
  uint64_t version = 0;
};

IniRewrite IniCache_Take(IniCache& cache, IniCacheSlot& slot) {
  slot.held = false;  // written with the rest, whoever writes first
  slot.version = ++cache.versions;
  return IniRewrite{slot.fileName, SectionsText(slot), slot.version};
}

// Replaces the file with the text, whole. Every step is checked: on any failure the temporary
// file is removed, the file on disk stays as it was and errno says why. Rewrites of one file
// wait for the disk side by side (the background thread's without the cache's lock); only the
// rename is taken in turn, and a text older than the file's is not renamed at all, nor is its
// failure one: the newer text on disk holds its change.
bool WriteWhole(IniCache& cache, const IniRewrite& w, FileStamp& stamp) {
  auto fail = [&cache, &w](const std::string& temp) {
    const int why = errno;  // kept for the caller's message
    if (!temp.empty()) unlink(temp.c_str());
    std::lock_guard<std::mutex> disk(cache.diskLock);
    const auto renamed = cache.renamedVersion.find(w.fileName);
    if (renamed != cache.renamedVersion.end() && renamed->second > w.version) return true;
    errno = why;
    return false;
  };
  if (w.fileName.empty()) return fail("");
  std::string temp = TempTemplate(w.fileName);
  int fd = mkostemps(temp.data(), 4, O_CLOEXEC);
  if (fd < 0) return fail("");
  // Noted until renamed or removed: a process ended meanwhile removes it, never renames it.
  const vq::platform::NotedWrite noted(temp.c_str(), w.fileName.c_str());
  if (noted.Refused()) {
    close(fd);
    errno = ECANCELED;
    return fail(temp);
  }

  struct stat st;
  mode_t mode = 0644;
  if (stat(w.fileName.c_str(), &st) == 0) mode = st.st_mode & 07777;
  if (fchmod(fd, mode) != 0) {
    close(fd);
    return fail(temp);
  }
  FILE* f = fdopen(fd, "w");
  if (!f) {
    close(fd);
    return fail(temp);
  }
  bool ok = flock(fd, LOCK_EX) == 0;
  ok = ok && fwrite(w.text.data(), 1, w.text.size(), f) == w.text.size();
  ok = ok && fflush(f) == 0;
  ok = ok && fsync(fd) == 0;
  flock(fd, LOCK_UN);
  if (fclose(f) != 0) ok = false;
  if (!ok) return fail(temp);
  std::lock_guard<std::mutex> disk(cache.diskLock);
  uint64_t& renamed = cache.renamedVersion[w.fileName];
  if (renamed > w.version) {  // a later text is on disk already
    unlink(temp.c_str());
    return true;
  }
  if (rename(temp.c_str(), w.fileName.c_str()) != 0) {
    const int why = errno;
    unlink(temp.c_str());
    errno = why;
    return false;
  }
  renamed = w.version;
  stamp = FileState(w.fileName);  // our own file: not a change from outside
  return true;
}

// Back under the cache's lock: a failure marks the slot for re-reading (it forgets the change);
// a success gives it the file's new stamp unless a later rewrite took the text since.
void IniCache_Done(IniCache& cache, const IniRewrite& w, bool ok, const FileStamp& stamp) {
  for (IniCacheSlot& slot : cache.slots) {
    if (!slot.used || slot.fileName != w.fileName) continue;
    if (!ok)
      slot.stale = true;
    else if (slot.version == w.version)
      slot.stamp = stamp;
  }
}

// Rewrites the whole file from the slot, after any rewrite under way.
bool IniCache_Write(IniCache& cache, IniCacheSlot& slot) {
  const IniRewrite w = IniCache_Take(cache, slot);
  FileStamp stamp;
  const bool ok = WriteWhole(cache, w, stamp);
  const int why = errno;
  IniCache_Done(cache, w, ok, stamp);
  errno = why;
  return ok;
}

// A change of the slot: rewritten now, or once the writes held are let go.
bool IniCache_Commit(IniCache& cache, IniCacheSlot& slot) {
  if (cache.holds > 0) {
    slot.held = true;
    return true;
  }
  return IniCache_Write(cache, slot);
}

// Value text as readers see it: blanks around it and one pair of matching quotes removed.
std::string CleanValue(const std::string& v) {
  size_t b = 0, e = v.size();
  while (b < e && IsBlank(v[b])) ++b;
  while (e > b && IsBlank(v[e - 1])) --e;
  if (e - b >= 2 && ((v[b] == '"' && v[e - 1] == '"') || (v[b] == '\'' && v[e - 1] == '\''))) {
    ++b;
    --e;
  }
  return v.substr(b, e - b);
}

uint32_t CopyBounded(const char* text, char* out, uint32_t size) {
  if (!out || size == 0) return 0;
  size_t n = std::min<size_t>(strlen(text), size - 1);
  memcpy(out, text, n);
  out[n] = '\0';
  return static_cast<uint32_t>(n);
}

uint32_t CopyList(const std::string& list, char* out, uint32_t size) {
  if (!out || size == 0) return 0;
  if (size == 1) {
    out[0] = '\0';
    return 0;
  }
  if (list.empty()) {
    out[0] = out[1] = '\0';
    return 0;
  }
  size_t n = std::min<size_t>(list.size() - 1, size - 2);
  memcpy(out, list.data(), n);
  out[n] = out[n + 1] = '\0';
  return static_cast<uint32_t>(n);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultText,
                                 char* out, uint32_t size, const char* file) {
  if (!file) return CopyBounded(defaultText ? defaultText : "", out, size);
  IniCache& cache = Cache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  IniCacheSlot& slot = IniCache_Load(cache, file);

  if (!section || !key) {
    std::string list;
    if (!section) {
      for (const NamedSection& ns : slot.sections)
        if (!ns.name.empty()) list.append(ns.name).push_back('\0');
    } else if (IniSection* s = FindSection(slot, section)) {
      for (const KeyValue& kv : s->pairs)
        if (!kv.first.empty()) list.append(kv.first).push_back('\0');
    }
    return CopyList(list, out, size);
  }
  if (IniSection* s = FindSection(slot, section)) {
    auto [i, found] = FindSorted(s->pairs, key, PairKey);
    if (found) return CopyBounded(CleanValue(s->pairs[i].second).c_str(), out, size);
  }
  return CopyBounded(defaultText ? defaultText : "", out, size);
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file) {
  char buf[512];
  GetPrivateProfileString(section, key, "", buf, sizeof buf, file);
  if (buf[0] == '\0') return defaultValue;
  int v = atoi(buf);
  if (buf[0] == '0' || v != 0) return v;
  return defaultValue;
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* file) {
  if (!section || !file || (key && !*key)) return 0;
  if (!WritableSection(section) || (key && !WritableKey(key)) || HasLineBreak(value)) return 0;
  IniCache& cache = Cache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  IniCacheSlot& slot = IniCache_Load(cache, file);

  if (!key) {
    auto [i, found] = FindSorted(slot.sections, section, SectionName);
    if (!found) return 1;
    slot.sections.erase(slot.sections.begin() + static_cast<ptrdiff_t>(i));
    return IniCache_Commit(cache, slot) ? 1 : 0;
  }
  if (!value) {
    IniSection* s = FindSection(slot, section);
    if (!s) return 1;
    auto [i, found] = FindSorted(s->pairs, key, PairKey);
    if (!found) return 1;
    s->pairs.erase(s->pairs.begin() + static_cast<ptrdiff_t>(i));
    return IniCache_Commit(cache, slot) ? 1 : 0;
  }
  IniSection* s = FindOrAddSection(slot, section);
  auto [i, found] = FindSorted(s->pairs, key, PairKey);
  if (found) {
    if (s->pairs[i].second == value) return 1;
    s->pairs[i].second = value;
  } else {
    s->pairs.insert(s->pairs.begin() + static_cast<ptrdiff_t>(i), KeyValue(key, value));
  }
  return IniCache_Commit(cache, slot) ? 1 : 0;
}

uint32_t GetPrivateProfileSection(const char* section, char* out, uint32_t size, const char* file) {
  if (!out || size < 2) {
    if (out && size == 1) out[0] = '\0';
    return 0;
  }
  if (!section || !file) {
    out[0] = out[1] = '\0';
    return 0;
  }
  IniCache& cache = Cache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  IniCacheSlot& slot = IniCache_Load(cache, file);
  IniSection* s = FindSection(slot, section);
  if (!s || s->pairs.empty()) {
    out[0] = out[1] = '\0';
    return 0;
  }
  std::string list;
  for (const KeyValue& kv : s->pairs) {
    list.append(kv.first).append("=").append(CleanValue(kv.second));
    list.push_back('\0');
  }
  if (list.size() + 1 <= size) {
    memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    return static_cast<uint32_t>(list.size());
  }
  // Cut short, the list still ends as every list does: two zero bytes.
  memcpy(out, list.data(), size - 2);
  out[size - 2] = out[size - 1] = '\0';
  return size - 2;
}

int WritePrivateProfileSection(const char* section, const char* entries, const char* file) {
  if (!section || !file || !WritableSection(section)) return 0;
  for (const char* e = entries; e && *e; e += strlen(e) + 1) {
    std::string entry(e, strnlen(e, 8191));
    const size_t eq = entry.find('=');
    if (eq != std::string::npos &&
        (!WritableKey(entry.substr(0, eq).c_str()) || HasLineBreak(entry.c_str() + eq + 1)))
      return 0;
  }
  IniCache& cache = Cache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  IniCacheSlot& slot = IniCache_Load(cache, file);
  bool emptyList = !entries || !*entries;
  IniSection* s = FindSection(slot, section);
  if (!s && emptyList) return 1;
  if (!s) s = FindOrAddSection(slot, section);
  s->pairs.clear();
  for (const char* e = entries; e && *e; e += strlen(e) + 1) {
    std::string entry(e, strnlen(e, 8191));
    size_t eq = entry.find('=');
    if (eq == std::string::npos) continue;
    std::string k = entry.substr(0, eq);
    auto [i, found] = FindSorted(s->pairs, k.c_str(), PairKey);
    if (found)
      s->pairs[i].second = entry.substr(eq + 1);
    else
      s->pairs.insert(s->pairs.begin() + static_cast<ptrdiff_t>(i),
                      KeyValue(k, entry.substr(eq + 1)));
  }
  return IniCache_Commit(cache, slot) ? 1 : 0;
}

int GetPrivateProfileStruct(const char* section, const char* key, void* dest, uint32_t count,
                            const char* file) {
  if (!section || !key || !dest) return 0;
  // No stored line can hold more: refuse before sizing a buffer by the caller's count.
  if (count > kMaxLine / 2) return 0;
  std::vector<char> buf(2 * static_cast<size_t>(count) + 17);
  uint32_t len = GetPrivateProfileString(section, key, "", buf.data(),
                                         static_cast<uint32_t>(buf.size()), file);
  if (len != 2 * count + 2) return 0;
  // Decoded aside: a damaged record leaves the caller's data (often its defaults) untouched.
  std::vector<uint8_t> bytes(count);
  unsigned sum = 0;
  for (uint32_t i = 0; i < count; ++i) {
    int hi = HexDigit(buf[2 * i]), lo = HexDigit(buf[2 * i + 1]);
    if (hi < 0 || lo < 0) return 0;
    bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
    sum += bytes[i];
  }
  int hi = HexDigit(buf[2 * count]), lo = HexDigit(buf[2 * count + 1]);
  if (hi < 0 || lo < 0 || (hi * 16 + lo) != static_cast<int>(sum & 0xff)) return 0;
  if (count) memcpy(dest, bytes.data(), count);
  return 1;
}

int WritePrivateProfileStruct(const char* section, const char* key, const void* src, uint32_t count,
                              const char* file) {
  if (!key || !src) return WritePrivateProfileString(section, key, nullptr, file);
  std::string text;
  text.reserve(2 * static_cast<size_t>(count) + 3);
  const auto* bytes = static_cast<const uint8_t*>(src);
  unsigned sum = 0;
  char hex[3];
  for (uint32_t i = 0; i < count; ++i) {
    snprintf(hex, sizeof hex, "%02X", bytes[i]);
    text += hex;
    sum += bytes[i];
  }
  snprintf(hex, sizeof hex, "%02X", sum & 0xff);
  text += hex;
  return WritePrivateProfileString(section, key, text.c_str(), file);
}

void WEMU_HoldIniWrites() {
  IniCache& cache = Cache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  ++cache.holds;
}

bool WEMU_ReleaseIniWrites() {
  IniCache& cache = Cache();
  std::lock_guard<std::recursive_mutex> guard(cache.lock);
  if (cache.holds == 0 || --cache.holds > 0) return true;
  bool ok = true;
  for (IniCacheSlot& slot : cache.slots) {
    if (!slot.held) continue;
    ok = IniCache_Write(cache, slot) && ok;
  }
  return ok;
}

namespace {

std::mutex& FailureHandlerLock() {
  static std::mutex* const lock = new std::mutex;
  return *lock;
}
std::function<void(const std::string&, int)>& FailureHandler() {
  static auto* const handler = new std::function<void(const std::string&, int)>;
  return *handler;
}

// Held while the handler runs: once it is replaced, the old one is not running any more.
void TellFailure(const std::string& file, int why) {
  std::lock_guard<std::mutex> lock(FailureHandlerLock());
  if (FailureHandler()) FailureHandler()(file, why);
}

// Rewrites each file with changes held, one after another, with the disk work outside the cache's
// lock: readers and writers of other threads go on meanwhile. While writes are held, their
// release writes them instead.
void WriteHeldInBackground(IniCache& cache) {
  for (;;) {
    IniRewrite w;
    {
      std::lock_guard<std::recursive_mutex> guard(cache.lock);
      if (cache.holds > 0) return;
      IniCacheSlot* slot = nullptr;
      for (IniCacheSlot& s : cache.slots)
        if (s.held && !slot) slot = &s;
      if (!slot) return;
      w = IniCache_Take(cache, *slot);
      cache.writing = w.fileName;
    }
    FileStamp stamp;
    const bool ok = WriteWhole(cache, w, stamp);
    const int why = errno;
    {
      std::lock_guard<std::recursive_mutex> guard(cache.lock);
      cache.writing.clear();
      IniCache_Done(cache, w, ok, stamp);
    }
    // Nobody waits for the answer: a failure is told on the error output and to the handler.
    if (!ok) {
      vq::platform::errorLine("VQEditor4: the settings could not be written: %s",
                              std::strerror(why));
      TellFailure(w.fileName, why);
    }
  }
}

// The thread that lets the changes held go, each time some came: their rewrites keep the order.
struct IniWriter {
  std::mutex mutex;
  std::condition_variable changed;
  bool pending = false;
  bool busy = false;
};

// Never destroyed: the thread waits on it until the process ends.
IniWriter& Writer() {
  static IniWriter* const writer = [] {
    auto* made = new IniWriter;
    std::thread([made] {
      for (;;) {
        {
          std::unique_lock<std::mutex> lock(made->mutex);
          made->changed.wait(lock, [made] { return made->pending; });
          made->pending = false;
          made->busy = true;
        }
        WriteHeldInBackground(Cache());
        {
          std::lock_guard<std::mutex> lock(made->mutex);
          made->busy = made->pending;
        }
        made->changed.notify_all();
      }
    }).detach();
    return made;
  }();
  return *writer;
}

}  // namespace

int WEMU_WriteIniInBackground(const char* section, const char* key, const char* value,
                              const char* file) {
  IniCache& cache = Cache();
  {
    std::lock_guard<std::recursive_mutex> guard(cache.lock);
    ++cache.holds;
    const int taken = WritePrivateProfileString(section, key, value, file);
    --cache.holds;
    if (!taken) return 0;
  }
  IniWriter& writer = Writer();
  {
    std::lock_guard<std::mutex> lock(writer.mutex);
    writer.pending = true;
  }
  writer.changed.notify_all();
  return 1;
}

void WEMU_WaitForIniWrites() {
  IniWriter& writer = Writer();
  std::unique_lock<std::mutex> lock(writer.mutex);
  writer.changed.wait(lock, [&writer] { return !writer.pending && !writer.busy; });
}

void WEMU_SetIniWriteFailureHandler(std::function<void(const std::string&, int)> handler) {
  std::lock_guard<std::mutex> lock(FailureHandlerLock());
  FailureHandler() = std::move(handler);
}
