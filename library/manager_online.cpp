// The browser in online mode (categories, program pages, program files, downloads into the
// cache folder) and the login panel with its remembered user name and password.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "library/credential_cache.h"
#include "library/program_manager.h"
#include "library/program_text_format.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"
#include "wemu/ini_file.h"

namespace fs = vq::platform;

namespace {

const IColor kPlainText(255, 200, 200, 200);

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

// Appends the rows of page after page within one list's time: a full page asks for the next
// one; an empty, short or failed page ends the list.
template <class GetPage>
void AppendPages(std::vector<OnlineListRow>& rows, long timeoutMs, GetPage getPage) {
  const ListDeadline deadline(timeoutMs);
  for (int n = 1; n <= kDbPageLimit; ++n) {
    DbClient::Page page = getPage(n);
    if (!page.ok) break;
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
  for (IControl* text : e.browserRowText) {
    if (!text) continue;
    text->SetTextFromPlug("");
    text->SetTextColor(kPlainText);
    text->Hide(true);
  }
}

void ProgramManager::FinishOnlineList(VQEditor& e) {
  e.browserFirstRow = 0;
  e.browserScrollRange = 0;
  if (e.browserScrollBar) e.browserScrollBar->SetValueFromPlug(1.0);
  if (IParam* p = e.GetParam(vq_param::kManagerBrowserScroll)) p->Set(1.0);
  const int rows = static_cast<int>(e.browserRows.size());
  const bool fits = rows <= VQEditor::kBrowserTextRows;
  if (!fits) e.browserScrollRange = rows - VQEditor::kBrowserTextRows;
  if (IGraphics* g = e.Graphics()) g->HideControlsOfParam(vq_param::kManagerBrowserScroll, fits);
  anchor = -1;
  RedrawBrowserRows(e);
}

void ProgramManager::ShowOnlineCategories(VQEditor& e) {
  e.browserRows.clear();
  ResetBrowserTexts(e);
  DbGetCategories(e);
}

void ProgramManager::DbGetCategories(VQEditor& e) {
  if (!e.managerPageShown) return;
  DbClient::Page page = client.Categories();
  if (!page.ok) return;
  e.browserRows.insert(e.browserRows.end(), page.rows.begin(), page.rows.end());
  FinishOnlineList(e);
}

void ProgramManager::ShowOnlinePages(VQEditor& e, const std::string& categoryId) {
  e.browserRows.clear();
  ResetBrowserTexts(e);
  e.browserRows.push_back(UpRow(0, ".."));
  AppendPages(e.browserRows, client.Options().totalTimeoutMs,
              [&](int n) { return client.DbGetPages(categoryId, n); });
  FinishOnlineList(e);
}

void ProgramManager::ShowOnlineFiles(VQEditor& e, const std::string& pageId) {
  e.browserRows.clear();
  ResetBrowserTexts(e);
  e.browserRows.push_back(UpRow(1, e.browserFolder));
  AppendPages(e.browserRows, client.Options().totalTimeoutMs,
              [&](int n) { return client.DbGetMedia(pageId, n); });
  // Equal names keep their order, as a bubble sort that swaps only greater names leaves them.
  std::stable_sort(e.browserRows.begin(), e.browserRows.end(),
                   [](const OnlineListRow& a, const OnlineListRow& b) { return NameAfter(b, a); });
  FinishOnlineList(e);
}

bool ProgramManager::DownloadToFolder(VQEditor& e, const std::string& url, std::string* localPath) {
  const std::string name = DownloadFileName(url);
  if (name.empty() || e.cacheFolder.empty()) return false;
  const std::string path = e.cacheFolder + name;
  if (path.size() > 255) return false;
  std::string text = client.DbDownload(url);
  text.resize(std::strlen(text.c_str()));  // up to the first zero byte
  if (text.empty()) return false;
  if (!fs::MakeFolder(e.cacheFolder, 0755)) return false;
  if (WriteFileSafely(path, text) != ProgramFileError::kNone) return false;
  if (localPath) *localPath = path;
  return true;
}

std::string ProgramManager::CredentialFilePath(const VQEditor& e) const {
  return e.settingsFolder + kCredentialFileName;
}

void ProgramManager::ShowLoginPanel(VQEditor& e, bool show) {
  for (IControl* c : loginPanelControls)
    if (c) c->Hide(!show);
  if (IGraphics* g = e.Graphics()) {
    g->HideControlsOfParam(vq_param::kManagerLogin, !show);
    g->HideControlsOfParam(vq_param::kManagerRememberLogin, !show);
  }
}

void ProgramManager::HideOnlineEntry(VQEditor& e) {
  ShowLoginPanel(e, false);
  if (IGraphics* g = e.Graphics()) {
    g->HideControlsOfParam(vq_param::kManagerBrowse, true);
    g->HideControlsOfParam(vq_param::kManagerOnline, true);
  }
}

void ProgramManager::OpenOnlineDatabase(VQEditor& e) {
  if (loggedIn) {
    HideOnlineEntry(e);
    ShowOnlineCategories(e);
    return;
  }
  ShowLoginPanel(e, true);
  if (e.ParamValue(vq_param::kManagerRememberLogin) <= 0.5) return;
  char user[257] = {};
  GetPrivateProfileString("dbase", "user", "", user, sizeof user, e.SettingsPath().c_str());
  if (user[0]) userField.SetText(user);
  if (std::optional<std::string> password = ReadCredentialFile(CredentialFilePath(e)))
    passwordField.SetText(*password);
}

void ProgramManager::LoginToDatabase(VQEditor& e) {
  const std::string user = userField.Text();
  const std::string password = passwordField.Text();
  loggedIn = client.DbLogin(user, password);
  if (!loggedIn) {
    if (IGraphics* g = e.Graphics())
      g->ShowMessageBox(
          "There was an error during the Login process.\nPlease check your account on the\n"
          "Velquor Program Database site!",
          "Login Error", 0);
    ShowLoginPanel(e, false);
    return;
  }
  if (e.ParamValue(vq_param::kManagerRememberLogin) > 0.5) {
    if (!HasControlBytes(user))
      WritePrivateProfileString("dbase", "user", user.c_str(), e.SettingsPath().c_str());
    // A password the file cannot give back whole is not remembered, nor is an older one kept.
    if (!WriteCredentialFile(CredentialFilePath(e), password))
      fs::RemoveFile(CredentialFilePath(e));
  }
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
  userField.SetText("");
  passwordField.SetText("");
}
