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

  bool IsOpen() const { return m_fd >= 0; }
  // A shared lock is held (false: the file is read unlocked and its size is
  // re-read before each read, as another process may be growing it).
  bool IsLocked() const { return m_locked; }
  int64_t GetSize() const { return m_fileSize; }
  int64_t GetPosition() const { return m_position; }

 private:
  UTL_HeapBuf m_buffer;
  int m_valid = 0;   // bytes valid in the aligned area
  int m_offset = 0;  // read offset in the aligned area
  int64_t m_position = 0;
  int64_t m_fileSize = 0;
  void* m_view = nullptr;  // mmap view, or null
  int64_t m_viewLength = 0;
  char* m_wholeCopy = nullptr;  // whole file read at once, or null
  int64_t m_fileOffset = 0;     // next file offset to read
  int m_fd = -1;
  bool m_locked = false;
  bool m_unlockedReading = false;
  bool m_firstRead = true;
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

  bool IsOpen() const { return m_fd >= 0; }
  bool HasError() const { return m_error; }
  bool IsLocked() const { return m_locked; }
  // Bytes taken so far (including pending ones), from the start of the file.
  int64_t GetPosition() const { return m_position + m_pending; }
  // The file's size as it will be once the pending bytes are written.
  int64_t GetSize() const { return m_highWater; }

 private:
  bool WriteAll(const char* src, int64_t n);  // at m_position; sets m_error on a short write
  bool Flush();

  int64_t m_position = 0;
  int64_t m_highWater = 0;
  UTL_HeapBuf m_buffer;
  int m_pending = 0;
  int m_fd = -1;
  bool m_locked = false;
  bool m_error = false;
  bool m_closed = false;
};
