#include "platform/midi_stream_assembler.h"

namespace vq::platform {

namespace {

// Data bytes after a status byte; the SysEx bytes are open-ended and not counted here.
size_t DataBytes(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 1;
    case 0xF0:
      switch (status) {
        case 0xF1:
        case 0xF3:
          return 1;
        case 0xF2:
          return 2;
        default:
          return 0;
      }
    default:
      return 2;
  }
}

}  // namespace

MidiStreamAssembler::MidiStreamAssembler(size_t maxMessage) : mMaxMessage(maxMessage) {
  mMessage.reserve(maxMessage);
}

void MidiStreamAssembler::Feed(const uint8_t* bytes, size_t count, bool afterLoss,
                               const Emit& emit) {
  // Whatever was open missed its middle; the data bytes that follow belong to it.
  if (afterLoss) DropOpenMessage();
  // Running status holds within one event only: an event that opens with data bytes continues
  // a SysEx or is skipped, never read as short messages (JACK's events carry their status).
  mRunning = 0;
  for (size_t i = 0; i < count; ++i) Byte(bytes[i], emit);
}

void MidiStreamAssembler::DropOpenMessage() {
  if (mInSysEx && !mTooLong) ++mDropped;
  if (!mInSysEx && !mMessage.empty()) ++mDropped;
  mInSysEx = mTooLong = false;
  mMessage.clear();
  mNeed = 0;
}

void MidiStreamAssembler::Byte(uint8_t b, const Emit& emit) {
  if (b >= 0xF8) {  // real time: at once, between the bytes of anything else
    if (b != 0xFE) emit(&b, 1);
    return;
  }
  if (b == 0xF7) {
    if (mInSysEx && !mTooLong) {
      mMessage.push_back(b);
      emit(mMessage.data(), mMessage.size());
    }
    if (mInSysEx) mMessage.clear();
    mInSysEx = mTooLong = false;
    mRunning = 0;
    return;
  }
  if (b & 0x80) {
    DropOpenMessage();  // a status byte ends what it interrupts
    mMessage.push_back(b);
    mRunning = b < 0xF0 ? b : 0;
    if (b == 0xF0) {
      mInSysEx = true;
      return;
    }
    mNeed = DataBytes(b);
    if (mNeed == 0) {
      emit(mMessage.data(), mMessage.size());
      mMessage.clear();
    }
    return;
  }
  if (mInSysEx) {
    if (mTooLong) return;
    if (mMessage.size() + 1 >= mMaxMessage) {  // no room left for the closing F7
      mTooLong = true;
      mMessage.clear();
      ++mDropped;
      return;
    }
    mMessage.push_back(b);
    return;
  }
  if (mMessage.empty()) {
    if (mRunning == 0) return;  // a data byte that belongs to nothing kept
    mMessage.push_back(mRunning);
    mNeed = DataBytes(mRunning);
  }
  mMessage.push_back(b);
  if (--mNeed == 0) {
    emit(mMessage.data(), mMessage.size());
    mMessage.clear();
  }
}

}  // namespace vq::platform
