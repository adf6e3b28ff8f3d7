// One profile (INI) file held in memory as its lines, with an index of its
// sections and keys. Section and key names are matched without regard to the
// case of a to z and without surrounding blanks; the first section of a name
// and the first key of a name in it count. Lines starting with ";" or "#" are
// comments. Editing keeps every other line, comment, blank line and the order
// of the file as it was: a key that exists has its line replaced in place
// (keeping the spelling of its name), a missing key is added after the last
// key of its section, a missing section is added at the end of the file.
// The file's line ending (CR LF or LF) and a leading UTF-8 byte-order mark are
// kept. Reading a key is a hash lookup: parse once, query often.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace profile {

// Hash and equality of names without regard to the case of a to z; both
// take string views, so lookups need no folded copy of the name.
struct FoldedHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept;
};
struct FoldedEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};
using NameIndex = std::unordered_map<std::string, std::size_t, FoldedHash, FoldedEqual>;

class Document {
 public:
  Document() = default;
  static Document parse(std::string_view text);

  // The raw text after "=" (blanks around it removed, quotes kept), or
  // nullptr when the section or key is missing.
  const std::string* find(std::string_view section, std::string_view key) const;
  bool hasSection(std::string_view section) const;

  std::string readString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  int readInteger(std::string_view section, std::string_view key, int fallback) const;
  bool readBool(std::string_view section, std::string_view key, bool fallback) const;

  // Line breaks inside a value are written as blanks: a value is one line and
  // can never add keys or sections to the file.
  void writeString(std::string_view section, std::string_view key, std::string_view value);
  void writeInteger(std::string_view section, std::string_view key, int value);
  void writeBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
  // Removes the key's line; nothing happens when it is missing.
  void eraseKey(std::string_view section, std::string_view key);

  std::string text() const;
  bool empty() const { return lines_.empty(); }

 private:
  struct Line {
    std::string text;     // as in the file, without line ending
    int section = -1;     // index into sections_ for a header line
    bool isKey = false;
    std::string value;    // raw trimmed value of a key line
  };
  struct Section {
    std::string name;
    std::size_t header = 0;  // line index of the "[name]" line
    NameIndex keys;  // key name -> line index
    std::size_t lastKey = 0;  // line index of the last key (header when none)
  };

  void rebuildIndex();
  const Section* findSection(std::string_view section) const;

  std::vector<Line> lines_;
  std::vector<Section> sections_;
  NameIndex sectionIndex_;  // section name -> index into sections_
  std::string eol_ = "\n";
  bool bom_ = false;
  bool finalEol_ = true;
};

}  // namespace profile
