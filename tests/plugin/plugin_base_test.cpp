// The plug-in base: construction, state serialisation, parameter setters, GUI attachment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "plugin/imodule_base.h"
#include "plugin/iparam.h"
#include "plugin/plugin_test_plug.h"

using vqtest::RecordingGUI;
using vqtest::TestPlug;

namespace {

// Parameters as doubles over -1000..1000, the last one over 5..10 so that a zero read from a
// short chunk visibly clamps.
void InitParams(TestPlug& plug) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const bool last = i == plug.NParams() - 1;
    plug.GetParam(i)->InitDouble("p", "", "", last ? 5.0 : 0.0, last ? 5.0 : -1000.0,
                                 last ? 10.0 : 1000.0, 0.001);
  }
}

double Pattern(int i, int n) {
  return i == n - 1 ? 7.25 : (i * 2.5) - 300.0;
}

}  // namespace

TEST(PluginBase, ConstructionParsesChannelIOAndSetsStandaloneIdentity) {
  TestPlug plug(350);
  EXPECT_EQ(plug.NParams(), 350);
  EXPECT_EQ(plug.GetParam(-1), nullptr);
  EXPECT_EQ(plug.GetParam(350), nullptr);
  ASSERT_NE(plug.GetParam(349), nullptr);
  EXPECT_EQ(plug.GetParam(0)->Type(), IParam::kTypeNone);

  EXPECT_EQ(plug.ChannelIOPairs().GetSize(), 2);
  EXPECT_EQ(plug.NInChannels(), 0);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.IsOutChannelConnected(0));
  EXPECT_TRUE(plug.IsOutChannelConnected(1));
  EXPECT_FALSE(plug.IsOutChannelConnected(2));
  EXPECT_TRUE(plug.LegalIO(0, 2));
  EXPECT_TRUE(plug.LegalIO(0, 1));
  EXPECT_TRUE(plug.LegalIO(-1, 2));
  EXPECT_FALSE(plug.LegalIO(1, -1));
  EXPECT_FALSE(plug.LegalIO(0, 3));

  EXPECT_EQ(plug.GetAPI(), 5);
  EXPECT_EQ(plug.GetHost(), 24);
  EXPECT_EQ(plug.GetBlockSize(), 1024);
  EXPECT_DOUBLE_EQ(plug.GetSampleRate(), 44100.0);
  EXPECT_DOUBLE_EQ(plug.GetTempo(), 120.0);
  EXPECT_EQ(plug.NPresets(), 1);
  EXPECT_STREQ(plug.GetPreset(0)->name, "empty");
  EXPECT_FALSE(plug.GetPreset(0)->initialized);
  EXPECT_STREQ(plug.GetEffectName(), "VQEditor4");
  EXPECT_STREQ(plug.GetMakerName(), "marrowtone");
  EXPECT_STREQ(plug.GetBundleID().Get(), "org.example.standalone.VQEditor4.macOS");
  ASSERT_NE(plug.GetLiveEditState(), nullptr);
  EXPECT_STREQ(plug.GetLiveEditState()->fontFace, "Tahoma");
  EXPECT_EQ(plug.GetGUI(), nullptr);
}

TEST(PluginBase, VersionsReadPackedDecimalAndAsText) {
  TestPlug plug(1);
  char text[32];
  EXPECT_EQ(plug.GetEffectVersion(false), 0x00040101);
  EXPECT_EQ(plug.GetEffectVersion(true), 40101);
  plug.GetEffectVersionStr(text, sizeof text);
  EXPECT_STREQ(text, "v4.1.1");
  // The standalone plug reports its own version as the host's.
  EXPECT_EQ(plug.GetHostVersion(true), 40101);
  IModuleBase::FormatVersion(0x00120a03, text, sizeof text);
  EXPECT_STREQ(text, "v18.10.3");
  plug.SetHost("Cubase 12", 0x000c0000);
  EXPECT_EQ(plug.GetHost(), 3);
  EXPECT_EQ(plug.GetHostVersion(true), 120000);
}

TEST(PluginBase, NamesAreCutAt127Characters) {
  const std::string longName(300, 'x');
  IModuleInstanceInfo info;
  struct Plug : IModuleStandalone {
    using IModuleStandalone::IModuleStandalone;
  } plug(info, 0, nullptr, 0, longName.c_str(), longName.c_str(), nullptr, 0, 0, 0, 0, true, false,
         false);
  EXPECT_EQ(std::strlen(plug.GetEffectName()), 127u);
  EXPECT_EQ(std::strlen(plug.GetProductName()), 127u);
  EXPECT_STREQ(plug.GetMakerName(), "");
  EXPECT_EQ(plug.ChannelIOPairs().GetSize(), 0);
  EXPECT_EQ(plug.NOutChannels(), 0);
  EXPECT_TRUE(plug.CompareState(nullptr, 0));  // zero parameters always compare equal
}

TEST(PluginBase, StateRoundTripIsEightLittleEndianBytesPerParameter) {
  TestPlug source(350);
  InitParams(source);
  for (int i = 0; i < 350; ++i) source.GetParam(i)->Set(Pattern(i, 350));

  StateChunk chunk;
  ASSERT_TRUE(source.SerializeState(&chunk));
  ASSERT_EQ(chunk.GetSize(), 2800);
  // Parameter 0 holds -300.0: 0xC072C00000000000, lowest byte first.
  const uint8_t expected[8] = {0, 0, 0, 0, 0, 0xC0, 0x72, 0xC0};
  EXPECT_EQ(std::memcmp(chunk.Get(), expected, 8), 0);

  TestPlug target(350);
  InitParams(target);
  EXPECT_EQ(target.UnserializeState(&chunk, 0), 2800);
  for (int i = 0; i < 350; ++i) ASSERT_DOUBLE_EQ(target.GetParam(i)->Value(), Pattern(i, 350)) << i;
  EXPECT_EQ(target.changes.size(), 350u);

  std::vector<double> values(360, 0.0);
  for (int i = 0; i < 350; ++i) values[10 + i] = Pattern(i, 350);
  EXPECT_TRUE(target.CompareState(values.data(), 10));
  values[10 + 200] += 0.01;
  EXPECT_FALSE(target.CompareState(values.data(), 10));
  EXPECT_FALSE(target.CompareState(nullptr, 0));  // nothing to compare with is no match
}

TEST(PluginBase, ShortChunkRestoresWhatIsThereAndReportsMinusOne) {
  TestPlug source(350);
  InitParams(source);
  for (int i = 0; i < 350; ++i) source.GetParam(i)->Set(Pattern(i, 350));
  StateChunk chunk;
  ASSERT_TRUE(source.SerializeState(&chunk));
  chunk.Resize(2796);

  TestPlug target(350);
  InitParams(target);
  target.GetParam(349)->Set(9.0);
  EXPECT_EQ(target.UnserializeState(&chunk, 0), -1);
  for (int i = 0; i < 349; ++i) ASSERT_DOUBLE_EQ(target.GetParam(i)->Value(), Pattern(i, 350)) << i;
  EXPECT_DOUBLE_EQ(target.GetParam(349)->Value(), 5.0);  // 0.0 clamped into 5..10
  EXPECT_EQ(target.changes.size(), 350u);
}

TEST(PluginBase, UnserializeFromOffsetAndFromNegativeStart) {
  TestPlug plug(3);
  for (int i = 0; i < 3; ++i) plug.GetParam(i)->InitDouble("p", "", "", 0.0, 0.0, 100.0, 0.01);
  StateChunk chunk;
  const double header = 42.0;  // a foreign value in front of the state
  chunk.Add(&header, 8);
  plug.GetParam(0)->Set(1.0);
  plug.GetParam(1)->Set(2.0);
  plug.GetParam(2)->Set(3.0);
  ASSERT_TRUE(plug.SerializeState(&chunk));

  TestPlug target(3);
  for (int i = 0; i < 3; ++i) target.GetParam(i)->InitDouble("p", "", "", 0.0, 0.0, 100.0, 0.01);
  EXPECT_EQ(target.UnserializeState(&chunk, 8), 32);
  EXPECT_DOUBLE_EQ(target.GetParam(2)->Value(), 3.0);

  for (int i = 0; i < 3; ++i) target.GetParam(i)->Set(50.0);
  target.changes.clear();
  EXPECT_EQ(target.UnserializeState(&chunk, -1), -1);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(target.GetParam(i)->Value(), 50.0);
  EXPECT_EQ(target.changes, (std::vector<int>{0, 1, 2}));
}

TEST(PluginBase, OutOfRangeAndNotANumberValuesInAChunkStayInRange) {
  TestPlug plug(3);
  for (int i = 0; i < 3; ++i) plug.GetParam(i)->InitDouble("p", "", "", 0.0, 0.25, 1.0, 0.01);
  StateChunk chunk;
  const double values[3] = {-5.0, 1e300, std::nan("")};
  chunk.Add(values, 24);
  EXPECT_EQ(plug.UnserializeState(&chunk, 0), 24);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 0.25);
  EXPECT_DOUBLE_EQ(plug.GetParam(1)->Value(), 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(2)->Value(), 0.25);
}

TEST(PluginBase, SettersClampOrNormaliseAndRunTheParameterChange) {
  TestPlug plug(3);
  plug.GetParam(0)->InitDouble("unit", "", "", 0.0, 0.0, 1.0, 0.001);
  plug.GetParam(1)->InitInt("cutoff", 0, 0, 127);
  plug.SetParameterFromGUI2(0, 5.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 1.0);
  plug.SetParameterFromGUI2(0, -5.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 0.0);
  plug.SetParameterFromGUI(1, 0.5);
  EXPECT_DOUBLE_EQ(plug.GetParam(1)->Value(), 64.0);  // 63.5 snapped to the step
  EXPECT_EQ(plug.changes, (std::vector<int>{0, 0, 1}));
  // A bad index is ignored rather than read out of bounds.
  plug.SetParameterFromGUI(3, 0.5);
  plug.SetParameterFromGUI2(-1, 0.5);
  EXPECT_EQ(plug.changes.size(), 3u);
}

TEST(PluginBase, ProcessCopiesInputsAndZeroesTheRestOfTheOutputs) {
  IModuleInstanceInfo info;
  struct Plug : IModuleStandalone {
    using IModuleStandalone::IModuleStandalone;
  } plug(info, 0, "1-2", 0, "fx", "fx", "m", 0, 0, 0, 0, true, false, false);
  double in0[4] = {1, 2, 3, 4};
  double out0[4] = {9, 9, 9, 9}, out1[4] = {9, 9, 9, 9};
  double* ins[1] = {in0};
  double* outs[2] = {out0, out1};
  plug.ProcessDoubleReplacing(ins, outs, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out0[i], in0[i]);
    EXPECT_EQ(out1[i], 0.0);
  }
}

TEST(PluginBase, AttachGraphicsPushesNormalisedValuesThenOwnsTheGUI) {
  int deletions = 0;
  {
    TestPlug plug(2);
    plug.GetParam(0)->InitInt("a", 0, 0, 100);
    plug.GetParam(1)->InitInt("b", 0, 0, 100);
    plug.GetParam(0)->Set(25.0);
    plug.GetParam(1)->Set(100.0);
    plug.AttachGraphics(nullptr);
    EXPECT_EQ(plug.GetGUI(), nullptr);

    auto* gui = new RecordingGUI(&deletions);
    plug.AttachGraphics(gui);
    EXPECT_EQ(plug.GetGUI(), gui);
    EXPECT_EQ(gui->pushes, (std::vector<RecordingGUI::Push>{{0, true, 0.25}, {1, true, 1.0}}));
    EXPECT_EQ(gui->bitmapsCreated, 1);
    EXPECT_EQ(gui->handlesAttached, 0);  // no GUI-resize object
    EXPECT_EQ(plug.GetLiveEditState()->AttachedCount(), 1);
    plug.ResizeAtGuiOpen();
    EXPECT_EQ(gui->resizedAtOpen, 0);

    // Plug-side changes come back as plain values, without a parameter change.
    gui->pushes.clear();
    plug.GetParam(0)->Set(50.0);
    plug.RedrawParamControls();
    EXPECT_EQ(gui->pushes, (std::vector<RecordingGUI::Push>{{0, false, 50.0}, {1, false, 100.0}}));
    EXPECT_TRUE(plug.changes.empty());

    // Replacing the GUI frees the old one.
    plug.AttachGraphics(new RecordingGUI(&deletions));
    EXPECT_EQ(deletions, 1);
  }
  EXPECT_EQ(deletions, 2);  // the plug deleted its GUI
}

TEST(PluginBase, AGUIResizeObjectGetsItsHandlesAttachedAndIsAskedAtOpen) {
  TestPlug plug(1);
  auto* resize =
      reinterpret_cast<IModuleGUIResize*>(&plug);  // held, never dereferenced by the plug
  plug.SetGUIResize(resize);
  auto* gui = new RecordingGUI();
  plug.AttachGraphics(gui);
  EXPECT_EQ(gui->handlesAttached, 1);
  plug.ResizeAtGuiOpen();
  EXPECT_EQ(gui->resizedAtOpen, 1);
  plug.SetGUIResize(nullptr);
}

TEST(PluginBase, ResizeKeepsTheUpperLeftCornerAndAddsTheTitleBar) {
  struct FakeWindow : IModuleHostWindow {
    std::vector<std::vector<int>> moves;
    bool GetWindowRect(int* l, int* t, int* r, int* b) override {
      *l = 100;
      *t = 300;  // lower edge: window-layer y grows upward
      *r = 1240;
      *b = 1122;  // upper edge
      return true;
    }
    void SetWindowPos(int x, int y, int w, int h) override { moves.push_back({x, y, w, h}); }
  } window;

  TestPlug plug(1);
  plug.ResizeGraphics();  // no GUI: nothing at all
  EXPECT_EQ(plug.resized, 0);
  auto* gui = new RecordingGUI();
  plug.AttachGraphics(gui);
  plug.ResizeGraphics();  // no window yet: only the notification
  EXPECT_EQ(plug.resized, 1);

  plug.SetHostWindow(&window);
  gui->width = 570;
  gui->height = 400;
  plug.ResizeGraphics();
  ASSERT_EQ(window.moves.size(), 1u);
  EXPECT_EQ(window.moves[0], (std::vector<int>{100, 1122 - 22 - 400, 570, 422}));
  EXPECT_EQ(plug.resized, 2);
}
