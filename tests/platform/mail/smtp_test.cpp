// Sending through a real SMTP server on loopback (aiosmtpd), and every kind
// of failure as an error with a readable text.
#include "platform/mail/smtp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/mail/message.h"
#include "platform/system/error.h"
#include "tests/platform/mail/mail_test_util.h"
#include "tests/support/smtp_server.h"

namespace mail {
namespace {

using test::contains;

std::string sendError(TmsSMTP& smtp, const TmsMessage& m) {
  try {
    smtp.send(m);
  } catch (const sys::Error& e) {
    return e.what();
  }
  return "(no error)";
}

TmsMessage simpleMessage() {
  TmsMessage m;
  m.setSender("Shop Account", "account@shop.example.net");
  m.setRecipients({{"Lena Fischer", "lena@example.org"}, {"", "ap@example.org"}});
  m.setSubject("Your order 4711");
  m.setBodyLines({"first line", "second line", ".", "..two dots", ".leading dot", "last line"});
  m.addHeaderLine("X-KarvixAuto-Reply: True");
  m.addHeaderLine("Auto-Submitted: auto-replied");
  return m;
}

TEST(SmtpSend, SimpleMessageArrivesWhole) {
  kxtest::SmtpServer server;
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  TmsMessage m = simpleMessage();
  smtp.setMessage(&m);
  smtp.send();

  auto mails = server.received();
  ASSERT_EQ(mails.size(), 1u);
  const kxtest::ReceivedMail& r = mails[0];
  EXPECT_EQ(r.parseError, "");
  EXPECT_EQ(r.mailFrom, "account@shop.example.net");
  EXPECT_EQ(r.rcptTos, (std::vector<std::string>{"lena@example.org", "ap@example.org"}));
  EXPECT_EQ(r.subject, "Your order 4711");
  EXPECT_EQ(r.header("From"), "Shop Account <account@shop.example.net>");
  EXPECT_EQ(r.header("To"), "Lena Fischer <lena@example.org>, ap@example.org");
  EXPECT_EQ(r.header("X-KarvixAuto-Reply"), "True");
  EXPECT_EQ(r.header("Auto-Submitted"), "auto-replied");
  EXPECT_EQ(r.headerCount("Date"), 1);
  EXPECT_EQ(r.headerCount("Message-ID"), 1);
  EXPECT_TRUE(contains(r.header("Message-ID"), "@shop.example.net>")) << r.header("Message-ID");
  EXPECT_EQ(r.text, "first line\nsecond line\n.\n..two dots\n.leading dot\nlast line\n");
}

TEST(SmtpSend, NonAsciiSubjectNamesAndBodyArriveDecodable) {
  kxtest::SmtpServer server;
  TmsMessage m;
  m.setSender("J\xC3\xB6rg M\xC3\xBCller", "joerg@example.de");
  m.addRecipient("kunde@example.org", "K\xC3\xA4the K\xC3\xBChn");
  m.setSubject("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln \xE2\x80\x93 Preis 12 \xE2\x82\xAC");
  m.setBodyLines({"Gr\xC3\xB6\xC3\x9F" "e: 42 \xE2\x80\x93 \xE2\x98\xBA", "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"});
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  smtp.send(m);

  auto mails = server.received();
  ASSERT_EQ(mails.size(), 1u);
  const auto& r = mails[0];
  EXPECT_EQ(r.parseError, "");
  EXPECT_EQ(r.subject, m.subject());
  EXPECT_EQ(r.header("From"), "J\xC3\xB6rg M\xC3\xBCller <joerg@example.de>");
  EXPECT_EQ(r.header("To"), "K\xC3\xA4the K\xC3\xBChn <kunde@example.org>");
  EXPECT_EQ(r.text, m.bodyLines()[0] + "\n" + m.bodyLines()[1] + "\n");
  for (unsigned char c : r.data) ASSERT_LT(c, 0x80) << "8-bit byte on the wire";
}

// A forward of a loaded multipart message: both files arrive with their
// content, the inserted lines lead the text, and only the new recipient
// receives it (the Cc line is carried, not sent to).
TEST(SmtpSend, ForwardedMessageWithAttachments) {
  kxtest::SmtpServer server;
  TmsMessage m;
  m.loadFromFile(test::fixture("outlook_mixed_attachments.eml"));
  m.insertBodyLine("--------------------------------------------------");
  m.insertBodyLine("Forwarded Message:  Originally from: Meyer, Anna anna.meyer@corp.example.com");
  m.addHeaderLine("X-KarvixForward: True");
  m.setSender("Shop Orders", "orders@shop.example.net");
  m.clearRecipients();
  m.addRecipient("buyer@shop.example.net");
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  smtp.send(m);

  auto mails = server.received();
  ASSERT_EQ(mails.size(), 1u);
  const auto& r = mails[0];
  EXPECT_EQ(r.rcptTos, std::vector<std::string>{"buyer@shop.example.net"});
  EXPECT_EQ(r.mailFrom, "orders@shop.example.net");
  EXPECT_EQ(r.text.rfind("Forwarded Message:  Originally from: Meyer, Anna anna.meyer@corp.example.com\n"
                         "--------------------------------------------------\nHallo Team,\n", 0),
            0u)
      << r.text;
  ASSERT_EQ(r.attachments.size(), 2u);
  EXPECT_EQ(r.attachments[0].fileName, "Bestellung 4711.pdf");
  EXPECT_EQ(r.attachments[0].content, test::fixtureBytes("order.pdf"));
  EXPECT_EQ(r.attachments[1].fileName, "positions.csv");
  EXPECT_EQ(r.attachments[1].content, test::fixtureBytes("positions.csv"));
  EXPECT_EQ(r.header("X-KarvixForward"), "True");
  EXPECT_EQ(r.headerCount("Date"), 1) << "the message's own Date is kept, not doubled";
  EXPECT_EQ(r.header("Message-ID"), "<AM6PR04MB1234ABCD5678EF90@AM6PR04MB1234.eurprd04.prod.outlook.com>");
}

TEST(SmtpSend, LineBreaksInValuesCannotAddHeadersOrRecipients) {
  kxtest::SmtpServer server;
  TmsMessage m = simpleMessage();
  m.setSubject("Hello\r\nBcc: victim@evil.example");
  m.setSender("Shop\r\nBcc: victim2@evil.example", "account@shop.example.net");
  m.addHeaderLine("X-Note: merged\nBcc: victim3@evil.example");
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  smtp.send(m);

  auto mails = server.received();
  ASSERT_EQ(mails.size(), 1u);
  const auto& r = mails[0];
  EXPECT_EQ(r.headerCount("Bcc"), 0);
  EXPECT_EQ(r.rcptTos, (std::vector<std::string>{"lena@example.org", "ap@example.org"}));
  EXPECT_EQ(r.subject, "Hello Bcc: victim@evil.example");
  EXPECT_EQ(r.header("X-Note"), "merged Bcc: victim3@evil.example");
}

TEST(SmtpSend, RefusedRecipientIsAnErrorAndNothingIsSent) {
  kxtest::SmtpServer server({.refuse = {"ap@example.org"}});
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  std::string error = sendError(smtp, simpleMessage());
  EXPECT_TRUE(contains(error, "refused the recipient ap@example.org")) << error;
  EXPECT_TRUE(contains(error, "550")) << error;
  EXPECT_TRUE(contains(error, server.hostAndPort())) << error;
  EXPECT_TRUE(server.received().empty());
}

TEST(SmtpSend, RefusedMessageIsAnError) {
  kxtest::SmtpServer server({.refuseData = true});
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  std::string error = sendError(smtp, simpleMessage());
  EXPECT_TRUE(contains(error, "refused the message: 554 5.7.1 Message rejected as spam")) << error;
  EXPECT_TRUE(server.received().empty());
}

int unusedLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);  // nobody listens there now
  return ntohs(addr.sin_port);
}

TEST(SmtpSend, DeadPortIsAConnectError) {
  TmsSMTP smtp;
  smtp.setHost("127.0.0.1:" + std::to_string(unusedLoopbackPort()));
  std::string error = sendError(smtp, simpleMessage());
  EXPECT_TRUE(contains(error, "Could not connect to the SMTP server 127.0.0.1:")) << error;
}

TEST(SmtpSend, SilentServerIsATimeout) {
  kxtest::SmtpServer server({.mute = true});
  TmsSMTP smtp;
  smtp.setHost(server.hostAndPort());
  smtp.setConnectTimeout(std::chrono::milliseconds(300));
  smtp.setTimeout(std::chrono::milliseconds(300));
  std::string error = sendError(smtp, simpleMessage());
  EXPECT_TRUE(contains(error, "Timed out: the SMTP server " + server.hostAndPort())) << error;
}

struct ServerCase {
  const char* text;
  std::string host;
  int port;
};

TEST(SmtpSend, ServerTextGivesHostAndPort) {
  const ServerCase cases[] = {
      {"mail.example.net", "mail.example.net", 25},
      {"  mail.example.net:2525 ", "mail.example.net", 2525},
      {"192.0.2.7:587", "192.0.2.7", 587},
      {"[::1]:2525", "::1", 2525},
      {"[2001:db8::25]", "2001:db8::25", 25},
      {"2001:db8::25", "2001:db8::25", 25},
  };
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.text);
    TmsSMTP smtp;
    smtp.setHost(c.text);
    EXPECT_EQ(smtp.host(), c.host);
    EXPECT_EQ(smtp.port(), c.port);
  }
}

struct RefusalCase {
  const char* title;
  std::string server;
  std::function<void(TmsMessage&)> change;
  std::string error;
};

// Failures found before any connection is made.
TEST(SmtpSend, BadSettingsAreErrorsWithReadableTexts) {
  const RefusalCase cases[] = {
      {"no server", "", [](TmsMessage&) {}, "No SMTP server is set"},
      {"port too big", "mail.example.net:99999", [](TmsMessage&) {}, "Invalid SMTP server \"mail.example.net:99999\""},
      {"port not a number", "mail.example.net:smtp", [](TmsMessage&) {}, "Invalid SMTP server"},
      {"odd host", "mail example.net", [](TmsMessage&) {}, "Invalid SMTP server"},
      {"url path in host", "mail.example.net/evil", [](TmsMessage&) {}, "Invalid SMTP server"},
      {"no sender", "127.0.0.1:25", [](TmsMessage& m) { m.setSender("Name only", ""); },
       "The message has no sender address"},
      {"no recipients", "127.0.0.1:25", [](TmsMessage& m) { m.clearRecipients(); },
       "The message has no recipients"},
      {"recipient with a blank", "127.0.0.1:25",
       [](TmsMessage& m) { m.setRecipients({{"", "two words@example.org"}}); },
       "Invalid recipient address \"two words@example.org\""},
      {"sender without @", "127.0.0.1:25", [](TmsMessage& m) { m.setSender("", "account"); },
       "Invalid sender address \"account\""},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.title);
    TmsMessage m = simpleMessage();
    c.change(m);
    TmsSMTP smtp;
    smtp.setHost(c.server);
    std::string error = sendError(smtp, m);
    EXPECT_TRUE(contains(error, c.error)) << error;
  }
  TmsSMTP smtp;
  smtp.setHost("127.0.0.1:25");
  EXPECT_THROW(smtp.send(), sys::Error);  // no message set
}

}  // namespace
}  // namespace mail
