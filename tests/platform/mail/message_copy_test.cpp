// Loading with the body parsed when needed, and copies: for every fixture a
// message loaded either way, and a copy of it, reads and writes the same as
// a message loaded at once; changing a copy leaves the original alone.
#include <gtest/gtest.h>

#include "platform/mail/message.h"
#include "tests/platform/mail/mail_test_util.h"

namespace mail {
namespace {

using test::fixture;
using test::fixtureBytes;

struct Seen {
  std::vector<std::string> header, body;
  std::vector<std::string> attachmentNames, attachmentContents;
  std::string subject, from, bytes;
};

Seen seen(const TmsMessage& m) {
  Seen s{m.headerLines(), m.bodyLines(), {}, {}, m.subject(), m.sender().address, m.toBytes()};
  const auto list = m.attachments();
  for (size_t i = 0; i < list.size(); ++i) {
    s.attachmentNames.push_back(list[i].fileName);
    s.attachmentContents.push_back(m.attachmentContent(i));
  }
  return s;
}

void expectSame(const Seen& a, const Seen& b, const std::string& what) {
  EXPECT_EQ(a.header, b.header) << what;
  EXPECT_EQ(a.body, b.body) << what;
  EXPECT_EQ(a.attachmentNames, b.attachmentNames) << what;
  EXPECT_EQ(a.attachmentContents, b.attachmentContents) << what;
  EXPECT_EQ(a.subject, b.subject) << what;
  EXPECT_EQ(a.from, b.from) << what;
  EXPECT_EQ(a.bytes, b.bytes) << what;
}

const char* const kFixtures[] = {"apple_nonascii_subject.eml", "mutt_plain_folded.eml",
                                 "outlook_mixed_attachments.eml", "thunderbird_alternative.eml"};

TEST(MessageCopy, DeferredParseAndCopiesReadAndWriteAsAnEagerLoad) {
  for (const char* name : kFixtures) {
    TmsMessage eager;
    eager.loadFromFile(fixture(name));
    const Seen want = seen(eager);
    EXPECT_EQ(want.bytes, fixtureBytes(name)) << name;

    TmsMessage lazy;
    lazy.loadFromFile(fixture(name), TmsMessage::Parse::WhenNeeded);
    EXPECT_EQ(lazy.headerValue("Subject"), eager.headerValue("Subject")) << name;
    expectSame(seen(lazy.clone()), want, std::string(name) + ", copy before the parse");
    expectSame(seen(lazy), want, std::string(name) + ", deferred");
    expectSame(seen(eager.clone()), want, std::string(name) + ", copy of a parsed message");
  }
}

TEST(MessageCopy, ChangesToACopyLeaveTheOriginalAlone) {
  for (const char* name : kFixtures) {
    TmsMessage original;
    original.loadFromFile(fixture(name));
    const Seen before = seen(original);
    TmsMessage copy = original.clone();
    copy.insertBodyLine("----- Forwarded message -----");
    copy.addHeaderLine("X-Karvix-Agent: test");
    copy.setSubject("Fwd: " + copy.subject());
    copy.clearRecipients();
    copy.addRecipient("someone@example.com");
    copy.addAttachment("note.txt", "a note\n", "text/plain");
    expectSame(seen(original), before, name);
    // The copy carries every change, and a copy of the copy does too.
    const Seen changed = seen(copy);
    EXPECT_EQ(changed.body.front(), "----- Forwarded message -----") << name;
    EXPECT_EQ(changed.attachmentNames.back(), "note.txt") << name;
    expectSame(seen(copy.clone()), changed, std::string(name) + ", copy of the changed copy");
  }
}

TEST(MessageCopy, ACopyMadeAfterChangesKeepsThem) {
  TmsMessage m;
  m.loadFromFile(fixture("mutt_plain_folded.eml"), TmsMessage::Parse::WhenNeeded);
  m.setBodyLines({"replaced", "body"});
  m.setSender("Karvix", "agent@example.com");
  const TmsMessage copy = m.clone();
  EXPECT_EQ(copy.bodyLines(), (std::vector<std::string>{"replaced", "body"}));
  EXPECT_EQ(copy.sender().address, "agent@example.com");
  EXPECT_EQ(copy.toBytes(), m.toBytes());
}

}  // namespace
}  // namespace mail
