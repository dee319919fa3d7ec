// Ways the simulated synthesizer can be told to answer wrongly, per kind of answer, countable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vqsim {

// What the device answers to; each rule applies to one of them.
enum class AnswerKind {
  ProgramRequest,  // 0x40 -> 213-byte dump
  ProgramWrite,    // 0x20 -> 0x21 / 0x22
  FirmwareStart,   // 0x10 -> 0x11 then 0x12
  FirmwareBlock,   // a block that is not the section's last -> 0x12
  FirmwareEnd,     // the section's last block -> 0x14 / 0x15
};

enum class Misbehaviour {
  BadChecksum,   // dump with a wrong checksum; last firmware block reported as bad (0x15)
  WrongCommand,  // the answer's command byte is changed (xor 0x08)
  Truncated,     // the answer is cut short (length bytes, last one F7)
  ErrorReply,    // 0x22 for program requests and writes, 0x15 for firmware; nothing is stored
  Silence,       // no answer at all (the device still acts on the message)
  Slow,          // the normal answer after delayMs
  OldDump,       // a program request is answered with the older 115-byte dump
  WrongTarget,   // the answer's target byte is changed (xor 0x08)
  ForeignId,     // the answer carries another manufacturer identifier
  WrongSlot,     // a dump names slot `slot` (default 0) instead of the requested one
};

struct MisbehaviourRule {
  AnswerKind kind = AnswerKind::ProgramRequest;
  Misbehaviour mode = Misbehaviour::Silence;
  uint32_t skip = 0;        // answers of this kind that pass normally first
  uint32_t count = 1;       // answers spoiled after that; 0 = every one
  uint32_t delayMs = 1000;  // Slow
  uint32_t length = 0;      // Truncated: bytes kept, F7 included; 0 = a default per answer
  uint32_t slot = 0;        // WrongSlot: the slot byte the dump carries (0..127)
  uint32_t lateMs = 0;      // ErrorReply: the delay of a Slow rule that covers the same answer
  uint32_t seen = 0;        // answers of this kind since the rule was added
  uint32_t applied = 0;     // answers this rule spoiled
};

const char* AnswerKindName(AnswerKind kind);
const char* MisbehaviourName(Misbehaviour mode);

// Parses "kind=write,mode=error-reply,count=2,skip=3,ms=1500,length=100,slot=0". count may be
// "always" (= 0). Kinds: request, write, fw-start, fw-block, fw-end. Modes: bad-checksum,
// wrong-command, truncated, error-reply, silence, slow, old-dump, wrong-target, foreign-id,
// wrong-slot. Rejects a mode that does not fit the kind (bad-checksum only for request and
// fw-end; old-dump and wrong-slot only for request).
std::optional<MisbehaviourRule> ParseMisbehaviour(const std::string& text, std::string& error);

class MisbehaviourPlan {
 public:
  // Fails (with a reason) when the mode does not fit the kind.
  bool Add(const MisbehaviourRule& rule, std::string& error);
  void Clear() { mRules.clear(); }

  // Called once for every answer of a kind the device is about to give. Every rule of that
  // kind counts the answer; the first one inside its window spoils it and is returned (an
  // ErrorReply and a Slow rule both inside their windows make one late refusal).
  std::optional<MisbehaviourRule> Take(AnswerKind kind);

  const std::vector<MisbehaviourRule>& Rules() const { return mRules; }

 private:
  std::vector<MisbehaviourRule> mRules;
};

}  // namespace vqsim
