// Loading mail files made like common mail clients' output, and saving them
// again unchanged: byte for byte.
#include <gtest/gtest.h>

#include "platform/mail/message.h"
#include "platform/system/error.h"
#include "tests/platform/mail/mail_test_util.h"
#include "tests/support/temp_dir.h"

namespace mail {
namespace {

using test::fixture;
using test::fixtureBytes;

struct FixtureCase {
  const char* file;
  MailAddress sender;
  MailAddressList recipients;
  std::string subject;
  std::vector<std::string> someBodyLines;  // must appear, in this order, as whole lines
  std::string firstBodyLine;
  std::vector<AttachmentInfo> attachments;
  friend void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.file; }
};

const FixtureCase kFixtures[] = {
    {"thunderbird_alternative.eml",
     {"Lena Fischer", "lena.fischer@mail.example.org"},
     {{"Shop Support", "support@shop.example.net"}},
     "Re: Delivery for order 4711",
     {"the parcel arrived today, thank you. One item was damaged \xE2\x80\x93 could ",
      "you send a replacement?", "Customer-No = 30-1182", "Email= lena.fischer@mail.example.org",
      "> Your order has been shipped."},
     "Hello,",
     {}},
    {"outlook_mixed_attachments.eml",
     {"Meyer, Anna", "anna.meyer@corp.example.com"},
     {{"Orders", "orders@shop.example.net"}},
     "Order 4711 - revised quantities",
     {"anbei die ge\xC3\xA4nderten Mengen f\xC3\xBCr Bestellung 4711. Bitte best\xC3\xA4tigen Sie den "
      "Liefertermin.",
      "Mit freundlichen Gr\xC3\xBC\xC3\x9F" "en"},
     "Hallo Team,",
     {{"Bestellung 4711.pdf", "application/pdf"}, {"positions.csv", "text/plain"}}},
    {"apple_nonascii_subject.eml",
     {"J\xC3\xB6rg M\xC3\xBCller", "joerg.mueller@example.de"},
     {{"", "info@shop.example.net"}},
     "Anfrage: Gr\xC3\xB6\xC3\x9F" "e der Blument\xC3\xB6pfe \xE2\x80\x93 Preise f\xC3\xBCr 2024",
     {"welche Gr\xC3\xB6\xC3\x9F" "en haben die Blument\xC3\xB6pfe \xE2\x80\x9ETerra\xE2\x80\x9C? Gibt "
      "es die auch in Gr\xC3\xBCn?",
      "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln"},
     "Guten Abend,",
     {}},
    {"mutt_plain_folded.eml",
     {"Bob Smith", "bob@legacy.example.com"},
     {{"", "sales@shop.example.net"},
      {"Accounts Payable", "ap@shop.example.net"},
      {"", "purchasing@shop.example.net"}},
     "quarterly_report draft for review",
     {"the draft is below.", ".", "From the desk of Bob (a line that mbox tools like to escape).",
      "-- "},
     "Hi all,",
     {}},
};

class FixtureMessage : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureMessage, SavedUnchangedIsByteForByteTheSame) {
  const FixtureCase& c = GetParam();
  std::string original = fixtureBytes(c.file);
  TmsMessage m;
  m.loadFromFile(fixture(c.file));
  EXPECT_EQ(m.toBytes(), original);

  kxtest::TempDir dir;
  m.saveToFile(dir.file("copy.eml"));
  EXPECT_EQ(kxtest::readFileBytes(dir.file("copy.eml")), original);
}

TEST_P(FixtureMessage, HeaderLinesAreTheFilesLinesInOrder) {
  const FixtureCase& c = GetParam();
  TmsMessage m;
  m.loadFromFile(fixture(c.file));
  EXPECT_EQ(m.headerLines(), test::headerBlockLines(fixtureBytes(c.file)));
}

TEST_P(FixtureMessage, ReadsSenderRecipientsSubjectBodyAndAttachments) {
  const FixtureCase& c = GetParam();
  TmsMessage m;
  m.loadFromFile(fixture(c.file));
  EXPECT_EQ(m.sender(), c.sender);
  EXPECT_EQ(m.recipients(), c.recipients);
  EXPECT_EQ(m.subject(), c.subject);
  ASSERT_FALSE(m.bodyLines().empty());
  EXPECT_EQ(m.bodyLines().front(), c.firstBodyLine);
  auto at = m.bodyLines().begin();
  for (const std::string& line : c.someBodyLines) {
    SCOPED_TRACE(line);
    at = std::find(at, m.bodyLines().end(), line);
    ASSERT_NE(at, m.bodyLines().end());
  }
  for (const std::string& line : m.bodyLines()) {
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find("<html"), std::string::npos) << "the HTML alternative is no body";
  }
  EXPECT_EQ(m.attachments(), c.attachments);
}

INSTANTIATE_TEST_SUITE_P(Clients, FixtureMessage, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) {
                           std::string n = info.param.file;
                           return n.substr(0, n.find('.'));
                         });

TEST(MessageLoad, AttachmentContentsAreTheOriginalFiles) {
  TmsMessage m;
  m.loadFromFile(fixture("outlook_mixed_attachments.eml"));
  ASSERT_EQ(m.attachments().size(), 2u);
  EXPECT_EQ(m.attachmentContent(0), fixtureBytes("order.pdf"));
  EXPECT_EQ(m.attachmentContent(1), fixtureBytes("positions.csv"));
  EXPECT_THROW(m.attachmentContent(2), sys::Error);
}

TEST(MessageLoad, HeaderLookupOnLoadedMessage) {
  TmsMessage m;
  m.loadFromFile(fixture("mutt_plain_folded.eml"));
  EXPECT_EQ(m.headerValue("To"),
            "sales@shop.example.net, \"Accounts Payable\" <ap@shop.example.net>, "
            "purchasing@shop.example.net");
  EXPECT_EQ(m.headerValue("X-UIDL"), "3f2a1b0c9d8e7f6a5b4c3d2e1f0a9b8c");
  EXPECT_EQ(m.headerValue("subject"), "quarterly_report draft for review");
}

TEST(MessageLoad, FailuresNameTheFile) {
  kxtest::TempDir dir;
  TmsMessage m;
  try {
    m.loadFromFile(dir.file("missing.eml"));
    FAIL() << "no error";
  } catch (const sys::Error& e) {
    EXPECT_TRUE(test::contains(e.what(), dir.file("missing.eml"))) << e.what();
  }
  kxtest::writeFileBytes(dir.file("junk.eml"), "this is not\na mail message at all\n");
  try {
    m.loadFromFile(dir.file("junk.eml"));
    FAIL() << "no error";
  } catch (const sys::Error& e) {
    EXPECT_TRUE(test::contains(e.what(), "junk.eml")) << e.what();
  }
}

TEST(MessageLoad, EmptyFileIsAnEmptyMessageAndStaysEmpty) {
  kxtest::TempDir dir;
  kxtest::writeFileBytes(dir.file("empty.eml"), "");
  TmsMessage m;
  m.loadFromFile(dir.file("empty.eml"));
  EXPECT_TRUE(m.headerLines().empty());
  EXPECT_TRUE(m.bodyLines().empty());
  EXPECT_EQ(m.toBytes(), "");
}

TEST(MessageLoad, OddLayoutsSurviveUnchanged) {
  const std::string layouts[] = {
      "Subject: no body, no blank line",
      "Subject: no body\n",
      "Subject: mixed line ends\r\nFrom: a@b.example\n\r\nbody\n",
      "Subject: x\n\n\n\nbody after blank lines\n\n",
  };
  for (const std::string& bytes : layouts) {
    SCOPED_TRACE(bytes);
    TmsMessage m;
    m.loadFromBytes(bytes);
    EXPECT_EQ(m.toBytes(), bytes);
  }
}

}  // namespace
}  // namespace mail
