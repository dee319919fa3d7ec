// The plug-in base bound to the standalone application: MIDI goes straight to the shell's MIDI
// output, the host is "standalone", and a change of the GUI size resizes the main window.
#pragma once

#include <cstdint>

#include "plugin/imodule_base.h"
#include "plugin/utl_heapbuf.h"
#include "platform/midi_output.h"

// What the shell hands to the plug at construction. The shell owns the output and the channel
// setting; both outlive the plug.
struct IModuleInstanceInfo {
  UTL_String mBundleID;  // reverse-domain text ending in ".standalone.VQEditor4.macOS"
  vq::platform::MidiOutput* mMidiOut = nullptr;
  uint16_t* mMidiOutChannel = nullptr;  // 0 keeps each message's channel, 1..16 force one
};

// The main window that shows the GUI, as the standalone plug resizes it. Window-layer
// coordinates: y grows upward, and a window's bottom value is its upper edge.
class IModuleHostWindow {
 public:
  virtual ~IModuleHostWindow() = default;
  // The window's frame (left, top = lower edge, right, bottom = upper edge); false without one.
  virtual bool GetWindowRect(int* left, int* top, int* right, int* bottom) = 0;
  virtual void SetWindowPos(int x, int y, int width, int height) = 0;
  // What the window's frame adds above its content: a title bar of 22 pixels unless the host
  // knows better (a desktop that draws the title bar and menu bar outside the frame adds none).
  virtual int TitleBarHeight() { return 22; }
};

class IModuleStandalone : public IModuleBase {
 public:
  static constexpr int kTitleBarHeight = 22;

  IModuleStandalone(const IModuleInstanceInfo& info, int nParams, const char* channelIO,
                    int nPresets, const char* effectName, const char* productName,
                    const char* makerName, int version, int uniqueId, int makerId, int latency,
                    bool doesMidi, bool doesChunks, bool isInstrument);

  void BeginParamEdit(int paramIdx) override {}
  void EndParamEdit(int paramIdx) override {}
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override {}
  // Keeps the window's upper-left corner and fits its content to the GUI size.
  void ResizeGraphics() override;
  // Sends at once on the caller's thread. Channel messages (0x80-0xEF) take the forced output
  // channel when one is set; the message leaves with its own length (two bytes for program
  // change and channel pressure, one for system real-time). False without an output, with
  // MIDI switched off, for a message without a status byte, or when the output refuses it.
  bool SendMidiMsg(const IMidiMessage* msg) override;
  // The bytes leave unchanged in one send. False without an output or bytes.
  bool SendSysEx(const ISysExMessage* msg) override;

  vq::platform::MidiOutput* GetMidiOutput() const { return mMidiOut; }
  // The forced output channel 1..16, or 0 for none.
  int GetMidiOutChannel() const { return mMidiOutChannel ? *mMidiOutChannel : 0; }
  const UTL_String& GetBundleID() const { return mBundleID; }
  // The shell sets the main window once it exists; null detaches it.
  void SetHostWindow(IModuleHostWindow* window) { mHostWindow = window; }

  // The bytes a short message leaves as: its length by status byte (0 for none, i.e. a data
  // byte in status position), with the channel forced when forcedChannel is 1..16.
  static int MidiMessageBytes(const IMidiMessage& msg, int forcedChannel, uint8_t out[3]);

 private:
  vq::platform::MidiOutput* mMidiOut = nullptr;
  uint16_t* mMidiOutChannel = nullptr;
  UTL_String mBundleID;
  IModuleHostWindow* mHostWindow = nullptr;
};
