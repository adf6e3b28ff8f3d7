// TmsMessage: one RFC 822 / MIME mail message, as the processor and the
// template editor use it. GMime parses and writes the MIME structure; this
// class keeps what the rest of the system relies on:
// - the raw header lines in file order, exactly as in the file (folded
//   continuation lines are lines of their own, without line ends);
// - the body as UTF-8 text lines (see mime_tree.h for which part of a
//   multipart message that is and how it is decoded and re-encoded);
// - the sender, the recipients (the To header) and the subject;
// - the attachments (file names and contents).
//
// Sender, recipients and subject are properties: read from the From, To and
// Subject headers when loading, changed by their setters. A changed property
// replaces its header entry when the message is written (saved, or produced
// for sending); until then the raw header lines keep their text, so a merge
// code written in a template's "To:" line can still be read and replaced
// after the recipients were set. Headers of a new message are built from the
// properties (RFC 2047 encoded, folded by GMime).
//
// A message that was loaded and is written without a change of its body or
// attachments gets back its body bytes unchanged, and its header lines with
// their own line ends: an unchanged message is saved byte for byte. When the
// body lines changed, the body part alone is re-encoded and every other part
// is written as it was read (line ends may then be normalised to the file's
// style, content is kept). A message built from scratch is written with CRLF.
//
// Header lines added or set here never contain a line break: CR/LF inside is
// replaced by a blank, so no value can add header lines of its own. Sender
// name, sender address and subject are cut to 255 characters when set.
// Every failure throws sys::Error with a message text for the operator.
//
// Parsing the MIME body costs far more than splitting the header lines, so a
// message may be loaded with its body parsed only when first needed
// (loadFromFile(path, Parse::WhenNeeded)): header lookups and the properties
// never parse it; the body lines, the attachments and writing a changed
// message do, and a body GMime cannot read throws there. clone() gives an
// independent copy without parsing anything again: the copy shares nothing
// with the original and parses its own MIME tree only if it needs one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mail/address.h"
#include "platform/mail/attachment.h"

namespace mail {

class TmsMessage {
 public:
  TmsMessage();
  ~TmsMessage();
  TmsMessage(TmsMessage&&) noexcept;
  TmsMessage& operator=(TmsMessage&&) noexcept;
  TmsMessage(const TmsMessage&) = delete;
  TmsMessage& operator=(const TmsMessage&) = delete;

  // Empties the message: no header lines, no body, no attachments.
  void clear();

  enum class Parse { Now, WhenNeeded };

  // Loading replaces the whole content. A file that cannot be read, or bytes
  // that are no mail message, throw; an empty file loads as an empty message.
  // With Parse::WhenNeeded the second failure shows at the first use of the
  // body or the attachments instead.
  void loadFromFile(const std::string& path, Parse parse = Parse::Now);
  void loadFromBytes(std::string bytes, Parse parse = Parse::Now);

  // An independent copy with every change made so far.
  TmsMessage clone() const;

  // Writes the message (see above for what is kept). saveToFile replaces the
  // file; a failure throws and names the file.
  void saveToFile(const std::string& path) const;
  std::string toBytes() const;

  // Raw header lines.
  const std::vector<std::string>& headerLines() const;
  void addHeaderLine(const std::string& line);
  void setHeaderLine(std::size_t index, const std::string& line);
  // The header value lookup on these lines (header_lookup.h).
  std::string headerValue(std::string_view name) const;

  // Body lines.
  const std::vector<std::string>& bodyLines() const;
  void setBodyLines(std::vector<std::string> lines);
  void setBodyLine(std::size_t index, const std::string& line);
  void insertBodyLine(const std::string& line);  // becomes the first line

  // Properties.
  MailAddress sender() const;
  void setSender(const std::string& name, const std::string& address);
  const MailAddressList& recipients() const;
  void clearRecipients();
  void addRecipient(const std::string& address, const std::string& name = {});
  void setRecipients(MailAddressList recipients);
  std::string subject() const;
  void setSubject(const std::string& subject);

  // Attachments, in the order of the message.
  std::vector<AttachmentInfo> attachments() const;
  std::string attachmentContent(std::size_t index) const;
  // Attaches the file's content now, under the file's name (without folder).
  void addAttachment(const std::string& filePath);
  void addAttachment(const std::string& fileName, const std::string& content,
                     const std::string& contentType = {});

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace mail
