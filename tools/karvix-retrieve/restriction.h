// An account's retrieval restrictions (rules.dbf rows) and the decision they
// make for one message waiting on the server.
//
// Combination: the restrictions are taken in file order and the LAST one that
// matches the message decides. The account's first row is normally its
// Control Restriction for all messages, so it is the default and every later
// row refines it. A message that matches none stays on the server untouched;
// an account without restrictions retrieves nothing.
//
// Conditions (COND, first letter, case ignored):
//   "A"  every message.
//   "C"  field CONDVAL1 contains the text CONDVAL2: the decoded field value,
//        letters a to z compared without regard to case. An empty text matches
//        nothing (a restriction that names nothing selects nothing).
//   "L"  field CONDVAL1 is longer than CONDVAL2 characters (the field's raw
//        text, header_fields.h); a missing field has length 0.
//   "G"  the size LIST gives is greater than CONDVAL2 bytes.
//   Any other letter, or a number that cannot be read for "L" or "G",
//   matches nothing; problem() says why, for the log.
// Field names (CONDVAL1): a trailing colon and blanks are dropped ("To:" is
// "To"), "ReplyTo" is the Reply-To field, and the two special entries are
//   "(Any field)"          any field of the header satisfies the condition;
//   "(the entire header)"  the whole header block as the server sent it:
//                          "C" searches all of it, "L" counts its characters
//                          with its line ends.
//   Any other text is a field name; one that no message has (the dialogs'
//   "Select a field:" start text) matches nothing.
// Answers: ACT1 retrieve, ACT2 delete from the server after retrieval; only
// exactly "Y" is yes. A message is deleted only when it is also retrieved:
// deleting without retrieving would lose it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace retrieve {

class HeaderFields;

struct Restriction {
  std::string uniqueId;
  std::string name;   // RULE
  std::string cond;   // COND
  std::string value1; // CONDVAL1
  std::string value2; // CONDVAL2
  std::string act1;   // ACT1
  std::string act2;   // ACT2

  // Whether the condition needs the message's header (TOP) to be decided.
  bool needsHeader() const;
  // Why the restriction can match nothing ("" when it is usable).
  std::string problem() const;
  bool matches(std::uint64_t size, const HeaderFields* header) const;
};

struct Decision {
  bool retrieve = false;
  bool remove = false;                  // only together with retrieve
  const Restriction* decidedBy = nullptr;  // nullptr: no restriction matched
};

// The restrictions of an account (LINK_ID = accountId), in file order.
std::vector<Restriction> loadRestrictions(const std::string& dbFolder, const std::string& accountId);

bool anyNeedsHeader(const std::vector<Restriction>& restrictions);
// header may be null when no restriction needs it.
Decision decide(const std::vector<Restriction>& restrictions, std::uint64_t size, const HeaderFields* header);

}  // namespace retrieve
