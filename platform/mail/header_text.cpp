#include "platform/mail/header_text.h"

#include <gmime/gmime.h>

#include <memory>

#include "platform/mail/gmime_runtime.h"

namespace mail::detail {

namespace {

struct GFree {
  void operator()(void* p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFree>;

struct Unref {
  void operator()(void* p) const {
    if (p) g_object_unref(p);
  }
};

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// An encoded word "=?charset?B?text?=" (or Q) found in a text.
struct Word {
  std::size_t begin;
  std::size_t end;  // one past "?="
  bool paddedBase64;
};

std::vector<Word> encodedWords(std::string_view s) {
  std::vector<Word> words;
  for (std::size_t i = s.find("=?"); i != std::string_view::npos; i = s.find("=?", i + 2)) {
    std::size_t q1 = s.find('?', i + 2);
    if (q1 == std::string_view::npos || q1 == i + 2) continue;
    if (q1 + 2 >= s.size() || s[q1 + 2] != '?') continue;
    char enc = lower(s[q1 + 1]);
    if (enc != 'b' && enc != 'q') continue;
    std::size_t close = s.find("?=", q1 + 3);
    if (close == std::string_view::npos) continue;
    std::string_view payload = s.substr(q1 + 3, close - (q1 + 3));
    words.push_back({i, close + 2, enc == 'b' && payload.find('=') != std::string_view::npos});
    i = close;
  }
  return words;
}

bool onlyBlanks(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t') return false;
  return true;
}

std::string gmimeDecode(const std::string& text) {
  GString_ decoded(g_mime_utils_header_decode_text(nullptr, text.c_str()));
  return decoded ? std::string(decoded.get()) : text;
}

// GMime joins adjacent encoded words of one charset before decoding them (so
// that a character split over two words survives), but a base64 word that
// ends in "=" padding then swallows the words after it. Such runs are decoded
// word by word; the blanks between adjacent words are dropped as RFC 2047
// says.
std::string decodeWords(const std::string& raw) {
  std::vector<Word> words = encodedWords(raw);
  bool split = false;
  for (std::size_t k = 0; k + 1 < words.size(); ++k)
    if (words[k].paddedBase64 &&
        onlyBlanks(std::string_view(raw).substr(words[k].end, words[k + 1].begin - words[k].end)))
      split = true;
  if (!split) return gmimeDecode(raw);
  std::string out;
  std::size_t pos = 0;
  for (std::size_t k = 0; k < words.size(); ++k) {
    std::string between = raw.substr(pos, words[k].begin - pos);
    if (!(k > 0 && onlyBlanks(between))) out += gmimeDecode(between);
    out += gmimeDecode(raw.substr(words[k].begin, words[k].end - words[k].begin));
    pos = words[k].end;
  }
  out += gmimeDecode(raw.substr(pos));
  return out;
}

}  // namespace

bool startsWithName(std::string_view line, std::string_view nameWithColon) {
  if (line.size() < nameWithColon.size()) return false;
  for (std::size_t i = 0; i < nameWithColon.size(); ++i)
    if (lower(line[i]) != lower(nameWithColon[i])) return false;
  return true;
}

bool isContinuation(std::string_view line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

EntryRange findEntry(const std::vector<std::string>& lines, std::string_view name,
                     std::size_t from) {
  std::string withColon(name);
  withColon += ':';
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (!startsWithName(lines[i], withColon)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && isContinuation(lines[end])) ++end;
    return {i, end};
  }
  return {lines.size(), lines.size()};
}

std::string unfoldedValue(const std::vector<std::string>& lines, std::string_view name) {
  EntryRange r = findEntry(lines, name);
  if (r.first == lines.size()) return {};
  std::string value = lines[r.first].substr(name.size() + 1);
  for (std::size_t i = r.first + 1; i < r.end; ++i) value += lines[i];
  return trimBlanks(value);
}

std::string trimBlanks(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return std::string(s.substr(b, e - b));
}

std::string singleLine(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  bool inBreak = false;
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    bool brk = c == '\r' || c == '\n';
    if (brk) {
      if (!inBreak) out += ' ';
      inBreak = true;
      continue;
    }
    inBreak = false;
    out += (u < 0x20 && c != '\t') || u == 0x7f ? ' ' : c;
  }
  return out;
}

std::string cutUtf8(const std::string& s, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char u = static_cast<unsigned char>(s[i]);
    if ((u & 0xC0) == 0x80) continue;  // continuation byte of the current character
    if (chars == maxChars) return s.substr(0, i);
    ++chars;
  }
  return s;
}

std::string toValidUtf8(std::string_view bytes) {
  if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr))
    return std::string(bytes);
  std::string out;
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  while (p < end) {
    const char* bad = nullptr;
    g_utf8_validate(p, end - p, &bad);
    out.append(p, bad);
    if (bad >= end) break;
    // One byte that is no UTF-8: take it as Latin-1.
    unsigned char u = static_cast<unsigned char>(*bad);
    if (u == 0) {
      out += ' ';
    } else {
      out += char(0xC0 | (u >> 6));
      out += char(0x80 | (u & 0x3F));
    }
    p = bad + 1;
  }
  return out;
}

std::string decodeHeaderText(const std::string& raw, bool* decodedWords) {
  ensureGMime();
  std::string out = toValidUtf8(decodeWords(raw));
  if (decodedWords) *decodedWords = !encodedWords(raw).empty() && out != raw;
  return out;
}

MailAddressList parseAddressList(const std::string& value) {
  ensureGMime();
  MailAddressList out;
  std::unique_ptr<InternetAddressList, Unref> list(
      internet_address_list_parse(nullptr, value.c_str()));
  if (!list) return out;
  auto add = [&out](InternetAddress* ia, auto& self) -> void {
    if (INTERNET_ADDRESS_IS_GROUP(ia)) {
      InternetAddressList* members = internet_address_group_get_members(INTERNET_ADDRESS_GROUP(ia));
      for (int i = 0; members && i < internet_address_list_length(members); ++i)
        self(internet_address_list_get_address(members, i), self);
      return;
    }
    const char* name = internet_address_get_name(ia);
    const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(ia));
    out.push_back({toValidUtf8(name ? name : ""), toValidUtf8(addr ? addr : "")});
  };
  for (int i = 0; i < internet_address_list_length(list.get()); ++i)
    add(internet_address_list_get_address(list.get(), i), add);
  return out;
}

std::vector<std::string> splitRawHeader(const char* rawName, const char* rawValue) {
  std::string text = std::string(rawName) + ":" + (rawValue ? rawValue : "");
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (nl == std::string::npos) {
      if (!line.empty()) lines.push_back(line);
      break;
    }
    lines.push_back(line);
    start = nl + 1;
  }
  return lines;
}

namespace {

std::vector<std::string> headerOf(GMimeMessage* msg, const char* name) {
  GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(msg));
  GMimeHeader* h = g_mime_header_list_get_header(headers, name);
  if (!h) return {};
  return splitRawHeader(g_mime_header_get_raw_name(h), g_mime_header_get_raw_value(h));
}

}  // namespace

std::vector<std::string> addressHeaderLines(const char* name, const MailAddressList& list) {
  ensureGMime();
  if (list.empty()) return {};
  std::unique_ptr<GMimeMessage, Unref> msg(g_mime_message_new(FALSE));
  GMimeAddressType type = GMIME_ADDRESS_TYPE_TO;
  std::string n = name;
  if (n == "From") type = GMIME_ADDRESS_TYPE_FROM;
  else if (n == "Cc") type = GMIME_ADDRESS_TYPE_CC;
  else if (n == "Reply-To") type = GMIME_ADDRESS_TYPE_REPLY_TO;
  InternetAddressList* target = g_mime_message_get_addresses(msg.get(), type);
  for (const MailAddress& a : list) {
    std::string nm = singleLine(a.name), ad = trimBlanks(singleLine(a.address));
    InternetAddress* ia = internet_address_mailbox_new(nm.empty() ? nullptr : nm.c_str(), ad.c_str());
    internet_address_set_charset(ia, "UTF-8");
    internet_address_list_add(target, ia);
    g_object_unref(ia);
  }
  return headerOf(msg.get(), name);
}

std::vector<std::string> subjectHeaderLines(const std::string& subject) {
  ensureGMime();
  std::unique_ptr<GMimeMessage, Unref> msg(g_mime_message_new(FALSE));
  std::string s = singleLine(subject);
  g_mime_message_set_subject(msg.get(), s.c_str(), "UTF-8");
  std::vector<std::string> lines = headerOf(msg.get(), "Subject");
  if (lines.empty()) lines.push_back("Subject: ");
  return lines;
}

}  // namespace mail::detail
