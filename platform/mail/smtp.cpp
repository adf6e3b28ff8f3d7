#include "platform/mail/smtp.h"

#include <curl/curl.h>
#include <gmime/gmime.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/mail/gmime_runtime.h"
#include "platform/mail/header_text.h"
#include "platform/mail/message.h"
#include "platform/mail/wire_form.h"
#include "platform/system/error.h"

namespace mail {

namespace {

void ensureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool isDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool validHostChars(const std::string& h, bool ipv6) {
  if (h.empty()) return false;
  for (char c : h) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '-' || c == '_' || (ipv6 && c == ':');
    if (!ok) return false;
  }
  return true;
}

// An address usable in MAIL FROM / RCPT TO: no blanks, controls or brackets.
void checkEnvelopeAddress(const std::string& address, const char* role) {
  bool ok = !address.empty() && address.find('@') != std::string::npos;
  for (char c : address) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f || c == '<' || c == '>') ok = false;
  }
  if (!ok) throw sys::Error(std::string("Invalid ") + role + " address \"" + address + "\"");
}

std::string trimReply(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

struct Transfer {
  const std::string* data = nullptr;
  std::size_t offset = 0;
  std::string lastCommand;
  std::string lastReply;
  // The first negative reply (4xx/5xx) and the command it answered; libcurl
  // says QUIT after it, so the last exchange is no longer the telling one.
  std::string failedCommand;
  std::string failedReply;
};

size_t readData(char* buffer, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t room = size * count;
  size_t left = t->data->size() - t->offset;
  size_t n = left < room ? left : room;
  std::memcpy(buffer, t->data->data() + t->offset, n);
  t->offset += n;
  return n;
}

int trace(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* t = static_cast<Transfer*>(user);
  if (type == CURLINFO_HEADER_OUT) t->lastCommand = trimReply(std::string(data, size));
  else if (type == CURLINFO_HEADER_IN) {
    t->lastReply = trimReply(std::string(data, size));
    bool negative = !t->lastReply.empty() && (t->lastReply[0] == '4' || t->lastReply[0] == '5');
    if (negative && t->failedReply.empty()) {
      t->failedCommand = t->lastCommand;
      t->failedReply = t->lastReply;
    }
  }
  return 0;
}

std::string startsAfter(const std::string& s, const char* prefix) {
  std::size_t n = std::strlen(prefix);
  if (s.size() < n || !detail::startsWithName(s, prefix)) return {};
  std::string rest = s.substr(n);
  if (!rest.empty() && rest.front() == '<') rest.erase(0, 1);
  std::size_t close = rest.find('>');
  return close == std::string::npos ? rest : rest.substr(0, close);
}

std::string nowDateValue() {
  detail::ensureGMime();
  GDateTime* now = g_date_time_new_now_local();
  char* text = g_mime_utils_header_format_date(now);
  std::string out = text ? text : "";
  g_free(text);
  g_date_time_unref(now);
  return out;
}

std::string newMessageId(const std::string& senderAddress) {
  detail::ensureGMime();
  std::size_t at = senderAddress.rfind('@');
  std::string domain = at == std::string::npos ? "localhost" : senderAddress.substr(at + 1);
  if (domain.empty()) domain = "localhost";
  char* id = g_mime_utils_generate_message_id(domain.c_str());
  std::string out = std::string("<") + (id ? id : "") + ">";
  g_free(id);
  return out;
}

}  // namespace

void TmsSMTP::setHost(const std::string& server) {
  // Checked when sending, so that a bad value is reported like any send failure.
  server_ = detail::trimBlanks(server);
  host_.clear();
  port_ = kDefaultPort;
  if (server_.empty()) return;
  bool hasPort = false;
  std::string portText;
  if (server_.front() == '[') {
    std::size_t close = server_.find(']');
    if (close == std::string::npos) {
      port_ = 0;
      return;
    }
    host_ = server_.substr(1, close - 1);
    std::string after = server_.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') {
        port_ = 0;
        return;
      }
      hasPort = true;
      portText = after.substr(1);
    }
  } else if (std::count(server_.begin(), server_.end(), ':') == 1) {
    std::size_t colon = server_.find(':');
    host_ = server_.substr(0, colon);
    hasPort = true;
    portText = server_.substr(colon + 1);
  } else {
    host_ = server_;  // a name, or an IPv6 address without brackets and port
  }
  if (hasPort) {
    long p = isDigits(portText) && portText.size() <= 5 ? std::stol(portText) : 0;
    port_ = (p >= 1 && p <= 65535) ? static_cast<int>(p) : 0;
  }
}

void TmsSMTP::send() {
  if (!message_) throw sys::Error("No message to send");
  send(*message_);
}

void TmsSMTP::send(const TmsMessage& message) {
  if (server_.empty()) throw sys::Error("No SMTP server is set");
  bool ipv6 = host_.find(':') != std::string::npos;
  if (!validHostChars(host_, ipv6) || port_ == 0)
    throw sys::Error("Invalid SMTP server \"" + server_ + "\"");
  std::string where = (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);

  std::string from = message.sender().address;
  if (from.empty()) throw sys::Error("The message has no sender address");
  checkEnvelopeAddress(from, "sender");
  if (message.recipients().empty()) throw sys::Error("The message has no recipients");
  for (const MailAddress& r : message.recipients()) checkEnvelopeAddress(r.address, "recipient");

  std::string data = detail::wireForm(message.toBytes(), nowDateValue(), newMessageId(from));

  ensureCurl();
  CURL* curl = curl_easy_init();
  if (!curl) throw sys::Error("Unable to start the SMTP client");
  curl_slist* rcpt = nullptr;
  for (const MailAddress& r : message.recipients())
    rcpt = curl_slist_append(rcpt, ("<" + r.address + ">").c_str());

  Transfer transfer;
  transfer.data = &data;
  char errorText[CURL_ERROR_SIZE] = {0};
  std::string url = "smtp://" + where;
  std::string mailFrom = "<" + from + ">";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mailFrom.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, readData);
  curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout_.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(totalTimeout_.count()));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, trace);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);

  CURLcode rc = curl_easy_perform(curl);
  curl_slist_free_all(rcpt);
  curl_easy_cleanup(curl);
  if (rc == CURLE_OK) return;

  std::string detail = errorText[0] ? errorText : curl_easy_strerror(rc);
  std::string server = "the SMTP server " + where;
  std::string Server = "The SMTP server " + where;
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
      throw sys::Error("Could not find " + server + " (" + detail + ")");
    case CURLE_COULDNT_CONNECT:
      throw sys::Error("Could not connect to " + server + " (" + detail + ")");
    case CURLE_OPERATION_TIMEDOUT:
      throw sys::Error("Timed out: " + server + " did not answer in time (" + detail + ")");
    default:
      break;
  }
  std::string reply = transfer.failedReply.empty() ? detail : transfer.failedReply;
  const std::string& command = transfer.failedCommand;
  std::string recipient = startsAfter(command, "RCPT TO:");
  if (!recipient.empty())
    throw sys::Error(Server + " refused the recipient " + recipient + ": " + reply);
  std::string sender = startsAfter(command, "MAIL FROM:");
  if (!sender.empty())
    throw sys::Error(Server + " refused the sender " + sender + ": " + reply);
  if (detail::startsWithName(command, "DATA"))
    throw sys::Error(Server + " refused the message: " + reply);
  throw sys::Error("Sending mail through " + server + " failed: " + detail +
                   (transfer.failedReply.empty() ? "" : " (" + transfer.failedReply + ")"));
}

}  // namespace mail
