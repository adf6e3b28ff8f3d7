// Merge codes in template bodies and header lines, with their log lines.
#include "agentrun/merge_codes.h"

#include <gtest/gtest.h>

#include <map>

namespace agentrun {
namespace {

struct Fixture {
  std::vector<std::string> repliedBody{"email= first@example.com", "Some text",
                                       "Email = second@example.com"};
  std::map<std::string, std::string> headers{{"SUBJECT", "Order 66"}, {"DATE", "Fri, 7 Aug 98 14:03:00 -0700"}};
  std::vector<std::string> log;

  MergeSource source() {
    return MergeSource{[this](std::string_view name) {
                         std::string key;
                         for (char c : name) key += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
                         auto it = headers.find(key);
                         return it == headers.end() ? std::string() : it->second;
                       },
                       "Sales Desk", "sales@example.com", repliedBody, "Acme Support", "help@acme.example"};
  }
  MergeServices services() {
    return MergeServices{[this](const std::string& s) { log.push_back(s); },
                         [] { return std::string("12/11/2026"); },
                         [] { return std::string("12/11/2026 1:02:03 PM"); },
                         [](const std::string& f) { return "F[" + f + "]"; }};
  }
  std::string mergeBodyLine(const std::string& line) {
    std::vector<std::string> body{line}, hdr;
    auto src = source();
    ProccessMergeCodes(body, hdr, src, services());
    return body[0];
  }
};

TEST(MergeCodes, BodyLines) {
  struct Case {
    const char* line;
    const char* expected;
  } cases[] = {
      {"Dear <<REPLYHEADER~FROMNAME>>,", "Dear Sales Desk,"},
      {"<<replyheader~fromaddress>>", "sales@example.com"},
      {"Re: <<REPLYHEADER~SUBJECT>>!", "Re: Order 66!"},
      {"<<REPLYHEADER~CC>>", "<no value provided>"},
      {"<<SYSTEM~CURRENTNODE>> and <<SYSTEM~CURRENTNODEADDRESS>>",
       "Acme Support and <<SYSTEM~CURRENTNODEADDRESS>>"},
      {"<<SYSTEM~CURRENTNODEADDRESS>>", "help@acme.example"},
      {"<<SYSTEM~DATE>>", "12/11/2026"},
      {"<<SYSTEM~TIME>>", "12/11/2026 1:02:03 PM"},
      {"<<SYSTEM~DATETIME>>", "12/11/2026 1:02:03 PM"},
      {"<<SYSTEM~VERSION>>", "Ostrak Karvix Mail Management System Version: 0.999"},
      {"<<SYSTEM~FORMATDATETIME(yyyy)>>", "F[yyyy]"},
      {"at <<SYSTEM~formatdatetime(hh:nn)>>.", "at F[hh:nn]."},
      {"<<SYSTEM~FORMATDATETIME>>", "<no value provided>"},
      {"<<REPLYFIELD~Email>>", " second@example.com"},
      {"<<REPLYFIELD~nothing>>", "<no value provided>"},
      {"<<NOSUCH~X>>", "<no value provided>"},
      {"<<NOTILDE>>", "<no value provided>"},
      {"<<SCRIPT~x>>", "<no value provided>"},
      {"a>>b<<c", "a>>b<no value provided>b<<c"},
      {"no code here", "no code here"},
      {"open << only", "open << only"},
  };
  for (const auto& c : cases) {
    Fixture f;
    EXPECT_EQ(f.mergeBodyLine(c.line), c.expected) << c.line;
  }
}

TEST(MergeCodes, LogLinesOfOneCode) {
  Fixture f;
  f.mergeBodyLine("Dear <<REPLYHEADER~FROMNAME>>,");
  EXPECT_EQ(f.log, (std::vector<std::string>{
                       "REPLYHEADER~FROMNAME",
                       "Merge Template the command is: REPLYHEADER the param is: FROMNAME",
                       "the result of the SYSTEM merge code was  Sales Desk",
                       "the newline reads  Dear Sales Desk,"}));
  Fixture g;
  g.mergeBodyLine("<<SYSTEM~FORMATDATETIME>>");
  EXPECT_EQ(g.log[2],
            "The FORMATDATETIME command is missing paramaters, please see the documentation on how to "
            "use this merge code");
  Fixture h;
  h.mergeBodyLine("<<SYSTEM~FORMATDATETIME(yyyy)>>");
  EXPECT_EQ(h.log[2], "Formatting date time according to yyyy");
}

TEST(MergeCodes, BodyCodeIsCutAt3000CharactersWhenLongerThan4000) {
  Fixture f;
  f.repliedBody = {std::string(4001, 'x')};
  EXPECT_EQ(f.mergeBodyLine("<<REPLYHEADER~BODY>>"), std::string(3000, 'x'));
  Fixture g;
  g.repliedBody = {"one", "two"};
  EXPECT_EQ(g.mergeBodyLine("<<REPLYHEADER~BODY>>"), "one\r\ntwo");
}

TEST(MergeCodes, ToLineChoosesRecipientAndLaterHeaderLinesAreRewritten) {
  Fixture f;
  std::vector<std::string> body{"Hello"};
  std::vector<std::string> headers{"Subject: Re: <<REPLYHEADER~SUBJECT>>", "To: <<REPLYFIELD~Email>>",
                                   "X-Note: <<REPLYHEADER~SUBJECT>>"};
  auto src = f.source();
  const std::string recipient = ProccessMergeCodes(body, headers, src, f.services());
  EXPECT_EQ(recipient, " second@example.com");
  EXPECT_EQ(headers[0], "Subject: Re: <<REPLYHEADER~SUBJECT>>");  // before the To line: unchanged
  EXPECT_EQ(headers[1], "To:  second@example.com");
  EXPECT_EQ(headers[2], "X-Note: <no value provided>");  // headers evaluate only REPLYFIELD
}

TEST(MergeCodes, ReplyFieldInOtherHeaderLinesChoosesNoRecipient) {
  Fixture f;
  std::vector<std::string> body, headers{"Reply-To: <<REPLYFIELD~Email>>"};
  auto src = f.source();
  EXPECT_EQ(ProccessMergeCodes(body, headers, src, f.services()), "");
  EXPECT_EQ(headers[0], "Reply-To: <<REPLYFIELD~Email>>");
  EXPECT_EQ(f.log.back(), "the result of the REPLYFIELD merge code was   second@example.com");
}

TEST(MergeCodes, HeaderValuesNeverCarryLineBreaks) {
  Fixture f;
  f.repliedBody = {"Email=victim@example.com\r\nBcc: other@example.com"};
  std::vector<std::string> body, headers{"To: <<REPLYFIELD~Email>>"};
  auto src = f.source();
  const std::string recipient = ProccessMergeCodes(body, headers, src, f.services());
  EXPECT_EQ(recipient.find('\n'), std::string::npos);
  EXPECT_EQ(headers[0].find('\n'), std::string::npos);
  EXPECT_EQ(headers[0].find('\r'), std::string::npos);
}

}  // namespace
}  // namespace agentrun
