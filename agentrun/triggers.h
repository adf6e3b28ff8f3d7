// Trigger evaluation of message agents: one verdict ("TRUE"/"FALSE") per
// trigger, none for an unknown condition. The rules are the processor's own
// and deliberately uneven: "contains" and "begins with" ignore case (only the
// letters a to z are folded), "doesn't contain" on a named header compares
// with case, and "begins with" on the any-header search compares the whole
// raw line, field name included, with case.
// matchTrigger also tells what the verdict was drawn from (the header value,
// or the header or body line that decided), so a report of a trial run can
// show it; evaluateTrigger is its verdict alone.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/agentfile.h"

namespace agentrun {

struct Trigger {
  std::string field;
  std::string condition;
  std::string value;
};

// What a trigger can see of a message.
struct TriggerSubject {
  const std::vector<std::string>& rawHeaderLines;
  const std::vector<std::string>& bodyLines;
  std::function<std::string(std::string_view)> headerValue;  // the header value lookup
};

// Drops a trailing character after ":" and then after ">" ("Subject:x"
// style leftovers of the dialogs); an empty field stays empty.
std::string prepareTriggerField(std::string field);

enum class TriggerScope { Header, AnyHeader, Body };
enum class TriggerCondition { Contains, DoesNotContain, BeginsWith, Unknown };

// One trigger evaluated, with what it looked at.
struct TriggerMatch {
  std::string field;  // the prepared field
  TriggerScope scope = TriggerScope::Header;
  TriggerCondition condition = TriggerCondition::Unknown;
  std::optional<bool> verdict;  // nullopt for an unknown condition
  // Header scope: the header value lookup of the field (not looked up for an
  // unknown condition).
  std::string headerValue;
  // Any-header and body scopes: the line that decided: the first line that
  // contains the value, the first header line that begins with it, or the
  // first body line for "begins with" on the body; nullopt when no line did.
  std::optional<std::size_t> line;
};

TriggerMatch matchTrigger(const Trigger& trigger, const TriggerSubject& subject);

// The verdict of one trigger; nullopt for an unknown condition.
std::optional<bool> evaluateTrigger(const Trigger& trigger, const TriggerSubject& subject);

// Evaluates every trigger in order into `verdicts` ("TRUE"/"FALSE" texts) and
// returns whether the actions run: at least one verdict and all "TRUE".
// With `matches`, also fills it with every trigger's match, in order (one
// per trigger, unknown conditions included).
bool evaluateTriggers(const std::vector<Trigger>& triggers, const TriggerSubject& subject,
                      std::vector<std::string>& verdicts, std::vector<TriggerMatch>* matches = nullptr);

// The triggers of an agent file as evaluateTriggers takes them.
std::vector<Trigger> triggersOf(const std::vector<store::Trigger>& entries);

}  // namespace agentrun
