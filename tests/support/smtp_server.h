// SmtpServer: a real SMTP server for tests. Starts tests/support/smtp_sink.py
// (aiosmtpd under /usr/bin/python3, or $KARVIX_PYTHON) on a free loopback
// port, and reads back every message it accepted: the envelope, the exact
// DATA bytes, and the message as Python's email package decodes it (an
// independent reader of what we send). The server stops when the object goes.
//
//   kxtest::SmtpServer smtp;                       // accepts everything
//   kxtest::SmtpServer smtp({.refuse = {"x@y"}});  // 550 for that recipient
//   kxtest::SmtpServer smtp({.refuseData = true}); // 554 for every message
//   kxtest::SmtpServer smtp({.mute = true});       // connects, never answers
//   client.setHost(smtp.hostAndPort()); ... smtp.received()
//
// A send that returned has been answered with 250 after the message was
// written down, so received() needs no waiting.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kxtest {

struct ReceivedAttachment {
  std::string fileName;
  std::string contentType;
  std::string content;  // decoded bytes
};

struct ReceivedMail {
  std::string mailFrom;
  std::vector<std::string> rcptTos;
  std::string data;  // DATA bytes exactly as received (CRLF line ends)
  // As decoded by Python's email package; parseError is set when it failed.
  std::string subject;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string text;  // first text/plain body, line ends made "\n"
  std::vector<ReceivedAttachment> attachments;
  std::string parseError;

  // Decoded value of the first header of that name (case ignored); "" if none.
  std::string header(const std::string& name) const;
  int headerCount(const std::string& name) const;
};

class SmtpServer {
 public:
  struct Options {
    std::vector<std::string> refuse;  // recipients answered with 550
    bool refuseData = false;          // every message answered with 554
    bool mute = false;
  };

  SmtpServer();
  explicit SmtpServer(Options options);
  ~SmtpServer();
  SmtpServer(const SmtpServer&) = delete;
  SmtpServer& operator=(const SmtpServer&) = delete;

  int port() const { return port_; }
  std::string hostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }

  std::vector<ReceivedMail> received() const;

 private:
  TempDir dir_;
  std::string out_;
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  int port_ = 0;
};

}  // namespace kxtest
