// The header value lookup over raw header lines: one table of cases.
#include "platform/mail/header_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mail {
namespace {

struct LookupCase {
  const char* title;
  std::vector<std::string> lines;
  std::string name;
  std::string expected;
};

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// RFC 2047 B word of UTF-8 text, split into words of at most 45 bytes.
std::string bWords(const std::string& utf8) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t start = 0; start < utf8.size(); start += 45) {
    std::string chunk = utf8.substr(start, 45);
    std::string b64;
    for (std::size_t i = 0; i < chunk.size(); i += 3) {
      unsigned v = static_cast<unsigned char>(chunk[i]) << 16;
      if (i + 1 < chunk.size()) v |= static_cast<unsigned char>(chunk[i + 1]) << 8;
      if (i + 2 < chunk.size()) v |= static_cast<unsigned char>(chunk[i + 2]);
      b64 += kAlphabet[(v >> 18) & 63];
      b64 += kAlphabet[(v >> 12) & 63];
      b64 += i + 1 < chunk.size() ? kAlphabet[(v >> 6) & 63] : '=';
      b64 += i + 2 < chunk.size() ? kAlphabet[v & 63] : '=';
    }
    if (!out.empty()) out += ' ';
    out += "=?UTF-8?B?" + b64 + "?=";
  }
  return out;
}

const std::string kUmlautA = "\xC3\xA4";  // ä

std::vector<LookupCase> cases() {
  return {
      {"plain value", {"From: a@b.example", "Subject: Hello there"}, "Subject", "Hello there"},
      {"name given with colon", {"Subject: Hello"}, "Subject:", "Hello"},
      {"case of the name ignored", {"SUBJECT: Hello"}, "subject", "Hello"},
      {"missing header is empty", {"From: a@b.example"}, "Subject", ""},
      {"no header lines at all", {}, "Subject", ""},
      {"blanks trimmed", {"Subject:    padded value  \t"}, "Subject", "padded value"},
      {"only a whole name matches", {"To-Do: nothing", "To: real@b.example"}, "To", "real@b.example"},
      {"first matching line wins", {"Subject: first", "Subject: second"}, "Subject", "first"},
      {"folded lines joined with one blank",
       {"Subject: part one", "   part two", "\tpart three", "From: x@y.example"}, "Subject",
       "part one part two part three"},
      {"continuation with a colon still continues",
       {"Subject: Re:", " Meeting: 10:00", "To: x@y.example"}, "Subject", "Re: Meeting: 10:00"},
      {"a line without colon is joined too", {"Subject: odd", "stray text", "To: x@y.example"},
       "Subject", "odd stray text"},
      {"blank-only continuation adds nothing", {"Subject:", "   ", " value"}, "Subject", "value"},
      {"value ends at the next header", {"Subject: one", "X-Other: two"}, "Subject", "one"},
      {"Q word in Latin-1", {"Subject: =?iso-8859-1?Q?Gr=FC=DFe?= aus Bonn"}, "Subject",
       "Gr\xC3\xBC\xC3\x9F" "e aus Bonn"},
      {"B words folded over two lines",
       {"Subject: =?utf-8?B?QW5mcmFnZTogR3LDtsOfZSBkZXIgQmx1bWVudMO2cGZlIOKAkyA=?=",
        " =?utf-8?B?UHJlaXNlIGbDvHIgMjAyNA==?="},
       "Subject",
       "Anfrage: Gr\xC3\xB6\xC3\x9F" "e der Blument\xC3\xB6pfe \xE2\x80\x93 Preise f\xC3\xBCr 2024"},
      {"encoded display name in From", {"From: =?UTF-8?Q?J=C3=B6rg?= <j@x.example>"}, "From",
       "J\xC3\xB6rg <j@x.example>"},
      {"underscores become blanks once a word was decoded",
       {"Subject: =?utf-8?Q?Re:_Bericht?= my_file"}, "Subject", "Re: Bericht my file"},
      {"underscores kept when nothing was decoded", {"Subject: quarterly_report_v2"}, "Subject",
       "quarterly_report_v2"},
      {"something that only looks encoded is kept", {"Subject: a =?broken b_c"}, "Subject",
       "a =?broken b_c"},
      {"8-bit Latin-1 text becomes UTF-8", {"Subject: Gr\xFC\xDF" "e"}, "Subject",
       "Gr\xC3\xBC\xC3\x9F" "e"},
      {"cut to 255 characters", {"Subject: " + repeat("a", 300)}, "Subject", repeat("a", 255)},
      {"cut never splits a character", {"Subject: " + repeat("a", 254) + kUmlautA + "bc"},
       "Subject", repeat("a", 254) + kUmlautA},
      {"decoded before the cut: long encoded subject kept whole",
       {"Subject: " + bWords(repeat(kUmlautA, 200))}, "Subject", repeat(kUmlautA, 200)},
      {"decoded text over 255 characters is cut",
       {"Subject: " + bWords(repeat(kUmlautA, 300))}, "Subject", repeat(kUmlautA, 255)},
      {"Content-Type stays raw and whole",
       {"Content-Type: multipart/mixed;", "\tboundary=\"=_" + repeat("x", 300) + "\""},
       "Content-Type", "multipart/mixed; boundary=\"=_" + repeat("x", 300) + "\""},
      {"X-UIDL stays raw", {"X-UIDL: =?utf-8?Q?a_b?=_c"}, "x-uidl", "=?utf-8?Q?a_b?=_c"},
  };
}

TEST(HeaderValueLookup, TableOfCases) {
  for (const LookupCase& c : cases()) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(headerValue(c.lines, c.name), c.expected);
  }
}

}  // namespace
}  // namespace mail
