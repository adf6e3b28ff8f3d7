#include "tools/karvix-retrieve/pop3_client.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <cstdlib>
#include <mutex>
#include <sstream>

#include "platform/system/text.h"

namespace retrieve {
namespace {

CURL* handle(void* p) { return static_cast<CURL*>(p); }

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

bool startsWithIgnoreCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && sys::equalsIgnoreCaseAscii(s.substr(0, prefix.size()), prefix);
}

// Lines of a multi-line answer, without their line ends.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

}  // namespace

std::string pop3Url(const std::string& server) {
  const std::string s = sys::trim(server);
  if (s.empty()) throw sys::Error("No POP server address");
  if (startsWithIgnoreCase(s, "pop3://") || startsWithIgnoreCase(s, "pop3s://"))
    return s.back() == '/' ? s : s + "/";
  std::string host = s;
  std::string port;
  if (s.front() == '[') {
    const auto close = s.find(']');
    if (close == std::string::npos) throw sys::Error("Bad POP server address: " + s);
    host = s.substr(0, close + 1);
    if (close + 1 < s.size()) {
      if (s[close + 1] != ':') throw sys::Error("Bad POP server address: " + s);
      port = s.substr(close + 2);
    }
  } else if (const auto colon = s.find(':'); colon != std::string::npos) {
    host = s.substr(0, colon);
    port = s.substr(colon + 1);
  }
  if (!port.empty()) {
    char* end = nullptr;
    const long p = std::strtol(port.c_str(), &end, 10);
    if (*end != '\0' || p < 1 || p > 65535 || host.empty() || host == "[]")
      throw sys::Error("Bad POP server address: " + s);
  }
  const std::string scheme = port == "995" ? "pop3s://" : "pop3://";
  return scheme + host + (port.empty() ? "" : ":" + port) + "/";
}

Pop3Client::Pop3Client(const std::string& server, const std::string& login, const std::string& password)
    : url_(pop3Url(server)), display_(sys::trim(server)), login_(login), password_(password) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (login_.empty()) throw Pop3Error(Pop3Error::Kind::Login, "No user name for the POP3 server " + display_);
  curl_ = curl_easy_init();
  if (!curl_) throw sys::Error("Unable to start a POP3 session");
}

Pop3Client::~Pop3Client() {
  if (curl_) curl_easy_cleanup(handle(curl_));  // sends QUIT on a live connection
}

std::string Pop3Client::perform(const std::string& path, const std::string& command, bool noBody) {
  CURL* c = handle(curl_);
  // Once the session has its message numbers, it must not silently move to a
  // new connection (numbers and DELE marks belong to one session).
  if (sessionOpen_) {
    curl_socket_t sock = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(c, CURLINFO_ACTIVESOCKET, &sock) != CURLE_OK || sock == CURL_SOCKET_BAD)
      throw Pop3Error(Pop3Error::Kind::Transfer, "The connection to the POP3 server " + display_ + " was lost");
  }
  std::string out;
  char errorText[CURL_ERROR_SIZE] = {0};
  const std::string url = url_ + path;
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_USERNAME, login_.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
  curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, command.empty() ? nullptr : command.c_str());
  curl_easy_setopt(c, CURLOPT_NOBODY, noBody ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &out);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, connectTimeout_);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stallTimeout_);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  const CURLcode rc = curl_easy_perform(c);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
  if (rc != CURLE_OK) {
    const std::string why = errorText[0] ? errorText : curl_easy_strerror(rc);
    switch (rc) {
      case CURLE_COULDNT_RESOLVE_HOST:
      case CURLE_COULDNT_CONNECT:
        throw Pop3Error(Pop3Error::Kind::Unreachable, "Unable to reach the POP3 server " + display_ + ": " + why);
      case CURLE_LOGIN_DENIED:
        throw Pop3Error(Pop3Error::Kind::Login,
                        "The POP3 server " + display_ + " refused the login of " + login_ + ": " + why);
      case CURLE_OPERATION_TIMEDOUT:
        if (!sessionOpen_)
          throw Pop3Error(Pop3Error::Kind::Unreachable, "Unable to reach the POP3 server " + display_ + ": " + why);
        [[fallthrough]];
      default:
        throw Pop3Error(Pop3Error::Kind::Transfer, "POP3 server " + display_ + ": " + why);
    }
  }
  if (sessionOpen_) {
    long connects = 0;
    curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &connects);
    if (connects > 0)
      throw Pop3Error(Pop3Error::Kind::Transfer, "The connection to the POP3 server " + display_ + " was lost");
  }
  return out;
}

std::vector<ListedMessage> Pop3Client::list() {
  // UIDL first: a server without it answers with an error, after which the
  // session may start again; LIST then fixes the numbers for this session.
  std::vector<std::pair<int, std::string>> ids;
  try {
    for (const std::string& line : lines(perform("", "UIDL", false))) {
      std::istringstream in(line);
      int n = 0;
      std::string id;
      if (in >> n >> id) ids.emplace_back(n, id);
    }
  } catch (const Pop3Error& e) {
    if (e.kind() != Pop3Error::Kind::Transfer) throw;
    ids.clear();
  }
  std::vector<ListedMessage> out;
  for (const std::string& line : lines(perform("", "", false))) {
    std::istringstream in(line);
    ListedMessage m;
    if (in >> m.number >> m.size) out.push_back(m);
  }
  for (auto& m : out)
    for (const auto& [n, id] : ids)
      if (n == m.number) m.uidl = id;
  sessionOpen_ = true;
  return out;
}

std::string Pop3Client::header(int number) {
  std::string h = perform("", "TOP " + std::to_string(number) + " 0", false);
  if (h.size() < 2 || h.compare(h.size() - 2, 2, "\r\n") != 0)
    throw Pop3Error(Pop3Error::Kind::Transfer,
                    "The header of message " + std::to_string(number) + " from " + display_ + " ended early");
  return h;
}

std::string Pop3Client::retrieve(int number, std::uint64_t expectedSize) {
  std::string m = perform(std::to_string(number), "", false);
  if (m.size() < expectedSize)
    throw Pop3Error(Pop3Error::Kind::Transfer, "Message " + std::to_string(number) + " from " + display_ +
                                                   " ended early (" + std::to_string(m.size()) + " of " +
                                                   std::to_string(expectedSize) + " bytes)");
  return m;
}

void Pop3Client::remove(int number) { perform(std::to_string(number), "DELE", true); }

void Pop3Client::abandon() {
  curl_socket_t sock = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(handle(curl_), CURLINFO_ACTIVESOCKET, &sock) == CURLE_OK && sock != CURL_SOCKET_BAD)
    ::shutdown(sock, SHUT_RDWR);
}

}  // namespace retrieve
