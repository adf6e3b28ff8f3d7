// The message date-time read from Date header values.
#include "platform/mail/message_date.h"

#include <gtest/gtest.h>

#include "platform/mail/message.h"

namespace mail {
namespace {

struct DateCase {
  const char* value;
  MailDateTime expected;
};

constexpr MailDateTime kZero = MailDateTime::zero();

TEST(MessageDate, TableOfValues) {
  const DateCase cases[] = {
      {"Fri, 7 Aug 98 14:03:00 -0700", {1998, 8, 7, 14, 3, 0}},
      {"Tue, 12 Mar 2024 08:14:05 +0000", {2024, 3, 12, 8, 14, 5}},
      {"Mon,  4 Mar 2024 17:02:40 +0100 (CET)", {2024, 3, 4, 17, 2, 40}},
      {"7 Aug 50 01:02:03 GMT", {2050, 8, 7, 1, 2, 3}},
      {"7 Aug 51 01:02:03 GMT", {1951, 8, 7, 1, 2, 3}},
      {"1 Jan 00 00:00:00 +0000", {2000, 1, 1, 0, 0, 0}},
      {"Sat, 1 Jan 099 10:00:00 +0000", {1999, 1, 1, 10, 0, 0}},
      {"Friday, 07 August 1998 14:03 PDT", {1998, 8, 7, 14, 3, 0}},
      {"monday 7 aug 1998 9:05:01", {1998, 8, 7, 9, 5, 1}},
      {"29 Feb 2024 12:00:00 +0100", {2024, 2, 29, 12, 0, 0}},
      {"31 Dec 2016 23:59:60 +0000", {2016, 12, 31, 23, 59, 59}},
      {"", kZero},
      {"not a date", kZero},
      {"29 Feb 2023 12:00:00 +0100", kZero},
      {"31 Apr 2024 12:00:00", kZero},
      {"7 Aug 1998", kZero},
      {"7 Aug 1998 25:00:00", kZero},
      {"7 Aug 1998 10:61:00", kZero},
      {"7 Foo 1998 10:00:00", kZero},
      {"2024-03-12T08:14:05Z", kZero},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(parseMailDate(c.value), c.expected);
  }
}

TEST(MessageDate, FromTheMessagesDateHeader) {
  TmsMessage m;
  m.loadFromBytes("Subject: x\r\nDate: Fri, 7 Aug 98 14:03:00 -0700\r\n\r\nbody\r\n");
  EXPECT_EQ(messageDateTime(m), (MailDateTime{1998, 8, 7, 14, 3, 0}));
  m.loadFromBytes("Subject: no date\r\n\r\nbody\r\n");
  EXPECT_TRUE(messageDateTime(m).isZero());
}

}  // namespace
}  // namespace mail
