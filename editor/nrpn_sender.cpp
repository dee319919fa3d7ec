// The editor's outgoing messages: single NRPN changes, whole programs, keyboard notes,
// program requests and the start-up message.
#include "editor/vq_editor.h"
#include "protocol/device_messages.h"
#include "protocol/program_codec.h"

namespace {

void SendControls(IModuleBase& plug, const std::vector<NrpnControl>& controls) {
  for (const NrpnControl& cc : controls) {
    IMidiMessage msg(0, kNrpnStatus, cc.controller, cc.value);
    plug.SendMidiMsg(&msg);
  }
}

}  // namespace

void VQEditor::SendParamNrpn(int field, int32_t value) {
  UTL_MutexLock lock(mMutex);
  if (field < 0 || field >= kProgramFieldCount) return;
  // While the program-change knob is held, only its release goes out.
  if (field == vq_param::FieldOf(vq_param::kExtMidiProgramChange) && mPages &&
      mPages->IsKnobHeld(*this, vq_param::kExtMidiProgramChange))
    return;

  int base = CompositeBaseField(field);
  if (base >= 0) value = CompositeValue(base, Reader());
  SendControls(*this, SingleFieldNrpn(field, value, mLastField));

  if (mHistory.Suspended() || mApplyingProgram) return;
  RecordKeyedUndoStep(static_cast<int8_t>(ProgramFieldTable::Lsb(field)));
}

void VQEditor::SendExtMidiNrpn() {
  UTL_MutexLock lock(mMutex);
  SendControls(*this, FullTripleNrpn(87, ParamInt(vq_param::kPitchBendRange)));
  SendControls(*this, FullTripleNrpn(125, ParamInt(vq_param::kExtMidiProgramChange)));
  SendControls(*this, FullTripleNrpn(123, CompositeValue(123, Reader())));
}

void VQEditor::SendProgramNrpn() {
  UTL_MutexLock lock(mMutex);
  SendControls(*this, ProgramNrpnBurst(mRecord));
}

void VQEditor::SendKeyboardNote(int note, bool on) {
  // No key: nothing. A number beyond the MIDI notes names no key either (sending it limited
  // would play another note).
  if (note < 0 || note > 127) return;
  IMidiMessage msg;
  if (on) {
    int velocity = ::KeyboardVelocity(mKeyboardVelocitySetting);
    msg.MakeNoteOn(note, velocity, 0, mKeyboardChannel);
    SendMidiMsg(&msg);
    SendSysExBytes(KeyboardNoteMessage(true, note, velocity));
  } else {
    msg.MakeNoteOff(note, 0, mKeyboardChannel);
    SendMidiMsg(&msg);
    SendSysExBytes(KeyboardNoteMessage(false, note, 0));
  }
}

void VQEditor::RequestProgram(int slot) {
  UTL_MutexLock lock(mMutex);
  SendProgramRequest(slot);
  mLink.SetUnansweredPolls(0);
  mLink.SetRequestOutstanding(true);
}

void VQEditor::SendProgramRequest(int slot) {
  if (!SendSysExBytes(ProgramRequestMessage(slot))) mSendFailed.store(true);
}

void VQEditor::SendStartupMessage() {
  SendSysExBytes(StartupMessage());
}

bool VQEditor::SendSysExBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return false;
  ISysExMessage msg(0, bytes.data(), static_cast<int32_t>(bytes.size()));
  return SendSysEx(&msg);
}
