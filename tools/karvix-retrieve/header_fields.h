// The header block of a message waiting on the server (as TOP n 0 sends it),
// split into its fields, for the header restrictions.
// - A field is a line "Name: value" and the continuation lines after it (lines
//   beginning with a blank or a tab). Lines before the first field, and lines
//   that are no field, are ignored.
// - value(): the field as the processor reads headers (encoded words decoded,
//   continuation lines joined, at most 255 characters; header_lookup.h).
// - rawLength(): the characters of the field's text after the colon, its
//   lines joined with one blank, as sent (no decoding, no cut). This is what
//   "longer than" measures, so a long recipient list counts in full.
// - Names are compared without regard to case; the first field of a name
//   counts, as in the processor's lookup.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace retrieve {

class HeaderFields {
 public:
  explicit HeaderFields(std::string_view block);

  // The block as given: its size is the length of "the entire header".
  const std::string& block() const { return block_; }
  std::vector<std::string> names() const;
  bool has(std::string_view name) const;
  std::string value(std::string_view name) const;
  std::size_t rawLength(std::string_view name) const;

 private:
  struct Field {
    std::string name;
    std::vector<std::string> lines;  // the field's lines without line ends
  };
  const Field* find(std::string_view name) const;

  std::string block_;
  std::vector<Field> fields_;
};

}  // namespace retrieve
