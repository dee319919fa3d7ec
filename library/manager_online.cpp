// The browser in online mode (categories, program pages, program files, downloads into the
// cache folder) and the login panel with its remembered user name and password.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "editor/vq_editor.h"
#include "library/credential_cache.h"
#include "library/program_manager.h"
#include "library/program_text_format.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"
#include "wemu/ini_file.h"

namespace fs = vq::platform;

namespace {

OnlineListRow UpRow(uint8_t opensCategory, const std::string& key) {
  OnlineListRow row;
  row.flags[0] = 1;
  row.flags[1] = opensCategory;
  std::snprintf(row.name, sizeof row.name, "..");
  CopyRowText(row.idOrUrl, key);
  return row;
}

bool NameAfter(const OnlineListRow& a, const OnlineListRow& b) {
  for (size_t i = 0;; ++i) {
    const int x = std::toupper(static_cast<unsigned char>(a.name[i]));
    const int y = std::toupper(static_cast<unsigned char>(b.name[i]));
    if (x != y) return x > y;
    if (x == 0) return false;
  }
}

// A list as a whole gets the time one request may take, so a server that answers every page
// slowly cannot hold the program for the full number of pages.
class ListDeadline {
 public:
  explicit ListDeadline(long ms)
      : mEnd(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)) {}
  bool Passed() const { return std::chrono::steady_clock::now() >= mEnd; }

 private:
  std::chrono::steady_clock::time_point mEnd;
};

// Says in the status line what failed.
void ShowFailure(VQEditor& e, const char* what, const std::string& failure) {
  const std::string text = std::string(what) + " failed: " + failure;
  e.SetStatusText(text.c_str());
}

// Appends the rows of page after page within one list's time: a full page asks for the next
// one; an empty, short or failed page ends the list. A failure is shown, unless it is the
// service's answer to a page past the end (an HTTP error after the first page).
template <class GetPage>
void AppendPages(VQEditor& e, std::vector<OnlineListRow>& rows, long timeoutMs, GetPage getPage) {
  const ListDeadline deadline(timeoutMs);
  for (int n = 1; n <= kDbPageLimit; ++n) {
    DbClient::Page page = getPage(n);
    if (!page.ok) {
      if (n == 1 || page.status == 0) ShowFailure(e, "Program list", page.failure);
      break;
    }
    rows.insert(rows.end(), page.rows.begin(), page.rows.end());
    if (page.items < static_cast<size_t>(kDbPageSize) || deadline.Passed()) break;
  }
}

bool HasControlBytes(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

void ProgramManager::ResetBrowserTexts(VQEditor& e) {
  if (VQEditorPages* pages = e.Pages()) pages->ClearBrowserRows();
}

void ProgramManager::FinishOnlineList(VQEditor& e) {
  e.Browser().SetFirstRow(0);
  e.Browser().SetScrollRange(0);
  if (VQEditorPages* pages = e.Pages()) pages->SetBrowserScrollPosition(1.0);
  if (IParam* p = e.GetParam(vq_param::kManagerBrowserScroll)) p->Set(1.0);
  const int rows = static_cast<int>(e.Browser().Rows().size());
  const bool fits = rows <= VQEditor::kBrowserTextRows;
  if (!fits) e.Browser().SetScrollRange(rows - VQEditor::kBrowserTextRows);
  e.HideControlsOfParam(vq_param::kManagerBrowserScroll, fits);
  mAnchor = -1;
  RedrawBrowserRows(e);
}

void ProgramManager::ShowOnlineCategories(VQEditor& e) {
  e.Browser().Rows().clear();
  ResetBrowserTexts(e);
  DbGetCategories(e);
}

void ProgramManager::DbGetCategories(VQEditor& e) {
  if (!e.ManagerPageShown()) return;
  DbClient::Page page = mClient.Categories();
  if (!page.ok) {
    ShowFailure(e, "Category list", page.failure);
    return;
  }
  e.Browser().Rows().insert(e.Browser().Rows().end(), page.rows.begin(), page.rows.end());
  FinishOnlineList(e);
}

void ProgramManager::ShowOnlinePages(VQEditor& e, const std::string& categoryId) {
  e.Browser().Rows().clear();
  ResetBrowserTexts(e);
  e.Browser().Rows().push_back(UpRow(0, ".."));
  AppendPages(e, e.Browser().Rows(), mClient.Options().totalTimeoutMs,
              [&](int n) { return mClient.DbGetPages(categoryId, n); });
  FinishOnlineList(e);
}

void ProgramManager::ShowOnlineFiles(VQEditor& e, const std::string& pageId) {
  e.Browser().Rows().clear();
  ResetBrowserTexts(e);
  e.Browser().Rows().push_back(UpRow(1, e.Browser().Folder()));
  AppendPages(e, e.Browser().Rows(), mClient.Options().totalTimeoutMs,
              [&](int n) { return mClient.DbGetMedia(pageId, n); });
  // Equal names keep their order, as a bubble sort that swaps only greater names leaves them.
  std::stable_sort(e.Browser().Rows().begin(), e.Browser().Rows().end(),
                   [](const OnlineListRow& a, const OnlineListRow& b) { return NameAfter(b, a); });
  FinishOnlineList(e);
}

bool ProgramManager::DownloadToFolder(VQEditor& e, const std::string& url, std::string* localPath) {
  const std::string name = DownloadFileName(url);
  const std::string& folder = e.Browser().CacheFolder();
  if (name.empty() || folder.empty() || folder.size() + name.size() > 255) {
    ShowFailure(e, "Download", "no file name for the address");
    return false;
  }
  const std::string path = folder + name;
  std::string failure;
  std::string text = mClient.DbDownload(url, &failure);
  text.resize(std::strlen(text.c_str()));  // up to the first zero byte
  if (text.empty()) {
    ShowFailure(e, "Download", failure.empty() ? "empty file" : failure);
    return false;
  }
  fs::MakeFolder(folder, 0755);
  if (WriteFileSafely(path, text) != ProgramFileError::kNone) {
    ShowFailure(e, "Download", "cannot write " + path);
    return false;
  }
  if (localPath) *localPath = path;
  return true;
}

std::string ProgramManager::CredentialFilePath(const VQEditor& e) const {
  return e.Browser().SettingsFolder() + kCredentialFileName;
}

void ProgramManager::ShowLoginPanel(VQEditor& e, bool show) {
  if (VQEditorPages* pages = e.Pages()) pages->ShowLoginPanel(e, !show);
}

void ProgramManager::HideOnlineEntry(VQEditor& e) {
  ShowLoginPanel(e, false);
  if (VQEditorPages* pages = e.Pages()) pages->ShowSelectFolderPanel(e, true);
}

void ProgramManager::OpenOnlineDatabase(VQEditor& e) {
  if (mLoggedIn) {
    HideOnlineEntry(e);
    ShowOnlineCategories(e);
    return;
  }
  ShowLoginPanel(e, true);
  if (e.ParamValue(vq_param::kManagerRememberLogin) <= 0.5) return;
  char user[257] = {};
  GetPrivateProfileString("dbase", "user", "", user, sizeof user, e.SettingsPath().c_str());
  if (user[0]) mUserField.SetText(user);
  if (std::optional<std::string> password = ReadCredentialFile(CredentialFilePath(e))) {
    mPasswordField.SetText(*password);
    WipeText(*password);
  }
}

void ProgramManager::LoginToDatabase(VQEditor& e) {
  const std::string user = mUserField.Text();
  std::string password = mPasswordField.Text();
  std::string failure;
  const DbLoginResult result = mClient.DbLogin(user, password, &failure);
  mLoggedIn = result == DbLoginResult::kLoggedIn;
  if (!mLoggedIn) {
    WipeText(password);
    // Every failure gets the box; one where no usable answer came (no connection, a
    // certificate, a time-out) also says what failed, as the account is then not to blame.
    std::string text =
        "There was an error during the Login process.\nPlease check your account on the\n"
        "Velquor Program Database site!";
    if (result != DbLoginResult::kRefused) {
      ShowFailure(e, "Login", failure);
      const bool unreachable = failure == "no connection" || failure == "time-out" ||
                               failure == "certificate not accepted";
      text += (unreachable ? "\n\nThe server could not be reached: "
                           : "\n\nThe server gave no usable answer: ") +
              failure + ".";
    }
    // The panels close first: the box, shown by the idle call once the editor is free, is
    // answered over the page's own buttons.
    HideOnlineEntry(e);
    e.PostMessageBox(text.c_str(), "Login Error");
    return;
  }
  if (e.ParamValue(vq_param::kManagerRememberLogin) > 0.5) {
    if (!HasControlBytes(user))
      WritePrivateProfileString("dbase", "user", user.c_str(), e.SettingsPath().c_str());
    // A password the file cannot give back whole is not remembered, nor is an older one kept.
    if (!WriteCredentialFile(CredentialFilePath(e), password))
      fs::RemoveFile(CredentialFilePath(e));
  }
  WipeText(password);
  HideOnlineEntry(e);
  ShowOnlineCategories(e);
}

void ProgramManager::SetRememberLogin(VQEditor& e) {
  const char* settings = e.SettingsPath().c_str();
  if (e.ParamValue(vq_param::kManagerRememberLogin) >= 0.5) {
    WritePrivateProfileString("dbase", "memo", "true", settings);
    return;
  }
  WritePrivateProfileString("dbase", "memo", "false", settings);
  WritePrivateProfileString("dbase", "user", "", settings);
  fs::RemoveFile(CredentialFilePath(e));
  mUserField.SetText("");
  mPasswordField.SetText("");
}
