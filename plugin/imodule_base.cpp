// Plug-in base: parameters, state, GUI attachment and audio-channel bookkeeping.
#include "plugin/imodule_base.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin/iparam.h"
#include "plugin/host_names.h"
#include "plugin/utl_misc.h"

namespace {

void CopyName(char (&dst)[128], const char* src) {
  std::snprintf(dst, sizeof dst, "%s", src ? src : "");
}

// Doubles travel little-endian whatever the machine.
void PutDoubleLE(uint8_t out[8], double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

double GetDoubleLE(const uint8_t in[8]) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(in[i]) << (8 * i);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

double Clamp(double v, double lo, double hi) {
  if (v < lo) return lo;
  if (v > hi) return hi;
  return v;
}

}  // namespace

IModuleBase::IModuleBase(int nParams, const char* channelIO, int nPresets, const char* effectName,
                         const char* productName, const char* makerName, int version, int uniqueId,
                         int makerId, int latency, bool doesMidi, bool doesChunks,
                         bool isInstrument, int api)
    : mUniqueID(uniqueId),
      mMakerID(makerId),
      mVersion(version),
      mAPI(api),
      mDoesChunks(doesChunks),
      mIsInstrument(isInstrument),
      mDoesMIDI(doesMidi),
      mLatency(latency) {
  Trace(__FUNCTION__, __LINE__, "params:%d io:%s", nParams, channelIO ? channelIO : "");
  for (int i = 0; i < nParams; ++i) mParams.Add(new IParam());
  for (int i = 0; i < nPresets; ++i) mPresets.Add(new IPresetEntry());
  CopyName(mEffectName, effectName);
  CopyName(mProductName, productName);
  CopyName(mMakerName, makerName);

  int nIn = 0, nOut = 0;
  if (channelIO) {
    const char* p = channelIO;
    while (*p) {
      int in = 0, out = 0;
      if (std::sscanf(p, "%d-%d", &in, &out) == 2) {
        mChannelIO.Add(new ChannelIOPair{in, out});
        if (in > nIn) nIn = in;
        if (out > nOut) nOut = out;
      }
      const char* blank = std::strchr(p, ' ');
      if (!blank) break;
      p = blank + 1;
    }
  }
  mInData.Resize(nIn);
  mOutData.Resize(nOut);
  for (int i = 0; i < nIn; ++i) {
    mInData.Get()[i] = nullptr;
    auto* ch = new IModuleChannel();
    ch->slot = mInData.Get() + i;
    mInChannels.Add(ch);
  }
  for (int i = 0; i < nOut; ++i) {
    mOutData.Get()[i] = nullptr;
    auto* ch = new IModuleChannel();
    ch->slot = mOutData.Get() + i;
    mOutChannels.Add(ch);
  }
  mLiveEditState = new LiveEditState();
}

IModuleBase::~IModuleBase() {
  delete mGraphics;
  mGraphics = nullptr;
  mParams.Empty(true);
  mPresets.Empty(true);
  mInChannels.Empty(true);
  mOutChannels.Empty(true);
  mChannelIO.Empty(true);
  delete mLiveEditState;
  mLiveEditState = nullptr;
}

void IModuleBase::Reset() {
  UTL_MutexLock lock(mMutex);
}

void IModuleBase::OnParamChange(int paramIdx) {
  UTL_MutexLock lock(mMutex);
}

void IModuleBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  const int nIn = NInChannels(), nOut = NOutChannels();
  if (!outputs || nFrames <= 0) return;
  for (int i = 0; i < nOut; ++i) {
    if (!outputs[i]) continue;
    if (i < nIn && inputs && inputs[i]) {
      std::memmove(outputs[i], inputs[i], sizeof(double) * static_cast<size_t>(nFrames));
    } else {
      std::memset(outputs[i], 0, sizeof(double) * static_cast<size_t>(nFrames));
    }
  }
}

void IModuleBase::ProcessMidiMsg(const IMidiMessage* msg) {
  SendMidiMsg(msg);
}

void IModuleBase::OnMidiMsgReceived(const IMidiMessage* msg) {
  SendMidiMsg(msg);
}

bool IModuleBase::SerializeState(StateChunk* chunk) {
  return SerializeParams(chunk);
}

int IModuleBase::UnserializeState(const StateChunk* chunk, int startPos) {
  return UnserializeParams(chunk, startPos);
}

bool IModuleBase::SerializeParams(StateChunk* chunk) {
  UTL_MutexLock lock(mMutex);
  Trace(__FUNCTION__, __LINE__, "params:%d", NParams());
  if (!chunk) return NParams() == 0;
  bool ok = true;
  for (int i = 0; i < NParams(); ++i) {
    uint8_t bytes[8];
    PutDoubleLE(bytes, GetParam(i)->Value());
    const int before = chunk->GetSize();
    if (!chunk->Add(bytes, 8) || chunk->GetSize() != before + 8) ok = false;
  }
  return ok;
}

int IModuleBase::UnserializeParams(const StateChunk* chunk, int startPos) {
  UTL_MutexLock lock(mMutex);
  Trace(__FUNCTION__, __LINE__, "start:%d", startPos);
  int pos = startPos;
  if (pos >= 0) {
    const int size = chunk ? chunk->GetSize() : 0;
    const auto* data = static_cast<const uint8_t*>(chunk ? chunk->Get() : nullptr);
    for (int i = 0; i < NParams(); ++i) {
      IParam* param = GetParam(i);
      double v = 0.0;
      if (static_cast<int64_t>(pos) + 8 > size) {
        pos = -1;
      } else {
        v = GetDoubleLE(data + pos);
        pos += 8;
      }
      // A NaN from a damaged chunk must not slip past the range check.
      if (std::isnan(v)) v = param->GetMin();
      param->Set(Clamp(v, param->GetMin(), param->GetMax()));
      if (pos < 0) break;
    }
  }
  for (int i = 0; i < NParams(); ++i) OnParamChange(i);
  return pos;
}

bool IModuleBase::CompareState(const double* values, int startIdx) {
  if (!values) return NParams() == 0;
  for (int i = 0; i < NParams(); ++i) {
    const float mine = static_cast<float>(GetParam(i)->Value());
    const float theirs = static_cast<float>(values[startIdx + i]);
    if (!(std::fabs(mine - theirs) < 0.00001f)) return false;
  }
  return true;
}

void IModuleBase::SetParameterFromGUI(int paramIdx, double normalizedValue) {
  UTL_MutexLock lock(mMutex);
  Trace(__FUNCTION__, __LINE__, "idx:%d value:%f", paramIdx, normalizedValue);
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  param->SetNormalized(normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx);
}

void IModuleBase::SetParameterFromGUI2(int paramIdx, double value) {
  UTL_MutexLock lock(mMutex);
  Trace(__FUNCTION__, __LINE__, "idx:%d value:%f", paramIdx, value);
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  param->Set(Clamp(value, param->GetMin(), param->GetMax()));
  OnParamChange(paramIdx);
}

void IModuleBase::AttachGraphics(IModuleGUI* graphics) {
  if (!graphics) return;
  UTL_MutexLock lock(mMutex);
  if (mGUIResize) graphics->AttachResizeHandles(mGUIResize);
  for (int i = 0; i < NParams(); ++i)
    graphics->SetControlsFromPlugValue(i, true, GetParam(i)->GetNormalized());
  graphics->CreateDrawBitmaps();
  // A second attach replaces the first GUI, which the plug owns.
  if (mGraphics && mGraphics != graphics) delete mGraphics;
  mGraphics = graphics;
  graphics->RecordAttachLayout(mLiveEditState);
}

void IModuleBase::RedrawParamControls() {
  if (!mGraphics) return;
  for (int i = 0; i < NParams(); ++i)
    mGraphics->SetControlsFromPlugValue(i, false, GetParam(i)->Value());
}

void IModuleBase::ResizeAtGuiOpen() {
  if (mGUIResize && mGraphics) mGraphics->ResizeAtGuiOpen(mGUIResize);
}

void IModuleBase::SetBlockSize(int nFrames) {
  if (nFrames == mBlockSize) return;
  const int n = nFrames > 0 ? nFrames : 0;
  for (int pass = 0; pass < 2; ++pass) {
    const UTL_PtrList<IModuleChannel>& list = pass == 0 ? mInChannels : mOutChannels;
    for (int i = 0; i < list.GetSize(); ++i) {
      IModuleChannel* ch = list.Get(i);
      double* buf = ch->scratch.Resize(n);
      if (buf && ch->scratch.GetSize() == n)
        std::memset(buf, 0, sizeof(double) * static_cast<size_t>(n));
    }
  }
  mBlockSize = nFrames;
}

bool IModuleBase::LegalIO(int nInputs, int nOutputs) const {
  for (int i = 0; i < mChannelIO.GetSize(); ++i) {
    const ChannelIOPair* pair = mChannelIO.Get(i);
    if ((nInputs < 0 || nInputs == pair->inputs) && (nOutputs < 0 || nOutputs == pair->outputs))
      return true;
  }
  return false;
}

bool IModuleBase::IsInChannelConnected(int ch) const {
  const IModuleChannel* c = mInChannels.Get(ch);
  return c && c->connected;
}

bool IModuleBase::IsOutChannelConnected(int ch) const {
  const IModuleChannel* c = mOutChannels.Get(ch);
  return c && c->connected;
}

void IModuleBase::SetInputChannelConnections(bool connected) {
  for (int i = 0; i < mInChannels.GetSize(); ++i) mInChannels.Get(i)->connected = connected;
}

void IModuleBase::SetOutputChannelConnections(bool connected) {
  for (int i = 0; i < mOutChannels.GetSize(); ++i) mOutChannels.Get(i)->connected = connected;
}

void IModuleBase::SetHost(const char* hostName, int hostVersion) {
  Trace(__FUNCTION__, __LINE__, "host:%s", hostName ? hostName : "");
  mHost = HostCodeFromName(hostName);
  mHostVersion = hostVersion;
}

void IModuleBase::SplitVersion(int version, int* v, int* r, int* m) {
  const auto u = static_cast<uint32_t>(version);
  if (v) *v = static_cast<int>(u >> 16);
  if (r) *r = static_cast<int>((u >> 8) & 0xff);
  if (m) *m = static_cast<int>(u & 0xff);
}

int IModuleBase::DecimalVersion(int version) {
  int v, r, m;
  SplitVersion(version, &v, &r, &m);
  return v * 10000 + r * 100 + m;
}

void IModuleBase::FormatVersion(int version, char* out, int outSize) {
  if (!out || outSize <= 0) return;
  int v, r, m;
  SplitVersion(version, &v, &r, &m);
  std::snprintf(out, static_cast<size_t>(outSize), "v%d.%d.%d", v, r, m);
}

int IModuleBase::GetHostVersion(bool decimal) const {
  return decimal ? DecimalVersion(mHostVersion) : mHostVersion;
}

void IModuleBase::GetHostVersionStr(char* out, int outSize) const {
  FormatVersion(mHostVersion, out, outSize);
}

int IModuleBase::GetEffectVersion(bool decimal) const {
  return decimal ? DecimalVersion(mVersion) : mVersion;
}

void IModuleBase::GetEffectVersionStr(char* out, int outSize) const {
  FormatVersion(mVersion, out, outSize);
}
