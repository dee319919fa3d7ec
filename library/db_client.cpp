#include "library/db_client.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "library/program_list.h"
#include "library/shared_library.h"
#include "platform/error_output.h"
#include "platform/utf8.h"

using nlohmann::json;

namespace {

constexpr size_t kRowTextBytes = 255;

// libcurl, and the TLS, Kerberos and LDAP libraries it brings, are loaded on the first request:
// nothing before it needs them, and a program that never goes online never loads them.
struct CurlApi {
  decltype(&curl_global_init) globalInit;
  decltype(&curl_easy_init) init;
  CURLcode (*setopt)(CURL*, CURLoption, ...);
  decltype(&curl_easy_perform) perform;
  CURLcode (*getinfo)(CURL*, CURLINFO, ...);
  decltype(&curl_easy_strerror) strerror;
  decltype(&curl_easy_cleanup) cleanup;
  decltype(&curl_slist_append) slistAppend;
  decltype(&curl_slist_free_all) slistFreeAll;
};

// Null when the library cannot be loaded (it is said once on standard error).
const CurlApi* Curl() {
  static const CurlApi* api = []() -> const CurlApi* {
    SharedLibrary lib("libcurl.so.4");
    static CurlApi a;
    lib.Get(a.globalInit, "curl_global_init");
    lib.Get(a.init, "curl_easy_init");
    lib.Get(a.setopt, "curl_easy_setopt");
    lib.Get(a.perform, "curl_easy_perform");
    lib.Get(a.getinfo, "curl_easy_getinfo");
    lib.Get(a.strerror, "curl_easy_strerror");
    lib.Get(a.cleanup, "curl_easy_cleanup");
    lib.Get(a.slistAppend, "curl_slist_append");
    lib.Get(a.slistFreeAll, "curl_slist_free_all");
    if (!lib.Complete("libcurl")) return nullptr;
    a.globalInit(CURL_GLOBAL_DEFAULT);
    return &a;
  }();
  return api;
}

bool IsHttps(std::string_view url) {
  return url.size() > 8 && url.substr(0, 8) == "https://";
}

struct Sink {
  std::string* body;
  size_t limit;
  bool over = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->body->size() + n > sink->limit) {
    sink->over = true;
    return 0;  // ends the transfer
  }
  sink->body->append(data, n);
  return n;
}

void LogStatus(const std::string& url, long status, const char* detail = nullptr) {
  vq::platform::errorLine("Error getting %s, HTTP status code %li%s%s\n", LoggedUrl(url).c_str(),
                          status, detail ? ": " : "", detail ? detail : "");
}

std::string FailureText(CURLcode rc, long status, bool over) {
  if (over || rc == CURLE_FILESIZE_EXCEEDED) return "reply too large";
  switch (rc) {
    case CURLE_OK:
      break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
      return "certificate not accepted";
    case CURLE_OPERATION_TIMEDOUT:
      return "time-out";
    default:
      return "no connection";
  }
  if (status == 200) return "";
  if (status == 404) return "not found";
  return "HTTP status " + std::to_string(status);
}

// Secret-looking query parameter names, compared in lower case.
bool SecretName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* word : {"token", "pass", "pwd", "key", "auth", "secret", "session"})
    if (lower.find(word) != std::string::npos) return true;
  return false;
}

// Invalid code points become U+FFFD.
void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  vq::platform::AppendUtf8(out, cp);
}

struct Entity {
  const char* name;
  uint32_t cp;
};
// The named entities a blog engine puts into titles.
constexpr Entity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},        {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"hellip", 0x2026}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018},
    {"rsquo", 0x2019}, {"ldquo", 0x201C},  {"rdquo", 0x201D}, {"laquo", 0xAB},   {"raquo", 0xBB},
    {"copy", 0xA9},    {"reg", 0xAE},      {"trade", 0x2122}, {"deg", 0xB0},     {"middot", 0xB7}};

// Decodes the entity starting at text[i] == '&'; returns the bytes consumed (0: not an entity).
size_t DecodeEntity(std::string_view text, size_t i, std::string& out) {
  size_t end = text.find(';', i);
  if (end == std::string_view::npos || end - i > 12 || end == i + 1) return 0;
  std::string_view body = text.substr(i + 1, end - i - 1);
  if (body[0] == '#') {
    bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    uint32_t cp = 0;
    for (char c : digits) {
      int v = c >= '0' && c <= '9'          ? c - '0'
              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                            : -1;
      if (v < 0) return 0;
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
      if (cp > 0x10FFFF) cp = 0x110000;
    }
    AppendUtf8(out, cp);
    return end - i + 1;
  }
  for (const Entity& e : kEntities) {
    if (body == e.name) {
      AppendUtf8(out, e.cp);
      return end - i + 1;
    }
  }
  return 0;
}

// An id as decimal text: a non-negative integer, or a string of digits.
std::string IdText(const json& v) {
  if (v.is_number_unsigned()) return std::to_string(v.get<uint64_t>());
  if (v.is_number_integer() && v.get<int64_t>() >= 0) return std::to_string(v.get<int64_t>());
  if (v.is_string() && IsDecimalId(v.get_ref<const std::string&>())) return v.get<std::string>();
  return "";
}

const json* Field(const json& item, const char* key) {
  auto it = item.find(key);
  return it == item.end() ? nullptr : &*it;
}

bool StringFieldIs(const json& item, const char* key, const char* value) {
  const json* f = Field(item, key);
  return f && f->is_string() && f->get_ref<const std::string&>() == value;
}

std::string RenderedTitle(const json& item) {
  const json* title = Field(item, "title");
  if (!title || !title->is_object()) return "";
  const json* rendered = Field(*title, "rendered");
  return rendered && rendered->is_string() ? HtmlTitleText(rendered->get_ref<const std::string&>())
                                           : "";
}

OnlineListRow MakeRow(uint8_t opensCategory, uint8_t isFile, const std::string& name,
                      const std::string& key) {
  OnlineListRow row;
  row.flags[0] = 1;
  row.flags[1] = opensCategory;
  row.flags[2] = isFile;
  CopyRowText(row.name, name);
  CopyRowText(row.idOrUrl, key);
  return row;
}

// Walks a top-level array; `rowOf` gives a row or false for an item that does not pass.
template <typename RowOf>
std::vector<OnlineListRow> CollectRows(std::string_view text, size_t* items, bool* ok,
                                       size_t itemLimit, RowOf rowOf) {
  std::vector<OnlineListRow> rows;
  json doc = json::parse(text.begin(), text.end(), nullptr, false);
  const bool isArray = !doc.is_discarded() && doc.is_array();
  if (items) *items = isArray ? doc.size() : 0;
  if (ok) *ok = isArray;
  if (!isArray) return rows;
  // A page holds what was asked for; a reply of thousands more is not read.
  size_t read = 0;
  for (const json& item : doc) {
    if (read++ >= itemLimit) break;
    if (!item.is_object()) continue;
    OnlineListRow row;
    if (rowOf(item, row)) rows.push_back(row);
  }
  return rows;
}

}  // namespace

DbClientOptions DbClientOptions::FromEnvironment() {
  DbClientOptions o;
  const char* base = std::getenv(kDbBaseUrlVariable);
  o.baseUrl = base && *base ? base : kDbDefaultBaseUrl;
  while (!o.baseUrl.empty() && o.baseUrl.back() == '/') o.baseUrl.pop_back();
  if (const char* ca = std::getenv(kDbCaFileVariable)) o.caFile = ca;
  return o;
}

DbClient::DbClient(DbClientOptions options) : mOptions(std::move(options)) {}

DbReply DbClient::Request(const std::string& url, const std::string* postBody, size_t limit) const {
  DbReply reply;
  if (!IsHttps(url)) {
    vq::platform::errorLine("VQEditor4: refusing a request that is not https: %s\n",
                            LoggedUrl(url).c_str());
    reply.failure = "not https";
    return reply;
  }
  const CurlApi* api = Curl();
  CURL* curl = api ? api->init() : nullptr;
  if (!curl) {
    reply.failure = "no connection";
    return reply;
  }
  Sink sink{&reply.body, limit};
  char error[CURL_ERROR_SIZE] = {};
  api->setopt(curl, CURLOPT_URL, url.c_str());
  api->setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
  api->setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  // A post (the login, with the password) follows no redirect: the body would go wherever the
  // reply points, on a 307 or 308 even to another host.
  api->setopt(curl, CURLOPT_FOLLOWLOCATION, postBody ? 0L : 1L);
  api->setopt(curl, CURLOPT_MAXREDIRS, 5L);
  api->setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  api->setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!mOptions.caFile.empty()) api->setopt(curl, CURLOPT_CAINFO, mOptions.caFile.c_str());
  api->setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, mOptions.connectTimeoutMs);
  api->setopt(curl, CURLOPT_TIMEOUT_MS, mOptions.totalTimeoutMs);
  api->setopt(curl, CURLOPT_NOSIGNAL, 1L);
  api->setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
  api->setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  api->setopt(curl, CURLOPT_WRITEDATA, &sink);
  api->setopt(curl, CURLOPT_ERRORBUFFER, error);
  api->setopt(curl, CURLOPT_USERAGENT, "VQEditor4");
  // The loopback address is never reached through a proxy.
  api->setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
  curl_slist* headers = nullptr;
  if (postBody) {
    char length[48];
    std::snprintf(length, sizeof length, "Content-Length: %lu",
                  static_cast<unsigned long>(postBody->size()));
    headers = api->slistAppend(headers, "Content-Type: application/json");
    headers = api->slistAppend(headers, "cache-control: no-cache");
    headers = api->slistAppend(headers, length);
    api->setopt(curl, CURLOPT_HTTPHEADER, headers);
    api->setopt(curl, CURLOPT_POSTFIELDS, postBody->data());
    api->setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
  }
  CURLcode rc = api->perform(curl);
  if (rc == CURLE_OK) {
    api->getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  } else {
    reply.status = 0;
    reply.body.clear();
  }
  reply.failure = FailureText(rc, reply.status, sink.over);
  if (reply.status != 200)
    LogStatus(url, reply.status,
              rc != CURLE_OK
                  ? (sink.over ? "reply too large" : (*error ? error : api->strerror(rc)))
                  : nullptr);
  api->slistFreeAll(headers);
  api->cleanup(curl);
  return reply;
}

DbReply DbClient::Get(const std::string& url, size_t limit) const {
  return Request(url, nullptr, limit);
}

DbLoginResult DbClient::DbLogin(const std::string& user, const std::string& password,
                                std::string* failure) const {
  std::string body = DbLoginBody(user, password);
  DbReply reply = Request(Url(kDbLoginPath), &body, mOptions.listBodyLimit);
  WipeText(body);
  if (failure) *failure = reply.failure;
  if (reply.status == 401 || reply.status == 403) return DbLoginResult::kRefused;
  if (!reply.ok()) return DbLoginResult::kFailed;
  json doc = json::parse(reply.body, nullptr, false);
  WipeText(reply.body);
  if (doc.is_discarded() || !doc.is_object()) {
    if (failure) *failure = "unreadable reply";
    return DbLoginResult::kFailed;
  }
  const json* name = Field(doc, "user_display_name");
  return name && name->is_string() && name->get_ref<const std::string&>() == user
             ? DbLoginResult::kLoggedIn
             : DbLoginResult::kRefused;
}

DbClient::Page DbClient::Categories() const {
  Page page;
  DbReply reply = Get(Url("/vqdatabase2/wp-json/wp/v2/cmdm_category"), mOptions.listBodyLimit);
  if (reply.ok()) page.rows = DbCategoryRows(reply.body, &page.items, &page.ok);
  page.status = reply.status;
  page.failure = reply.ok() && !page.ok ? "unreadable reply" : reply.failure;
  return page;
}

DbClient::Page DbClient::DbGetPages(std::string_view categoryId, int number) const {
  Page page;
  if (!IsDecimalId(categoryId) || number < 1) return page;
  const std::string url =
      Url("/vqdatabase2/wp-json/wp/v2/cmdm_page?per_page=" + std::to_string(kDbPageSize) +
          "&page=" + std::to_string(number) + "&cmdm_category=" + std::string(categoryId) +
          "&status=publish");
  DbReply reply = Get(url, mOptions.listBodyLimit);
  if (reply.ok()) page.rows = DbPageRows(reply.body, &page.items, &page.ok);
  page.status = reply.status;
  page.failure = reply.ok() && !page.ok ? "unreadable reply" : reply.failure;
  return page;
}

DbClient::Page DbClient::DbGetMedia(std::string_view pageId, int number) const {
  Page page;
  if (!IsDecimalId(pageId) || number < 1) return page;
  const std::string url = Url("/vqdatabase2/wp-json/wp/v2/media?parent=" + std::string(pageId) +
                              "&per_page=" + std::to_string(kDbPageSize) +
                              "&page=" + std::to_string(number) + "&order=asc");
  DbReply reply = Get(url, mOptions.listBodyLimit);
  if (reply.ok()) page.rows = DbMediaRows(reply.body, &page.items, &page.ok);
  page.status = reply.status;
  page.failure = reply.ok() && !page.ok ? "unreadable reply" : reply.failure;
  return page;
}

std::string DbClient::DbDownload(const std::string& url, std::string* failure) const {
  DbReply reply = Get(url, mOptions.fileBodyLimit);
  if (failure)
    *failure = reply.ok() && !IsValidUtf8(reply.body) ? "not a program file" : reply.failure;
  if (!reply.ok() || !IsValidUtf8(reply.body)) return "";
  return reply.body;
}

namespace {

// A JSON string of UTF-8 text (anything else as U+FFFD), appended without growing `out` past the
// capacity its caller reserved, so that no copy of a secret is left behind in freed memory.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  while (!text.empty()) {
    char32_t c = 0;
    const size_t n = vq::platform::DecodeUtf8Sequence(text, &c);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
      out += hex;
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n == 0 ? 1 : n);
  }
  out += '"';
}

}  // namespace

std::string DbLoginBody(const std::string& user, const std::string& password) {
  std::string body;
  body.reserve(64 + 6 * (user.size() + password.size()));
  body += "{\n    \"password\": ";
  AppendJsonString(body, password);
  body += ",\n    \"username\": ";
  AppendJsonString(body, user);
  body += "\n}";
  return body;
}

std::vector<OnlineListRow> DbCategoryRows(std::string_view text, size_t* items, bool* ok) {
  const size_t limit = static_cast<size_t>(kDbPageSize) * kDbPageLimit;
  return CollectRows(text, items, ok, limit, [](const json& item, OnlineListRow& row) {
    if (!StringFieldIs(item, "taxonomy", "cmdm_category")) return false;
    const json* id = Field(item, "id");
    const json* name = Field(item, "name");
    if (!id || !name || !name->is_string()) return false;
    std::string key = IdText(*id);
    const std::string shown = CleanRowText(name->get_ref<const std::string&>());
    if (key.empty() || shown.find_first_not_of(' ') == std::string::npos) return false;
    row = MakeRow(1, 0, shown, key);
    return true;
  });
}

std::vector<OnlineListRow> DbPageRows(std::string_view text, size_t* items, bool* ok) {
  return CollectRows(text, items, ok, kDbPageSize, [](const json& item, OnlineListRow& row) {
    if (!StringFieldIs(item, "_package_type", "file")) return false;
    const json* id = Field(item, "id");
    std::string key = id ? IdText(*id) : "";
    std::string title = RenderedTitle(item);
    if (key.empty() || title.empty()) return false;
    row = MakeRow(0, 0, title, key);
    return true;
  });
}

std::vector<OnlineListRow> DbMediaRows(std::string_view text, size_t* items, bool* ok) {
  return CollectRows(text, items, ok, kDbPageSize, [](const json& item, OnlineListRow& row) {
    if (!StringFieldIs(item, "mime_type", "application/octet-stream")) return false;
    const json* url = Field(item, "source_url");
    if (!url || !url->is_string()) return false;
    const std::string& address = url->get_ref<const std::string&>();
    // Only an https address that fits the row whole, and names a file, can be downloaded later.
    if (!IsHttps(address) || address.size() > kRowTextBytes || DownloadFileName(address).empty())
      return false;
    std::string title = RenderedTitle(item);
    if (title.empty()) return false;
    row = MakeRow(0, 1, title, address);
    return true;
  });
}

std::string HtmlTitleText(std::string_view html) {
  std::string decoded;
  for (size_t i = 0; i < html.size();) {
    const char c = html[i];
    const char next = i + 1 < html.size() ? html[i + 1] : '\0';
    if (c == '<' && (std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!' ||
                     next == '?')) {
      size_t end = html.find('>', i);
      if (end == std::string_view::npos) break;
      i = end + 1;
      continue;
    }
    size_t used = c == '&' ? DecodeEntity(html, i, decoded) : 0;
    if (used == 0) {
      decoded += c;
      used = 1;
    }
    i += used;
  }
  // Line breaks, tabs and every other control character, raw or from an entity, are blanks;
  // runs of blanks are one, none at either end.
  const std::string clean = CleanRowText(decoded);
  std::string out;
  bool blank = false;
  for (char c : clean) {
    if (c == ' ') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string CleanRowText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    char32_t c = 0;
    const size_t n = vq::platform::DecodeUtf8Sequence(text, &c);
    if (n == 0)
      AppendUtf8(out, 0xFFFD);
    else if (vq::platform::IsControlCodePoint(c))
      out += ' ';
    else
      out.append(text.substr(0, n));
    text.remove_prefix(n == 0 ? 1 : n);
  }
  return out;
}

std::string LoggedUrl(std::string_view url) {
  const size_t scheme = url.find("://");
  const size_t hostStart = scheme == std::string_view::npos ? 0 : scheme + 3;
  size_t hostEnd = url.find_first_of("/?#", hostStart);
  if (hostEnd == std::string_view::npos) hostEnd = url.size();
  std::string_view authority = url.substr(hostStart, hostEnd - hostStart);
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string out = std::string(url.substr(0, hostStart)) + std::string(authority);
  std::string_view rest = url.substr(hostEnd);
  const size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  const size_t q = rest.find('?');
  const std::string_view path = rest.substr(0, q);
  out += path;
  if (q == std::string_view::npos || path.find(kDbLoginPath) != std::string_view::npos)
    return CleanRowText(out);
  std::string_view query = rest.substr(q + 1);
  char separator = '?';
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const std::string_view name = pair.substr(0, pair.find('='));
    out += separator;
    out += SecretName(name) ? std::string(name) + "=..." : std::string(pair);
    separator = '&';
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return CleanRowText(out);
}

void WipeText(std::string& text) {
  text.resize(text.capacity());
  volatile char* p = text.data();
  for (size_t i = 0; i < text.size(); ++i) p[i] = 0;
  text.clear();
}

void CopyRowText(char (&dst)[256], std::string_view text) {
  size_t n = text.size() < kRowTextBytes ? text.size() : kRowTextBytes;
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(dst, text.data(), n);
  dst[n] = '\0';
}

bool IsDecimalId(std::string_view id) {
  if (id.empty() || id.size() > 19) return false;
  for (char c : id)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    uint32_t cp = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

std::string DownloadFileName(std::string_view url) {
  size_t cut = url.find_first_of("?#");
  if (cut != std::string_view::npos) url = url.substr(0, cut);
  size_t slash = url.rfind('/');
  if (slash == std::string_view::npos) return "";
  std::string_view name = url.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return "";
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\') return "";
  return SafeFileNamePart(name);
}
