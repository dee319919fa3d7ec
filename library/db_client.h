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
  // What failed, for the status line ("" after a 200 reply): "certificate not accepted",
  // "time-out", "reply too large", "not found", "HTTP status N" or "no connection".
  std::string failure;
  bool ok() const { return status == 200; }
};

enum class DbLoginResult { kLoggedIn, kRefused, kFailed };

class DbClient {
 public:
  explicit DbClient(DbClientOptions options = DbClientOptions::FromEnvironment());

  const DbClientOptions& Options() const { return mOptions; }
  std::string Url(std::string_view path) const { return mOptions.baseUrl + std::string(path); }

  // GET of a full https URL. Anything else than https is refused without a request. A body past
  // `limit` bytes ends the transfer (status 0).
  DbReply Get(const std::string& url, size_t limit) const;
  // The login: kLoggedIn only for a 200 reply whose "user_display_name" is exactly `user`;
  // kRefused when the service turned the account down (a 401 or 403 reply, or another name);
  // kFailed, with *failure saying why, when no usable answer came. The request follows no
  // redirect: its body holds the password. Neither the request body nor the reply (it carries an
  // access token) is logged; the program's copies of the password are wiped when done.
  DbLoginResult DbLogin(const std::string& user, const std::string& password,
                        std::string* failure = nullptr) const;

  // The rows of one list page, and how many items the reply held (paging goes on a full page).
  struct Page {
    bool ok = false;
    size_t items = 0;
    std::vector<OnlineListRow> rows;
    long status = 0;      // of the reply, as DbReply
    std::string failure;  // as DbReply
  };
  Page Categories() const;
  // Ids must be decimal digits; anything else is refused without a request.
  Page DbGetPages(std::string_view categoryId, int page) const;
  Page DbGetMedia(std::string_view pageId, int page) const;
  // A program file's text: empty unless the reply was 200 and valid UTF-8 (*failure says why).
  std::string DbDownload(const std::string& url, std::string* failure = nullptr) const;

 private:
  DbReply Request(const std::string& url, const std::string* postBody, size_t limit) const;
  DbClientOptions mOptions;
};

// The request body of a login: pretty-printed JSON {"username": ..., "password": ...}.
std::string DbLoginBody(const std::string& user, const std::string& password);

// Rows of a list reply by kind; items that are not objects or lack a field of the right kind
// are skipped, and items past the first kDbPageSize of a page (kDbPageSize * kDbPageLimit of the
// categories) are not read. *items receives the number of items the reply held (0 for a
// non-array). Row names are valid UTF-8 without control characters.
std::vector<OnlineListRow> DbCategoryRows(std::string_view json, size_t* items = nullptr,
                                          bool* ok = nullptr);
std::vector<OnlineListRow> DbPageRows(std::string_view json, size_t* items = nullptr,
                                      bool* ok = nullptr);
std::vector<OnlineListRow> DbMediaRows(std::string_view json, size_t* items = nullptr,
                                       bool* ok = nullptr);

// An HTML title as plain text: tags dropped, entities decoded, line breaks, tabs and other
// control characters (C0, DEL, C1) as blanks, runs of blanks as one.
std::string HtmlTitleText(std::string_view html);
// A name from the service as a row shows it: bytes that are not UTF-8 as U+FFFD, control
// characters as blanks.
std::string CleanRowText(std::string_view text);
// A URL as the log shows it: without user information, without the query of the login, and with
// the values of query parameters that look like secrets (token, password, key, auth) left out.
std::string LoggedUrl(std::string_view url);
// Overwrites a string's bytes (also its spare capacity) so that a secret does not outlive its use
// in freed memory.
void WipeText(std::string& text);
// Copies at most 255 bytes, never splitting a UTF-8 sequence.
void CopyRowText(char (&dst)[256], std::string_view text);
bool IsDecimalId(std::string_view id);
bool IsValidUtf8(std::string_view text);
// The local name of a download: the text after the URL's last "/", without query or fragment.
// "" when that is empty, "." or "..", holds a control byte or a "\", or is longer than 255 bytes;
// else made safe by SafeFileNamePart.
std::string DownloadFileName(std::string_view url);
