// Base class of every plug-in object: the parameter list, the plug mutex, the attached GUI, the
// identity strings and version, and the virtual operations through which the GUI, the MIDI
// inputs, the timer and the menu reach the plug-in.
#pragma once

#include <cstdint>

#include "plugin/imodule_gui.h"
#include "plugin/midi_message.h"
#include "plugin/utl_heapbuf.h"
#include "plugin/utl_mutex.h"

class IParam;

// Parameter state: one little-endian IEEE-754 double per parameter, in index order, nothing
// else; n parameters are exactly 8n bytes.
using StateChunk = UTL_HeapBuf;

struct ChannelIOPair {
  int32_t inputs;
  int32_t outputs;
};

struct IPresetEntry {
  bool initialized = false;
  char name[128] = "empty";
  StateChunk state;
};

// One audio channel of the plug: whether the host connected it, its slot in the plug's pointer
// array and a scratch buffer of one block.
struct IModuleChannel {
  bool connected = false;
  double** slot = nullptr;
  UTL_TypedBuf<double> scratch;
};

class IModuleBase {
 public:
  // channelIO: blank-separated "inputs-outputs" tokens, e.g. "0-1 0-2"; null gives no channels.
  // Names longer than 127 characters are cut.
  IModuleBase(int nParams, const char* channelIO, int nPresets, const char* effectName,
              const char* productName, const char* makerName, int version, int uniqueId,
              int makerId, int latency, bool doesMidi, bool doesChunks, bool isInstrument, int api);
  // Deletes the graphics first, then parameters, presets, channels and the live-edit state.
  virtual ~IModuleBase();
  IModuleBase(const IModuleBase&) = delete;
  IModuleBase& operator=(const IModuleBase&) = delete;

  virtual void Reset();
  // Runs with the plug mutex held.
  virtual void OnParamChange(int paramIdx);
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  virtual void OnGUIOpen() {}
  // Called by the GUI on every second consecutive timer tick with nothing to redraw.
  virtual void OnTick() {}
  // Main thread: whether OnTick would do anything now (work queued by any thread); an idle GUI
  // skips the calls that would do nothing.
  virtual bool HasIdleWork() { return true; }
  // From the device input (MIDI thread, no lock held): MIDI thru by default.
  virtual void ProcessMidiMsg(const IMidiMessage* msg);
  virtual void ProcessSysEx(const ISysExMessage* msg) {}
  // From the keyboard input (MIDI thread, no lock held): MIDI thru by default.
  virtual void OnMidiMsgReceived(const IMidiMessage* msg);
  virtual bool SerializeState(StateChunk* chunk);
  // Returns the next read position, or -1 when the chunk was too short.
  virtual int UnserializeState(const StateChunk* chunk, int startPos);
  virtual bool CompareState(const double* values, int startIdx);
  virtual void OnGraphicsResized() {}
  virtual void OnWindowResize(int layoutView, double width, double height) {}
  virtual bool OnCommand(int code) { return false; }
  // index must be below NParams(). Takes the plug mutex.
  virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
  // Plain value, clamped to the parameter's range; no host notification. Takes the plug mutex.
  virtual void SetParameterFromGUI2(int paramIdx, double value);
  virtual void BeginParamEdit(int paramIdx) = 0;
  virtual void EndParamEdit(int paramIdx) = 0;
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue) = 0;
  virtual double GetTempo() { return 120.0; }
  virtual int GetHost() { return mHost; }
  virtual int GetAPI() { return mAPI; }
  // Fits the host window to the GUI size; called after the GUI was resized.
  virtual void ResizeGraphics() = 0;
  // Takes ownership of the graphics; null does nothing.
  virtual void AttachGraphics(IModuleGUI* graphics);
  virtual void SetLatency(int samples) { mLatency = samples; }
  // Any thread. False when the message could not be handed to an output.
  virtual bool SendMidiMsg(const IMidiMessage* msg) = 0;
  virtual bool SendSysEx(const ISysExMessage* msg) { return false; }
  // Pushes every parameter's plain value into its controls. Takes no lock.
  virtual void RedrawParamControls();
  virtual void SetBlockSize(int nFrames);

  // Null for an index outside 0..NParams()-1.
  IParam* GetParam(int paramIdx) const { return mParams.Get(paramIdx); }
  int NParams() const { return mParams.GetSize(); }
  const UTL_PtrList<IParam>& Params() const { return mParams; }
  IModuleGUI* GetGUI() const { return mGraphics; }
  LiveEditState* GetLiveEditState() const { return mLiveEditState; }
  IModuleGUIResize* GetGUIResize() const { return mGUIResize; }
  // The plug keeps the pointer only; whoever creates the object keeps it alive while the plug is.
  void SetGUIResize(IModuleGUIResize* resize) { mGUIResize = resize; }
  void ResizeAtGuiOpen();
  UTL_Mutex& Mutex() { return mMutex; }

  // True when some channel-I/O pair matches; -1 on either side matches anything.
  bool LegalIO(int nInputs, int nOutputs) const;
  int NInChannels() const { return mInChannels.GetSize(); }
  int NOutChannels() const { return mOutChannels.GetSize(); }
  bool IsInChannelConnected(int ch) const;
  bool IsOutChannelConnected(int ch) const;
  const UTL_PtrList<ChannelIOPair>& ChannelIOPairs() const { return mChannelIO; }
  int GetBlockSize() const { return mBlockSize; }
  double GetSampleRate() const { return mSampleRate; }
  int GetLatency() const { return mLatency; }
  int NPresets() const { return mPresets.GetSize(); }
  const IPresetEntry* GetPreset(int idx) const { return mPresets.Get(idx); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }

  void SetHost(const char* hostName, int hostVersion);
  int GetHostVersion(bool decimal) const;
  void GetHostVersionStr(char* out, int outSize) const;
  int GetEffectVersion(bool decimal) const;
  void GetEffectVersionStr(char* out, int outSize) const;

  // Packed 0xVVVVRRMM: V bits 16-31, R bits 8-15, M bits 0-7.
  static void SplitVersion(int version, int* v, int* r, int* m);
  static int DecimalVersion(int version);                          // V*10000 + R*100 + M
  static void FormatVersion(int version, char* out, int outSize);  // "v%d.%d.%d"

  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMakerName() const { return mMakerName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMakerID() const { return mMakerID; }
  bool DoesMIDI() const { return mDoesMIDI; }
  bool DoesStateChunks() const { return mDoesChunks; }
  bool IsInstrument() const { return mIsInstrument; }

 protected:
  bool SerializeParams(StateChunk* chunk);
  int UnserializeParams(const StateChunk* chunk, int startPos);
  void SetInputChannelConnections(bool connected);
  void SetOutputChannelConnections(bool connected);

  UTL_PtrList<ChannelIOPair> mChannelIO;
  UTL_Mutex mMutex;
  char mEffectName[128] = "";
  char mProductName[128] = "";
  char mMakerName[128] = "";
  int mUniqueID = 0;
  int mMakerID = 0;
  int mVersion = 0;
  int mAPI = 0;
  int mHost = -1;
  int mHostVersion = 0;
  bool mDoesChunks = false;
  bool mIsInstrument = false;
  bool mDoesMIDI = false;
  int mCurrentPresetIdx = 0;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency = 0;
  IModuleGUI* mGraphics = nullptr;
  IModuleGUIResize* mGUIResize = nullptr;
  LiveEditState* mLiveEditState = nullptr;
  UTL_PtrList<IParam> mParams;
  UTL_PtrList<IPresetEntry> mPresets;
  UTL_TypedBuf<double*> mInData;
  UTL_TypedBuf<double*> mOutData;
  UTL_PtrList<IModuleChannel> mInChannels;
  UTL_PtrList<IModuleChannel> mOutChannels;
};
