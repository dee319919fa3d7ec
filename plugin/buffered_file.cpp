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
    : mBuffer(4096) {
  if (!path) return;
  mFd = open(path, O_RDONLY | O_CLOEXEC);
  if (mFd < 0) return;

  if (flock(mFd, LOCK_SH | LOCK_NB) == 0) {
    mLocked = true;
  } else {
    mUnlockedReading = true;
  }

  if ((noCacheMode == 1 || noCacheMode == -1) && !IsRemoteVolume(mFd)) AdviseNoCache(mFd);

  const off_t end = lseek(mFd, 0, SEEK_END);
  mFileSize = end > 0 ? end : 0;
  lseek(mFd, 0, SEEK_SET);

  if (mFileSize > 0 && mFileSize < mapLimit && static_cast<uint64_t>(mFileSize) <= SIZE_MAX) {
    if (mFileSize < wholeReadLimit) {
      mWholeCopy = static_cast<char*>(malloc(static_cast<size_t>(mFileSize)));
      if (mWholeCopy) {
        int64_t got = 0;
        while (got < mFileSize) {
          const ssize_t r =
              PreadRetry(mFd, mWholeCopy + got, static_cast<size_t>(mFileSize - got), got);
          if (r <= 0) break;
          got += r;
        }
        mFileSize = got;
      }
    } else {
      void* view = mmap(nullptr, static_cast<size_t>(mFileSize), PROT_READ, MAP_SHARED, mFd, 0);
      if (view != MAP_FAILED) {
        mView = view;
        mViewLength = mFileSize;
      }
    }
    if (mWholeCopy || mView) mUnlockedReading = false;
  }

  if (!mWholeCopy && !mView) {
    const int64_t each = bufferSize > 0 ? (int64_t{bufferSize} + kBlock - 1) / kBlock * kBlock : 0;
    const int64_t total = each * std::max(bufferCount, 0);
    // Room to align the area's start to a block boundary.
    if (total >= kBlock && total + kBlock - 1 <= INT_MAX) {
      const int want = static_cast<int>(total + kBlock - 1);
      if (!mBuffer.Resize(want, false) || mBuffer.GetSize() != want) mBuffer.Resize(0);
    }
  }
}

BufferedFileReader::~BufferedFileReader() {
  free(mWholeCopy);
  if (mView) munmap(mView, static_cast<size_t>(mViewLength));
  if (mFd >= 0) {
    if (mLocked) flock(mFd, LOCK_UN);
    close(mFd);
  }
}

int BufferedFileReader::Read(void* dest, int n) {
  char* out = static_cast<char*>(dest);
  if (mWholeCopy || mView) {
    const int64_t avail = mFileSize - mPosition;
    const int64_t k = std::min<int64_t>(n, avail);
    if (k <= 0 || !out) return 0;
    const char* src = mWholeCopy ? mWholeCopy : static_cast<const char*>(mView);
    memcpy(out, src + mPosition, static_cast<size_t>(k));
    mPosition += k;
    return static_cast<int>(k);
  }

  if (mUnlockedReading && mFd >= 0) {
    struct stat st;
    if (fstat(mFd, &st) == 0) mFileSize = st.st_size;
  }
  if (n < 1 || mFd < 0 || !out) return 0;

  if (mBuffer.GetSize() < 2 * kBlock - 1) {
    const ssize_t r = PreadRetry(mFd, out, static_cast<size_t>(n), mFileOffset);
    if (r <= 0) return 0;
    mFileOffset += r;
    mPosition += r;
    return static_cast<int>(r);
  }

  char* raw = static_cast<char*>(mBuffer.Get());
  const uintptr_t misalign = reinterpret_cast<uintptr_t>(raw) % kBlock;
  char* area = misalign ? raw + (kBlock - misalign) : raw;
  const int areaLen = mBuffer.GetSize() - static_cast<int>(kBlock - 1);

  int delivered = 0;
  for (;;) {
    const int k = std::min(mValid - mOffset, n - delivered);
    if (k > 0) {
      memcpy(out + delivered, area + mOffset, static_cast<size_t>(k));
      mOffset += k;
      mPosition += k;
      delivered += k;
    }
    if (delivered >= n) break;

    mValid = 0;
    mOffset = 0;
    int readLen = areaLen;
    if (mFirstRead && areaLen >= 2 * kBlock) {
      const unsigned c = g_firstRefillCounter.fetch_add(1);
      readLen = areaLen >> (areaLen < 8 * kBlock ? (c & 1) : (c & 3));
    }
    mFirstRead = false;
    const ssize_t r = PreadRetry(mFd, area, static_cast<size_t>(readLen), mFileOffset);
    if (r <= 0) break;
    mFileOffset += r;
    mValid = static_cast<int>(r);
  }
  return delivered;
}

// ---------------------------------------------------------------------------

BufferedFileWriter::BufferedFileWriter(const char* path, int noCacheMode, int bufferSize,
                                       int bufferCount, int minBufferCount, bool append,
                                       bool noLock)
    : mBuffer(4096) {
  if (!path) {
    mError = true;
    return;
  }
  // Not O_TRUNC: the file is truncated only once the lock is ours.
  mFd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (mFd < 0) {
    mError = true;
    return;
  }

  if (!noLock) {
    if (flock(mFd, LOCK_EX | LOCK_NB) == 0) {
      mLocked = true;
    } else if (errno == EWOULDBLOCK) {
      // Someone else has the file: leave it alone.
      close(mFd);
      mFd = -1;
      mError = true;
      return;
    } else {
      // Locks not supported here (some network volumes): go on as well as we can.
      mLocked = flock(mFd, LOCK_SH | LOCK_NB) == 0;
    }
  }

  if (append) {
    struct stat st;
    if (fstat(mFd, &st) == 0) {
      mPosition = st.st_size;
      mHighWater = st.st_size;
    } else {
      mError = true;
    }
  } else if (ftruncate(mFd, 0) != 0) {
    // Old bytes beyond what we write would stay: the result would be corrupt.
    mError = true;
  }

  if (noCacheMode >= 2 && !IsRemoteVolume(mFd)) AdviseNoCache(mFd);

  const int64_t product = int64_t{std::max(bufferCount, 0)} * int64_t{std::max(bufferSize, 0)};
  if (product >= 2 * kBlock) {
    const int64_t want = (product + 4095) / 4096 * 4096;
    if (want <= INT_MAX) {
      if (!mBuffer.Resize(static_cast<int>(want), false) || mBuffer.GetSize() != want)
        mBuffer.Resize(0);
    }
  }
}

BufferedFileWriter::~BufferedFileWriter() {
  Close();
}

bool BufferedFileWriter::WriteAll(const char* src, int64_t n) {
  while (n > 0) {
    const ssize_t r = pwrite(mFd, src, static_cast<size_t>(n), static_cast<off_t>(mPosition));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      mError = true;
      return false;
    }
    mPosition += r;
    mHighWater = std::max(mHighWater, mPosition);
    src += r;
    n -= r;
  }
  return true;
}

bool BufferedFileWriter::Flush() {
  if (mPending <= 0) return !mError;
  const bool ok = WriteAll(static_cast<const char*>(mBuffer.Get()), mPending);
  mPending = 0;
  return ok;
}

int BufferedFileWriter::Write(const void* src, int n) {
  if (mError) return -1;
  if (mFd < 0) {
    mError = true;
    return -1;
  }
  if (n < 1) return n;
  if (!src) {
    mError = true;
    return -1;
  }
  const char* in = static_cast<const char*>(src);

  const int capacity = mBuffer.GetSize();
  if (capacity <= 0) return WriteAll(in, n) ? n : -1;

  char* buf = static_cast<char*>(mBuffer.Get());
  int taken = 0;
  while (taken < n) {
    const int k = std::min(capacity - mPending, n - taken);
    memcpy(buf + mPending, in + taken, static_cast<size_t>(k));
    mPending += k;
    taken += k;
    mHighWater = std::max(mHighWater, mPosition + mPending);
    if (mPending == capacity && !Flush()) return -1;
  }
  return n;
}

bool BufferedFileWriter::Close() {
  if (mClosed) return !mError;
  mClosed = true;
  if (mFd >= 0) {
    if (!mError) Flush();
    mPending = 0;
    if (mLocked) flock(mFd, LOCK_UN);
    if (close(mFd) != 0) mError = true;
    mFd = -1;
    mLocked = false;
  } else {
    mError = true;
  }
  mBuffer.Resize(0);
  return !mError;
}
