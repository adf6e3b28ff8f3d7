// Pop3Client: one POP3 session with a mailbox, on libcurl.
// - Server: "host", "host:port" (an IPv6 address in brackets), or a full
//   "pop3://..." / "pop3s://..." address. A plain host uses port 110 and
//   STARTTLS when the server offers it (the password then travels encrypted);
//   port 995 or "pop3s://" is TLS from the start. Certificates are verified.
// - The session connects on the first command and keeps its connection for
//   every later command. DELE marks are committed by the server only when the
//   session ends with QUIT, which the destructor sends: a session that breaks
//   off deletes nothing.
// - retrieve() returns the message exactly as the server sent it (CRLF line
//   ends, dot-stuffing removed). A message shorter than the size the server
//   listed for it is incomplete (the connection broke off) and throws.
// - Every failure throws Pop3Error: its kind tells unreachable server, refused
//   login and a broken transfer apart; its text names the server.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/error.h"

namespace retrieve {

class Pop3Error : public sys::Error {
 public:
  enum class Kind { Unreachable, Login, Transfer };
  Pop3Error(Kind kind, const std::string& message) : sys::Error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

struct ListedMessage {
  int number = 0;            // message number in this session
  std::uint64_t size = 0;    // octets, as LIST says
  std::string uidl;          // unique id (UIDL); empty when the server has none
};

class Pop3Client {
 public:
  Pop3Client(const std::string& server, const std::string& login, const std::string& password);
  ~Pop3Client();  // ends the session with QUIT (committing DELE marks)
  Pop3Client(const Pop3Client&) = delete;
  Pop3Client& operator=(const Pop3Client&) = delete;

  // Time-outs: reaching the server, and a transfer standing still.
  void setConnectTimeoutSeconds(long s) { connectTimeout_ = s; }
  void setStallTimeoutSeconds(long s) { stallTimeout_ = s; }

  // LIST, then UIDL (a server without UIDL leaves the ids empty).
  std::vector<ListedMessage> list();
  // TOP n 0: the header block, with its line ends and the blank line after it.
  std::string header(int number);
  // RETR n; expectedSize is the listed size.
  std::string retrieve(int number, std::uint64_t expectedSize);
  // DELE n (committed at QUIT).
  void remove(int number);
  // Breaks the connection off without QUIT: the server deletes nothing.
  void abandon();

  const std::string& url() const { return url_; }

 private:
  std::string perform(const std::string& path, const std::string& command, bool noBody);

  std::string url_;        // scheme://host:port/
  std::string display_;    // the server as the operator wrote it
  std::string login_;
  std::string password_;
  long connectTimeout_ = 30;
  long stallTimeout_ = 60;
  void* curl_ = nullptr;
  bool sessionOpen_ = false;  // LIST has numbered the messages
};

// The URL of a server value (see above); throws sys::Error for an empty one.
std::string pop3Url(const std::string& server);

}  // namespace retrieve
