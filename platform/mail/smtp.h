// TmsSMTP: sends one message through an SMTP server with libcurl.
// - Server: a host name or address, optionally followed by ":port" (an IPv6
//   address in brackets, "[::1]:2525"); port 25 otherwise.
// - Envelope: the sender is the message's sender address, the recipients are
//   its recipient list (the To header; Cc lines are carried but not sent to).
// - Content: the message as TmsMessage writes it, in SMTP form (wire_form.h).
// - send() connects, sends and disconnects. It blocks for at most the connect
//   time-out to reach the server and the total time-out for everything, so a
//   dead server cannot hang the caller (defaults 15 s and 60 s).
// - Every failure throws sys::Error with a readable text naming the server:
//   no server, bad address, unreachable server, time-out, a refused sender,
//   recipient or message (with the server's reply). If any recipient is
//   refused nothing is sent.
#pragma once

#include <chrono>
#include <string>

namespace mail {

class TmsMessage;

class TmsSMTP {
 public:
  static constexpr int kDefaultPort = 25;

  void setHost(const std::string& server);
  const std::string& host() const { return host_; }  // without the port
  int port() const { return port_; }

  void setConnectTimeout(std::chrono::milliseconds t) { connectTimeout_ = t; }
  void setTimeout(std::chrono::milliseconds total) { totalTimeout_ = total; }
  std::chrono::milliseconds connectTimeout() const { return connectTimeout_; }
  std::chrono::milliseconds timeout() const { return totalTimeout_; }

  // The message to send (not owned; must live until send() returns).
  void setMessage(const TmsMessage* message) { message_ = message; }
  const TmsMessage* message() const { return message_; }

  void send();
  void send(const TmsMessage& message);

 private:
  std::string server_;
  std::string host_;
  int port_ = kDefaultPort;
  std::chrono::milliseconds connectTimeout_{15000};
  std::chrono::milliseconds totalTimeout_{60000};
  const TmsMessage* message_ = nullptr;
};

}  // namespace mail
