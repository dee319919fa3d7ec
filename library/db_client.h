// The online program database's web service: synchronous HTTPS requests (certificates and host
// names checked, https only, also for redirects, with time-outs and a body cap) and the rows of
// its JSON lists. Nothing here touches the editor; the browser operations build on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "editor/program_files.h"

// The service's address. VQ_DB_BASE_URL replaces it (tests point it at a local server; it must
// still be https), VQ_DB_CA_FILE names a file of trusted certificates to use instead of the
// system's.
inline constexpr const char* kDbDefaultBaseUrl = "https://www.velquor.com";
inline constexpr const char* kDbBaseUrlVariable = "VQ_DB_BASE_URL";
inline constexpr const char* kDbCaFileVariable = "VQ_DB_CA_FILE";

inline constexpr const char* kDbLoginPath = "/vqdatabase2/wp-json/jwt-auth/v1/token";
inline constexpr const char* kDbUploadPagePath = "/vqdatabase2/download/add/";
// Rows a list page asks for, and the most pages one list may take.
inline constexpr int kDbPageSize = 47;
inline constexpr int kDbPageLimit = 40;

struct DbClientOptions {
  std::string baseUrl;  // no trailing "/"
  std::string caFile;   // "" for the system's store
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 30000;
  size_t listBodyLimit = 4u << 20;
  size_t fileBodyLimit = 64u << 10;
  // From the constant and the two environment variables.
  static DbClientOptions FromEnvironment();
};

struct DbReply {
  long status = 0;  // HTTP status; 0 when no reply came
  std::string body;
  bool ok() const { return status == 200; }
};

class DbClient {
 public:
  explicit DbClient(DbClientOptions options = DbClientOptions::FromEnvironment());

  const DbClientOptions& Options() const { return mOptions; }
  std::string Url(std::string_view path) const { return mOptions.baseUrl + std::string(path); }

  // GET of a full https URL. Anything else than https is refused without a request. A body past
  // `limit` bytes ends the transfer (status 0).
  DbReply Get(const std::string& url, size_t limit) const;
  // The login: true only for a 200 reply whose "user_display_name" is exactly `user`. Neither
  // the request body nor the reply (it carries an access token) is logged.
  bool DbLogin(const std::string& user, const std::string& password) const;

  // The rows of one list page, and how many items the reply held (paging goes on a full page).
  struct Page {
    bool ok = false;
    size_t items = 0;
    std::vector<OnlineListRow> rows;
  };
  Page Categories() const;
  // Ids must be decimal digits; anything else is refused without a request.
  Page DbGetPages(std::string_view categoryId, int page) const;
  Page DbGetMedia(std::string_view pageId, int page) const;
  // A program file's text: empty unless the reply was 200 and valid UTF-8.
  std::string DbDownload(const std::string& url) const;

 private:
  DbReply Request(const std::string& url, const std::string* postBody, size_t limit) const;
  DbClientOptions mOptions;
};

// The request body of a login: pretty-printed JSON {"username": ..., "password": ...}.
std::string DbLoginBody(const std::string& user, const std::string& password);

// Rows of a list reply by kind; items that are not objects or lack a field of the right kind
// are skipped. *items receives the number of items the reply held (0 for a non-array).
std::vector<OnlineListRow> DbCategoryRows(std::string_view json, size_t* items = nullptr,
                                          bool* ok = nullptr);
std::vector<OnlineListRow> DbPageRows(std::string_view json, size_t* items = nullptr,
                                      bool* ok = nullptr);
std::vector<OnlineListRow> DbMediaRows(std::string_view json, size_t* items = nullptr,
                                       bool* ok = nullptr);

// An HTML title as plain text: tags dropped, entities decoded, line breaks and tabs as blanks.
std::string HtmlTitleText(std::string_view html);
// Copies at most 255 bytes, never splitting a UTF-8 sequence.
void CopyRowText(char (&dst)[256], std::string_view text);
bool IsDecimalId(std::string_view id);
bool IsValidUtf8(std::string_view text);
// The local name of a download: the text after the URL's last "/", without query or fragment.
// "" when that is empty, "." or "..", holds a control byte or a "\", or is longer than 255 bytes.
std::string DownloadFileName(std::string_view url);
