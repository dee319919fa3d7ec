// The database client: its text rules, and its requests against the HTTPS stand-in on the
// loopback address (lists, paging, filtering, entities, downloads, time-out, size cap, refused
// schemes and names, certificates that must not be trusted).
#include <gtest/gtest.h>

#include <chrono>

#include "db_test_server.h"
#include "library/db_client.h"

namespace vqtest {
namespace {

std::vector<std::string> Names(const std::vector<OnlineListRow>& rows) {
  std::vector<std::string> out;
  for (const OnlineListRow& r : rows) out.push_back(r.name);
  return out;
}

TEST(DbText, DownloadNamesRefuseWhatCannotBeAFileOfTheCache) {
  const struct {
    const char* url;
    const char* name;
  } cases[] = {
      {"https://h/files/Lead.pr4", "Lead.pr4"},
      {"https://h/files/Lead.pr4?ver=2#top", "Lead.pr4"},
      {"https://h/a/b#x/y", "b"},
      {"https://h/files/", ""},
      {"https://h/files/.", ""},
      {"https://h/files/..", ""},
      {"https://h/files/..?x=1", ""},
      {"https://h/files/a\x01"
       "b",
       ""},
      {"https://h/files/a\\b", ""},
      {"no-slash.pr4", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DownloadFileName(c.url), c.name) << c.url;
  EXPECT_EQ(DownloadFileName("https://h/" + std::string(255, 'n')), std::string(255, 'n'));
  EXPECT_EQ(DownloadFileName("https://h/" + std::string(256, 'n')), "");
}

TEST(DbText, TitlesIdsAndCuts) {
  EXPECT_EQ(HtmlTitleText("Bass &amp; Lead"), "Bass & Lead");
  EXPECT_EQ(HtmlTitleText("<b>Bold</b> &#8211;\n  One&#x21;"), "Bold \u2013 One!");
  EXPECT_EQ(HtmlTitleText("&lt;x&gt; &quot;q&quot; &unknown; &#0; a < b"),
            "<x> \"q\" &unknown; \uFFFD a < b");
  for (const char* id : {"0", "47", "1234567890"}) EXPECT_TRUE(IsDecimalId(id)) << id;
  for (const char* id : {"", "-1", "4 7", "12&status=draft", "0x10", "１"})
    EXPECT_FALSE(IsDecimalId(id)) << id;

  OnlineListRow row;
  std::string text = std::string(254, 'a') + "\u00e9z";  // the two-byte letter straddles byte 255
  CopyRowText(row.name, text);
  EXPECT_EQ(std::string(row.name), std::string(254, 'a'));
  EXPECT_TRUE(IsValidUtf8(row.name));
  EXPECT_FALSE(IsValidUtf8("\xc3"));
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // a surrogate
}

class DbClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DbTestServer::Get().Ready())
      GTEST_SKIP() << "the HTTPS stand-in did not start (python3, openssl)";
  }
  DbClient Client() const { return DbClient(DbTestServer::Get().Options()); }
};

TEST_F(DbClientTest, CategoriesKeepTheirTaxonomyAndWellFormedIds) {
  DbClient::Page page = Client().Categories();
  ASSERT_TRUE(page.ok);
  EXPECT_EQ(page.items, 5u);
  EXPECT_EQ(Names(page.rows), (std::vector<std::string>{"Bass", "Leads"}));
  EXPECT_STREQ(page.rows[0].idOrUrl, "3");
  EXPECT_EQ(page.rows[0].flags[0], 1);
  EXPECT_EQ(page.rows[0].flags[1], 1);
  EXPECT_EQ(page.rows[0].flags[2], 0);
}

TEST_F(DbClientTest, PageItemsAreFilteredAndTitlesDecoded) {
  DbClient::Page page = Client().DbGetPages("3", 1);
  ASSERT_TRUE(page.ok);
  EXPECT_EQ(Names(page.rows),
            (std::vector<std::string>{"Bass & Lead", "Bold \u2013 One", "String id"}));
  EXPECT_STREQ(page.rows[2].idOrUrl, "33");
  DbClient::Page files = Client().DbGetMedia("200", 1);
  ASSERT_TRUE(files.ok);
  // Pictures and addresses that are not https never become rows.
  EXPECT_EQ(Names(files.rows),
            (std::vector<std::string>{"Zed", "abc", "ABD", "\u2026dots", "Abc"}));
  EXPECT_EQ(files.rows[0].flags[2], 1);
  EXPECT_EQ(std::string(files.rows[0].idOrUrl), DbTestServer::Get().Base() + "/files/Zed.pr4");
}

TEST_F(DbClientTest, RefusedRequestsAndDownloads) {
  DbClient c = Client();
  EXPECT_FALSE(c.DbGetPages("3&status=draft", 1).ok);  // ids are digits only
  EXPECT_FALSE(c.DbGetMedia("-1", 1).ok);
  EXPECT_EQ(c.Get("file:///etc/passwd", 100).status, 0);
  const std::string files = DbTestServer::Get().Base() + "/files/";
  EXPECT_EQ(c.DbDownload(files + "Good.pr4?x=1").substr(0, 7), " 244 \r\n");
  for (const char* bad : {"big.pr4", "to-http.pr4", "bad-utf8.pr4"})
    EXPECT_EQ(c.DbDownload(files + bad), "") << bad;
}

TEST_F(DbClientTest, UntrustedCertificatesAndWrongHostNamesAreRefused) {
  DbClientOptions other = DbTestServer::Get().Options();
  other.caFile = DbTestServer::Get().UntrustedCa();
  EXPECT_FALSE(DbClient(other).Categories().ok);
  DbClientOptions system = DbTestServer::Get().Options();
  system.caFile.clear();
  EXPECT_FALSE(DbClient(system).Categories().ok);
  DbClientOptions byName = DbTestServer::Get().Options();
  byName.baseUrl = "https://localhost:" + byName.baseUrl.substr(byName.baseUrl.rfind(':') + 1);
  EXPECT_FALSE(DbClient(byName).Categories().ok);  // the certificate names 127.0.0.1 only
}

TEST_F(DbClientTest, ASilentServerEndsAtTheTimeOut) {
  DbClientOptions o = DbTestServer::Get().Options();
  o.totalTimeoutMs = 1000;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DbClient(o).DbGetPages("9", 1).ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
}

TEST_F(DbClientTest, LoginAcceptsOnlyTheExactDisplayName) {
  DbClient c = Client();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(c.DbLogin("xterces", "secret"));
  EXPECT_FALSE(c.DbLogin("xterces", "wrong"));
  const std::string log = testing::internal::GetCapturedStderr();
  // Neither the password nor the token the reply carries reaches the log.
  for (const char* secret : {"secret", "wrong", "secret-token"})
    EXPECT_EQ(log.find(secret), std::string::npos) << log;
  EXPECT_FALSE(c.DbLogin("refused", ""));
  EXPECT_FALSE(c.DbLogin("Mixed", "x"));  // the service answers "mixed"
}

TEST(DbOptions, EnvironmentPointsTheClientElsewhere) {
  setenv(kDbBaseUrlVariable, "https://127.0.0.1:9/", 1);
  setenv(kDbCaFileVariable, "/tmp/ca.pem", 1);
  DbClientOptions o = DbClientOptions::FromEnvironment();
  EXPECT_EQ(o.baseUrl, "https://127.0.0.1:9");
  EXPECT_EQ(o.caFile, "/tmp/ca.pem");
  unsetenv(kDbBaseUrlVariable);
  unsetenv(kDbCaFileVariable);
  EXPECT_EQ(DbClientOptions::FromEnvironment().baseUrl, kDbDefaultBaseUrl);
}

}  // namespace
}  // namespace vqtest
