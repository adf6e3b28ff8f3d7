#include "platform/mail/address.h"

namespace mail {

std::string displayText(const MailAddress& a) {
  if (a.name.empty()) return a.address;
  return a.name + " <" + a.address + ">";
}

}  // namespace mail
