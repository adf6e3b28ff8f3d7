// The cost of merging one auto-reply template of 40 lines (8 header lines, 32
// body lines, codes on 10 of them) against the message being answered,
// beside a plain copy of the same 40 lines (which every merge also makes:
// the template's lines are copied before the codes are replaced in place).
//
// Two merges are timed: with the log as the processor gives it (every code
// and its result become dated lines of the processor's log) and with a log
// sink that drops the lines, which leaves the merge's own work.
//
//   bench_agentrun_merge [seconds per figure]     (default 1)
#include <cstdio>
#include <string>
#include <vector>

#include "agentrun/merge_codes.h"
#include "agentrun/processor.h"
#include "bench/agentrun/bench_support.h"
#include "platform/mail/message.h"
#include "platform/system/clock.h"
#include "platform/system/format_datetime.h"

namespace {

const std::vector<std::string> kHeaders = {
    "From: Support <support@acme.example>",
    "To: <<REPLYFIELD~Email>>",
    "Subject: Re: <<REPLYHEADER~SUBJECT>>",
    "Date: Sun, 1 Mar 2026 10:00:00 +0100",
    "MIME-Version: 1.0",
    "Content-Type: text/plain; charset=us-ascii",
    "Content-Transfer-Encoding: 7bit",
    "X-Mailer: Karvix",
};

std::vector<std::string> bodyTemplate() {
  std::vector<std::string> b = {
      "Dear <<REPLYHEADER~FROMNAME>>,",
      "",
      "thank you for your message of <<REPLYHEADER~DATE>>.",
      "Your message about \"<<REPLYHEADER~SUBJECT>>\" reached us on <<SYSTEM~DATE>>.",
      "It was sent to <<REPLYHEADER~TO>> and is now handled by the team",
      "of <<SYSTEM~CURRENTNODE>>.",
      "",
      "Your reference: <<SYSTEM~FORMATDATETIME(yyyymmddhhnnss)>>",
      "Your order number, as you gave it: <<REPLYFIELD~Order>>",
      "We answer every request within two working days.",
      "Replies go to <<SYSTEM~CURRENTNODEADDRESS>>; please keep the reference.",
      "",
  };
  while (b.size() < 30) b.push_back("We are working on your request and will write again as soon as we know more.");
  b.push_back("Regards,");
  b.push_back("<<SYSTEM~VERSION>>");
  return b;
}

template <class F>
double perCall(double budget, F one) {
  for (int i = 0; i < 100; ++i) one();  // warm-up
  kxbench::Stopwatch w;
  long n = 0;
  while (n < 1000 || w.seconds() < budget) {
    one();
    ++n;
  }
  return w.seconds() / double(n);
}

}  // namespace

int main(int argc, char** argv) {
  const double budget = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 1.0;
  try {
    const std::vector<std::string> body = bodyTemplate();
    if (body.size() + kHeaders.size() != 40) throw std::runtime_error("the template is not 40 lines");
    int codeLines = 0;
    for (const auto* lines : {&body, &kHeaders})
      for (const auto& l : *lines) codeLines += l.find("<<") != std::string::npos;

    // The message answered: a 4 KB message with an order and an address field.
    std::string text = kxbench::messageText(7);
    text.insert(text.find("Hello,"), "Order=4711-0815\r\nEmail = customer7@example.com\r\n");
    mail::TmsMessage message;
    message.loadFromBytes(text);
    const mail::MailAddress from = message.sender();
    const std::vector<std::string> repliedBody = message.bodyLines();
    const agentrun::MergeSource source{
        [&message](std::string_view name) { return message.headerValue(std::string(name)); },
        from.name, from.address, repliedBody, "Support 7", "support7@acme.example"};

    kxbench::Store s("merge", false);
    auto processor = std::make_unique<agentrun::Processor>(s.program);
    long logged = 0;
    const auto services = [&](bool processorLog) {
      return agentrun::MergeServices{
          [&, processorLog](const std::string& line) {
            ++logged;
            if (processorLog) processor->SendtoLog(line, 0);
          },
          [] { return sys::dateToStr(sys::now()); }, [] { return sys::dateTimeText(sys::now()); },
          [](const std::string& format) { return sys::formatDateTime(format.empty() ? "c" : format, sys::now()); }};
    };
    const agentrun::MergeServices withLog = services(true), quiet = services(false);

    // Check once what a reader of the reply would see.
    {
      std::vector<std::string> b = body, h = kHeaders;
      const std::string to = agentrun::ProccessMergeCodes(b, h, source, quiet);
      if (to.find("customer7@example.com") == std::string::npos || b[0] != "Dear Customer 7," ||
          b[8].find("4711-0815") == std::string::npos)
        throw std::runtime_error("the merge did not fill the codes: \"" + b[0] + "\", \"" + to + "\"");
    }

    std::vector<std::string> b, h;
    size_t sink = 0;
    const double copy = perCall(budget, [&] {
      b = body;
      h = kHeaders;
      sink += b.back().size();
    });
    const double merge = perCall(budget, [&] {
      b = body;
      h = kHeaders;
      sink += agentrun::ProccessMergeCodes(b, h, source, quiet).size();
    });
    // A fresh processor log every so often keeps its memory small; the
    // lines are still made and inserted exactly as in a pass.
    long merges = 0;
    logged = 0;
    const double mergeLogged = perCall(budget, [&] {
      if (++merges % 5000 == 0) processor = std::make_unique<agentrun::Processor>(s.program);
      b = body;
      h = kHeaders;
      sink += agentrun::ProccessMergeCodes(b, h, source, withLog).size();
    });
    const double linesPerMerge = double(logged) / double(merges);

    std::printf("Merging a 40-line template (%d lines with codes) against a 4 KB message\n", codeLines);
    std::printf("  plain copy of the 40 lines:               %9.2f us\n", copy * 1e6);
    std::printf("  merge, log lines dropped:                 %9.2f us  (%.0f copies)\n", merge * 1e6, merge / copy);
    std::printf("  merge, into the processor's log:          %9.2f us  (%.0f copies; %.0f log lines a merge)\n",
                mergeLogged * 1e6, mergeLogged / copy, linesPerMerge);
    std::printf("  ratio merge / copy: %.1f (log dropped), %.1f (processor's log)\n", merge / copy,
                mergeLogged / copy);
    if (sink == 0) std::printf("\n");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_agentrun_merge: %s\n", e.what());
    return 1;
  }
}
