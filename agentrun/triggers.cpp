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

TriggerMatch matchTrigger(const Trigger& trigger, const TriggerSubject& subject) {
  TriggerMatch m;
  m.field = prepareTriggerField(trigger.field);
  const std::string c = sys::upperAscii(trigger.condition);
  const std::string f = sys::upperAscii(m.field);
  const std::string& v = trigger.value;
  const std::string uv = sys::upperAscii(v);

  if (f == "ANYHEADER") m.scope = TriggerScope::AnyHeader;
  else if (f == "<BODY>") m.scope = TriggerScope::Body;
  if (c == "CONTAINS") m.condition = TriggerCondition::Contains;
  else if (c == "DOES NOT CONTAIN" || c == "DOESN'T CONTAIN") m.condition = TriggerCondition::DoesNotContain;
  else if (c == "BEGINS WITH") m.condition = TriggerCondition::BeginsWith;
  else return m;
  const bool isContains = m.condition == TriggerCondition::Contains;
  const bool isNotContains = m.condition == TriggerCondition::DoesNotContain;
  const bool isBegins = m.condition == TriggerCondition::BeginsWith;

  if (m.scope != TriggerScope::Header) {
    const bool anyHeader = m.scope == TriggerScope::AnyHeader;
    const auto& lines = anyHeader ? subject.rawHeaderLines : subject.bodyLines;
    if (isBegins) {
      if (anyHeader) {
        for (size_t i = 0; i < lines.size(); ++i) {
          if (beginsWith(lines[i], v)) {
            m.line = i;
            break;
          }
        }
        m.verdict = m.line.has_value();
        return m;
      }
      if (!lines.empty()) m.line = 0;
      m.verdict = !lines.empty() && beginsWith(sys::upperAscii(lines.front()), uv);
      return m;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      if (contains(sys::upperAscii(lines[i]), uv)) {
        m.line = i;
        break;
      }
    }
    m.verdict = isContains ? m.line.has_value() : !m.line.has_value();
    return m;
  }

  m.headerValue = subject.headerValue(m.field);
  const std::string& h = m.headerValue;
  if (isContains) m.verdict = contains(sys::upperAscii(h), uv);
  else if (isNotContains) m.verdict = !contains(h, v);
  else m.verdict = beginsWith(sys::upperAscii(h), uv);
  return m;
}

std::optional<bool> evaluateTrigger(const Trigger& trigger, const TriggerSubject& subject) {
  return matchTrigger(trigger, subject).verdict;
}

bool evaluateTriggers(const std::vector<Trigger>& triggers, const TriggerSubject& subject,
                      std::vector<std::string>& verdicts, std::vector<TriggerMatch>* matches) {
  verdicts.clear();
  if (matches) matches->clear();
  for (const auto& trigger : triggers) {
    TriggerMatch m = matchTrigger(trigger, subject);
    if (m.verdict) verdicts.push_back(*m.verdict ? "TRUE" : "FALSE");
    if (matches) matches->push_back(std::move(m));
  }
  if (verdicts.empty()) return false;
  for (const auto& v : verdicts)
    if (v != "TRUE") return false;
  return true;
}

std::vector<Trigger> triggersOf(const std::vector<store::Trigger>& entries) {
  std::vector<Trigger> triggers;
  triggers.reserve(entries.size());
  for (const auto& t : entries) triggers.push_back({t.field, t.condition, t.value});
  return triggers;
}

}  // namespace agentrun
