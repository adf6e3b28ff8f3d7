#include "agentrun/triggers.h"

#include "platform/system/text.h"

namespace agentrun {
namespace {

bool contains(std::string_view text, std::string_view part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

bool beginsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

}  // namespace

std::string prepareTriggerField(std::string field) {
  // "the character before the last": for a one-character field that is the
  // character itself.
  auto beforeLast = [](const std::string& f) { return f.size() >= 2 ? f[f.size() - 2] : f[0]; };
  if (!field.empty() && beforeLast(field) == ':') field.pop_back();
  if (!field.empty() && beforeLast(field) == '>') field.pop_back();
  return field;
}

std::optional<bool> evaluateTrigger(const Trigger& trigger, const TriggerSubject& subject) {
  const std::string field = prepareTriggerField(trigger.field);
  const std::string c = sys::upperAscii(trigger.condition);
  const std::string f = sys::upperAscii(field);
  const std::string& v = trigger.value;
  const std::string uv = sys::upperAscii(v);

  const bool isContains = c == "CONTAINS";
  const bool isNotContains = c == "DOES NOT CONTAIN" || c == "DOESN'T CONTAIN";
  const bool isBegins = c == "BEGINS WITH";
  if (!isContains && !isNotContains && !isBegins) return std::nullopt;

  if (f == "ANYHEADER" || f == "<BODY>") {
    const auto& lines = f == "ANYHEADER" ? subject.rawHeaderLines : subject.bodyLines;
    if (isBegins) {
      if (f == "ANYHEADER") {
        for (const auto& line : lines)
          if (beginsWith(line, v)) return true;
        return false;
      }
      return !lines.empty() && beginsWith(sys::upperAscii(lines.front()), uv);
    }
    bool found = false;
    for (const auto& line : lines) {
      if (contains(sys::upperAscii(line), uv)) {
        found = true;
        break;
      }
    }
    return isContains ? found : !found;
  }

  const std::string h = subject.headerValue(field);
  if (isContains) return contains(sys::upperAscii(h), uv);
  if (isNotContains) return !contains(h, v);
  return beginsWith(sys::upperAscii(h), uv);
}

bool evaluateTriggers(const std::vector<Trigger>& triggers, const TriggerSubject& subject,
                      std::vector<std::string>& verdicts) {
  verdicts.clear();
  for (const auto& trigger : triggers) {
    if (auto verdict = evaluateTrigger(trigger, subject)) verdicts.push_back(*verdict ? "TRUE" : "FALSE");
  }
  if (verdicts.empty()) return false;
  for (const auto& v : verdicts)
    if (v != "TRUE") return false;
  return true;
}

}  // namespace agentrun
