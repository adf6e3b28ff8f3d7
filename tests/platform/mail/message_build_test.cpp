// Messages built from scratch (templates, replies): headers from the
// properties, MIME-correct text and attachments, read back unchanged.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/mail/message.h"
#include "platform/system/error.h"
#include "tests/platform/mail/mail_test_util.h"
#include "tests/support/temp_dir.h"

namespace mail {
namespace {

using test::contains;
using test::fixture;
using test::fixtureBytes;

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct BodyCase {
  const char* title;
  std::vector<std::string> lines;
};

// Whatever the text, the written message is 7-bit, has no line over 998
// characters, and reads back to the same lines.
TEST(MessageBuild, BodiesOfEveryKindComeBackExactly) {
  const BodyCase cases[] = {
      {"plain ASCII", {"Hello,", "", "thank you for your order.", "-- ", "Shop"}},
      {"German text", {"Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln", "Preis: 12,00 \xE2\x82\xAC"}},
      {"mostly non-Latin", {"\xD0\x97\xD0\xB4\xD1\x80\xD0\xB0\xD0\xB2\xD1\x81\xD1\x82\xD0\xB2\xD1\x83\xD0\xB9\xD1\x82\xD0\xB5",
                            "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"}},
      {"a very long ASCII line", {repeat("word ", 300)}},
      {"dots and From lines", {".", "..", ".hidden", "From here on", "=3D not encoded"}},
      {"trailing blanks and tabs", {"two blanks  ", "\tindented", ""}},
      {"empty body", {}},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.title);
    TmsMessage m;
    m.setSender("Shop", "shop@shop.example.net");
    m.addRecipient("customer@example.org");
    m.setSubject("Test");
    m.setBodyLines(c.lines);
    std::string bytes = m.toBytes();
    std::size_t lineLength = 0;
    for (unsigned char ch : bytes) {
      ASSERT_LT(ch, 0x80);
      lineLength = ch == '\n' ? 0 : lineLength + 1;
      ASSERT_LE(lineLength, 999u);
    }
    TmsMessage back;
    back.loadFromBytes(bytes);
    EXPECT_EQ(back.bodyLines(), c.lines);
  }
}

TEST(MessageBuild, HeadersComeFromTheProperties) {
  TmsMessage m;
  m.setSender("J\xC3\xB6rg M\xC3\xBCller, Sales", "joerg@example.de");
  m.setRecipients({{"Lena Fischer", "lena@example.org"}, {"", "ap@example.org"}});
  m.setSubject("Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 " + repeat("long subject ", 8) + "end");
  m.setBodyLines({"x"});
  m.addHeaderLine("X-KarvixAuto-Reply: True");
  m.addHeaderLine("Auto-Submitted: auto-replied");
  std::string bytes = m.toBytes();

  TmsMessage back;
  back.loadFromBytes(bytes);
  EXPECT_EQ(back.sender(), (MailAddress{"J\xC3\xB6rg M\xC3\xBCller, Sales", "joerg@example.de"}));
  EXPECT_EQ(back.recipients(),
            (MailAddressList{{"Lena Fischer", "lena@example.org"}, {"", "ap@example.org"}}));
  EXPECT_EQ(back.subject(), m.subject());
  EXPECT_EQ(back.headerValue("X-KarvixAuto-Reply"), "True");
  EXPECT_EQ(back.headerValue("Auto-Submitted"), "auto-replied");
  EXPECT_EQ(back.headerValue("MIME-Version"), "1.0");
  // From, To and Subject first, the added lines after them, MIME headers last.
  const auto& lines = back.headerLines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0].rfind("From: ", 0), 0u);
  auto pos = [&](const std::string& prefix) {
    return std::find_if(lines.begin(), lines.end(), [&](auto& l) { return l.rfind(prefix, 0) == 0; }) -
           lines.begin();
  };
  EXPECT_LT(pos("From:"), pos("To:"));
  EXPECT_LT(pos("To:"), pos("Subject:"));
  EXPECT_LT(pos("Subject:"), pos("X-KarvixAuto-Reply:"));
  EXPECT_LT(pos("Auto-Submitted:"), pos("MIME-Version:"));
  EXPECT_LT(pos("MIME-Version:"), pos("Content-Type:"));
  // Written canonically, CRLF, and folded.
  EXPECT_TRUE(contains(bytes, "\r\n\r\nx\r\n"));
  for (const std::string& l : lines) EXPECT_LE(l.size(), 78u + 20u) << l;
}

TEST(MessageBuild, PropertiesAreCutTo255Characters) {
  TmsMessage m;
  m.setSubject(repeat("\xC3\xA4", 300));
  m.setSender(repeat("n", 300), "a@b.example");
  EXPECT_EQ(m.subject(), repeat("\xC3\xA4", 255));
  EXPECT_EQ(m.sender().name, repeat("n", 255));
  TmsMessage back;
  back.loadFromBytes(m.toBytes());
  EXPECT_EQ(back.subject(), repeat("\xC3\xA4", 255));
}

// A template as the editor writes it: sender, subject, body, two files. Read
// back, saved again unchanged (byte for byte), both files keep their content.
TEST(MessageBuild, TemplateWithTwoAttachments) {
  kxtest::TempDir dir;
  TmsMessage t;
  t.setSender("Shop Support", "support@shop.example.net");
  t.setSubject("Re: <<REPLYHEADER~SUBJECT>>");
  t.setBodyLines({"Dear <<REPLYHEADER~FROMNAME>>,", "", "our price list is attached.", "Gr\xC3\xBC\xC3\x9F" "e"});
  t.addAttachment(fixture("order.pdf"));
  t.addAttachment(fixture("positions.csv"));
  t.saveToFile(dir.file("reply.eml"));

  TmsMessage back;
  back.loadFromFile(dir.file("reply.eml"));
  EXPECT_EQ(back.sender(), (MailAddress{"Shop Support", "support@shop.example.net"}));
  EXPECT_TRUE(back.recipients().empty());
  EXPECT_EQ(back.subject(), "Re: <<REPLYHEADER~SUBJECT>>");
  EXPECT_EQ(back.headerValue("Subject"), "Re: <<REPLYHEADER~SUBJECT>>");
  EXPECT_EQ(back.bodyLines(), t.bodyLines());
  EXPECT_EQ(back.attachments(), (std::vector<AttachmentInfo>{{"order.pdf", "application/pdf"},
                                                             {"positions.csv", "text/csv"}}));
  EXPECT_EQ(back.attachmentContent(0), fixtureBytes("order.pdf"));
  EXPECT_EQ(back.attachmentContent(1), fixtureBytes("positions.csv"));

  back.saveToFile(dir.file("again.eml"));
  EXPECT_EQ(kxtest::readFileBytes(dir.file("again.eml")), kxtest::readFileBytes(dir.file("reply.eml")));
}

TEST(MessageBuild, BodySetAfterTheAttachmentsStaysFirst) {
  TmsMessage t;
  t.addAttachment("notes.txt", "file text\n");
  t.setBodyLines({"the body"});
  TmsMessage back;
  back.loadFromBytes(t.toBytes());
  EXPECT_EQ(back.bodyLines(), std::vector<std::string>{"the body"});
  ASSERT_EQ(back.attachments().size(), 1u);
  EXPECT_EQ(back.attachments()[0], (AttachmentInfo{"notes.txt", "text/plain"}));
  EXPECT_EQ(back.attachmentContent(0), "file text\n");
}

TEST(MessageBuild, AttachingToALoadedSinglePartMessage) {
  TmsMessage m;
  m.loadFromFile(fixture("apple_nonascii_subject.eml"));
  std::vector<std::string> body = m.bodyLines();
  m.addAttachment(fixture("order.pdf"));
  TmsMessage back;
  back.loadFromBytes(m.toBytes());
  EXPECT_EQ(back.bodyLines(), body);
  ASSERT_EQ(back.attachments().size(), 1u);
  EXPECT_EQ(back.attachmentContent(0), fixtureBytes("order.pdf"));
  EXPECT_EQ(back.subject(), m.subject());
}

TEST(MessageBuild, MissingAttachmentFileIsAnError) {
  TmsMessage t;
  EXPECT_THROW(t.addAttachment("/nonexistent/dir/file.pdf"), sys::Error);
}

TEST(MessageBuild, ClearEmptiesEverything) {
  TmsMessage m;
  m.loadFromFile(fixture("outlook_mixed_attachments.eml"));
  m.clear();
  EXPECT_TRUE(m.headerLines().empty());
  EXPECT_TRUE(m.bodyLines().empty());
  EXPECT_TRUE(m.attachments().empty());
  EXPECT_TRUE(m.recipients().empty());
  EXPECT_EQ(m.subject(), "");
  EXPECT_EQ(m.sender(), MailAddress{});
}

}  // namespace
}  // namespace mail
