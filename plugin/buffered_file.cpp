#include "plugin/buffered_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int64_t kBlock = 8192;

// Spreads the first refills of readers opened together so that they do not
// all ask the disk for the same large block at once.
std::atomic<unsigned> g_firstRefillCounter{0};

bool IsRemoteVolume(int fd) {
  struct statfs sf;
  if (fstatfs(fd, &sf) != 0) return false;
  switch (static_cast<unsigned long>(sf.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x65735546UL:  // FUSE
      return true;
    default:
      return false;
  }
}

// There is no per-descriptor cache switch here; tell the kernel the data
// will not be reused, which is what switching the cache off is for.
void AdviseNoCache(int fd) {
  posix_fadvise(fd, 0, 0, POSIX_FADV_NOREUSE);
}

ssize_t PreadRetry(int fd, void* dest, size_t n, int64_t offset) {
  for (;;) {
    const ssize_t r = pread(fd, dest, n, static_cast<off_t>(offset));
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

BufferedFileReader::BufferedFileReader(const char* path, int noCacheMode, int bufferSize,
                                       int bufferCount, int64_t wholeReadLimit, int64_t mapLimit)
    : m_buffer(4096) {
  if (!path) return;
  m_fd = open(path, O_RDONLY | O_CLOEXEC);
  if (m_fd < 0) return;

  if (flock(m_fd, LOCK_SH | LOCK_NB) == 0) {
    m_locked = true;
  } else {
    m_unlockedReading = true;
  }

  if ((noCacheMode == 1 || noCacheMode == -1) && !IsRemoteVolume(m_fd)) AdviseNoCache(m_fd);

  const off_t end = lseek(m_fd, 0, SEEK_END);
  m_fileSize = end > 0 ? end : 0;
  lseek(m_fd, 0, SEEK_SET);

  if (m_fileSize > 0 && m_fileSize < mapLimit && static_cast<uint64_t>(m_fileSize) <= SIZE_MAX) {
    if (m_fileSize < wholeReadLimit) {
      m_wholeCopy = static_cast<char*>(malloc(static_cast<size_t>(m_fileSize)));
      if (m_wholeCopy) {
        int64_t got = 0;
        while (got < m_fileSize) {
          const ssize_t r =
              PreadRetry(m_fd, m_wholeCopy + got, static_cast<size_t>(m_fileSize - got), got);
          if (r <= 0) break;
          got += r;
        }
        m_fileSize = got;
      }
    } else {
      void* view = mmap(nullptr, static_cast<size_t>(m_fileSize), PROT_READ, MAP_SHARED, m_fd, 0);
      if (view != MAP_FAILED) {
        m_view = view;
        m_viewLength = m_fileSize;
      }
    }
    if (m_wholeCopy || m_view) m_unlockedReading = false;
  }

  if (!m_wholeCopy && !m_view) {
    const int64_t each = bufferSize > 0 ? (int64_t{bufferSize} + kBlock - 1) / kBlock * kBlock : 0;
    const int64_t total = each * std::max(bufferCount, 0);
    // Room to align the area's start to a block boundary.
    if (total >= kBlock && total + kBlock - 1 <= INT_MAX) {
      const int want = static_cast<int>(total + kBlock - 1);
      if (!m_buffer.Resize(want, false) || m_buffer.GetSize() != want) m_buffer.Resize(0);
    }
  }
}

BufferedFileReader::~BufferedFileReader() {
  free(m_wholeCopy);
  if (m_view) munmap(m_view, static_cast<size_t>(m_viewLength));
  if (m_fd >= 0) {
    if (m_locked) flock(m_fd, LOCK_UN);
    close(m_fd);
  }
}

int BufferedFileReader::Read(void* dest, int n) {
  char* out = static_cast<char*>(dest);
  if (m_wholeCopy || m_view) {
    const int64_t avail = m_fileSize - m_position;
    const int64_t k = std::min<int64_t>(n, avail);
    if (k <= 0 || !out) return 0;
    const char* src = m_wholeCopy ? m_wholeCopy : static_cast<const char*>(m_view);
    memcpy(out, src + m_position, static_cast<size_t>(k));
    m_position += k;
    return static_cast<int>(k);
  }

  if (m_unlockedReading && m_fd >= 0) {
    struct stat st;
    if (fstat(m_fd, &st) == 0) m_fileSize = st.st_size;
  }
  if (n < 1 || m_fd < 0 || !out) return 0;

  if (m_buffer.GetSize() < 2 * kBlock - 1) {
    const ssize_t r = PreadRetry(m_fd, out, static_cast<size_t>(n), m_fileOffset);
    if (r <= 0) return 0;
    m_fileOffset += r;
    m_position += r;
    return static_cast<int>(r);
  }

  char* raw = static_cast<char*>(m_buffer.Get());
  const uintptr_t misalign = reinterpret_cast<uintptr_t>(raw) % kBlock;
  char* area = misalign ? raw + (kBlock - misalign) : raw;
  const int areaLen = m_buffer.GetSize() - static_cast<int>(kBlock - 1);

  int delivered = 0;
  for (;;) {
    const int k = std::min(m_valid - m_offset, n - delivered);
    if (k > 0) {
      memcpy(out + delivered, area + m_offset, static_cast<size_t>(k));
      m_offset += k;
      m_position += k;
      delivered += k;
    }
    if (delivered >= n) break;

    m_valid = 0;
    m_offset = 0;
    int readLen = areaLen;
    if (m_firstRead && areaLen >= 2 * kBlock) {
      const unsigned c = g_firstRefillCounter.fetch_add(1);
      readLen = areaLen >> (areaLen < 8 * kBlock ? (c & 1) : (c & 3));
    }
    m_firstRead = false;
    const ssize_t r = PreadRetry(m_fd, area, static_cast<size_t>(readLen), m_fileOffset);
    if (r <= 0) break;
    m_fileOffset += r;
    m_valid = static_cast<int>(r);
  }
  return delivered;
}

// ---------------------------------------------------------------------------

BufferedFileWriter::BufferedFileWriter(const char* path, int noCacheMode, int bufferSize,
                                       int bufferCount, int minBufferCount, bool append,
                                       bool noLock)
    : m_buffer(4096) {
  if (!path) {
    m_error = true;
    return;
  }
  // Not O_TRUNC: the file is truncated only once the lock is ours.
  m_fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (m_fd < 0) {
    m_error = true;
    return;
  }

  if (!noLock) {
    if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
      m_locked = true;
    } else if (errno == EWOULDBLOCK) {
      // Someone else has the file: leave it alone.
      close(m_fd);
      m_fd = -1;
      m_error = true;
      return;
    } else {
      // Locks not supported here (some network volumes): go on as well as we can.
      m_locked = flock(m_fd, LOCK_SH | LOCK_NB) == 0;
    }
  }

  if (append) {
    struct stat st;
    if (fstat(m_fd, &st) == 0) {
      m_position = st.st_size;
      m_highWater = st.st_size;
    } else {
      m_error = true;
    }
  } else if (ftruncate(m_fd, 0) != 0) {
    // Old bytes beyond what we write would stay: the result would be corrupt.
    m_error = true;
  }

  if (noCacheMode >= 2 && !IsRemoteVolume(m_fd)) AdviseNoCache(m_fd);

  const int64_t product = int64_t{std::max(bufferCount, 0)} * int64_t{std::max(bufferSize, 0)};
  if (product >= 2 * kBlock) {
    const int64_t want = (product + 4095) / 4096 * 4096;
    if (want <= INT_MAX) {
      if (!m_buffer.Resize(static_cast<int>(want), false) || m_buffer.GetSize() != want)
        m_buffer.Resize(0);
    }
  }
}

BufferedFileWriter::~BufferedFileWriter() {
  Close();
}

bool BufferedFileWriter::WriteAll(const char* src, int64_t n) {
  while (n > 0) {
    const ssize_t r = pwrite(m_fd, src, static_cast<size_t>(n), static_cast<off_t>(m_position));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      m_error = true;
      return false;
    }
    m_position += r;
    m_highWater = std::max(m_highWater, m_position);
    src += r;
    n -= r;
  }
  return true;
}

bool BufferedFileWriter::Flush() {
  if (m_pending <= 0) return !m_error;
  const bool ok = WriteAll(static_cast<const char*>(m_buffer.Get()), m_pending);
  m_pending = 0;
  return ok;
}

int BufferedFileWriter::Write(const void* src, int n) {
  if (m_error) return -1;
  if (m_fd < 0) {
    m_error = true;
    return -1;
  }
  if (n < 1) return n;
  if (!src) {
    m_error = true;
    return -1;
  }
  const char* in = static_cast<const char*>(src);

  const int capacity = m_buffer.GetSize();
  if (capacity <= 0) return WriteAll(in, n) ? n : -1;

  char* buf = static_cast<char*>(m_buffer.Get());
  int taken = 0;
  while (taken < n) {
    const int k = std::min(capacity - m_pending, n - taken);
    memcpy(buf + m_pending, in + taken, static_cast<size_t>(k));
    m_pending += k;
    taken += k;
    m_highWater = std::max(m_highWater, m_position + m_pending);
    if (m_pending == capacity && !Flush()) return -1;
  }
  return n;
}

bool BufferedFileWriter::Close() {
  if (m_closed) return !m_error;
  m_closed = true;
  if (m_fd >= 0) {
    if (!m_error) Flush();
    m_pending = 0;
    if (m_locked) flock(m_fd, LOCK_UN);
    if (close(m_fd) != 0) m_error = true;
    m_fd = -1;
    m_locked = false;
  } else {
    m_error = true;
  }
  m_buffer.Resize(0);
  return !m_error;
}
