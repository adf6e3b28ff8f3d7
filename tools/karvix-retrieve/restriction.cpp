#include "tools/karvix-retrieve/restriction.h"

#include <cstdlib>

#include "platform/system/text.h"
#include "store/schema.h"
#include "tools/karvix-retrieve/header_fields.h"

namespace retrieve {
namespace {

constexpr const char* kAnyField = "(Any field)";
constexpr const char* kEntireHeader = "(the entire header)";

char kind(const std::string& cond) {
  const std::string c = sys::trim(cond);
  return c.empty() ? '\0' : sys::upperAscii(c.substr(0, 1))[0];
}

// A whole number of at least 0, or -1 when the text is none.
long long number(const std::string& text) {
  const std::string t = sys::trim(text);
  if (t.empty()) return -1;
  char* end = nullptr;
  const long long n = std::strtoll(t.c_str(), &end, 10);
  return *end == '\0' && n >= 0 ? n : -1;
}

std::string fieldName(const std::string& value) {
  std::string f = sys::trim(value);
  if (sys::equalsIgnoreCaseAscii(f, kAnyField) || sys::equalsIgnoreCaseAscii(f, kEntireHeader)) return f;
  while (!f.empty() && (f.back() == ':' || f.back() == ' ')) f.pop_back();
  if (sys::equalsIgnoreCaseAscii(f, "ReplyTo")) return "Reply-To";
  return f;
}

bool containsIgnoreCase(const std::string& haystack, const std::string& needle) {
  return sys::upperAscii(haystack).find(sys::upperAscii(needle)) != std::string::npos;
}

}  // namespace

bool Restriction::needsHeader() const {
  const char k = kind(cond);
  return k == 'C' || k == 'L';
}

std::string Restriction::problem() const {
  switch (kind(cond)) {
    case 'A':
      return "";
    case 'C':
      if (fieldName(value1).empty()) return "no header field named";
      return sys::trim(value2).empty() ? "no text to look for" : "";
    case 'L':
      if (fieldName(value1).empty()) return "no header field named";
      return number(value2) < 0 ? "the length '" + value2 + "' is not a whole number" : "";
    case 'G':
      return number(value2) < 0 ? "the size '" + value2 + "' is not a whole number" : "";
    default:
      return "unknown condition '" + cond + "'";
  }
}

bool Restriction::matches(std::uint64_t size, const HeaderFields* header) const {
  if (!problem().empty()) return false;
  const char k = kind(cond);
  if (k == 'A') return true;
  if (k == 'G') return size > static_cast<std::uint64_t>(number(value2));
  if (!header) return false;
  const std::string field = fieldName(value1);
  const bool entire = sys::equalsIgnoreCaseAscii(field, kEntireHeader);
  std::vector<std::string> fields;
  if (sys::equalsIgnoreCaseAscii(field, kAnyField))
    fields = header->names();
  else if (!entire)
    fields = {field};
  if (k == 'C') {
    const std::string text = sys::trim(value2);
    if (entire) return containsIgnoreCase(header->block(), text);
    for (const std::string& f : fields)
      if (header->has(f) && containsIgnoreCase(header->value(f), text)) return true;
    return false;
  }
  const auto limit = static_cast<std::uint64_t>(number(value2));
  if (entire) return sys::utf8Length(header->block()) > limit;
  for (const std::string& f : fields)
    if (header->rawLength(f) > limit) return true;
  return false;
}

std::vector<Restriction> loadRestrictions(const std::string& dbFolder, const std::string& accountId) {
  std::vector<Restriction> out;
  auto rules = store::openTable(dbFolder, store::Table::Rules);
  for (rules->first(); !rules->eof(); rules->next()) {
    if (rules->getString("LINK_ID") != accountId) continue;
    out.push_back({rules->getString("UNIQUE_ID"), rules->getString("RULE"), rules->getString("COND"),
                   rules->getString("CONDVAL1"), rules->getString("CONDVAL2"), rules->getString("ACT1"),
                   rules->getString("ACT2")});
  }
  return out;
}

bool anyNeedsHeader(const std::vector<Restriction>& restrictions) {
  for (const auto& r : restrictions)
    if (r.needsHeader()) return true;
  return false;
}

Decision decide(const std::vector<Restriction>& restrictions, std::uint64_t size, const HeaderFields* header) {
  Decision d;
  for (const auto& r : restrictions) {
    if (!r.matches(size, header)) continue;
    d.decidedBy = &r;
    d.retrieve = r.act1 == "Y";
    d.remove = d.retrieve && r.act2 == "Y";
  }
  return d;
}

}  // namespace retrieve
