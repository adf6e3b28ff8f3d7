// The plain-text form of a trial run's report (dry_run.h), as the
// karvix-agent-test program prints it and a window can show it: a heading
// with the agent, the message and the account; each trigger as a sentence
// with its verdict and the text it was compared against; the verdict list;
// each action in order with what it would do (the mail it would send with
// its sender, recipients, subject and body; the program it would start; the
// wait; the sound; the close request; the log lines and action rows it would
// write); whether later agents would still run; and the result.
// Lines end with "\n"; the merge codes' own log lines are left out.
#pragma once

#include <string>

#include "agentrun/dry_run.h"

namespace agentrun {

std::string formatDryRunReport(const DryRunReport& report);

}  // namespace agentrun
