// The clipboard: format registry, what the two pasteboards hold after CloseClipboard, and
// blocks read only within their size.
#include <cstring>

#include "platform/pasteboard.h"
#include "wemu/clipboard.h"
#include "wemu/utilities.h"
#include "wemu_fixture.h"

namespace {

class ClipboardTest : public WemuTest {
 protected:
  void SetUp() override {
    WemuTest::SetUp();
    WEMU_Internal_ResetClipboard();
  }
  void TearDown() override {
    WEMU_Internal_ResetClipboard();
    WemuTest::TearDown();
  }
  static HANDLE block(const void* bytes, size_t n) {
    HANDLE h = GlobalAlloc(0, static_cast<long>(n));
    std::memcpy(GlobalLock(h), bytes, n);
    GlobalUnlock(h);
    return h;
  }
  static std::string read(HANDLE h) {
    return std::string(static_cast<char*>(GlobalLock(h)), GlobalSize(h));
  }
  vq::platform::Pasteboard& app() { return vq::platform::MemoryPasteboard::named("WEMU_APP"); }
};

TEST_F(ClipboardTest, FormatsAreNumberedFromTextAndEnumeratedFromTheAppPasteboard) {
  OpenClipboard(nullptr);
  struct Case {
    const char* name;
    UINT id;
  } cases[] = {{"WEMU__CF_TEXT", 1}, {"vq-program", 2}, {"vq-bank", 3}, {"vq-program", 2}};
  for (const Case& c : cases) EXPECT_EQ(RegisterClipboardFormat(c.name), c.id) << c.name;
  app().declareTypes({});
  app().setData("vq-bank", "B");
  app().setData("unregistered", "U");
  app().setData("vq-program", "P");
  OpenClipboard(nullptr);
  EXPECT_EQ(EnumClipboardFormats(0), 3u);
  EXPECT_EQ(EnumClipboardFormats(3), 2u);
  EXPECT_EQ(EnumClipboardFormats(2), 0u);
  EXPECT_EQ(EnumClipboardFormats(7), 0u);
  HANDLE h = GetClipboardData(2);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(read(h), "P");
  EXPECT_EQ(GetClipboardData(9), nullptr);
  CloseClipboard();  // frees h (ASan would see a leak otherwise)
}

TEST_F(ClipboardTest, CloseWritesPendingDataWhereTheFormatsSay) {
  OpenClipboard(nullptr);
  UINT program = RegisterClipboardFormat("vq-program");
  // Text without a terminator inside its block: read only up to the block's end.
  SetClipboardData(CF_TEXT, block("hello", 5));
  SetClipboardData(program, block("\0\1\2", 3));
  CloseClipboard();
  auto& general = backend->pasteboard();
  EXPECT_EQ(general.string(), "hello");
  EXPECT_EQ(general.data("vq-program"), std::string("\0\1\2", 3));  // both on the general one
  // Every format written reads back: the own one beside the text, then one written alone.
  auto readBack = [&] {
    OpenClipboard(nullptr);
    HANDLE h = GetClipboardData(program);
    std::string got = h ? read(h) : "(none)";
    CloseClipboard();
    return got;
  };
  EXPECT_EQ(readBack(), std::string("\0\1\2", 3));
  OpenClipboard(nullptr);
  SetClipboardData(program, block("XY", 2));
  CloseClipboard();  // no text: the app pasteboard
  EXPECT_EQ(app().data("vq-program"), "XY");
  EXPECT_EQ(readBack(), "XY");
  EXPECT_EQ(general.string(), "hello");

  OpenClipboard(nullptr);
  HANDLE text = GetClipboardData(CF_TEXT);
  EXPECT_EQ(read(text), std::string("hello\0", 6));
  SetClipboardData(CF_TEXT, block("gone", 5));
  EmptyClipboard();  // pending records dropped and freed
  CloseClipboard();
  EXPECT_EQ(general.string(), "hello");
}

}  // namespace
