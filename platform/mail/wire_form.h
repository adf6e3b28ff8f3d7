// The bytes given to an SMTP server for one message: the message as the
// message object writes it, with
// - a Date and a Message-ID header put first when the message has none (a
//   template carries neither, and every reply needs its own);
// - every line ended by CRLF, also the last one;
// - a lone CR inside a header line replaced by a blank, so that no line
//   break, of any kind, can start a header line the message did not have.
// Dot-stuffing is libcurl's. Internal to platform/mail.
#pragma once

#include <string>

namespace mail::detail {

std::string wireForm(const std::string& messageBytes, const std::string& dateValue,
                     const std::string& messageId);

}  // namespace mail::detail
