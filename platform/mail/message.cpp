#include "platform/mail/message.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>

#include "platform/mail/content_types.h"
#include "platform/mail/header_lookup.h"
#include "platform/mail/header_text.h"
#include "platform/mail/mime_tree.h"
#include "platform/system/error.h"

namespace mail {

namespace {

constexpr std::size_t kPropertyMaxChars = 255;

// A header line as it may be stored: one line, a field name and a colon (or
// a continuation of the line before).
std::string cleanHeaderLine(const std::string& line, bool continuationAllowed) {
  std::string s = detail::singleLine(line);
  if (detail::trimBlanks(s).empty()) throw sys::Error("A header line cannot be empty");
  if (detail::isContinuation(s)) {
    if (!continuationAllowed)
      throw sys::Error("A header line cannot begin with a blank: \"" + s + "\"");
    return s;
  }
  std::size_t colon = s.find(':');
  bool nameOk = colon != std::string::npos && colon > 0;
  for (std::size_t i = 0; nameOk && i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    nameOk = c > 32 && c < 127;
  }
  if (!nameOk) throw sys::Error("Not a header line (\"Name: value\"): \"" + s + "\"");
  return s;
}

std::string cleanProperty(const std::string& text) {
  return detail::cutUtf8(detail::singleLine(text), kPropertyMaxChars);
}

std::string cleanAddress(const std::string& text) {
  return detail::cutUtf8(detail::trimBlanks(detail::singleLine(text)), kPropertyMaxChars);
}

bool isContentHeader(const std::string& line) {
  return detail::startsWithName(line, "Content-");
}

}  // namespace

struct TmsMessage::Impl {
  std::vector<std::string> lines;
  std::vector<std::string> ends;  // each line's own line end; "" for a last line without one
  std::string eol = "\r\n";
  std::string rest;  // bytes after the header lines: the blank line and the body
  bool loaded = false;

  detail::MimeTree tree;
  // The tree is parsed from the raw bytes (header lines and rest) on first
  // need; the body lines are taken from it then unless they are known.
  bool treePending = false;
  bool bodyPending = false;
  bool treeCopiedChanged = false;  // a copy of a changed tree: written as changed
  std::vector<std::string> body;
  bool bodyChanged = false;

  MailAddress sender;
  bool senderChanged = false;
  MailAddressList recipients;
  bool recipientsChanged = false;
  std::string subject;
  bool subjectChanged = false;

  struct Out {
    std::vector<std::string> lines;
    std::vector<std::string> ends;

    void insert(std::size_t at, const std::vector<std::string>& add, const std::string& eol) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
      ends.insert(ends.begin() + static_cast<std::ptrdiff_t>(at), add.size(), eol);
    }
    // Removes every entry whose first line matches; returns the first one's index.
    std::size_t removeAll(const std::function<bool(const std::string&)>& match) {
      std::size_t first = std::string::npos;
      for (std::size_t i = 0; i < lines.size();) {
        if (!match(lines[i])) {
          ++i;
          continue;
        }
        std::size_t end = i + 1;
        while (end < lines.size() && detail::isContinuation(lines[end])) ++end;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i),
                    lines.begin() + static_cast<std::ptrdiff_t>(end));
        ends.erase(ends.begin() + static_cast<std::ptrdiff_t>(i),
                   ends.begin() + static_cast<std::ptrdiff_t>(end));
        if (first == std::string::npos) first = i;
      }
      return first == std::string::npos ? lines.size() : first;
    }
    std::size_t entryEnd(std::size_t i) const {
      std::size_t end = i + 1;
      while (end < lines.size() && detail::isContinuation(lines[end])) ++end;
      return end;
    }
  };

  // Where a new From, To or Subject entry goes: after the entry that comes
  // before it in the usual order, else before the one after it, else first.
  static std::size_t placeFor(const Out& out, const std::string& name) {
    static const std::vector<std::string> kOrder = {"From", "To", "Cc", "Subject"};
    auto pos = std::find(kOrder.begin(), kOrder.end(), name);
    std::size_t k = static_cast<std::size_t>(pos - kOrder.begin());
    auto firstOf = [&](const std::string& n) -> std::size_t {
      for (std::size_t i = 0; i < out.lines.size(); ++i)
        if (detail::startsWithName(out.lines[i], n + ":")) return i;
      return out.lines.size();
    };
    for (std::size_t j = k; j-- > 0;) {
      std::size_t i = firstOf(kOrder[j]);
      if (i < out.lines.size()) return out.entryEnd(i);
    }
    for (std::size_t j = k + 1; j < kOrder.size(); ++j) {
      std::size_t i = firstOf(kOrder[j]);
      if (i < out.lines.size()) return i;
    }
    return 0;
  }

  // The header lines with their own line ends and the rest: the file's bytes
  // as loaded, with the header lines as they are now.
  std::string rawBytes() const { return joined(lines, ends); }

  // Header lines with their own line ends, then the rest.
  std::string joined(const std::vector<std::string>& headerLines, const std::vector<std::string>& lineEnds) const {
    std::string bytes;
    for (std::size_t i = 0; i < headerLines.size(); ++i) {
      const bool last = i + 1 == headerLines.size();
      // A line that had no line end gets one as soon as something follows it.
      bytes += headerLines[i];
      bytes += lineEnds[i].empty() && (!last || !rest.empty()) ? eol : lineEnds[i];
    }
    bytes += rest;
    return bytes;
  }

  void ensureTree() {
    if (!treePending) return;
    treePending = false;
    if (!tree.parse(rawBytes())) {
      bodyPending = false;
      throw sys::Error("The file is not a readable mail message");
    }
    if (bodyPending) {
      body = tree.bodyLines();
      bodyPending = false;
    }
  }
  void ensureBody() {
    if (bodyPending) ensureTree();
  }
  bool treeChanged() const { return treeCopiedChanged || (!treePending && tree.changed()); }

  std::string render() {
    Out out{lines, ends};
    auto place = [&](const std::string& name, const std::vector<std::string>& newLines) {
      std::string withColon = name + ":";
      bool present = std::any_of(out.lines.begin(), out.lines.end(), [&](const std::string& l) {
        return detail::startsWithName(l, withColon);
      });
      if (present) {
        std::size_t at = out.removeAll(
            [&](const std::string& l) { return detail::startsWithName(l, withColon); });
        out.insert(at, newLines, eol);
      } else if (!newLines.empty()) {
        out.insert(placeFor(out, name), newLines, eol);
      }
    };
    if (senderChanged)
      place("From", sender.name.empty() && sender.address.empty()
                        ? std::vector<std::string>{}
                        : detail::addressHeaderLines("From", {sender}));
    if (recipientsChanged) place("To", detail::addressHeaderLines("To", recipients));
    if (subjectChanged) place("Subject", detail::subjectHeaderLines(subject));

    bool keepBody = loaded && !bodyChanged && !treeChanged();
    if (!keepBody) ensureTree();
    if (!keepBody && (bodyChanged || tree.empty())) {
      tree.setBodyLines(body);
      bodyChanged = false;
    }

    if (keepBody) return joined(out.lines, out.ends);

    std::string bytes;

    std::size_t at = out.removeAll(isContentHeader);
    std::vector<std::string> mime = tree.contentHeaderLines();
    bool hasVersion = std::any_of(out.lines.begin(), out.lines.end(), [](const std::string& l) {
      return detail::startsWithName(l, "MIME-Version:");
    });
    if (!hasVersion) mime.insert(mime.begin(), "MIME-Version: 1.0");
    out.insert(at, mime, eol);
    for (const std::string& line : out.lines) bytes += line + eol;
    bytes += eol;
    bytes += tree.content(eol == "\r\n");
    return bytes;
  }

  void readProperties() {
    MailAddressList from = detail::parseAddressList(detail::unfoldedValue(lines, "From"));
    sender = from.empty() ? MailAddress{} : from.front();
    recipients = detail::parseAddressList(detail::unfoldedValue(lines, "To"));
    subject = detail::decodeHeaderText(detail::unfoldedValue(lines, "Subject"));
    senderChanged = recipientsChanged = subjectChanged = false;
  }
};

TmsMessage::TmsMessage() : d_(std::make_unique<Impl>()) {}
TmsMessage::~TmsMessage() = default;
TmsMessage::TmsMessage(TmsMessage&&) noexcept = default;
TmsMessage& TmsMessage::operator=(TmsMessage&&) noexcept = default;

void TmsMessage::clear() { d_ = std::make_unique<Impl>(); }

void TmsMessage::loadFromFile(const std::string& path, Parse parse) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw sys::Error("Unable to open message file " + path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw sys::Error("Unable to read message file " + path);
  try {
    loadFromBytes(std::move(bytes), parse);
  } catch (const sys::Error& e) {
    throw sys::Error(std::string(e.what()) + ": " + path);
  }
}

void TmsMessage::loadFromBytes(std::string bytes, Parse parse) {
  auto d = std::make_unique<Impl>();
  d->loaded = true;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    std::size_t stop = nl == std::string::npos ? bytes.size() : nl;
    std::string line = bytes.substr(pos, stop - pos);
    std::string end = nl == std::string::npos ? "" : "\n";
    if (!line.empty() && line.back() == '\r' && !end.empty()) {
      line.pop_back();
      end = "\r\n";
    }
    if (line.empty()) break;  // the blank line that ends the header
    d->lines.push_back(std::move(line));
    d->ends.push_back(std::move(end));
    pos = nl == std::string::npos ? bytes.size() : nl + 1;
  }
  d->rest = bytes.substr(pos);
  for (const std::string& e : d->ends)
    if (!e.empty()) {
      d->eol = e;
      break;
    }
  if (!bytes.empty()) {
    if (parse == Parse::WhenNeeded) {
      d->treePending = d->bodyPending = true;
    } else {
      if (!d->tree.parse(bytes)) throw sys::Error("The file is not a readable mail message");
      d->body = d->tree.bodyLines();
    }
  }
  d->readProperties();
  d_ = std::move(d);
}

void TmsMessage::saveToFile(const std::string& path) const {
  std::string bytes = toBytes();
  std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw sys::Error("Unable to save message file " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      throw sys::Error("Unable to save message file " + path);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::remove(temp.c_str());
    throw sys::Error("Unable to save message file " + path + ": " + ec.message());
  }
}

std::string TmsMessage::toBytes() const { return d_->render(); }

TmsMessage TmsMessage::clone() const {
  const Impl& s = *d_;
  TmsMessage copy;
  Impl& c = *copy.d_;
  if (s.treeChanged()) {
    // Attachments were added or the body part re-encoded: the copy's tree
    // is read from what this tree writes.
    std::string mime;
    for (const std::string& line : s.tree.contentHeaderLines()) mime += line + "\r\n";
    mime += "\r\n" + s.tree.content(true);
    if (!c.tree.parse(mime)) throw sys::Error("The message cannot be copied");
    c.treeCopiedChanged = true;
  }
  c.lines = s.lines;
  c.ends = s.ends;
  c.eol = s.eol;
  c.rest = s.rest;
  c.loaded = s.loaded;
  c.body = s.body;
  c.bodyChanged = s.bodyChanged;
  c.bodyPending = s.bodyPending;
  // A parsed, unchanged tree is parsed again from the same bytes, and only
  // when the copy needs it.
  c.treePending = !c.treeCopiedChanged && (s.treePending || !s.tree.empty());
  c.sender = s.sender;
  c.senderChanged = s.senderChanged;
  c.recipients = s.recipients;
  c.recipientsChanged = s.recipientsChanged;
  c.subject = s.subject;
  c.subjectChanged = s.subjectChanged;
  return copy;
}

const std::vector<std::string>& TmsMessage::headerLines() const { return d_->lines; }

void TmsMessage::addHeaderLine(const std::string& line) {
  std::string clean = cleanHeaderLine(line, !d_->lines.empty());
  d_->lines.push_back(clean);
  d_->ends.push_back(d_->eol);
  if (d_->ends.size() >= 2 && d_->ends[d_->ends.size() - 2].empty())
    d_->ends[d_->ends.size() - 2] = d_->eol;
}

void TmsMessage::setHeaderLine(std::size_t index, const std::string& line) {
  if (index >= d_->lines.size())
    throw sys::Error("No header line number " + std::to_string(index + 1));
  d_->lines[index] = cleanHeaderLine(line, index > 0);
}

std::string TmsMessage::headerValue(std::string_view name) const {
  return mail::headerValue(d_->lines, name);
}

const std::vector<std::string>& TmsMessage::bodyLines() const {
  d_->ensureBody();
  return d_->body;
}

void TmsMessage::setBodyLines(std::vector<std::string> lines) {
  d_->bodyPending = false;
  d_->body = std::move(lines);
  d_->bodyChanged = true;
}

void TmsMessage::setBodyLine(std::size_t index, const std::string& line) {
  d_->ensureBody();
  if (index >= d_->body.size())
    throw sys::Error("No body line number " + std::to_string(index + 1));
  d_->body[index] = line;
  d_->bodyChanged = true;
}

void TmsMessage::insertBodyLine(const std::string& line) {
  d_->ensureBody();
  d_->body.insert(d_->body.begin(), line);
  d_->bodyChanged = true;
}

MailAddress TmsMessage::sender() const { return d_->sender; }

void TmsMessage::setSender(const std::string& name, const std::string& address) {
  d_->sender = {cleanProperty(name), cleanAddress(address)};
  d_->senderChanged = true;
}

const MailAddressList& TmsMessage::recipients() const { return d_->recipients; }

void TmsMessage::clearRecipients() {
  d_->recipients.clear();
  d_->recipientsChanged = true;
}

void TmsMessage::addRecipient(const std::string& address, const std::string& name) {
  d_->recipients.push_back({cleanProperty(name), cleanAddress(address)});
  d_->recipientsChanged = true;
}

void TmsMessage::setRecipients(MailAddressList recipients) {
  d_->recipients.clear();
  for (const MailAddress& a : recipients)
    d_->recipients.push_back({cleanProperty(a.name), cleanAddress(a.address)});
  d_->recipientsChanged = true;
}

std::string TmsMessage::subject() const { return d_->subject; }

void TmsMessage::setSubject(const std::string& subject) {
  d_->subject = cleanProperty(subject);
  d_->subjectChanged = true;
}

std::vector<AttachmentInfo> TmsMessage::attachments() const {
  d_->ensureTree();
  return d_->tree.attachments();
}

std::string TmsMessage::attachmentContent(std::size_t index) const {
  d_->ensureTree();
  return d_->tree.attachmentContent(index);
}

void TmsMessage::addAttachment(const std::string& filePath) {
  std::ifstream in(filePath, std::ios::binary);
  if (!in) throw sys::Error("Unable to open attachment file " + filePath);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw sys::Error("Unable to read attachment file " + filePath);
  std::string name = std::filesystem::path(filePath).filename().string();
  addAttachment(name, content, contentTypeForFileName(name));
}

void TmsMessage::addAttachment(const std::string& fileName, const std::string& content,
                               const std::string& contentType) {
  d_->ensureTree();
  if (!d_->loaded && d_->tree.empty()) {
    // Keep the body lines set so far: the text part is made from them first.
    d_->tree.setBodyLines(d_->body);
    d_->bodyChanged = false;
  }
  d_->tree.addAttachment(fileName, contentType.empty() ? contentTypeForFileName(fileName) : contentType,
                         content);
}

}  // namespace mail
