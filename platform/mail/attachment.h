// What the message object tells about one attachment: its file name and its
// MIME type. The content is read through TmsMessage::attachmentContent.
#pragma once

#include <string>

namespace mail {

struct AttachmentInfo {
  std::string fileName;     // as named in the message; "attachment-N" when unnamed
  std::string contentType;  // "application/pdf", lower case
  friend bool operator==(const AttachmentInfo&, const AttachmentInfo&) = default;
};

}  // namespace mail
