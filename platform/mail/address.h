// A mailbox as the message object holds it: display name and address, both
// UTF-8. The name may be empty. Parsing and formatting of address headers
// happen in the message object (through GMime); this is the plain value.
#pragma once

#include <string>
#include <vector>

namespace mail {

struct MailAddress {
  std::string name;
  std::string address;
  friend bool operator==(const MailAddress&, const MailAddress&) = default;
};

using MailAddressList = std::vector<MailAddress>;

// "Name <address>", or the address alone when there is no name; for logs.
std::string displayText(const MailAddress& a);

}  // namespace mail
