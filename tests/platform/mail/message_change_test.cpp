// Changing loaded messages as the processor does (forward, redirect, merged
// templates) and saving them: what changed is written, nothing else is lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>

#include "platform/mail/message.h"
#include "platform/system/error.h"
#include "tests/platform/mail/mail_test_util.h"
#include "tests/support/temp_dir.h"

namespace mail {
namespace {

using test::contains;
using test::fixture;
using test::fixtureBytes;

TmsMessage loaded(const std::string& file) {
  TmsMessage m;
  m.loadFromFile(fixture(file));
  return m;
}

TmsMessage reloaded(const TmsMessage& m) {
  kxtest::TempDir dir;
  m.saveToFile(dir.file("saved.eml"));
  TmsMessage back;
  back.loadFromFile(dir.file("saved.eml"));
  return back;
}

std::vector<std::string> withTop(std::vector<std::string> top, const std::vector<std::string>& body) {
  top.insert(top.end(), body.begin(), body.end());
  return top;
}

// Forward on a multipart message with two attachments: the body part alone
// is re-encoded; the HTML alternative and both files come back unchanged.
TEST(MessageChange, ForwardKeepsEveryOtherPartAsItWas) {
  std::string original = fixtureBytes("outlook_mixed_attachments.eml");
  TmsMessage m = loaded("outlook_mixed_attachments.eml");
  std::vector<std::string> body = m.bodyLines();
  m.insertBodyLine("Please check the quantities.");
  m.addHeaderLine("X-KarvixForward: True");
  m.clearRecipients();
  m.addRecipient("buyer@shop.example.net");
  m.setSender("Shop Orders", "orders@shop.example.net");
  m.insertBodyLine("--------------------------------------------------");
  m.insertBodyLine("Forwarded Message:  Originally from: Meyer, Anna anna.meyer@corp.example.com");

  std::string saved = m.toBytes();
  const std::string pdfStart = "Content-Type: application/pdf";
  const std::string csvStart = "Content-Type: text/plain; name=\"positions.csv\"";
  EXPECT_EQ(test::section(saved, pdfStart, "\r\n--_004_"), test::section(original, pdfStart, "\r\n--_004_"));
  EXPECT_EQ(test::section(saved, csvStart, "\r\n--_004_"), test::section(original, csvStart, "\r\n--_004_"));
  const std::string htmlStart = "Content-Type: text/html";
  EXPECT_EQ(test::section(saved, htmlStart, "\r\n--_000_"), test::section(original, htmlStart, "\r\n--_000_"));

  TmsMessage back = reloaded(m);
  EXPECT_EQ(back.bodyLines(),
            withTop({"Forwarded Message:  Originally from: Meyer, Anna anna.meyer@corp.example.com",
                     "--------------------------------------------------", "Please check the quantities."},
                    body));
  EXPECT_EQ(back.sender(), (MailAddress{"Shop Orders", "orders@shop.example.net"}));
  EXPECT_EQ(back.recipients(), (MailAddressList{{"", "buyer@shop.example.net"}}));
  EXPECT_EQ(back.headerValue("X-KarvixForward"), "True");
  EXPECT_EQ(back.headerValue("CC"), "\"Keller, Tom\" <tom.keller@corp.example.com>");
  EXPECT_EQ(back.headerValue("Subject"), "Order 4711 - revised quantities");
  EXPECT_EQ(back.headerValue("Message-ID"), m.headerValue("Message-ID"));
  ASSERT_EQ(back.attachments().size(), 2u);
  EXPECT_EQ(back.attachmentContent(0), fixtureBytes("order.pdf"));
  EXPECT_EQ(back.attachmentContent(1), fixtureBytes("positions.csv"));
  // The From and To lines were replaced where they stood; one of each.
  const auto& lines = back.headerLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("From:", 0) == 0; }), 1);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("To:", 0) == 0; }), 1);
}

struct BodyChangeCase {
  const char* file;
  std::string newLine;
  const char* charsetAfter;  // of the body part
  friend void PrintTo(const BodyChangeCase& c, std::ostream* os) { *os << c.file << " + " << c.newLine; }
};

class BodyChange : public ::testing::TestWithParam<BodyChangeCase> {};

// Each client's message with a line inserted at the top reloads with that
// line and the old body, other parts and headers kept.
TEST_P(BodyChange, InsertedLineAndOldBodyComeBack) {
  const BodyChangeCase& c = GetParam();
  TmsMessage m = loaded(c.file);
  std::vector<std::string> before = m.bodyLines();
  std::vector<AttachmentInfo> files = m.attachments();
  std::vector<std::string> headers = m.headerLines();
  m.insertBodyLine(c.newLine);

  std::string bytes = m.toBytes();
  TmsMessage back;
  back.loadFromBytes(bytes);
  EXPECT_EQ(back.bodyLines(), withTop({c.newLine}, before));
  EXPECT_EQ(back.attachments(), files);
  EXPECT_EQ(back.subject(), m.subject());
  EXPECT_EQ(back.sender(), m.sender());
  EXPECT_EQ(back.recipients(), m.recipients());
  EXPECT_TRUE(contains(bytes, c.charsetAfter)) << bytes;
  // Every header line that is no MIME header is still there, in order.
  auto at = back.headerLines().begin();
  for (const std::string& line : headers) {
    if (line.rfind("Content-", 0) == 0 || line.rfind("\t", 0) == 0 || line.rfind(" ", 0) == 0) continue;
    at = std::find(at, back.headerLines().end(), line);
    ASSERT_NE(at, back.headerLines().end()) << line;
  }
  const auto& l = back.headerLines();
  EXPECT_EQ(std::count_if(l.begin(), l.end(),
                          [](const std::string& s) {
                            std::string head = s.substr(0, 13);
                            for (char& ch : head) ch = char(std::tolower(static_cast<unsigned char>(ch)));
                            return head == "mime-version:";
                          }),
            1);
  // Sent or saved, the changed message is 7-bit text.
  for (unsigned char ch : bytes)
    ASSERT_LT(ch, 0x80);
}

const BodyChangeCase kBodyChanges[] = {
    {"thunderbird_alternative.eml", "Noted \xE2\x80\x93 replacement sent.", "charset=utf-8"},
    {"outlook_mixed_attachments.eml", "Weitergeleitet", "charset=utf-8"},
    {"apple_nonascii_subject.eml", "Antwort folgt.", "charset=utf-8"},
    {"mutt_plain_folded.eml", "\xC3\x9C" "bersicht folgt", "charset=utf-8"},
    {"mutt_plain_folded.eml", "plain ascii line", "charset=us-ascii"},
};

INSTANTIATE_TEST_SUITE_P(Clients, BodyChange, ::testing::ValuesIn(kBodyChanges));

TEST(MessageChange, FlowedFormatIsDroppedWithTheNewText) {
  TmsMessage m = loaded("thunderbird_alternative.eml");
  m.insertBodyLine("top");
  std::string bytes = m.toBytes();
  std::string textPart = test::section(bytes, "Content-Type: text/plain", "--------------8a5b");
  EXPECT_FALSE(contains(textPart, "format=flowed")) << textPart;
  EXPECT_TRUE(contains(bytes, "This is a multi-part message in MIME format."));
}

TEST(MessageChange, AddedHeaderLineKeepsTheBodyBytes) {
  std::string original = fixtureBytes("thunderbird_alternative.eml");
  TmsMessage m = loaded("thunderbird_alternative.eml");
  m.addHeaderLine("X-KarvixRedirect: True");
  std::size_t blank = original.find("\n\n");
  EXPECT_EQ(m.toBytes(), original.substr(0, blank + 1) + "X-KarvixRedirect: True\n" +
                             original.substr(blank + 1));
}

// A template whose To line holds a merge code: setting the recipients does
// not touch the raw line, so the code can still be replaced; when written,
// the To header is the recipient list, once.
TEST(MessageChange, TemplateToLineStaysRawUntilWritten) {
  TmsMessage m;
  m.loadFromBytes(
      "From: Shop <shop@shop.example.net>\r\nTo: <<REPLYFIELD~Email>>\r\nSubject: Your request\r\n"
      "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nThank you.\r\n");
  m.setRecipients({{"Lena Fischer", "lena.fischer@mail.example.org"}});
  EXPECT_EQ(m.headerLines()[1], "To: <<REPLYFIELD~Email>>");
  m.setHeaderLine(1, "To: customer@example.org");
  m.clearRecipients();
  m.addRecipient("customer@example.org");
  TmsMessage back;
  back.loadFromBytes(m.toBytes());
  EXPECT_EQ(back.headerLines()[1], "To: customer@example.org");
  EXPECT_EQ(back.headerValue("To"), "customer@example.org");
  EXPECT_EQ(back.recipients(), (MailAddressList{{"", "customer@example.org"}}));
  EXPECT_EQ(back.bodyLines(), std::vector<std::string>{"Thank you."});
}

struct InjectionCase {
  const char* title;
  std::function<void(TmsMessage&)> change;
};

// No value set on a message can add a header line of its own.
TEST(MessageChange, LineBreaksInValuesNeverAddHeaderLines) {
  const InjectionCase cases[] = {
      {"subject", [](TmsMessage& m) { m.setSubject("Hello\r\nBcc: victim@evil.example"); }},
      {"added line", [](TmsMessage& m) { m.addHeaderLine("X-Note: a\nBcc: victim@evil.example"); }},
      {"set line", [](TmsMessage& m) { m.setHeaderLine(0, "X-Note: a\rBcc: victim@evil.example"); }},
      {"sender name", [](TmsMessage& m) { m.setSender("Evil\r\nBcc: victim@evil.example", "a@b.example"); }},
      {"sender address", [](TmsMessage& m) { m.setSender("", "a@b.example\r\nBcc: victim@evil.example"); }},
      {"recipient name", [](TmsMessage& m) { m.addRecipient("c@d.example", "X\nBcc: victim@evil.example"); }},
  };
  for (const InjectionCase& c : cases) {
    SCOPED_TRACE(c.title);
    TmsMessage m;
    m.loadFromBytes("Subject: start\r\nFrom: a@b.example\r\n\r\nbody\r\n");
    c.change(m);
    TmsMessage back;
    back.loadFromBytes(m.toBytes());
    for (const std::string& line : back.headerLines())
      EXPECT_NE(line.rfind("Bcc:", 0), 0u) << line;
    EXPECT_EQ(back.headerValue("Bcc"), "");
    EXPECT_EQ(back.bodyLines(), std::vector<std::string>{"body"});
  }
}

TEST(MessageChange, BadHeaderLinesAreRefused) {
  TmsMessage m;
  m.loadFromBytes("Subject: x\r\n\r\nbody\r\n");
  const std::string bad[] = {"", "   ", "no colon here", ": no name", "Bad Name: x"};
  for (const std::string& line : bad) {
    SCOPED_TRACE(line);
    EXPECT_THROW(m.addHeaderLine(line), sys::Error);
  }
  EXPECT_THROW(m.setHeaderLine(5, "X-A: b"), sys::Error);
  EXPECT_THROW(m.setBodyLine(3, "x"), sys::Error);
  m.addHeaderLine("X-Long: first part");
  m.addHeaderLine("  continued");
  EXPECT_EQ(m.headerValue("X-Long"), "first part continued");
}

TEST(MessageChange, SaveFailureNamesTheFile) {
  TmsMessage m = loaded("mutt_plain_folded.eml");
  kxtest::TempDir dir;
  std::string path = dir.file("no/such/folder/x.eml");
  try {
    m.saveToFile(path);
    FAIL() << "no error";
  } catch (const sys::Error& e) {
    EXPECT_TRUE(contains(e.what(), path)) << e.what();
  }
}

}  // namespace
}  // namespace mail
