// Buffered whole-file reading and writing under advisory locks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/buffered_file.h"

namespace {

class BufferedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/vq_bufile_XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    mDir = name.data();
  }
  void TearDown() override {
    for (const std::string& f : mCreated) unlink(f.c_str());
    rmdir(mDir.c_str());
  }

  std::string PathOf(const char* name) {
    std::string p = mDir + "/" + name;
    mCreated.push_back(p);
    return p;
  }
  std::string MakeFile(const char* name, const std::string& content) {
    const std::string p = PathOf(name);
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static int64_t FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
  }
  // Bytes that differ at every position, so a misplaced block shows.
  static std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return s;
  }

  std::string mDir;
  std::vector<std::string> mCreated;
};

// ---------------------------------------------------------------------------
// Reader

TEST_F(BufferedFileTest, SmallFileInOneReadThenEnd) {
  const std::string content = Pattern(100);
  BufferedFileReader r(MakeFile("small", content).c_str());
  ASSERT_TRUE(r.IsOpen());
  EXPECT_TRUE(r.IsLocked());
  EXPECT_EQ(r.GetSize(), 100);
  std::vector<char> buf(8192);
  EXPECT_EQ(r.Read(buf.data(), 8192), 100);
  EXPECT_EQ(std::string(buf.data(), 100), content);
  EXPECT_EQ(r.GetPosition(), 100);
  EXPECT_EQ(r.Read(buf.data(), 8192), 0);
}

TEST_F(BufferedFileTest, MissingFileReadsNothing) {
  BufferedFileReader r(PathOf("absent").c_str());
  EXPECT_FALSE(r.IsOpen());
  EXPECT_EQ(r.GetSize(), 0);
  char c;
  EXPECT_EQ(r.Read(&c, 1), 0);
  BufferedFileReader nullPath(nullptr);
  EXPECT_FALSE(nullPath.IsOpen());
}

// Odd chunk sizes cross every refill boundary, including the shorter first
// refill that every second reader in the process makes.
TEST_F(BufferedFileTest, ChunkedReadsReassembleLargeFile) {
  const std::string content = Pattern(300001);
  const std::string path = MakeFile("large", content);
  const int chunks[] = {1, 7, 8191, 16385, 40000, 3};
  for (int reader = 0; reader < 3; ++reader) {
    BufferedFileReader r(path.c_str());
    ASSERT_EQ(r.GetSize(), static_cast<int64_t>(content.size()));
    std::string got;
    std::vector<char> buf(40000);
    for (int i = 0;; ++i) {
      const int n = r.Read(buf.data(), chunks[(i + reader) % 6]);
      if (n == 0) break;
      got.append(buf.data(), static_cast<size_t>(n));
    }
    EXPECT_EQ(got.size(), content.size());
    EXPECT_TRUE(got == content) << "reader " << reader;
    EXPECT_EQ(r.GetPosition(), static_cast<int64_t>(content.size()));
  }
}

TEST_F(BufferedFileTest, UnbufferedWholeAndMappedPathsDeliverTheSame) {
  const std::string content = Pattern(50000);
  const std::string path = MakeFile("paths", content);
  struct Config {
    int count;
    int64_t wholeLimit, mapLimit;
  };
  const Config configs[] = {{0, 0, 0}, {4, 1 << 20, 1 << 20}, {4, 0, 1 << 20}};
  for (const Config& c : configs) {
    BufferedFileReader r(path.c_str(), 1, 8192, c.count, c.wholeLimit, c.mapLimit);
    std::string got;
    std::vector<char> buf(7777);
    int n;
    while ((n = r.Read(buf.data(), 7777)) > 0) got.append(buf.data(), static_cast<size_t>(n));
    EXPECT_TRUE(got == content) << "count " << c.count << " whole " << c.wholeLimit << " map "
                                << c.mapLimit;
  }
}

TEST_F(BufferedFileTest, ReaderUnderWriterLockReadsUnlockedAndSeesGrowth) {
  const std::string path = PathOf("growing");
  BufferedFileWriter w(path.c_str(), 1, 8192, 0);  // unbuffered: bytes reach the file at once
  ASSERT_TRUE(w.IsOpen());
  ASSERT_EQ(w.Write(Pattern(100).data(), 100), 100);

  BufferedFileReader r(path.c_str());
  ASSERT_TRUE(r.IsOpen());
  EXPECT_FALSE(r.IsLocked());
  EXPECT_EQ(r.GetSize(), 100);
  ASSERT_EQ(w.Write("0123456789", 10), 10);
  std::vector<char> buf(8192);
  EXPECT_EQ(r.Read(buf.data(), 8192), 110);
  EXPECT_EQ(r.GetSize(), 110);
}

// ---------------------------------------------------------------------------
// Writer

TEST_F(BufferedFileTest, WriterTruncatesAtOnceAndLeavesWhatItWrote) {
  const std::string path = MakeFile("existing", std::string(500, 'a'));
  {
    BufferedFileWriter w(path.c_str());
    ASSERT_TRUE(w.IsOpen());
    EXPECT_TRUE(w.IsLocked());
    EXPECT_EQ(FileSize(path), 0);
    EXPECT_EQ(w.Write("0123456789", 10), 10);
  }
  EXPECT_EQ(Slurp(path), "0123456789");
}

TEST_F(BufferedFileTest, SecondWriterOnHeldFileIsNotOpen) {
  const std::string path = PathOf("held");
  BufferedFileWriter first(path.c_str());
  ASSERT_TRUE(first.IsOpen());
  ASSERT_EQ(first.Write("first", 5), 5);
  {
    BufferedFileWriter second(path.c_str());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Write("second", 6), -1);
    EXPECT_FALSE(second.Close());
  }
  EXPECT_TRUE(first.Close());
  EXPECT_EQ(Slurp(path), "first");
}

TEST_F(BufferedFileTest, WriterDoesNotReplaceFileAReaderHolds) {
  const std::string path = MakeFile("reading", "keep me");
  BufferedFileReader r(path.c_str());
  ASSERT_TRUE(r.IsLocked());
  BufferedFileWriter w(path.c_str());
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(Slurp(path), "keep me");
}

TEST_F(BufferedFileTest, AppendKeepsExistingBytes) {
  const std::string path = MakeFile("append", "head:");
  BufferedFileWriter w(path.c_str(), 1, 8192, 16, 16, true);
  ASSERT_TRUE(w.IsOpen());
  EXPECT_EQ(w.GetPosition(), 5);
  EXPECT_EQ(w.Write("tail", 4), 4);
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(Slurp(path), "head:tail");
}

TEST_F(BufferedFileTest, LargeWritesCrossBufferFlushes) {
  const std::string content = Pattern(400003);
  const std::string path = PathOf("bulk");
  BufferedFileWriter w(path.c_str());
  size_t done = 0;
  const int chunks[] = {1, 131071, 5, 131072, 70000};
  for (int i = 0; done < content.size(); ++i) {
    const int n = static_cast<int>(std::min<size_t>(chunks[i % 5], content.size() - done));
    ASSERT_EQ(w.Write(content.data() + done, n), n);
    done += static_cast<size_t>(n);
  }
  EXPECT_EQ(w.GetSize(), static_cast<int64_t>(content.size()));
  EXPECT_TRUE(w.Close());
  EXPECT_TRUE(w.Close());  // a second close reports the same
  EXPECT_TRUE(Slurp(path) == content);
}

TEST_F(BufferedFileTest, WriterThatNeverOpenedReportsFailure) {
  BufferedFileWriter w((mDir + "/no/such/folder/file").c_str());
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(w.Write("abc", 3), -1);
  EXPECT_TRUE(w.HasError());
  EXPECT_FALSE(w.Close());
  BufferedFileWriter nullPath(nullptr);
  EXPECT_EQ(nullPath.Write("abc", 3), -1);
}

// /dev/full takes the open and fails every write with ENOSPC.
TEST_F(BufferedFileTest, FailedWriteIsSticky) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  {
    // Buffered: the failure shows when the pending bytes are written.
    BufferedFileWriter w("/dev/full", 1, 8192, 16, 16, true, true);
    ASSERT_TRUE(w.IsOpen());
    EXPECT_EQ(w.Write("abc", 3), 3);
    EXPECT_FALSE(w.Close());
    EXPECT_FALSE(w.Close());
  }
  {
    // A write that fills the buffer fails at once, and every later one too.
    BufferedFileWriter w("/dev/full", 1, 8192, 16, 16, true, true);
    const std::string big(200000, 'x');
    EXPECT_EQ(w.Write(big.data(), static_cast<int>(big.size())), -1);
    EXPECT_EQ(w.Write("a", 1), -1);
    EXPECT_FALSE(w.Close());
  }
  {
    // Unbuffered.
    BufferedFileWriter w("/dev/full", 1, 8192, 0, 0, true, true);
    EXPECT_EQ(w.Write("abc", 3), -1);
    EXPECT_EQ(w.Write("abc", 3), -1);
    EXPECT_FALSE(w.Close());
  }
}

TEST_F(BufferedFileTest, FailedTruncationIsAnError) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  // A device cannot be truncated: old bytes would stay behind what we write.
  BufferedFileWriter w("/dev/full", 1, 8192, 16, 16, false, true);
  EXPECT_TRUE(w.HasError());
  EXPECT_EQ(w.Write("a", 1), -1);
}

}  // namespace
