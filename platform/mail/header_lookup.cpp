#include "platform/mail/header_lookup.h"

#include <algorithm>

#include "platform/mail/header_text.h"

namespace mail {

namespace {

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && detail::startsWithName(a, b);
}

}  // namespace

std::string headerValue(const std::vector<std::string>& lines, std::string_view name) {
  std::string withColon(name);
  if (withColon.empty() || withColon.back() != ':') withColon += ':';
  std::string_view bare(withColon.data(), withColon.size() - 1);

  auto first = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return detail::startsWithName(l, withColon);
  });
  if (first == lines.end()) return {};

  std::string value = detail::trimBlanks(std::string_view(*first).substr(withColon.size()));
  for (auto it = first + 1; it != lines.end(); ++it) {
    if (it->find(':') != std::string::npos && !detail::isContinuation(*it)) break;
    std::string piece = detail::trimBlanks(*it);
    if (piece.empty()) continue;
    if (!value.empty()) value += ' ';
    value += piece;
  }

  if (sameName(bare, "Content-Type") || sameName(bare, "X-UIDL")) return value;

  bool decoded = false;
  value = detail::decodeHeaderText(value, &decoded);
  if (decoded) std::replace(value.begin(), value.end(), '_', ' ');
  return detail::cutUtf8(value, kHeaderValueMaxChars);
}

}  // namespace mail
