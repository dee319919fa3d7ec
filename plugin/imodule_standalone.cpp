// Standalone plug: MIDI straight to the shell's output, window fitting.
#include "plugin/imodule_standalone.h"

#include <vector>

#include "plugin/host_names.h"
#include "plugin/utl_misc.h"

IModuleStandalone::IModuleStandalone(const IModuleInstanceInfo& info, int nParams,
                                     const char* channelIO, int nPresets, const char* effectName,
                                     const char* productName, const char* makerName, int version,
                                     int uniqueId, int makerId, int latency, bool doesMidi,
                                     bool doesChunks, bool isInstrument)
    : IModuleBase(nParams, channelIO, nPresets, effectName, productName, makerName, version,
                  uniqueId, makerId, latency, doesMidi, doesChunks, isInstrument, kAPIStandalone) {
  Trace(__FUNCTION__, __LINE__, "%s", effectName ? effectName : "");
  SetInputChannelConnections(true);
  SetOutputChannelConnections(true);
  SetBlockSize(1024);
  SetHost("standalone", GetEffectVersion(false));
  mMidiOut = info.mMidiOut;
  mMidiOutChannel = info.mMidiOutChannel;
  mBundleID = info.mBundleID;
}

void IModuleStandalone::ResizeGraphics() {
  IModuleGUI* gui = GetGUI();
  if (!gui) return;
  if (mHostWindow) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (mHostWindow->GetWindowRect(&left, &top, &right, &bottom)) {
      const int w = gui->GetWidth(), h = gui->GetHeight();
      const int bar = mHostWindow->TitleBarHeight();
      mHostWindow->SetWindowPos(left, bottom - bar - h, w, h + bar);
    }
  }
  OnGraphicsResized();
}

int IModuleStandalone::MidiMessageBytes(const IMidiMessage& msg, int forcedChannel,
                                        uint8_t out[3]) {
  uint8_t status = msg.mStatus;
  int length;
  if (status < 0x80) {
    return 0;  // a data byte cannot start a message
  } else if (status < 0xC0 || (status >= 0xE0 && status < 0xF0)) {
    length = 3;
  } else if (status < 0xE0) {
    length = 2;  // program change, channel pressure
  } else {
    switch (status) {
      case 0xF1:  // time code quarter frame
      case 0xF3:  // song select
        length = 2;
        break;
      case 0xF2:  // song position
        length = 3;
        break;
      case 0xF0:  // SysEx travels through SendSysEx
      case 0xF7:
        return 0;
      default:  // tune request, undefined common, system real-time
        length = 1;
        break;
    }
  }
  if (status < 0xF0 && forcedChannel >= 1 && forcedChannel <= 16) {
    status = static_cast<uint8_t>((status & 0xF0) | (forcedChannel - 1));
  }
  out[0] = status;
  out[1] = msg.mData1;
  out[2] = msg.mData2;
  return length;
}

bool IModuleStandalone::SendMidiMsg(const IMidiMessage* msg) {
  if (!DoesMIDI() || !mMidiOut || !msg) return false;
  uint8_t bytes[3];
  const int n = MidiMessageBytes(*msg, GetMidiOutChannel(), bytes);
  if (n == 0) return false;
  return mMidiOut->Send(bytes, static_cast<size_t>(n));
}

bool IModuleStandalone::SendSysEx(const ISysExMessage* msg) {
  if (!mMidiOut || !msg || !msg->mData || msg->mSize <= 0) return false;
  return mMidiOut->Send(msg->mData, static_cast<size_t>(msg->mSize));
}
