#include "platform/profile/document.h"

#include <string>

#include "platform/profile/value.h"
#include "platform/system/text.h"

namespace profile {
namespace {

std::string_view trimBlanks(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The section name of a "[name]" line, or false for any other line.
bool sectionName(std::string_view line, std::string_view& name) {
  const std::string_view t = trimBlanks(line);
  if (t.empty() || t.front() != '[') return false;
  const auto close = t.rfind(']');
  if (close == std::string_view::npos || close == 0) return false;
  name = trimBlanks(t.substr(1, close - 1));
  return true;
}

bool isComment(std::string_view t) { return !t.empty() && (t.front() == ';' || t.front() == '#'); }

std::string oneLine(std::string_view value) {
  std::string v(value);
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  return v;
}

}  // namespace

std::size_t FoldedHash::operator()(std::string_view s) const noexcept {
  std::size_t h = 1469598103934665603ull;  // FNV-1a over the upper-cased bytes
  for (char c : s) {
    h ^= static_cast<unsigned char>(upper(c));
    h *= 1099511628211ull;
  }
  return h;
}

bool FoldedEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  return sys::equalsIgnoreCaseAscii(a, b);
}

Document Document::parse(std::string_view text) {
  Document doc;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
    doc.bom_ = true;
    text.remove_prefix(3);
  }
  const auto firstLf = text.find('\n');
  if (firstLf != std::string_view::npos && firstLf > 0 && text[firstLf - 1] == '\r') doc.eol_ = "\r\n";
  doc.finalEol_ = text.empty() || text.back() == '\n';
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.push_back(Line{std::string(line)});
    start = end + 1;
  }
  doc.rebuildIndex();
  return doc;
}

void Document::rebuildIndex() {
  sections_.clear();
  sectionIndex_.clear();
  int current = -1;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    line.section = -1;
    line.isKey = false;
    line.value.clear();
    std::string_view name;
    if (sectionName(line.text, name)) {
      current = static_cast<int>(sections_.size());
      line.section = current;
      sections_.push_back(Section{std::string(name), i, {}, i});
      sectionIndex_.emplace(std::string(name), static_cast<std::size_t>(current));  // first one counts
      continue;
    }
    const std::string_view t = trimBlanks(line.text);
    if (t.empty() || isComment(t) || current < 0) continue;
    const auto eq = t.find('=');
    const std::string_view key = trimBlanks(eq == std::string_view::npos ? t : t.substr(0, eq));
    if (key.empty()) continue;
    line.isKey = true;
    if (eq != std::string_view::npos) line.value = std::string(trimBlanks(t.substr(eq + 1)));
    Section& s = sections_[static_cast<std::size_t>(current)];
    s.keys.emplace(std::string(key), i);  // the first key of a name counts
    s.lastKey = i;
  }
}

const Document::Section* Document::findSection(std::string_view section) const {
  const auto it = sectionIndex_.find(trimBlanks(section));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const std::string* Document::find(std::string_view section, std::string_view key) const {
  const Section* s = findSection(section);
  if (!s) return nullptr;
  const auto it = s->keys.find(trimBlanks(key));
  return it == s->keys.end() ? nullptr : &lines_[it->second].value;
}

bool Document::hasSection(std::string_view section) const { return findSection(section) != nullptr; }

std::string Document::readString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  if (const std::string* raw = find(section, key)) return cookValue(*raw);
  // The default loses its trailing blanks and is cut like a value.
  std::size_t e = fallback.size();
  while (e > 0 && (fallback[e - 1] == ' ' || fallback[e - 1] == '\t')) --e;
  return sys::utf8Left(fallback.substr(0, e), kMaxValueChars);
}

int Document::readInteger(std::string_view section, std::string_view key, int fallback) const {
  const std::string* raw = find(section, key);
  if (!raw) return fallback;
  const std::string cooked = cookValue(*raw);
  return cooked.empty() ? fallback : parseInteger(cooked);
}

bool Document::readBool(std::string_view section, std::string_view key, bool fallback) const {
  return readInteger(section, key, fallback ? 1 : 0) != 0;
}

void Document::writeString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string keyName(trimBlanks(key));
  const std::string v = oneLine(value);
  finalEol_ = true;
  const Section* s = findSection(section);
  if (!s) {
    lines_.push_back(Line{"[" + std::string(trimBlanks(section)) + "]"});
    lines_.push_back(Line{keyName + "=" + v});
    rebuildIndex();
    return;
  }
  const auto it = s->keys.find(std::string_view(keyName));
  if (it != s->keys.end()) {
    Line& line = lines_[it->second];
    const std::string_view t = trimBlanks(line.text);
    const auto eq = t.find('=');
    // The line keeps the spelling of the key's name as it is in the file.
    const std::string existing(trimBlanks(eq == std::string_view::npos ? t : t.substr(0, eq)));
    line.text = existing + "=" + v;
    line.value = std::string(trimBlanks(v));
    return;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(s->lastKey + 1), Line{keyName + "=" + v});
  rebuildIndex();
}

void Document::writeInteger(std::string_view section, std::string_view key, int value) {
  writeString(section, key, std::to_string(value));
}

void Document::writeBool(std::string_view section, std::string_view key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void Document::eraseKey(std::string_view section, std::string_view key) {
  const Section* s = findSection(section);
  if (!s) return;
  const auto it = s->keys.find(trimBlanks(key));
  if (it == s->keys.end()) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->second));
  rebuildIndex();
}

std::string Document::text() const {
  std::string out;
  if (bom_) out = "\xEF\xBB\xBF";
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].text;
    if (i + 1 < lines_.size() || finalEol_) out += eol_;
  }
  return out;
}

}  // namespace profile
