// The schedule: which accounts a pass polls, and the next poll written back.
#include "tests/retrieve/retrieve_fixture.h"

namespace retrieve::testing {
namespace {

struct ScheduleCase {
  const char* label;
  const char* nextDate;  // "" = empty
  const char* nextTime;
  long freq;
  bool polled;
  const char* writtenDate;  // NEXTDATE afterwards
  const char* writtenTime;
};

// The clock stands at 11 Dec 2026 10:20:30.
const ScheduleCase kCases[] = {
    {"earlier today", "20261211", "10:00", 15, true, "20261211", "10:35"},
    {"this very minute", "20261211", "10:20", 30, true, "20261211", "10:50"},
    {"a minute ahead", "20261211", "10:21", 15, false, "20261211", "10:21"},
    {"tomorrow", "20261212", "00:00", 15, false, "20261212", "00:00"},
    {"yesterday evening", "20261210", "23:59", 600, true, "20261211", "20:20"},
    {"no date at all", "", "", 60, true, "20261211", "11:20"},
    {"interval past midnight", "20261211", "09:00", 900, true, "20261212", "01:20"},
    {"interval 0 counts as 1", "20261211", "09:00", 0, true, "20261211", "10:21"},
};

class ScheduleTest : public RetrieveFixture, public ::testing::WithParamInterface<ScheduleCase> {};

TEST_P(ScheduleTest, PollsOnlyDueAccountsAndWritesTheNextPoll) {
  const ScheduleCase& c = GetParam();
  const std::string user = newUser();
  pop->deliver(user, message("Hello there"));
  addAccount({.id = "ACC1", .login = user, .nextDate = c.nextDate, .nextTime = c.nextTime, .freq = c.freq});
  addRule("ACC1", "Control Restriction", "A", "", "", "Y", "N");

  const PassResult r = runOnce();

  EXPECT_EQ(r.polled, c.polled ? 1 : 0);
  EXPECT_EQ(pending("ACC1").size(), c.polled ? 1u : 0u);
  const Row n = node("ACC1");
  EXPECT_EQ(n.at("NEXTDATE"), c.writtenDate);
  EXPECT_EQ(n.at("NEXTTIME"), c.writtenTime);
  EXPECT_EQ(n.at("LASTRESULT"), c.polled ? "OK, 1 retrieved" : "");
  EXPECT_EQ(n.at("LASTTIME"), c.polled ? "10:20" : "");
}

INSTANTIATE_TEST_SUITE_P(Cases, ScheduleTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string n = info.param.label;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

using ScheduleRunTest = RetrieveFixture;

// The next pass before the next poll time leaves new mail on the server; the
// pass at that time takes it.
TEST_F(ScheduleRunTest, NewMailWaitsForTheNextPollTime) {
  const std::string user = newUser();
  addAccount({.id = "ACC1", .login = user, .nextDate = "20261211", .nextTime = "10:00", .freq = 5});
  addRule("ACC1", "Control Restriction", "A", "", "", "Y", "Y");
  runOnce();  // empty mailbox; next poll 10:25
  EXPECT_EQ(node("ACC1").at("LASTRESULT"), "OK, 0 retrieved");

  pop->deliver(user, message("Arrived at 10:21"));
  clock.advanceSeconds(4 * 60);  // 10:24:30
  EXPECT_EQ(runOnce().polled, 0);
  EXPECT_TRUE(pending("ACC1").empty());
  EXPECT_EQ(pop->mailbox(user).size(), 1u);

  clock.advanceSeconds(30);  // 10:25:00
  EXPECT_EQ(runOnce().polled, 1);
  EXPECT_EQ(pending("ACC1").size(), 1u);
  EXPECT_EQ(node("ACC1").at("NEXTTIME"), "10:30");
}

}  // namespace
}  // namespace retrieve::testing
