#include "platform/mail/mime_tree.h"

#include <gmime/gmime.h>

#include <functional>

#include "platform/mail/gmime_runtime.h"
#include "platform/mail/header_text.h"
#include "platform/system/error.h"

namespace mail::detail {

namespace {

template <typename T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  explicit Ref(T* adopt) : p(adopt) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& o) noexcept : p(o.p) { o.p = nullptr; }
  Ref& operator=(Ref&& o) noexcept {
    std::swap(p, o.p);
    return *this;
  }
  ~Ref() {
    if (p) g_object_unref(p);
  }
  T* get() const { return p; }
  void reset(T* adopt = nullptr) {
    if (p) g_object_unref(p);
    p = adopt;
  }
};

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

std::string mimeType(GMimeObject* obj) {
  GMimeContentType* ct = g_mime_object_get_content_type(obj);
  if (!ct) return "text/plain";
  char* t = g_mime_content_type_get_mime_type(ct);
  std::string out = t ? lowerAscii(t) : "application/octet-stream";
  g_free(t);
  return out;
}

bool isText(GMimeObject* obj, const char* subtype) {
  GMimeContentType* ct = g_mime_object_get_content_type(obj);
  return ct && g_mime_content_type_is_type(ct, "text", subtype);
}

bool markedAttachment(GMimeObject* obj) {
  const char* disp = g_mime_object_get_disposition(obj);
  return disp && g_ascii_strcasecmp(disp, "attachment") == 0;
}

const char* fileNameOf(GMimeObject* obj) {
  if (GMIME_IS_PART(obj)) return g_mime_part_get_filename(GMIME_PART(obj));
  const char* n = g_mime_object_get_content_disposition_parameter(obj, "filename");
  return n ? n : g_mime_object_get_content_type_parameter(obj, "name");
}

bool bodyCandidate(GMimeObject* obj, const char* subtype) {
  return GMIME_IS_PART(obj) && isText(obj, subtype) && !markedAttachment(obj) &&
         fileNameOf(obj) == nullptr;
}

// Depth-first over the leaves; attached messages are leaves.
void forEachLeaf(GMimeObject* obj, const std::function<void(GMimeObject*)>& fn) {
  if (!obj) return;
  if (GMIME_IS_MULTIPART(obj)) {
    GMimeMultipart* mp = GMIME_MULTIPART(obj);
    for (int i = 0; i < g_mime_multipart_get_count(mp); ++i)
      forEachLeaf(g_mime_multipart_get_part(mp, i), fn);
    return;
  }
  fn(obj);
}

std::string streamBytes(GMimeStream* stream) {
  GByteArray* ba = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
  return ba ? std::string(reinterpret_cast<const char*>(ba->data), ba->len) : std::string();
}

GMimeStream* memStream(const std::string& bytes) {
  return g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
}

// Decoded text of a part as UTF-8.
std::string partText(GMimePart* part) {
  GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
  if (!wrapper) return {};
  Ref<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(wrapper, out.get());
  std::string bytes = streamBytes(out.get());
  const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
  if (charset && !g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
    const char* iconvName = g_mime_charset_iconv_name(charset);
    iconv_t cd = g_mime_iconv_open("UTF-8", iconvName);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      char* converted = g_mime_iconv_strndup(cd, bytes.data(), bytes.size());
      g_mime_iconv_close(cd);
      if (converted) {
        std::string text = converted;
        g_free(converted);
        return toValidUtf8(text);
      }
    }
  }
  return toValidUtf8(bytes);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

// Lines joined with LF; line breaks inside a line become real line breaks.
std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\r') {
        text += '\n';
        if (i + 1 < line.size() && line[i + 1] == '\n') ++i;
      } else {
        text += c;
      }
    }
    text += '\n';
  }
  return text;
}

}  // namespace

struct MimeTree::Impl {
  Ref<GMimeMessage> message;
  Ref<GMimeObject> top;
  GMimePart* body = nullptr;  // inside top
  bool changed = false;

  void findBody() {
    body = nullptr;
    for (const char* subtype : {"plain", "*"}) {
      forEachLeaf(top.get(), [&](GMimeObject* leaf) {
        if (!body && bodyCandidate(leaf, subtype)) body = GMIME_PART(leaf);
      });
      if (body) return;
    }
  }

  std::vector<GMimeObject*> attachmentObjects() const {
    std::vector<GMimeObject*> out;
    forEachLeaf(top.get(), [&](GMimeObject* leaf) {
      if (leaf == GMIME_OBJECT(body)) return;
      if (GMIME_IS_MESSAGE_PART(leaf) || markedAttachment(leaf) || fileNameOf(leaf) ||
          !isText(leaf, "*"))
        out.push_back(leaf);
    });
    return out;
  }

  // Puts `part` first (or last) in a multipart/mixed at the top, wrapping the
  // present content in a new one when the top is not already mixed.
  void addToMixed(GMimeObject* part, bool first) {
    GMimeObject* t = top.get();
    bool mixed = t && GMIME_IS_MULTIPART(t) && !GMIME_IS_MULTIPART_SIGNED(t) &&
                 !GMIME_IS_MULTIPART_ENCRYPTED(t) &&
                 g_mime_content_type_is_type(g_mime_object_get_content_type(t), "multipart", "mixed");
    if (!t) {
      top.reset(GMIME_OBJECT(g_object_ref(part)));
    } else if (mixed) {
      if (first) g_mime_multipart_insert(GMIME_MULTIPART(t), 0, part);
      else g_mime_multipart_add(GMIME_MULTIPART(t), part);
    } else {
      GMimeMultipart* mp = g_mime_multipart_new_with_subtype("mixed");
      g_mime_multipart_set_boundary(mp, nullptr);
      if (first) g_mime_multipart_add(mp, part);
      g_mime_multipart_add(mp, t);
      if (!first) g_mime_multipart_add(mp, part);
      top.reset(GMIME_OBJECT(mp));
    }
    changed = true;
  }
};

MimeTree::MimeTree() : d_(std::make_unique<Impl>()) {}
MimeTree::~MimeTree() = default;
MimeTree::MimeTree(MimeTree&&) noexcept = default;
MimeTree& MimeTree::operator=(MimeTree&&) noexcept = default;

bool MimeTree::parse(const std::string& bytes) {
  ensureGMime();
  d_ = std::make_unique<Impl>();
  Ref<GMimeStream> stream(memStream(bytes));
  Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GMimeMessage* msg = g_mime_parser_construct_message(parser.get(), nullptr);
  if (!msg) return false;
  d_->message.reset(msg);
  GMimeObject* top = g_mime_message_get_mime_part(msg);
  if (top) d_->top.reset(GMIME_OBJECT(g_object_ref(top)));
  d_->findBody();
  return true;
}

bool MimeTree::empty() const { return d_->top.get() == nullptr; }
bool MimeTree::changed() const { return d_->changed; }

std::vector<std::string> MimeTree::bodyLines() const {
  if (!d_->body) return {};
  return splitLines(partText(d_->body));
}

void MimeTree::setBodyLines(const std::vector<std::string>& lines) {
  ensureGMime();
  if (!d_->body) {
    if (lines.empty() && !empty()) return;
    GMimeTextPart* part = g_mime_text_part_new_with_subtype("plain");
    d_->addToMixed(GMIME_OBJECT(part), true);
    d_->body = GMIME_PART(part);
    g_object_unref(part);  // the tree holds it
  }
  std::string text = joinLines(lines);
  bool ascii = true;
  std::size_t longest = 0, current = 0;
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') ascii = false;
    current = c == '\n' ? 0 : current + 1;
    if (current > longest) longest = current;
  }
  if (!ascii) text = toValidUtf8(text);

  GMimeObject* obj = GMIME_OBJECT(d_->body);
  Ref<GMimeStream> stream(memStream(text));
  Ref<GMimeDataWrapper> wrapper(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(d_->body, wrapper.get());
  GMimeContentType* ct = g_mime_object_get_content_type(obj);
  GMimeParamList* params = g_mime_content_type_get_parameters(ct);
  // The new text is not flowed, whatever the old one was.
  g_mime_param_list_remove(params, "format");
  g_mime_param_list_remove(params, "delsp");
  g_mime_object_set_content_type_parameter(obj, "charset", ascii ? "us-ascii" : "utf-8");
  GMimeContentEncoding encoding =
      ascii && longest <= 998
          ? GMIME_CONTENT_ENCODING_7BIT
          : g_mime_part_get_best_content_encoding(d_->body, GMIME_ENCODING_CONSTRAINT_7BIT);
  g_mime_part_set_content_encoding(d_->body, encoding);
  d_->changed = true;
}

std::vector<AttachmentInfo> MimeTree::attachments() const {
  std::vector<AttachmentInfo> out;
  std::size_t n = 0;
  for (GMimeObject* obj : d_->attachmentObjects()) {
    ++n;
    const char* name = fileNameOf(obj);
    std::string fileName = name ? toValidUtf8(name) : "";
    if (fileName.empty())
      fileName = "attachment-" + std::to_string(n) + (GMIME_IS_MESSAGE_PART(obj) ? ".eml" : "");
    out.push_back({fileName, mimeType(obj)});
  }
  return out;
}

std::string MimeTree::attachmentContent(std::size_t index) const {
  std::vector<GMimeObject*> objs = d_->attachmentObjects();
  if (index >= objs.size()) throw sys::Error("No attachment number " + std::to_string(index + 1));
  GMimeObject* obj = objs[index];
  Ref<GMimeStream> out(g_mime_stream_mem_new());
  if (GMIME_IS_MESSAGE_PART(obj)) {
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(obj));
    if (inner) g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, out.get());
  } else if (GMIME_IS_PART(obj)) {
    GMimeDataWrapper* wrapper = g_mime_part_get_content(GMIME_PART(obj));
    if (wrapper) g_mime_data_wrapper_write_to_stream(wrapper, out.get());
  }
  return streamBytes(out.get());
}

void MimeTree::addAttachment(const std::string& fileName, const std::string& contentType,
                             const std::string& content) {
  ensureGMime();
  std::string type = contentType.empty() ? "application/octet-stream" : contentType;
  std::size_t slash = type.find('/');
  std::string media = slash == std::string::npos ? "application" : type.substr(0, slash);
  std::string sub = slash == std::string::npos ? "octet-stream" : type.substr(slash + 1);
  Ref<GMimePart> part(g_mime_part_new_with_type(media.c_str(), sub.c_str()));
  std::string name = singleLine(fileName);
  g_mime_object_set_disposition(GMIME_OBJECT(part.get()), "attachment");
  g_mime_part_set_filename(part.get(), name.c_str());
  Ref<GMimeStream> stream(memStream(content));
  Ref<GMimeDataWrapper> wrapper(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), wrapper.get());
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  if (empty()) {
    // A message built from scratch keeps an (empty) text body before its files.
    setBodyLines({});
  }
  d_->addToMixed(GMIME_OBJECT(part.get()), false);
}

std::vector<std::string> MimeTree::contentHeaderLines() const {
  std::vector<std::string> out;
  if (empty()) return out;
  GMimeHeaderList* headers = g_mime_object_get_header_list(d_->top.get());
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    GMimeHeader* h = g_mime_header_list_get_header_at(headers, i);
    const char* name = g_mime_header_get_raw_name(h);
    if (!name || g_ascii_strncasecmp(name, "Content-", 8) != 0) continue;
    for (std::string& line : splitRawHeader(name, g_mime_header_get_raw_value(h)))
      out.push_back(std::move(line));
  }
  return out;
}

std::string MimeTree::content(bool crlf) const {
  if (empty()) return {};
  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(options,
                                           crlf ? GMIME_NEWLINE_FORMAT_DOS : GMIME_NEWLINE_FORMAT_UNIX);
  Ref<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_object_write_content_to_stream(d_->top.get(), options, out.get());
  g_mime_format_options_free(options);
  return streamBytes(out.get());
}

}  // namespace mail::detail
