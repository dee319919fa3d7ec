#include "tools/vqsim/misbehaviour.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace vqsim {
namespace {

// A value and its name on the command line.
template <class T>
struct Named {
  T value;
  const char* name;
};

constexpr Named<AnswerKind> kKinds[] = {
    {AnswerKind::ProgramRequest, "request"}, {AnswerKind::ProgramWrite, "write"},
    {AnswerKind::FirmwareStart, "fw-start"}, {AnswerKind::FirmwareBlock, "fw-block"},
    {AnswerKind::FirmwareEnd, "fw-end"},
};
constexpr Named<Misbehaviour> kModes[] = {
    {Misbehaviour::BadChecksum, "bad-checksum"}, {Misbehaviour::WrongCommand, "wrong-command"},
    {Misbehaviour::Truncated, "truncated"},      {Misbehaviour::ErrorReply, "error-reply"},
    {Misbehaviour::Silence, "silence"},          {Misbehaviour::Slow, "slow"},
    {Misbehaviour::OldDump, "old-dump"},         {Misbehaviour::WrongTarget, "wrong-target"},
    {Misbehaviour::ForeignId, "foreign-id"},     {Misbehaviour::WrongSlot, "wrong-slot"},
};

template <class T, size_t N>
const char* NameOf(const Named<T> (&table)[N], T value) {
  for (const auto& entry : table)
    if (entry.value == value) return entry.name;
  return "?";
}

// The value of that name; false (and `out` as it was) when the table has no such name.
template <class T, size_t N>
bool ValueOf(const Named<T> (&table)[N], const std::string& name, T& out) {
  for (const auto& entry : table) {
    if (name == entry.name) {
      out = entry.value;
      return true;
    }
  }
  return false;
}

bool Fits(AnswerKind kind, Misbehaviour mode) {
  switch (mode) {
    case Misbehaviour::BadChecksum:
      return kind == AnswerKind::ProgramRequest || kind == AnswerKind::FirmwareEnd;
    case Misbehaviour::OldDump:
    case Misbehaviour::WrongSlot:
      return kind == AnswerKind::ProgramRequest;
    default:
      return true;
  }
}

// Fits, with the reason in `error` when not.
bool CheckFits(const MisbehaviourRule& rule, std::string& error) {
  if (Fits(rule.kind, rule.mode)) return true;
  error = std::string("mode ") + MisbehaviourName(rule.mode) + " does not apply to " +
          AnswerKindName(rule.kind);
  return false;
}

bool ParseNumber(const std::string& text, uint32_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || text[0] == '-' || v > 0xFFFFFFFFul) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

const char* AnswerKindName(AnswerKind kind) {
  return NameOf(kKinds, kind);
}

const char* MisbehaviourName(Misbehaviour mode) {
  return NameOf(kModes, mode);
}

std::optional<MisbehaviourRule> ParseMisbehaviour(const std::string& text, std::string& error) {
  MisbehaviourRule rule;
  bool haveKind = false, haveMode = false;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos) {
      error = "expected key=value, got \"" + item + "\"";
      return std::nullopt;
    }
    const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
    if (key == "kind") {
      haveKind = ValueOf(kKinds, value, rule.kind);
      if (!haveKind) {
        error = "unknown kind \"" + value + "\" (request, write, fw-start, fw-block, fw-end)";
        return std::nullopt;
      }
    } else if (key == "mode") {
      haveMode = ValueOf(kModes, value, rule.mode);
      if (!haveMode) {
        error = "unknown mode \"" + value + "\"";
        return std::nullopt;
      }
    } else if (key == "count" && value == "always") {
      rule.count = 0;
    } else if (key == "count" || key == "skip" || key == "ms" || key == "length" || key == "slot") {
      uint32_t n = 0;
      if (!ParseNumber(value, n)) {
        error = "bad number for " + key + ": \"" + value + "\"";
        return std::nullopt;
      }
      if (key == "count")
        rule.count = n;
      else if (key == "skip")
        rule.skip = n;
      else if (key == "ms")
        rule.delayMs = n;
      else if (key == "slot")
        rule.slot = n;
      else
        rule.length = n;
    } else {
      error = "unknown key \"" + key + "\"";
      return std::nullopt;
    }
  }
  if (!haveKind || !haveMode) {
    error = "both kind= and mode= are needed";
    return std::nullopt;
  }
  if (rule.slot > 127) {
    error = "slot must be 0..127";
    return std::nullopt;
  }
  if (rule.mode == Misbehaviour::Truncated && rule.length != 0 && rule.length < 2) {
    error = "length must be at least 2";
    return std::nullopt;
  }
  if (!CheckFits(rule, error)) return std::nullopt;
  return rule;
}

bool MisbehaviourPlan::Add(const MisbehaviourRule& rule, std::string& error) {
  if (!CheckFits(rule, error)) return false;
  MisbehaviourRule r = rule;
  r.seen = r.applied = 0;
  mRules.push_back(r);
  return true;
}

std::optional<MisbehaviourRule> MisbehaviourPlan::Take(AnswerKind kind) {
  std::vector<MisbehaviourRule*> inWindow;
  for (auto& r : mRules) {
    if (r.kind != kind) continue;
    ++r.seen;
    if (r.seen > r.skip && (r.count == 0 || r.applied < r.count)) inWindow.push_back(&r);
  }
  if (inWindow.empty()) return std::nullopt;
  MisbehaviourRule* chosen = inWindow.front();
  ++chosen->applied;
  MisbehaviourRule result = *chosen;
  // A device that answers slowly refuses slowly too: a refusal and a delay that both cover
  // this answer make a late refusal.
  const auto other = [&](Misbehaviour mode) {
    auto it = std::find_if(inWindow.begin() + 1, inWindow.end(),
                           [&](const MisbehaviourRule* r) { return r->mode == mode; });
    return it == inWindow.end() ? nullptr : *it;
  };
  if (chosen->mode == Misbehaviour::ErrorReply || chosen->mode == Misbehaviour::Slow) {
    const bool refusal = chosen->mode == Misbehaviour::ErrorReply;
    if (MisbehaviourRule* pair = other(refusal ? Misbehaviour::Slow : Misbehaviour::ErrorReply)) {
      ++pair->applied;
      if (!refusal) result = *pair;
      result.lateMs = refusal ? pair->delayMs : chosen->delayMs;
    }
  }
  return result;
}

}  // namespace vqsim
