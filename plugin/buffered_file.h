// Whole-file reading and writing through large aligned buffers under an
// advisory lock (flock). Program, folder, bank and firmware files go through
// these. Each object belongs to the thread that uses it.
//
// Across processes (and across descriptors in one process) the locks keep a
// writer from replacing a file while a reader holds a shared lock, and keep a
// second writer off a file another writer holds.
#pragma once

#include <cstdint>

#include "plugin/utl_heapbuf.h"

class BufferedFileReader {
 public:
  // Every caller passes noCacheMode 1, 8192, 4 and both limits 0, so the
  // reader works through its 32 KB aligned buffer. A file smaller than
  // mapLimit is read whole (below wholeReadLimit) or mapped instead.
  explicit BufferedFileReader(const char* path, int noCacheMode = 1, int bufferSize = 8192,
                              int bufferCount = 4, int64_t wholeReadLimit = 0,
                              int64_t mapLimit = 0);
  ~BufferedFileReader();
  BufferedFileReader(const BufferedFileReader&) = delete;
  BufferedFileReader& operator=(const BufferedFileReader&) = delete;

  // Copies up to n bytes to dest; returns the count delivered, 0 at the end
  // of the file, on error or when the file is not open.
  int Read(void* dest, int n);

  bool IsOpen() const { return mFd >= 0; }
  // A shared lock is held (false: the file is read unlocked and its size is
  // re-read before each read, as another process may be growing it).
  bool IsLocked() const { return mLocked; }
  int64_t GetSize() const { return mFileSize; }
  int64_t GetPosition() const { return mPosition; }

 private:
  UTL_HeapBuf mBuffer;
  int mValid = 0;   // bytes valid in the aligned area
  int mOffset = 0;  // read offset in the aligned area
  int64_t mPosition = 0;
  int64_t mFileSize = 0;
  void* mView = nullptr;  // mmap view, or null
  int64_t mViewLength = 0;
  char* mWholeCopy = nullptr;  // whole file read at once, or null
  int64_t mFileOffset = 0;     // next file offset to read
  int mFd = -1;
  bool mLocked = false;
  bool mUnlockedReading = false;
  bool mFirstRead = true;
};

// Writes a file from the start (or appends) under an exclusive lock. The
// constructor truncates an existing file unless appending. Any failure is
// sticky: a writer that did not open, lost pending bytes or failed a write
// returns -1 from every later Write and false from Close.
class BufferedFileWriter {
 public:
  // Every caller passes noCacheMode 1, 8192, 16, 16, append false, noLock
  // false, giving a 128 KB buffer. With a file held by another writer (or a
  // reader's shared lock) the writer is not open.
  explicit BufferedFileWriter(const char* path, int noCacheMode = 1, int bufferSize = 8192,
                              int bufferCount = 16, int minBufferCount = 16, bool append = false,
                              bool noLock = false);
  // Closes (flushing) when Close was not called.
  ~BufferedFileWriter();
  BufferedFileWriter(const BufferedFileWriter&) = delete;
  BufferedFileWriter& operator=(const BufferedFileWriter&) = delete;

  // Takes n bytes; returns n, or -1 once any error has happened (then
  // nothing more is written). n < 1 returns n unless in error.
  int Write(const void* src, int n);
  // Writes the pending bytes, releases the lock and closes the file. True
  // only when the file opened and every byte reached it. A second call
  // returns the same result.
  bool Close();

  bool IsOpen() const { return mFd >= 0; }
  bool HasError() const { return mError; }
  bool IsLocked() const { return mLocked; }
  // Bytes taken so far (including pending ones), from the start of the file.
  int64_t GetPosition() const { return mPosition + mPending; }
  // The file's size as it will be once the pending bytes are written.
  int64_t GetSize() const { return mHighWater; }

 private:
  bool WriteAll(const char* src, int64_t n);  // at mPosition; sets mError on a short write
  bool Flush();

  int64_t mPosition = 0;
  int64_t mHighWater = 0;
  UTL_HeapBuf mBuffer;
  int mPending = 0;
  int mFd = -1;
  bool mLocked = false;
  bool mError = false;
  bool mClosed = false;
};
