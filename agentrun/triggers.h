// Trigger evaluation of message agents: one verdict ("TRUE"/"FALSE") per
// trigger, none for an unknown condition. The rules are the processor's own
// and deliberately uneven: "contains" and "begins with" ignore case (only the
// letters a to z are folded), "doesn't contain" on a named header compares
// with case, and "begins with" on the any-header search compares the whole
// raw line, field name included, with case.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The verdict of one trigger; nullopt for an unknown condition.
std::optional<bool> evaluateTrigger(const Trigger& trigger, const TriggerSubject& subject);

// Evaluates every trigger in order into `verdicts` ("TRUE"/"FALSE" texts) and
// returns whether the actions run: at least one verdict and all "TRUE".
bool evaluateTriggers(const std::vector<Trigger>& triggers, const TriggerSubject& subject,
                      std::vector<std::string>& verdicts);

}  // namespace agentrun
