// The MIME body of a message (everything after the top-level header lines) as
// a GMime object tree, behind plain types. Internal to platform/mail.
//
// Body part: the first text/plain part in depth-first order that is neither
// marked as an attachment nor named as a file; attached messages are not
// searched. Without one, the first such text part of any subtype (an HTML-only
// mail) so that its text can still be read and forwarded. Its content is
// decoded from its transfer encoding and converted from its charset to UTF-8.
// Attachments: every other leaf part that is marked as an attachment, carries
// a file name or is not text (inline images included), and attached messages.
//
// Changes: replacing the body text re-encodes the body part alone (us-ascii
// and 7bit for plain ASCII, otherwise UTF-8 with quoted-printable or base64,
// whichever GMime finds shorter); a message without a body part gets a new
// text/plain part, put first in a multipart/mixed around the old content.
// Adding an attachment appends a base64 part to the top multipart/mixed,
// wrapping the old content in one first when needed. Untouched parts are
// written back as GMime read them (their raw headers and encoded content).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/mail/attachment.h"

namespace mail::detail {

class MimeTree {
 public:
  MimeTree();
  ~MimeTree();
  MimeTree(MimeTree&&) noexcept;
  MimeTree& operator=(MimeTree&&) noexcept;

  // Parses a whole message file's bytes. Returns false when GMime cannot read
  // it as a message (the tree is then empty).
  bool parse(const std::string& bytes);

  bool empty() const;    // no content at all (a message built from scratch)
  bool changed() const;  // content changed since parse

  std::vector<std::string> bodyLines() const;
  void setBodyLines(const std::vector<std::string>& lines);

  std::vector<AttachmentInfo> attachments() const;
  std::string attachmentContent(std::size_t index) const;  // decoded bytes
  void addAttachment(const std::string& fileName, const std::string& contentType,
                     const std::string& content);

  // The Content-* header lines of the top object and its content as written
  // (CRLF or LF line ends). Only meaningful when not empty.
  std::vector<std::string> contentHeaderLines() const;
  std::string content(bool crlf) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace mail::detail
