// The program manager as a musician uses it: the real program on a fresh settings folder, real
// X input only, the simulated synthesizer on JACK. What counts is what the synthesizer receives
// and what lands on disk; a screenshot of every step is kept in the build folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "desktop_steps.h"
#include "editor/param_ids.h"
#include "support/jack_server.h"
#include "library/db_client.h"
#include "library/program_text_format.h"
#include "protocol/firmware_image.h"

namespace {

using namespace desktop_steps;

constexpr int kMarkerField = 3;  // each test program carries its own value here

class ManagerDesktopOverJack : public DesktopTest {
 protected:
  void SetUp() override {
    VQ_SKIP_WITHOUT_JACK();
    std::string why;
    if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
    ASSERT_TRUE(MakeFolder("manager_desktop"));
    const char* build = std::getenv("VQ_BINARY_DIR");
    shots = std::string(build ? build : ".") + "/manager-desktop-steps/";
    fs::remove_all(shots);
    fs::create_directories(shots);
  }
  void TearDown() override {
    // A step that failed leaves the program running: it is ended, by its own process id.
    if (program.joinable()) {
      const int pid = std::atoi(ReadFile(outputFile + ".pid").c_str());
      if (pid > 0) kill(pid, SIGTERM);
      program.join();
    }
    // What the program printed stays beside the screenshots.
    std::error_code ignored;
    if (fs::is_regular_file(outputFile))  // not a pipe, which would wait for a writer
      fs::copy_file(outputFile, shots + "output.txt", fs::copy_options::overwrite_existing,
                    ignored);
    unsetenv(kDbBaseUrlVariable);
    DesktopTest::TearDown();
  }
  // Folder `name` with one program file per entry, each carrying its marker.
  std::string Folder(const std::string& name,
                     const std::vector<std::pair<std::string, int>>& files) {
    const std::string folder = dir + "/" + name;
    fs::create_directories(folder);
    for (const auto& [file, marker] : files) {
      ProgramRecord r = ProgramFieldTable::InitRecord();
      r[kMarkerField] = marker;
      std::ofstream(folder + "/" + file) << FormatProgramText(r);
    }
    return folder;
  }
  static std::vector<std::pair<std::string, int>> Numbered(const char* tag, int count, int base) {
    std::vector<std::pair<std::string, int>> files;
    char name[32];
    for (int i = 1; i <= count; ++i) {
      std::snprintf(name, sizeof name, tag, i);
      files.emplace_back(name, base + i);
    }
    return files;
  }
  // A GUI point on the screen.
  int X(int gx) const { return vx + gx; }
  int Y(int gy) const { return vy + gy; }
  static int SlotX(int slot) { return 308 + 82 * (slot % 10) + 41; }
  static int SlotY(int slot) { return 108 + static_cast<int>(68.5 * (slot / 10)) + 34; }
  // xdotool's steps: the pointer moved to a GUI point, then `then`.
  std::vector<std::string> At(int gx, int gy, std::vector<std::string> then) const {
    then.insert(then.begin(), {"mousemove", std::to_string(X(gx)), std::to_string(Y(gy))});
    return then;
  }
  void ClickGui(int gx, int gy, const char* key = nullptr) {
    PressApart([&] {
      Xdo(At(gx, gy,
             key ? std::vector<std::string>{"keydown", key, "click", "1", "keyup", key}
                 : std::vector<std::string>{"click", "1"}));
    });
  }
  void DoubleClickGui(int gx, int gy) {
    PressApart([&] { Xdo(At(gx, gy, {"click", "--repeat", "2", "--delay", "80", "1"})); });
  }
  // Pressed at the first GUI point, moved through the others, released at the last.
  void DragGui(const std::vector<std::pair<int, int>>& points) {
    std::vector<std::pair<int, int>> onScreen;
    for (const auto& [gx, gy] : points) onScreen.emplace_back(X(gx), Y(gy));
    DragThrough(screen, onScreen);
  }
  // The same from the browser's list, which starts a drag on its fourth motion: the toolkit
  // merges the motions that come within one of its frames, so each move gets 0.2 s of its own.
  void DragFromList(const std::vector<std::pair<int, int>>& points) {
    std::vector<std::string> steps = At(points[0].first, points[0].second, {"mousedown", "1"});
    for (size_t i = 1; i < points.size(); ++i) {
      steps.insert(steps.end(), {"sleep", "0.2"});
      const std::vector<std::string> move = At(points[i].first, points[i].second, {});
      steps.insert(steps.end(), move.begin(), move.end());
    }
    steps.insert(steps.end(), {"sleep", "0.2", "mouseup", "1"});
    PressApart([&] { Xdo(steps); });
  }
  void DragSlot(int from, int to) {
    DragGui(
        {{SlotX(from), SlotY(from)}, {SlotX(from) + 10, SlotY(from) + 10}, {SlotX(to), SlotY(to)}});
  }
  // A menu item, chosen once more when the menu mapped after the click (`done` tells).
  bool Menu(int menuX, int itemX, int itemY, const std::function<bool()>& done) {
    return ChooseMenuItem(vx, vy - kMenuBarHeight, menuX, itemX, itemY, done);
  }
  std::function<bool()> Shown(const char* title) {
    return [title] { return WindowShownBecomes(title, true, 3000); };
  }
  // View > Program Manager, and back to the synthesizer's pages.
  bool ToManager() { return Menu(100, 160, 365, ViewChanges(500, 450, 500, 250)); }
  bool ToSynthPages() { return Menu(100, 160, 390, ViewChanges(500, 450, 500, 250)); }
  // The box titled `box` comes, is answered with `key` and goes.
  bool Answer(const char* box, const char* key = "Return", const std::string& shot = "",
              int comeMs = 5000) {
    if (!WindowShownBecomes(box, true, comeMs)) return false;
    if (!shot.empty()) Shot(shot);
    Xdo({"key", key});
    return WindowShownBecomes(box, false, 5000);
  }
  // Without a window manager a panel takes the keyboard only once clicked: a click on the empty
  // lower part of its list.
  bool FocusPanel(const char* title) {
    int px = 0, py = 0, ph = 0, pw = 0;
    if (!DrawnWindow(title, &px, &py, &ph, &pw)) return false;
    Click(px + 400, py + 350);
    return true;
  }
  // Chooses a folder or file in the panel titled `title` by typing its path; once more when the
  // panel opened its location field too late for the keys.
  bool ChooseInPanel(const char* title, const std::string& path) {
    if (!WindowShownBecomes(title, true, 10000))
      return Shot(std::string("no-panel-") + title), false;
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!FocusPanel(title)) return false;
      CountComplaints();
      const std::vector<uint32_t> before = WindowPixels(screen, title);
      Xdo({"key", "ctrl+l"});
      Within(3000, [&] { return WindowPixels(screen, title) != before; });  // the location field
      Xdo({"key", "ctrl+a"});
      Xdo({"type", "--delay", "0", path});
      if (ConfirmWithReturn(title)) return true;
    }
    Shot(std::string("panel-stays-") + title);
    return false;
  }
  // Return in the panel, which closes and the page shows again where it was. GTK complaints
  // that follow it are counted (Ctrl+L has a complaint of GTK's own, so only those after Return
  // are), up to the next panel's keys or the program's end.
  bool ConfirmWithReturn(const char* title, int closeMs = 3000) {
    CountComplaints();
    complaintsFrom = Count("Gtk-CRITICAL");
    const auto view = [this] {
      return screen.read(vx, vy, vq_layout::kGuiWidth, vq_layout::kGuiHeight);
    };
    const std::vector<uint32_t> covered = view();
    Xdo({"key", "Return"});
    if (!WindowShownBecomes(title, false, closeMs)) return false;
    Within(5000, [&] { return view() != covered; });
    return true;
  }
  void CountComplaints() {
    if (complaintsFrom >= 0) complaintsAfterReturn += Count("Gtk-CRITICAL") - complaintsFrom;
    complaintsFrom = -1;
  }
  void Shot(const std::string& name) {
    RunProgram({"import", "-window", "root", shots + name + ".png"}, 10000);
  }
  // Pixels that differ between two shots inside a GUI rectangle.
  long Differing(const std::string& a, const std::string& b, int gx, int gy, int w, int h) {
    const std::string crop = std::to_string(w) + "x" + std::to_string(h) + "+" +
                             std::to_string(X(gx)) + "+" + std::to_string(Y(gy));
    std::string out;
    RunProgram({"compare", "-metric", "AE", "-fuzz", "8%", "-extract", crop, shots + a + ".png",
                shots + b + ".png", "null:"},
               20000, &out);
    return std::atol(out.c_str());
  }
  // The marker value of the last whole program the synthesizer received.
  int LastMarker() {
    const std::vector<int> values = Received(sim, kMarkerField);
    return values.empty() ? -1 : values.back();
  }
  bool MarkerBecomes(int marker) {
    return Within(5000, [&] { return LastMarker() == marker; });
  }
  // Starts the program with its messages going to `output` (read while it runs), or where the
  // shell's `redirect` sends them; true once its window shows, and then the page's origin is
  // known.
  bool Start(const std::string& output, int runMs = 170000,
             const std::string& redirect = ">\"$1\" 2>&1") {
    outputFile = output;
    ended = false;
    program = std::thread([this, output, runMs, redirect] {
      exitCode = RunProgram(
          {"sh", "-c", "echo $$ >\"$1.pid\"; exec \"$0\" " + redirect, Program(), output}, runMs);
      ended = true;
    });
    if (!WindowShownBecomes("VQEditor4", true, 15000)) return false;
    int x = 0, y = 0;
    if (!SettledOrigin("VQEditor4", &x, &y)) return false;  // the start-up fit places it
    vx = x;
    vy = y + kMenuBarHeight;
    return true;
  }
  // File > Load Program from File to Editor, the file typed into its panel.
  bool Open(const std::string& path) {
    return Menu(20, 100, 63, Shown("Open")) && ChooseInPanel("Open", path);
  }
  // A key of the program's settings file ("" when it is not there).
  std::string Setting(const std::string& key) const {
    const std::string settings = Settings();
    const size_t at = settings.find("\n" + key + "=");
    if (at == std::string::npos) return "";
    const size_t from = at + key.size() + 2;
    return settings.substr(from, settings.find_first_of("\r\n", from) - from);
  }
  // The box of a synth-page control of the space skin, and its centre.
  static IRECT SynthRect(int param) {
    for (const auto& c : vq_layout::SynthPageControls(vq_layout::Skin::Space))
      if (c.param == param && c.attached && !c.hidden) return c.rect;
    ADD_FAILURE() << "no control of parameter " << param;
    return {};
  }
  static std::pair<int, int> SynthControl(int param) {
    const IRECT r = SynthRect(param);
    return {(r.L + r.R) / 2, (r.T + r.B) / 2};
  }
  // "VCO1 volume" (field 11) dragged up (or down) on the synth page; the value the synthesizer
  // got last.
  int EditVco1Volume(int up = 40) {
    const auto [kx, ky] = SynthControl(14);
    const size_t before = Received(sim, 11).size();
    DragGui({{kx, ky}, {kx, ky - up / 2}, {kx, ky - up}});
    Within(5000, [&] { return Received(sim, 11).size() > before; });
    Heard();  // the drag's last value too
    const std::vector<int> values = Received(sim, 11);
    return values.size() > before ? values.back() : -1;
  }
  // Waits until the synthesizer has heard all the program sent so far: a key of the synth page
  // played after it.
  bool Heard() {
    return HeardUpToAKeyPlayed(sim, [this](int gx, int gy) { ClickGui(gx, gy); });
  }
  // SAVE into `folder`, and the report of it read.
  bool SaveBank(const std::string& folder) {
    fs::create_directories(folder);
    ClickGui(522, 47);
    return ChooseInPanel("Select Directory", folder) && Answer("Done");
  }
  bool QuitByMenu() {
    const bool quit =
        Menu(20, 60, 240, [this] { return Within(5000, [this] { return ended.load(); }); });
    program.join();
    return quit;
  }
  // Slot number -> marker of the program files in a folder.
  static std::map<int, int> Markers(const std::string& folder) {
    std::map<int, int> markers;
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename();
      markers[std::atoi(name.c_str())] = DistinctFields(ReadFile(entry.path()))[0];
    }
    return markers;
  }
  size_t NrpnCount() const {
    size_t n = 0;
    for (const auto& l : sim.LogLines()) n += l.rfind("nrpn ", 0) == 0;
    return n;
  }
  int Count(const std::string& text) const {
    if (!fs::is_regular_file(outputFile)) return 0;  // a pipe is read by its test alone
    const std::string output = ReadFile(outputFile);
    int n = 0;
    for (size_t at = output.find(text); at != std::string::npos; at = output.find(text, at + 1))
      ++n;
    return n;
  }

  // Starts the simulated synthesizer and the program, its messages going to a file, and picks
  // the synthesizer's ports in Preferences (once more when a menu or list opened too late).
  void StartWithSynth(const vqtest::VqsimOptions& options, int runMs,
                      const std::string& output = "") {
    ASSERT_TRUE(sim.Start(options)) << sim.Error();
    const SynthPorts ports = PortsOf(sim);  // before the program's own ports exist
    ASSERT_TRUE(ports.ok());
    ASSERT_TRUE(Start(output.empty() ? dir + "/output" : output, runMs));
    for (int attempt = 0; attempt < 2 && !sim.WaitForLogLine("startup", 10); ++attempt) {
      ASSERT_TRUE(PickSynthesizer(vx, vy - kMenuBarHeight, ports));
      sim.WaitForLogLine("startup", 5000);
    }
    ASSERT_TRUE(sim.WaitForLogLine("startup", 10)) << ReadFile(dir + "/VQEditor4/settings.ini");
  }
  // The window and what it shows over it (panels, boxes), as <name>.png beside the other steps.
  void Snap(const std::string& name) {
    const int w = vq_layout::kGuiWidth, h = vq_layout::kGuiHeight + kMenuBarHeight;
    const std::vector<uint32_t> pixels = screen.read(vx, vy - kMenuBarHeight, w, h);
    if (pixels.size() == static_cast<size_t>(w) * h) WritePng(shots + name + ".png", pixels, w, h);
  }
  // A check that the view changed inside a GUI rectangle (one no menu covers) since now.
  std::function<bool()> ViewChanges(int gx, int gy, int w, int h) {
    const std::vector<uint32_t> before = screen.read(X(gx), Y(gy), w, h);
    return [=, this] {
      return Within(3000, [&] {
        const std::vector<uint32_t> now = screen.read(X(gx), Y(gy), w, h);
        size_t differ = 0;
        for (size_t i = 0; i < now.size() && i < before.size(); ++i) differ += now[i] != before[i];
        return differ > now.size() / 20;
      });
    };
  }
  // The panel titled `title` comes and is looked at.
  bool Look(const char* title, const std::string& shot) {
    int px = 0, py = 0, ph = 0, pw = 0;
    if (!WindowShownBecomes(title, true, 10000) || !DrawnWindow(title, &px, &py, &ph, &pw))
      return false;
    Snap(shot);
    return true;
  }
  // The panel titled `title` comes, is looked at and is cancelled.
  bool CancelPanel(const char* title, const std::string& shot) {
    if (!Look(title, shot)) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
      FocusPanel(title);
      Xdo({"key", "Escape"});
      if (WindowShownBecomes(title, false, 3000)) return true;
    }
    return false;
  }
  // The save panel, when it comes, saves to `path` typed into it. On a slow disk the toolkit's
  // own writes (its list of recent files) hold the panel up for as long as the disk takes.
  bool SaveTo(const std::string& path, int diskMs = 0) {
    int px = 0, py = 0, ph = 0, pw = 0;
    if (!WindowShownBecomes("Save", true, 10000 + 2 * diskMs) ||
        !DrawnWindow("Save", &px, &py, &ph, &pw))
      return false;
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "--delay", "0", path});
    // A Return the panel gets while it still completes the typed name is lost: once more then.
    for (int attempt = 0; attempt < 3; ++attempt)
      if (ConfirmWithReturn("Save", 3000 + 2 * diskMs)) return true;
    return false;
  }
  // Every file below the test folder with its size and a hash of its contents, but the
  // program's messages and the desktop's list of recent files.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string name = entry.path().filename();
      if (entry.is_regular_file() && name.rfind("output", 0) != 0 &&
          name.find("recently-used") == std::string::npos) {
        const std::string bytes = ReadFile(entry.path());
        files[entry.path().string()] =
            std::to_string(bytes.size()) + " " + std::to_string(std::hash<std::string>{}(bytes));
      }
    }
    return files;
  }

  std::string shots, outputFile;
  vqtest::VqsimProcess sim;
  vq::test::XInput screen;
  int complaintsAfterReturn = 0, complaintsFrom = -1;
  std::atomic<bool> ended{false};
  int vx = 0, vy = 0;
};

// The browser's row k, and slot 0's cell of the grid, which holds no program.
int RowY(int k) {
  return 118 + 14 * k + 7;
}
constexpr int kCellZeroX = 349, kCellZeroY = 142;

TEST_F(ManagerDesktopOverJack, BankAndBrowserActOnWhatTheUserPoints) {
  const std::string bankA = Folder("A", Numbered("%02d_P.pr4", 10, 0));
  const std::string browsed = Folder("B", Numbered("B%02d.pr4", 61, 40));
  const std::string full = Folder("D", Numbered("%02d_D.pr4", 99, 0));
  const std::string saved = dir + "/C";
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 170000));
  Shot("01-synth-page");

  // One program written from folder A, then "Write all Programs" from folder D: D is uploaded,
  // whole, with no question about gaps.
  ASSERT_TRUE(Menu(20, 100, 113, Shown("Open")));
  ASSERT_TRUE(ChooseInPanel("Open", bankA + "/05_P.pr4"));
  ASSERT_TRUE(sim.WaitForLogLine("write 5 ok 05_P", 5000));
  ASSERT_TRUE(Menu(20, 100, 138, Shown("Select Directory")));
  ASSERT_TRUE(ChooseInPanel("Select Directory", full));
  EXPECT_TRUE(sim.WaitForLogLine("write 99 ok 99_D", 40000));
  EXPECT_FALSE(WindowShownBecomes("Warning", true, 0));
  EXPECT_TRUE(sim.WaitForLogLine("write 5 ok 05_D", 1000));
  if (WindowShownBecomes("Done", true, 3000)) {
    ASSERT_TRUE(Answer("Done"));
  }
  Shot("02-written-all");

  // "Save Program from VQ to File": SAVE, the file panel, and the page is uncovered again.
  ASSERT_TRUE(Menu(20, 100, 163, ViewChanges(400, 350, 330, 150)));
  Shot("03-number-panel");
  ClickGui(562, 424);
  ASSERT_TRUE(sim.WaitForLogLine("dump 1", 5000));
  ASSERT_TRUE(SaveTo(dir + "/received.pr4"));
  ASSERT_TRUE(FileAppears(dir + "/received.pr4", 5000));
  EXPECT_TRUE(Within(5000, [&] {
    Shot("04-received-saved");
    return Differing("02-written-all", "04-received-saved", 0, 120, 1140, 660) < 1140 * 660 / 20;
  }));

  // An edit on the synth page ("VCO1 volume" dragged up) outlives a visit to the manager where
  // nothing is chosen: leaving it sends nothing, and Undo and Redo step over the edit.
  const int edited = EditVco1Volume();
  ASSERT_NE(edited, -1);
  const size_t sent = NrpnCount();
  Shot("05-edited");
  ASSERT_TRUE(ToManager());
  Shot("05-manager");
  ASSERT_TRUE(ToSynthPages());
  ASSERT_TRUE(Heard());
  EXPECT_EQ(NrpnCount(), sent);
  Shot("05-manager-left");
  KeyTo("VQEditor4", "ctrl+z");
  EXPECT_TRUE(Within(5000, [&] { return NrpnCount() > sent; }));
  EXPECT_TRUE(Within(5000, [&] { return Received(sim, 11).back() != edited; }));
  const size_t undone = Received(sim, 11).size();
  KeyTo("VQEditor4", "ctrl+shift+z");
  EXPECT_TRUE(Within(5000, [&] {
    const std::vector<int> v = Received(sim, 11);
    return v.size() > undone && v.back() == edited;
  })) << Received(sim, 11).back();

  // The manager page; LOAD BANK from folder A.
  ASSERT_TRUE(ToManager());
  Shot("05-manager-again");
  ClickGui(436, 47);
  ASSERT_TRUE(ChooseInPanel("Select Directory", bankA));
  Shot("06-bank-loaded");
  // A double-click on slot 05 sends slot 05's program, once the edit is saved.
  DoubleClickGui(SlotX(5), SlotY(5));
  ASSERT_TRUE(Answer("Warning"));
  ASSERT_TRUE(SaveTo(dir + "/edited.pr4"));
  EXPECT_TRUE(MarkerBecomes(5)) << LastMarker();
  Shot("07-slot-05-sent");

  // The local browser on folder B (61 files): its scroll bar shows; a click selects the row
  // under the pointer and a double-click sends it.
  const auto choiceShows = ViewChanges(320, 30, 340, 70);  // the panel covers the buttons
  ClickGui(51, 47);
  choiceShows();
  Shot("08-browser-emptied");
  ClickGui(51, 47);
  ASSERT_TRUE(ChooseInPanel("Select Directory", browsed));
  EXPECT_TRUE(Within(5000, [&] {
    Shot("08-browser");
    return Differing("08-browser-emptied", "08-browser", 276, 116, 20, 660) > 200;
  }));
  const auto rowSelected = ViewChanges(24, 118 + 14 * 3, 250, 14);
  ClickGui(100, 118 + 14 * 3 + 7);
  rowSelected();
  Shot("09-row-selected");
  DoubleClickGui(100, 118 + 14 * 3 + 7);
  EXPECT_TRUE(MarkerBecomes(43)) << LastMarker();
  // Loading a slot deselects the browser's rows.
  DoubleClickGui(SlotX(2), SlotY(2));
  EXPECT_TRUE(MarkerBecomes(2)) << LastMarker();
  EXPECT_TRUE(Within(5000, [&] {
    Shot("10-slot-02-sent");
    return Differing("09-row-selected", "10-slot-02-sent", 24, 118 + 14 * 3, 250, 14) > 20;
  }));

  // COPY with ASK ticked from the start: a click selects without a question; a drag onto a
  // filled slot asks, and No keeps it.
  ClickGui(673, 62);
  ClickGui(SlotX(2), SlotY(2));
  EXPECT_FALSE(WindowShownBecomes("Warning", true, 1500));
  Shot("11-copy-click");
  DragSlot(2, 3);
  ASSERT_TRUE(Answer("Warning", "Escape", "12-copy-asks"));
  ClickGui(673, 62);

  // MOVE: 08, Shift+click 10; dragged onto 98 the block would pass 99: refused with a message.
  ClickGui(673, 36);
  ClickGui(SlotX(8), SlotY(8));
  ClickGui(SlotX(10), SlotY(10), "shift");
  Shot("13-range");
  DragSlot(8, 98);
  ASSERT_TRUE(Answer("Warning", "Return", "14-past-99-refused"));
  Shot("14-refusal-read");
  // Ctrl+click takes 09 out; 08 and 10 then move onto 20 and 22.
  ClickGui(SlotX(9), SlotY(9), "ctrl");
  Shot("15-toggled");
  DragSlot(8, 20);
  Shot("16-moved");
  ClickGui(673, 36);

  // SAVE the bank: on disk every program is where the user put it, none lost.
  ASSERT_TRUE(SaveBank(saved));
  Shot("17-saved");
  EXPECT_EQ(
      Markers(saved),
      (std::map<int, int>{
          {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {9, 9}, {20, 8}, {22, 10}}));

  // RECEIVE: the synthesizer's bank (folder D's, each program's marker its slot) replaces it.
  ClickGui(436, 76);
  ASSERT_TRUE(Answer("Warning"));
  EXPECT_TRUE(sim.WaitForLogLine("dump 99", 40000));
  ASSERT_TRUE(Answer("Done", "Return", "", 10000));
  Shot("18-received");
  // The buttons still act after it: MOVE 01 onto 50 (Yes to the question), then SAVE.
  ClickGui(673, 36);
  ClickGui(SlotX(1), SlotY(1));
  DragSlot(1, 50);
  ASSERT_TRUE(Answer("Warning"));
  ClickGui(673, 36);
  const std::string received = dir + "/E";
  ASSERT_TRUE(SaveBank(received));
  std::map<int, int> expected;
  for (int slot = 2; slot <= 99; ++slot) expected[slot] = slot;
  expected[50] = 1;
  EXPECT_EQ(Markers(received), expected);
  // COPY 02 onto the emptied 01, unsaved.
  ClickGui(673, 62);
  ClickGui(SlotX(2), SlotY(2));
  DragSlot(2, 1);
  ClickGui(673, 62);
  Shot("19-copied");
  expected[1] = 2;

  // File > Quit.
  EXPECT_TRUE(QuitByMenu());
  EXPECT_EQ(exitCode, 0) << ReadFile(dir + "/output");
  // Confirming a panel with Return leaves GTK nothing to complain about.
  CountComplaints();
  EXPECT_EQ(complaintsAfterReturn, 0) << ReadFile(dir + "/output");

  // The next start shows that bank again: the synthesizer gets its programs, SAVE writes it.
  ASSERT_TRUE(Start(dir + "/output2"));
  Shot("20-restarted");
  DoubleClickGui(SlotX(50), SlotY(50));
  EXPECT_TRUE(MarkerBecomes(1)) << LastMarker();
  const std::string kept = dir + "/F";
  ASSERT_TRUE(SaveBank(kept));
  EXPECT_EQ(Markers(kept), expected);
  EXPECT_TRUE(QuitByMenu());
  EXPECT_EQ(exitCode, 0) << ReadFile(dir + "/output2");
  EXPECT_TRUE(sim.Faults().empty());
}

}  // namespace

// Every menu command and manager button that opens a panel, cancelled: nothing is fetched from
// the synthesizer and nothing on disk changes, though a hand-edited program in the folder used
// last carries the name the synthesizer's slot 01 would be saved under.
TEST_F(ManagerDesktopOverJack, CancelledPanelsChangeNothing) {
  const std::string mine = Folder("mine", {{"01Sim 01.pr4", 77}});
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({.distinct = true}, 220000));
  ASSERT_TRUE(Open(mine + "/01Sim 01.pr4"));
  ASSERT_TRUE(MarkerBecomes(77)) << LastMarker();
  const std::map<std::string, std::string> before = Files();
  const size_t heard = sim.LogLines().size();

  struct MenuPanel {
    int menuX, itemY;
    const char* panel;
    const char* shot;
  };
  const MenuPanel menus[] = {{20, 37, "Select Directory", "select-directory"},
                             {20, 63, "Open", "load-program"},
                             {20, 88, "Save", "save-program"},
                             {20, 113, "Open", "write-program"},
                             {20, 138, "Select Directory", "write-all-programs"},
                             {20, 188, "Select Directory", "save-all-from-vq"},
                             {20, 214, "Open", "firmware-update"},
                             {152, 37, "Select Directory", "convert-old-files"}};
  for (const MenuPanel& m : menus) {
    ASSERT_TRUE(Menu(m.menuX, m.menuX + 80, m.itemY, Shown(m.panel))) << m.shot;
    ASSERT_TRUE(CancelPanel(m.panel, std::string("cancel-") + m.shot)) << m.shot;
  }
  // The manager: LOAD BANK; the browser's marked program put into the bank, then SAVE and SHARE
  // ONLINE after its question; last the local browser's folder.
  ASSERT_TRUE(ToManager());
  ClickGui(436, 47);
  ASSERT_TRUE(CancelPanel("Select Directory", "cancel-load-bank"));
  ClickGui(230, 76);
  ClickGui(522, 47);
  ASSERT_TRUE(CancelPanel("Select Directory", "cancel-save-bank"));
  ClickGui(600, 47);
  ASSERT_TRUE(Look("Warning", "share-online-asks"));
  Xdo({"key", "Return"});
  ASSERT_TRUE(CancelPanel("Select Directory", "cancel-share-online"));
  ClickGui(51, 47);
  ClickGui(51, 47);
  ASSERT_TRUE(CancelPanel("Select Directory", "cancel-browse"));

  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  Snap("cancelled-all");
  const std::vector<std::string> lines = sim.LogLines();
  EXPECT_EQ(lines.size(), heard) << lines.back();
  // The program put into the bank is kept for the next start; nothing else changed.
  std::map<std::string, std::string> after = Files();
  EXPECT_EQ(after.erase(dir + "/VQEditor4/managerbank.txt"), 1u);
  EXPECT_EQ(after, before);
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(sim.Faults().empty());
}

// A save lands in a folder of the user's, never in the program's own (the download cache, the
// settings folder), where it would be emptied away; it is still there after quitting.
TEST_F(ManagerDesktopOverJack, SavesStayInTheUsersFolders) {
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({.distinct = true}, 220000));
  const std::string cache = dir + "/VQEditor4/cache/";
  auto programsIn = [](const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
      if (entry.path().extension() == ".pr4") names.push_back(entry.path().filename());
    return names;
  };

  // RECEIVE on the manager page, a click on slot 05, back to the synthesizer pages.
  ASSERT_TRUE(ToManager());
  ClickGui(436, 76);
  ASSERT_TRUE(Within(60000, [&] { return programsIn(cache).size() == 99; }));
  ASSERT_TRUE(Answer("Done", "Return", "", 15000));
  ClickGui(SlotX(5), SlotY(5));
  ASSERT_TRUE(ToSynthPages());

  // Ctrl+S: the panel opens in the home folder with the program's name alone.
  ASSERT_EQ(KeyTo("VQEditor4", "ctrl+s"), 0);
  ASSERT_TRUE(Look("Save", "save-slot-05"));
  ASSERT_TRUE(ConfirmWithReturn("Save")) << "the panel proposed a file that exists elsewhere";
  EXPECT_TRUE(FileAppears(dir + "/05_Sim 05.pr4", 5000))
      << ::testing::PrintToString(programsIn(cache));

  // Save Program from VQ to File: the received program is offered in that folder too.
  ASSERT_TRUE(Menu(20, 100, 163, ViewChanges(400, 350, 330, 150)));
  ClickGui(562, 424);
  ASSERT_TRUE(Look("Save", "save-from-vq"));
  ASSERT_TRUE(ConfirmWithReturn("Save"));
  EXPECT_TRUE(FileAppears(dir + "/01Sim 01.pr4", 5000));

  // A save typed into the download cache is refused with a message.
  ASSERT_EQ(KeyTo("VQEditor4", "ctrl+s"), 0);
  ASSERT_TRUE(SaveTo(cache + "mine.pr4"));
  EXPECT_TRUE(Answer("Error", "Return", "save-into-cache-refused"));
  EXPECT_FALSE(fs::exists(cache + "mine.pr4"));

  // After quitting every saved program is there, and the settings name one that exists.
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(fs::exists(dir + "/05_Sim 05.pr4"));
  EXPECT_TRUE(fs::exists(dir + "/01Sim 01.pr4"));
  EXPECT_TRUE(fs::exists(Setting("lastfile"))) << Settings();
  EXPECT_TRUE(sim.Faults().empty());
}

// A slot chosen on the manager becomes the program on screen: edited and quit, it is kept
// under its own name and file, not under those of the file loaded before it; the next start
// shows it still edited, and an edit undone there leaves the mark.
TEST_F(ManagerDesktopOverJack, TheProgramOnScreenIsKeptAtQuit) {
  const std::string bank = Folder("bank", Numbered("%02d_P.pr4", 9, 0));
  const std::string mine = Folder("mine", {{"TimeTest.pr4", 77}});
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 120000));
  ASSERT_TRUE(Open(mine + "/TimeTest.pr4"));
  ASSERT_TRUE(MarkerBecomes(77)) << LastMarker();

  // LOAD BANK, a click on slot 07, back to the synthesizer pages: slot 07's program comes.
  ASSERT_TRUE(ToManager());
  ClickGui(436, 47);
  ASSERT_TRUE(ChooseInPanel("Select Directory", bank));
  ClickGui(SlotX(7), SlotY(7));
  ASSERT_TRUE(ToSynthPages());
  ASSERT_TRUE(MarkerBecomes(7)) << LastMarker();
  ASSERT_NE(EditVco1Volume(), -1);
  Shot("kept-07-edited");

  EXPECT_EQ(Quit(), 0);
  // The slot's program, by way of the manager's copy of it.
  EXPECT_EQ(fs::path(Setting("lastfile")).filename(), "07_P.pr4") << Settings();
  EXPECT_EQ(Setting("edited"), "true");

  // Its file holds other values: started again it shows "*07_P*", also once an edit is undone.
  const std::string file = Setting("lastfile");
  ASSERT_NE(ReadFile(dir + "/VQEditor4/lastprogram.pr4"), ReadFile(file));
  ASSERT_TRUE(Start(dir + "/output2"));
  const auto statusLine = [this] { return screen.read(X(36), Y(30), 232, 16); };
  ASSERT_TRUE(Within(10000, [&] { return vq::test::isDrawn(statusLine()); }));
  const std::vector<uint32_t> marked = statusLine();
  Snap("kept-07-restarted");
  const int edited = EditVco1Volume(-40);  // the edit kept is up already
  ASSERT_NE(edited, -1);
  KeyTo("VQEditor4", "ctrl+z");
  EXPECT_TRUE(Within(5000, [&] { return Received(sim, 11).back() != edited; }));
  EXPECT_TRUE(Within(5000, [&] { return statusLine() == marked; })) << "unmarked by the undo";
  Snap("kept-07-undone");
  EXPECT_EQ(Quit(), 0);
  EXPECT_EQ(Setting("lastfile"), file) << Settings();
  EXPECT_EQ(Setting("edited"), "true") << Settings();
  EXPECT_TRUE(sim.Faults().empty());
}

// A fetch loads nothing into the editor. "Save All Programs from VQ to Files" writes the
// synthesizer's bank into a folder: the program keeps its name, file and folder, here and after
// quitting. "Save Program from VQ to File" with INIT on screen (after a file, whose folder is
// listed) saves the program fetched under a name of the user's: INIT stays INIT, here, after
// quitting and after the next start.
TEST_F(ManagerDesktopOverJack, FetchesLeaveTheProgramAlone) {
  const std::string mine = Folder("mine", {{"Cafe Creme.pr4", 77}});
  const std::string fetched = Folder("fetched", {});
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({.distinct = true}, 150000));
  ASSERT_TRUE(Open(mine + "/Cafe Creme.pr4"));
  ASSERT_TRUE(MarkerBecomes(77)) << LastMarker();
  const size_t sent = NrpnCount();

  ASSERT_TRUE(Menu(20, 100, 188, Shown("Select Directory")));
  ASSERT_TRUE(ChooseInPanel("Select Directory", fetched));
  ASSERT_TRUE(FileAppears(fetched + "/99Sim 99.pr4", 60000));
  ASSERT_TRUE(Heard());
  EXPECT_EQ(NrpnCount(), sent);
  Shot("fetched-name-kept");

  EXPECT_EQ(Quit(), 0);
  EXPECT_EQ(Setting("lastfile"), mine + "/Cafe Creme.pr4") << Settings();
  EXPECT_EQ(Setting("edited"), "false");

  ASSERT_TRUE(Start(dir + "/output2"));
  const auto [ix, iy] = SynthControl(vq_param::kInitButton);
  ClickGui(ix, iy);
  ASSERT_TRUE(MarkerBecomes(ProgramFieldTable::InitRecord()[kMarkerField])) << LastMarker();
  ASSERT_TRUE(Heard());
  const auto statusLine = [this] { return screen.read(X(36), Y(30), 232, 16); };
  const std::vector<uint32_t> init = statusLine();
  ASSERT_TRUE(Menu(20, 100, 163, ViewChanges(400, 350, 330, 150)));
  ClickGui(562, 424);  // slot 1
  ASSERT_TRUE(sim.WaitForLogLine("dump 1", 5000));
  ASSERT_TRUE(SaveTo(fetched + "/F.pr4"));
  ASSERT_TRUE(FileAppears(fetched + "/F.pr4", 5000));
  EXPECT_EQ(DistinctFields(ReadFile(fetched + "/F.pr4")), (std::vector<int>{3, 4, 5, 6, 7}));
  ASSERT_TRUE(Heard());
  Snap("fetched-init-kept");
  EXPECT_TRUE(Within(3000, [&] { return statusLine() == init; })) << "INIT was renamed";
  EXPECT_TRUE(QuitByMenu());
  EXPECT_EQ(Setting("lastfile"), "") << Settings();
  EXPECT_EQ(Setting("name"), "INIT") << Settings();

  // Saved as what it is: Ctrl+S proposes INIT in the panel's first folder, home.
  ASSERT_TRUE(Start(dir + "/output3"));
  ASSERT_EQ(KeyTo("VQEditor4", "ctrl+s"), 0);
  ASSERT_TRUE(Look("Save", "fetched-init-saved"));
  ASSERT_TRUE(ConfirmWithReturn("Save"));
  std::vector<std::string> saved;
  EXPECT_TRUE(Within(5000, [&] {
    saved.clear();
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.path().extension() == ".pr4") saved.push_back(entry.path().filename());
    return !saved.empty();
  }));
  EXPECT_EQ(saved, std::vector<std::string>{"INIT.pr4"});
  EXPECT_EQ(DistinctFields(ReadFile(fetched + "/F.pr4")), (std::vector<int>{3, 4, 5, 6, 7}));
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(sim.Faults().empty());
}

// File > Save All chosen while a firmware update waits for its first section's end (8 s late)
// is refused: the folder stays empty, nothing is asked of the synthesizer, and the update ends
// whole rather than being given up early.
TEST_F(ManagerDesktopOverJack, SaveAllDuringAFirmwareUpdateIsRefused) {
  const std::string fetched = Folder("fetched", {});
  const std::string firmware = dir + "/update.vq4";
  const auto image = vqtest::FirmwareImage({vqtest::Pattern(3000, 1), {}, {}, {}, {}});
  std::ofstream(firmware, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({.distinct = true}, 150000));
  ASSERT_TRUE(sim.Command("fault kind=fw-end,mode=slow,ms=8000")) << sim.Error();

  ASSERT_TRUE(Menu(20, 100, 221, Shown("Open")));  // File > Firmware update
  ASSERT_TRUE(ChooseInPanel("Open", firmware));
  ASSERT_TRUE(sim.WaitForLogLine("misbehave fw-end", 30000)) << "the update did not start";
  ASSERT_TRUE(Menu(20, 100, 188, Shown("Select Directory")));  // File > Save All
  ASSERT_TRUE(ChooseInPanel("Select Directory", fetched));
  Shot("save-all-refused");
  ASSERT_TRUE(sim.WaitForLogLine("fw-complete", 30000)) << "the update was cut off";
  EXPECT_TRUE(fs::is_empty(fetched));
  for (const auto& line : sim.LogLines()) EXPECT_FALSE(line.starts_with("request")) << line;
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(sim.Faults().empty());
}

// An asynchronous JACK server runs on without a program that is late (here stopped for about 37
// cycles while a clock comes in every millisecond): what came in meanwhile is gone, and the
// program says so on its error output at once. That output a launcher's pipe that is full and
// no longer read, the line holds up nothing: a knob still reaches the synthesizer, the File
// menu opens, and the line comes once the pipe is read again.
TEST_F(ManagerDesktopOverJack, CyclesTheInputMissedAreTold) {
  vqtest::JackServer server;
  ASSERT_TRUE(server.Start(256, /*synchronous=*/false)) << server.Error();
  const std::string pipe = dir + "/output-pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 90000, pipe));
  std::string said;
  auto readPipe = [&] {
    char buffer[4096];
    for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;)
      said.append(buffer, static_cast<size_t>(n));
    return said.find("incoming MIDI may have been lost") != std::string::npos;
  };
  readPipe();
  const int filler = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  const std::string block(4096, 'x');
  for (size_t size : {block.size(), size_t{1}}) {
    while (write(filler, block.data(), size) > 0) {
    }
  }
  close(filler);
  std::string input;  // the program's port that the synthesizer feeds
  {
    vqtest::JackToolClient client;
    jack_port_t* port = jack_port_by_name(client.get(), sim.OutPort().c_str());
    const char** names = port ? jack_port_get_all_connections(client.get(), port) : nullptr;
    if (names && names[0]) input = names[0];
    if (names) jack_free(names);
  }
  vqtest::JackMidiPeer peer;
  ASSERT_TRUE(peer.Open("vqclock")) << peer.Error();
  ASSERT_TRUE(vqtest::JackConnect(peer.OutPort(), input)) << input;
  const int pid = std::atoi(ReadFile(outputFile + ".pid").c_str());
  ASSERT_GT(pid, 0);
  std::atomic<bool> sending{true};
  std::atomic<int> clocks{0};
  std::thread clock([&] {
    while (sending) {
      peer.Send({0xF8});
      ++clocks;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  Within(5000, [&] { return clocks > 50; });  // the clock comes in
  kill(pid, SIGSTOP);
  // The stop's length is the fault: about 37 cycles the server runs on without the program.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  kill(pid, SIGCONT);
  sending = false;
  clock.join();
  peer.Close();
  EXPECT_NE(EditVco1Volume(), -1);
  EXPECT_TRUE(Menu(20, 100, 63, Shown("Open")));
  EXPECT_TRUE(CancelPanel("Open", "full-output-open"));
  EXPECT_TRUE(Within(5000, readPipe))
      << said.substr(said.size() - std::min<size_t>(said.size(), 300));

  // A bank fetch the synthesizer leaves unanswered: a loss while it waits sends the request again
  // at once (the polls' resend comes a second or more after the request), and the time-out's box
  // says that the input missed data.
  ASSERT_TRUE(sim.Command("fault kind=request,mode=silence,count=always")) << sim.Error();
  ASSERT_TRUE(Menu(20, 100, 188, Shown("Select Directory")));
  ASSERT_TRUE(ChooseInPanel("Select Directory", Folder("fetched", {})));
  ASSERT_TRUE(sim.WaitForLogLine("request 1", 5000));
  kill(pid, SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the loss, as above
  kill(pid, SIGCONT);
  EXPECT_TRUE(sim.WaitForLogLine("request 1", 500, 2));
  EXPECT_TRUE(Answer("Error", "Return", "input-missed-data", 10000));
  EXPECT_TRUE(QuitByMenu());
  EXPECT_EQ(sim.Stop(), 0);
  close(reader);
}

// Stepping away from an edited program asks first: Cancel keeps the edit and loads nothing;
// Save writes it to the file chosen and then loads the next program.
TEST_F(ManagerDesktopOverJack, SteppingAwayFromAnEditAsks) {
  const std::string mine = Folder("mine", {{"a.pr4", 11}, {"b.pr4", 12}, {"c.pr4", 13}});
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 120000));
  ASSERT_TRUE(Open(mine + "/b.pr4"));
  ASSERT_TRUE(MarkerBecomes(12)) << LastMarker();
  const int edited = EditVco1Volume();
  ASSERT_NE(edited, -1);
  const auto [nx, ny] = SynthControl(210);  // ▶

  const size_t sent = NrpnCount();
  ClickGui(nx, ny);
  ASSERT_TRUE(Answer("Warning", "Escape", "step-asks"));

  // Discard answers for one load: a file refused keeps the edit, and the next step asks again.
  // Each step's question comes before anything it loads: nothing was sent by the step before.
  std::ofstream(dir + "/short.pr4") << "1\n2\n";
  ASSERT_TRUE(Open(dir + "/short.pr4"));
  ASSERT_TRUE(WindowShownBecomes("Warning", true, 5000));
  EXPECT_EQ(NrpnCount(), sent);
  int bx = 0, by = 0, bh = 0, bw = 0;
  ASSERT_TRUE(DrawnWindow("Warning", &bx, &by, &bh, &bw));
  Click(bx + bw / 2, by + bh - 18);  // Discard, between Cancel and Save
  ASSERT_TRUE(WindowShownBecomes("Warning", false, 5000));
  ClickGui(nx, ny);
  ASSERT_TRUE(Answer("Warning", "Escape", "step-asks-after-refused-file"));

  ClickGui(nx, ny);
  ASSERT_TRUE(WindowShownBecomes("Warning", true, 5000));
  EXPECT_EQ(NrpnCount(), sent);
  ASSERT_TRUE(Answer("Warning", "Return"));
  ASSERT_TRUE(SaveTo(mine + "/b2.pr4"));
  ASSERT_TRUE(FileAppears(mine + "/b2.pr4", 5000));
  EXPECT_EQ(FileFields(ReadFile(mine + "/b2.pr4"), {kMarkerField, 11}),
            (std::vector<int>{12, edited}));
  EXPECT_TRUE(MarkerBecomes(13)) << LastMarker();  // b2's next: c
  EXPECT_EQ(Quit(), 0);
  EXPECT_EQ(Setting("lastfile"), mine + "/c.pr4") << Settings();
  EXPECT_TRUE(sim.Faults().empty());
}

// A logout sends SIGTERM and SIGHUP together; other endings mix SIGINT in. No signal after the
// first cuts the shut-down short, an open menu closes without complaint, a disk that never
// answers still lets the program end within its bound, and a failure is told whatever is up.
TEST_F(ManagerDesktopOverJack, EveryWayASessionEndsKeepsTheEdit) {
  struct Ending {
    const char* what;
    std::vector<std::pair<int, int>> signals;  // signal, milliseconds after the one before
    const char* disk;  // how slow it is: "" not, "N" each fsync waits N ms, "N stream" each
                       // stream's flush does, holding the stream
    bool menuOpen;
    bool fullPipe;  // the output a pipe that nobody reads any more, full
    int status;
    bool editKept = false;        // ended by the time limit, yet the edit on disk
    bool savingFirst = false;     // the main thread waits for the disk when the signal comes
    bool closedStandard = false;  // started with descriptors 0, 1 and 2 closed
    bool skinFirst = false;       // View > Skin's settings write waits for the disk then
    bool openPanel = false;       // File > Open's panel is up
    bool settingsFolder = false;  // a folder where the settings file is: their write fails
    bool noEdit = false;          // nothing edited, in a second run: the session end changes no key
    bool questionSave = false;    // a load's unsaved-changes question answered Save waits instead
    bool lostDisplay = false;     // the display's connection is killed in place of the signals
  };
  const Ending endings[] = {
      {"HUP 2 ms after TERM", {{SIGTERM, 0}, {SIGHUP, 2}}, "", false, false, 0},
      {"TERM with a menu open", {{SIGTERM, 0}}, "", true, false, 0},
      {"HUP 10 ms after INT", {{SIGINT, 0}, {SIGHUP, 10}}, "", false, false, 0},
      {"more signals during a slow shut-down",
       {{SIGHUP, 0}, {SIGTERM, 1000}, {SIGINT, 500}},
       "400",
       false,
       false,
       0},
      {"a disk that never answers", {{SIGTERM, 0}, {SIGTERM, 500}}, "600000", false, false, 1},
      {"a write stuck inside its stream",
       {{SIGTERM, 0}, {SIGHUP, 2}},
       "600000 stream",
       false,
       false,
       1},
      {"the same, its output a full pipe",
       {{SIGTERM, 0}, {SIGHUP, 2}},
       "600000 stream",
       false,
       true,
       1},
      {"a disk whose flush takes 4 s", {{SIGTERM, 0}, {SIGHUP, 2}}, "4000", false, false, 0},
      {.what = "TERM while a save waits for the disk",
       .signals = {{SIGTERM, 0}},
       .disk = "600000",
       .status = 1,
       .savingFirst = true},
      {.what = "TERM, started with its standard descriptors closed",
       .signals = {{SIGTERM, 0}},
       .disk = "",
       .status = 0,
       .closedStandard = true},
      {.what = "TERM and HUP while a skin's write waits for a disk whose flush takes 6 s",
       .signals = {{SIGTERM, 0}, {SIGHUP, 2}},
       .disk = "6000",
       .status = 1,
       .editKept = true,
       .skinFirst = true},
      {.what = "TERM and HUP 0.5 s into File > Save's flush on a disk whose flush takes 5.5 s",
       .signals = {{SIGTERM, 500}, {SIGHUP, 2}},
       .disk = "5500",
       .status = 1,
       .editKept = true,
       .savingFirst = true},
      {.what = "TERM while a skin's write waits for its stream's flush of 3 s, nothing edited",
       .signals = {{SIGTERM, 0}},
       .disk = "3000 stream",
       .status = 0,
       .skinFirst = true,
       .noEdit = true},
      {.what = "TERM and HUP while a Save answered to File > Open's question waits for the disk",
       .signals = {{SIGTERM, 0}, {SIGHUP, 2}},
       .disk = "600000",
       .status = 1,
       .editKept = true,
       .questionSave = true},
      {.what = "the display lost 0.5 s into File > Save's flush on a disk whose flush takes 30 s",
       .signals = {{0, 500}},
       .disk = "30000",
       .status = 1,
       .savingFirst = true,
       .lostDisplay = true},
      {.what = "TERM with File > Open's panel up, the settings unwritable",
       .signals = {{SIGTERM, 0}},
       .disk = "",
       .status = 0,
       .openPanel = true,
       .settingsFolder = true},
  };
  const auto settingsBeingWritten = [this] {
    for (const auto& entry : fs::directory_iterator(dir + "/VQEditor4"))
      if (entry.path().filename().string().rfind(".settings.ini.", 0) == 0) return true;
    return false;
  };
  const std::string kept = dir + "/VQEditor4/lastprogram.pr4", slow = dir + "/slow";
  const int init = ProgramFieldTable::InitRecord()[11];
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.what);
    fs::remove_all(dir + "/VQEditor4");
    // The toolkit flushes its list of recent files only when it replaces one: with none left
    // from the row before, a panel's own write does not wait for the slow disk.
    fs::remove(dir + "/recently-used.xbel");
    fs::remove(slow + ".held");
    setenv("LD_PRELOAD", (BuildDir() / "tests/app_desktop/libslow_disk.so").c_str(), 1);
    setenv("SLOW_DISK_FILE", slow.c_str(), 1);
    fs::remove(slow);
    setenv("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0", 1);
    // A launcher's pipe: read at first, then no more. The program writes through the
    // launcher's own end, whose flags are the launcher's too.
    const std::string pipe = dir + "/output-pipe";
    int reader = -1, launcher = -1;
    if (e.fullPipe) {
      fs::remove(pipe);
      ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
      reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      launcher = open(pipe.c_str(), O_WRONLY);
    }
    bool started = e.fullPipe ? Start(pipe, 170000, ">&" + std::to_string(launcher) + " 2>&1")
                   : e.closedStandard ? Start(dir + "/output", 170000, "<&- >&- 2>&-")
                                      : Start(dir + "/output");
    if (started && e.noEdit) {
      EXPECT_EQ(Quit(), 0);
      started = Start(dir + "/output");
    }
    unsetenv("LD_PRELOAD");
    ASSERT_TRUE(started);
    const auto [kx, ky] = SynthControl(14);
    const IRECT knob = SynthRect(14);
    if (!e.noEdit) {
      const auto moved = ViewChanges(knob.L, knob.T, knob.W(), knob.H());
      DragGui({{kx, ky}, {kx, ky - 20}, {kx, ky - 40}});
      moved();  // the edit is drawn
    }
    if (e.menuOpen) {
      const auto menuShows = ViewChanges(10, 20, 150, 150);
      ClickGui(20, 10 - kMenuBarHeight);
      menuShows();
    }
    Shot(std::string("ending-") + e.what);
    if (e.fullPipe) {
      const int filler = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      const std::string block(4096, 'x');
      while (write(filler, block.data(), block.size()) > 0) {
      }
      close(filler);
    }
    if (e.openPanel) {
      ASSERT_TRUE(Menu(20, 100, 63, Shown("Open")));
    }
    if (e.settingsFolder) {
      fs::remove(dir + "/VQEditor4/settings.ini");
      fs::create_directory(dir + "/VQEditor4/settings.ini");
    }
    if (e.questionSave) {  // the question comes once the file is chosen
      Folder("other", {{"o.pr4", 5}});
      ASSERT_TRUE(Open(dir + "/other/o.pr4"));
      ASSERT_TRUE(WindowShownBecomes("Warning", true, 5000));
      fs::remove(dir + "/recently-used.xbel");  // the Save panel's own write then waits for none
    }
    const std::string settings = Settings();
    std::ofstream(slow) << e.disk;
    if (e.skinFirst) {  // View > Skin: Solid
      ASSERT_TRUE(Menu(100, 160, 306, [&] { return Within(3000, settingsBeingWritten); }));
    }
    const int pid = std::atoi(ReadFile(outputFile + ".pid").c_str());
    const std::string proc = "/proc/" + std::to_string(pid);
    if (e.closedStandard) {  // no file the program or its libraries opened took their place
      for (const char* fd : {"/fd/0", "/fd/1", "/fd/2"})
        EXPECT_EQ(fs::read_symlink(proc + fd).string(), "/dev/null") << fd;
    }
    const auto saveUnderWay = [this] {
      for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(".vqtmp-", 0) == 0) return true;
      return false;
    };
    if (e.savingFirst || e.questionSave) {  // the save's temporary file waits for the disk
      fs::remove(dir + "/stuck.pr4");
      // Watched from the start: the temporary file lives one flush, which may pass while the
      // panel's closing is waited for.
      std::atomic<bool> seen{false}, stop{false};
      std::thread watch([&] {
        while (!stop && !seen) {
          seen = saveUnderWay();
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      });
      if (e.questionSave) {
        ASSERT_TRUE(Answer("Warning", "Return"));  // Save
      } else {
        ASSERT_EQ(KeyTo("VQEditor4", "ctrl+s"), 0);
      }
      const bool saved = SaveTo(dir + "/stuck.pr4", std::min(std::atoi(e.disk), 10000));
      const bool underWay = saved && Within(30000, [&] { return seen.load(); });
      stop = true;
      watch.join();
      ASSERT_TRUE(saved);
      ASSERT_TRUE(underWay);
    }
    if (e.questionSave) {  // the save's flush waits for good; the session end's own do not
      ASSERT_TRUE(Within(10000, [&] {
        return ReadFile(slow + ".held").find(dir + "/.vqtmp-") != std::string::npos;
      }));
      std::ofstream(slow) << "";
    }
    const auto begun = std::chrono::steady_clock::now();
    for (const auto& [signal, afterMs] : e.signals) {
      std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
      if (!e.lostDisplay) {
        kill(pid, signal);
        continue;
      }
      std::string id;
      RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$"}, 5000, &id);
      ASSERT_EQ(
          RunProgram({"xkill", "-id", std::to_string(std::strtoul(id.c_str(), nullptr, 10))}, 5000),
          0);
    }
    const bool ending = Within(20000, [this] { return ended.load(); });
    if (!ending) kill(pid, SIGKILL);
    program.join();
    if (reader >= 0) close(reader);
    if (launcher >= 0) {
      EXPECT_EQ(fcntl(launcher, F_GETFL) & O_NONBLOCK, 0) << "the launcher's flags changed";
      close(launcher);
    }
    ASSERT_TRUE(ending);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(15));
    EXPECT_EQ(exitCode, e.status) << (e.fullPipe ? "" : ReadFile(outputFile));
    if (e.fullPipe) continue;  // what it said is in the pipe
    EXPECT_EQ(Count("CRITICAL") + Count("WARNING"), 0) << ReadFile(outputFile);
    // The settings as they were or with every key of the shut-down ("edited" is its last),
    // and no temporary file of theirs or of the program's save left.
    if (e.skinFirst) {
      EXPECT_EQ(Setting("background"), "solid") << Settings();
    } else {
      EXPECT_TRUE(Settings() == settings || Setting("edited") == "true") << Settings();
    }
    for (const auto& entry : fs::directory_iterator(dir + "/VQEditor4")) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name.rfind(".settings.ini.", 0) != 0 && name.rfind(".vqtmp-", 0) != 0) << name;
    }
    if (e.savingFirst || e.questionSave) {  // the file saved is whole, or the time limit
      EXPECT_FALSE(saveUnderWay());         // removed what it cut off
      EXPECT_TRUE(fs::exists(dir + "/stuck.pr4") || e.status != 0);
      if (fs::exists(dir + "/stuck.pr4")) {
        EXPECT_NE(FileFields(ReadFile(dir + "/stuck.pr4"), {11})[0], init);
      }
    }
    if (!e.noEdit && (e.status == 0 || e.editKept)) {
      EXPECT_TRUE(fs::exists(kept) && FileFields(ReadFile(kept), {11})[0] != init)
          << "the edit is kept";
    }
    if (e.editKept) {  // with its mark, behind any write under way
      EXPECT_EQ(Setting("edited"), "true") << Settings();
    }
    if (e.settingsFolder) {
      EXPECT_EQ(Count("the settings could not be written"), 1) << ReadFile(outputFile);
    } else if (e.status == 0) {
      EXPECT_EQ(Setting("edited"), e.noEdit ? "false" : "true") << Settings();
    } else {
      EXPECT_EQ(Count("did not end within 10 seconds"), 1) << ReadFile(outputFile);
      // What the limit cut off is named (a stuck stream holds the settings, a stuck disk the
      // program first); a file already whole is not.
      const std::string output = ReadFile(outputFile), disk = e.disk;
      const size_t at = output.find("; not finished: ");
      const std::string line =
          at == std::string::npos ? "" : output.substr(at, output.find('\n', at) - at);
      const std::string cut =
          disk.find("stream") == std::string::npos ? kept : dir + "/VQEditor4/settings.ini";
      EXPECT_EQ(line.find(cut) != std::string::npos, !e.editKept) << output;
      if (e.questionSave) {  // the save the question waits for is cut off alone
        EXPECT_NE(line.find(dir + "/stuck.pr4"), std::string::npos) << output;
      }
      EXPECT_EQ(Count("; not finished: "), e.editKept && !e.questionSave ? 0 : 1) << output;
    }
  }
  unsetenv("SLOW_DISK_FILE");
  setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
}

// A save ends where the user sees it with nothing touched after the panel closed: a saved
// program takes the file's name (and a session end then keeps it as not edited); a failed save
// shows its box. Another program loaded while the save is on its way keeps its own name and file.
TEST_F(ManagerDesktopOverJack, ASaveLeftAloneEndsOnItsOwn) {
  const std::string slow = dir + "/slow";
  const std::string listed = Folder("listed", {{"Other.pr4", 61}});
  for (const std::string row : {"saved", "failed", "another program loaded meanwhile"}) {
    SCOPED_TRACE(row);
    const bool fails = row == "failed", loads = row == "another program loaded meanwhile";
    fs::remove_all(dir + "/VQEditor4");
    fs::remove(dir + "/recently-used.xbel");  // the Save panel's own write then waits for none
    setenv("LD_PRELOAD", (BuildDir() / "tests/app_desktop/libslow_disk.so").c_str(), 1);
    setenv("SLOW_DISK_FILE", slow.c_str(), 1);
    fs::remove(slow);
    fs::remove(slow + ".held");
    setenv("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0", 1);
    const bool started = Start(dir + "/output");
    unsetenv("LD_PRELOAD");
    ASSERT_TRUE(started);
    const auto [kx, ky] = SynthControl(14);
    const IRECT knob = SynthRect(14);
    const auto moved = ViewChanges(knob.L, knob.T, knob.W(), knob.H());
    DragGui({{kx, ky}, {kx, ky - 20}, {kx, ky - 40}});
    moved();
    const std::string target = (loads ? listed : dir) + "/alone.pr4";
    fs::remove_all(target);
    // The status line: the program's name, marked edited.
    const auto statusLine = [this] { return screen.read(X(36), Y(30), 232, 16); };
    const std::vector<uint32_t> marked = statusLine();
    std::atomic<bool> stop{false};
    std::thread blocker;
    if (fails) {  // the save's rename finds a folder in its place
      std::ofstream(slow) << "1500";
      blocker = std::thread([&] {
        while (!stop) {
          for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().rfind(".vqtmp-", 0) == 0) {
              fs::create_directory(target);
              return;
            }
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      });
    }
    if (loads) std::ofstream(slow) << "40000";  // the save's flush alone: later ones are not held
    ASSERT_EQ(KeyTo("VQEditor4", "ctrl+s"), 0);
    const bool saved = SaveTo(target, fails ? 1500 : 0);
    bool told = false;
    if (loads && saved && FileAppears(slow + ".held", 10000)) {
      fs::remove(slow);
      // The manager lists the save's folder; its other program is loaded, the edit discarded.
      ASSERT_TRUE(ToManager());
      ClickGui(51, 47);
      ClickGui(51, 47);
      ASSERT_TRUE(ChooseInPanel("Select Directory", listed));
      DoubleClickGui(100, RowY(1));
      ASSERT_TRUE(WindowShownBecomes("Warning", true, 5000));
      int bx = 0, by = 0, bh = 0, bw = 0;
      ASSERT_TRUE(DrawnWindow("Warning", &bx, &by, &bh, &bw));
      Click(bx + bw / 2, by + bh - 18);  // Discard
      ASSERT_TRUE(WindowShownBecomes("Warning", false, 5000));
      // The save's end lists its file beside the other.
      const auto secondRow = [this] { return screen.read(X(60), Y(RowY(2) - 6), 150, 12); };
      const std::vector<uint32_t> empty = secondRow();
      told = Within(60000, [&] { return secondRow() != empty; });
    } else if (saved) {
      told = fails ? Answer("Error", "Return", "save-failed-alone", 10000)
                   : Within(5000, [&] { return statusLine() != marked; });
    }
    stop = true;
    if (blocker.joinable()) blocker.join();
    fs::remove(slow);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(told);
    kill(std::atoi(ReadFile(outputFile + ".pid").c_str()), SIGTERM);
    ASSERT_TRUE(Within(20000, [this] { return ended.load(); }));
    program.join();
    EXPECT_EQ(exitCode, 0) << ReadFile(outputFile);
    EXPECT_EQ(Setting("edited"), fails ? "true" : "false") << Settings();
    if (!fails) {
      EXPECT_EQ(Setting("lastfile"), loads ? listed + "/Other.pr4" : target) << Settings();
    }
  }
  unsetenv("SLOW_DISK_FILE");
  setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
}

// Files dragged from a short list land on the slot under the pointer wherever it is let go;
// a drop on the grid's first cell, which holds no program, says why nothing happened.
TEST_F(ManagerDesktopOverJack, FilesDroppedFromTheListLandWhereReleased) {
  const std::string folder = Folder("few", {{"Bass A.pr4", 71}, {"Lead B.pr4", 72}});
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 170000));
  ASSERT_TRUE(ToManager());
  ClickGui(51, 47);
  ClickGui(51, 47);
  ASSERT_TRUE(ChooseInPanel("Select Directory", folder));
  for (const auto& [row, slot] : {std::pair{1, 50}, std::pair{2, 99}}) {
    // The list drops where the pointer is when it takes the release: the pointer stays there
    // until the program has landed in the slot.
    const auto landed = ViewChanges(SlotX(slot) - 30, SlotY(slot) + 14, 60, 16);
    ClickGui(100, RowY(row));
    DragFromList({{100, RowY(row)}, {110, RowY(row) + 10}, {SlotX(slot), SlotY(slot)}});
    landed();
  }
  Shot("drop-01-placed");
  DoubleClickGui(SlotX(50), SlotY(50));
  EXPECT_TRUE(MarkerBecomes(71)) << LastMarker();
  DoubleClickGui(SlotX(99), SlotY(99));
  EXPECT_TRUE(MarkerBecomes(72)) << LastMarker();
  DragFromList({{100, RowY(2)}, {110, RowY(2) + 10}, {kCellZeroX, kCellZeroY}});
  EXPECT_TRUE(Answer("Warning", "Return", "drop-02-cell-zero-refused"));
  EXPECT_EQ(Quit(), 0);
}

// A login that cannot reach the server shows its box, and the online and folder panels close
// back to the page's buttons, as does a cancelled folder choice; the list keeps its folder.
TEST_F(ManagerDesktopOverJack, FailedLoginSaysSoAndPanelsCloseBackToTheButtons) {
  const std::string listed = Folder("listed", {{"Listed.pr4", 81}});
  setenv(kDbBaseUrlVariable, "https://127.0.0.1:9", 1);  // nothing listens there
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 170000));
  ASSERT_TRUE(ToManager());
  ClickGui(51, 47);
  ClickGui(51, 47);
  ASSERT_TRUE(ChooseInPanel("Select Directory", listed));
  Shot("panels-00-buttons");
  auto buttonsShown = [&](const std::string& shot) {
    Shot(shot);
    return Differing("panels-00-buttons", shot, 320, 30, 340, 70) < 40;
  };
  ClickGui(51, 47);
  EXPECT_TRUE(Within(5000, [&] { return !buttonsShown("panels-01-choice"); }));  // covered
  ClickGui(220, 47);                                                             // ONLINE
  ClickGui(145, 81);  // LOGIN with nothing typed
  EXPECT_TRUE(Answer("Login Error", "Return", "panels-02-login-error", 20000));
  EXPECT_TRUE(Within(5000, [&] { return buttonsShown("panels-03-after-login"); }));
  ClickGui(51, 47);
  ClickGui(51, 47);  // LOCAL FOLDER
  ASSERT_TRUE(CancelPanel("Select Directory", "panels-04-folder-panel"));
  EXPECT_TRUE(Within(5000, [&] { return buttonsShown("panels-05-after-cancel"); }));
  DoubleClickGui(100, RowY(1));
  EXPECT_TRUE(MarkerBecomes(81)) << LastMarker();
  EXPECT_EQ(Quit(), 0);
}

// LOAD, SAVE, SEND and SEND ALL are lit only while their action runs: each goes out once its
// panel is cancelled, LOAD once its file is loaded, SEND ALL once its upload has ended.
TEST_F(ManagerDesktopOverJack, FileButtonsGoOutWhenTheirActionEnds) {
  const std::string bank = Folder("W", {{"01_W.pr4", 61}, {"15_W.pr4", 75}});
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({}, 170000));
  Shot("buttons-00-unlit");
  auto unlit = [&](int x, const std::string& shot) {
    return Within(3000, [&] {
      Shot(shot);
      return Differing("buttons-00-unlit", shot, x, 11, 40, 20) < 20;
    });
  };
  const struct {
    int x;
    const char* panel;
  } buttons[] = {{46, "Open"}, {90, "Save"}, {132, "Open"}, {196, "Select Directory"}};
  for (const auto& b : buttons) {
    ClickGui(b.x + 20, 21);
    ASSERT_TRUE(CancelPanel(b.panel, "buttons-panel-" + std::to_string(b.x))) << b.x;
    EXPECT_TRUE(unlit(b.x, "buttons-cancelled-" + std::to_string(b.x))) << b.x;
  }
  ClickGui(66, 21);
  ASSERT_TRUE(ChooseInPanel("Open", bank + "/15_W.pr4"));
  EXPECT_TRUE(MarkerBecomes(75)) << LastMarker();
  EXPECT_TRUE(unlit(46, "buttons-loaded"));
  ClickGui(216, 21);
  ASSERT_TRUE(ChooseInPanel("Select Directory", bank));
  ASSERT_TRUE(Answer("Warning", "Escape"));  // the gaps are skipped
  EXPECT_TRUE(sim.WaitForLogLine("write 15 ok", 10000));
  EXPECT_TRUE(unlit(196, "buttons-uploaded"));
  EXPECT_EQ(Quit(), 0);
}

// A logout's SIGTERM after RECEIVE and an edit: the program shuts down as on Quit. The bank is
// on disk as soon as it came, and the next start shows it and the edited program.
TEST_F(ManagerDesktopOverJack, SessionEndKeepsTheBankAndTheEditedProgram) {
  ASSERT_NO_FATAL_FAILURE(StartWithSynth({.distinct = true}, 220000));
  const std::string cache = dir + "/VQEditor4/cache/", kept = dir + "/VQEditor4/managerbank.txt";
  ASSERT_TRUE(ToManager());
  ClickGui(436, 76);
  ASSERT_TRUE(sim.WaitForLogLine("dump 99", 60000));
  ASSERT_TRUE(Answer("Done", "Return", "", 15000));
  EXPECT_TRUE(Within(5000, [&] {
    const std::string bank = ReadFile(kept);
    return std::count(bank.begin(), bank.end(), '\n') == 99;
  })) << "the bank is kept once it changed";
  ASSERT_TRUE(ToSynthPages());
  ASSERT_NE(EditVco1Volume(), -1);
  const IRECT r = SynthRect(14);
  const std::vector<uint32_t> edited = screen.read(X(r.L), Y(r.T), r.W(), r.H());
  Snap("session-edited");

  kill(std::atoi(ReadFile(outputFile + ".pid").c_str()), SIGTERM);
  ASSERT_TRUE(Within(10000, [this] { return ended.load(); }));
  program.join();
  EXPECT_EQ(exitCode, 0) << ReadFile(outputFile);
  EXPECT_EQ(Setting("edited"), "true") << Settings();

  ASSERT_TRUE(Start(dir + "/output2"));
  EXPECT_TRUE(Within(10000, [&] { return screen.read(X(r.L), Y(r.T), r.W(), r.H()) == edited; }))
      << "the edited knob";
  Snap("session-restarted");
  ASSERT_TRUE(ToManager());
  Snap("session-restarted-manager");
  // The edited program is asked about before slot 50 replaces it: saved, then loaded over.
  DoubleClickGui(SlotX(50), SlotY(50));
  ASSERT_TRUE(Answer("Warning"));
  ASSERT_TRUE(SaveTo(dir + "/kept.pr4"));
  EXPECT_TRUE(MarkerBecomes(Markers(cache).at(50))) << LastMarker();
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(sim.Faults().empty());
}
