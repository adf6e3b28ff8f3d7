// Trigger verdicts over small messages, case by case.
#include "agentrun/triggers.h"

#include <gtest/gtest.h>

#include <map>

namespace agentrun {
namespace {

struct Msg {
  std::vector<std::string> headers;
  std::vector<std::string> body;
  std::map<std::string, std::string> values;  // header value lookup results, key upper-case
};

Msg sample() {
  return Msg{{"From: Sales Desk <sales@example.com>", "Subject: New ORDER 12", "X-Priority: 1",
              "To: a@example.com,", " b@example.com"},
             {"Hello world", "hello again", "Total=12"},
             {{"SUBJECT", "New ORDER 12"},
              {"FROM", "Sales Desk <sales@example.com>"},
              {"X-PRIORITY", "1"},
              {"TO", "a@example.com, b@example.com"}}};
}

std::optional<bool> verdict(const Msg& m, const std::string& field, const std::string& cond,
                            const std::string& value) {
  TriggerSubject subject{m.headers, m.body, [&](std::string_view name) {
                           std::string key;
                           for (char c : name) key += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
                           if (!key.empty() && key.back() == ':') key.pop_back();  // as the lookup does
                           auto it = m.values.find(key);
                           return it == m.values.end() ? std::string() : it->second;
                         }};
  return evaluateTrigger(Trigger{field, cond, value}, subject);
}

struct Case {
  const char* field;
  const char* condition;
  const char* value;
  int expected;  // 1 TRUE, 0 FALSE, -1 no verdict
};

TEST(Triggers, VerdictTable) {
  const Case cases[] = {
      // case is ignored by "contains" but not by the negation on a header
      {"Subject", "contains", "order", 1},
      {"Subject", "doesn't contain", "order", 1},
      {"Subject", "DOES NOT CONTAIN", "ORDER", 0},
      {"subject:", "contains", "ORDER 12", 1},
      {"Subject", "begins with", "new", 1},
      {"Subject", "begins with", "ORDER", 0},
      // empty values
      {"Subject", "contains", "", 0},
      {"Subject", "doesn't contain", "", 1},
      {"Subject", "begins with", "", 1},
      {"<Body>", "begins with", "", 1},
      // a header the message lacks
      {"Reply To", "contains", "x", 0},
      {"Reply To", "doesn't contain", "x", 1},
      {"Reply To", "begins with", "x", 0},
      {"Reply To", "begins with", "", 1},
      // continuation lines are part of the value
      {"To", "contains", "B@EXAMPLE", 1},
      // the body: "begins with" looks at the first line only, ignoring case
      {"<Body>", "begins with", "hello", 1},
      {"<Body>", "begins with", "hello again", 0},
      {"<BODY>", "contains", "AGAIN", 1},
      {"<body>", "doesn't contain", "again", 0},
      {"<Body>", "doesn't contain", "nowhere", 1},
      // any header: the whole raw line, field name included, with case
      {"ANYHEADER", "begins with", "X-Priority", 1},
      {"ANYHEADER", "begins with", "x-priority", 0},
      {"anyheader", "contains", "x-priority: 1", 1},
      {"ANYHEADER", "doesn't contain", "sales@", 0},
      // the field is trimmed of one character after ":" and after ">"
      {"Subject:x", "contains", "order", 1},
      {"<Body>x", "contains", "again", 1},
      // unknown or empty conditions give no verdict
      {"Subject", "", "order", -1},
      {"Subject", "is", "order", -1},
      {"", "contains", "x", 0},
  };
  const Msg m = sample();
  for (const auto& c : cases) {
    auto v = verdict(m, c.field, c.condition, c.value);
    const int got = v ? int(*v) : -1;
    EXPECT_EQ(got, c.expected) << c.field << " / " << c.condition << " / " << c.value;
  }
}

TEST(Triggers, BodySearchesOnAMessageWithoutBody) {
  Msg m = sample();
  m.body.clear();
  EXPECT_EQ(verdict(m, "<Body>", "begins with", ""), false);
  EXPECT_EQ(verdict(m, "<Body>", "contains", "x"), false);
  EXPECT_EQ(verdict(m, "<Body>", "doesn't contain", "x"), true);
}

TEST(Triggers, FieldPreparation) {
  EXPECT_EQ(prepareTriggerField(""), "");
  EXPECT_EQ(prepareTriggerField(":"), "");  // one character: it is its own "before last"
  EXPECT_EQ(prepareTriggerField("Subject:"), "Subject:");
  EXPECT_EQ(prepareTriggerField("Subject:x"), "Subject:");
  EXPECT_EQ(prepareTriggerField("<Body>x"), "<Body>");
  EXPECT_EQ(prepareTriggerField("a:>x"), "a:>");
  EXPECT_EQ(prepareTriggerField("a>:x"), "a>");  // both steps apply
}

TEST(Triggers, AllVerdictsMustHoldAndUnknownConditionsAreIgnored) {
  const Msg m = sample();
  TriggerSubject subject{m.headers, m.body, [&](std::string_view) { return m.values.at("SUBJECT"); }};
  std::vector<std::string> verdicts;
  EXPECT_TRUE(evaluateTriggers({{"Subject", "contains", "order"}, {"Subject", "", "zzz"}}, subject,
                               verdicts));
  EXPECT_EQ(verdicts, std::vector<std::string>{"TRUE"});
  EXPECT_FALSE(evaluateTriggers({{"Subject", "contains", "order"}, {"Subject", "contains", "zzz"}},
                                subject, verdicts));
  EXPECT_EQ(verdicts, (std::vector<std::string>{"TRUE", "FALSE"}));
  EXPECT_FALSE(evaluateTriggers({{"Subject", "x", "order"}, {"Subject", "y", "zzz"}}, subject, verdicts));
  EXPECT_TRUE(verdicts.empty());
  EXPECT_FALSE(evaluateTriggers({}, subject, verdicts));
}

}  // namespace
}  // namespace agentrun
