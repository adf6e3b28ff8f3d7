#include "tools/karvix-retrieve/header_fields.h"

#include "platform/mail/header_lookup.h"
#include "platform/system/text.h"

namespace retrieve {

HeaderFields::HeaderFields(std::string_view block) : block_(block) {
  std::size_t pos = 0;
  while (pos < block.size()) {
    std::size_t end = block.find('\n', pos);
    if (end == std::string_view::npos) end = block.size();
    std::string line(block.substr(pos, end - pos));
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) break;  // the blank line ends the header
    if (line.front() == ' ' || line.front() == '\t') {
      if (!fields_.empty()) fields_.back().lines.push_back(line);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    fields_.push_back({sys::trim(line.substr(0, colon)), {line}});
  }
}

const HeaderFields::Field* HeaderFields::find(std::string_view name) const {
  for (const Field& f : fields_)
    if (sys::equalsIgnoreCaseAscii(f.name, name)) return &f;
  return nullptr;
}

std::vector<std::string> HeaderFields::names() const {
  std::vector<std::string> out;
  for (const Field& f : fields_) out.push_back(f.name);
  return out;
}

bool HeaderFields::has(std::string_view name) const { return find(name) != nullptr; }

std::string HeaderFields::value(std::string_view name) const {
  const Field* f = find(name);
  return f ? mail::headerValue(f->lines, f->name) : std::string();
}

std::size_t HeaderFields::rawLength(std::string_view name) const {
  const Field* f = find(name);
  if (!f) return 0;
  std::string text = sys::trim(f->lines.front().substr(f->lines.front().find(':') + 1));
  for (std::size_t i = 1; i < f->lines.size(); ++i) {
    const std::string part = sys::trim(f->lines[i]);
    if (part.empty()) continue;
    if (!text.empty()) text += ' ';
    text += part;
  }
  return sys::utf8Length(text);
}

}  // namespace retrieve
