// DovecotServer: a real POP3 server for tests. Starts Debian's dovecot in the
// foreground with a configuration of its own in a temporary folder
// (base_dir, state_dir, log and mail all below it), passwd-file logins,
// Maildir mailboxes, no TLS, on a free loopback port. Stopped when the
// object goes.
//
//   DovecotServer pop({{"ann", "secret"}});  // skip the test when !available()
//   pop.addUser("bob", "pw");          // also later (dovecot re-reads the
//                                      // password file when it changes)
//   pop.deliver("ann", message);       // appears in ann's mailbox at once
//   account POPADDRESS = pop.address() ("127.0.0.1:<port>")
//   pop.mailbox("ann")                 // what is still on the server
//
// Run as root, the mailboxes belong to the "dovecot" user (dovecot refuses
// root as a mail user); otherwise everything runs as the calling user.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace retrieve::testing {

class DovecotServer {
 public:
  static constexpr const char* kBinary = "/usr/sbin/dovecot";
  static bool available();

  using Users = std::vector<std::pair<std::string, std::string>>;  // name, password
  explicit DovecotServer(const Users& users = {});
  ~DovecotServer();
  DovecotServer(const DovecotServer&) = delete;
  DovecotServer& operator=(const DovecotServer&) = delete;

  int port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  void addUser(const std::string& user, const std::string& password);
  void deliver(const std::string& user, const std::string& message);
  // The messages in the user's mailbox, ordered by delivery.
  std::vector<std::string> mailbox(const std::string& user) const;

 private:
  std::string mailDir(const std::string& user) const;
  void makeMailbox(const std::string& user);
  void own(const std::string& path) const;

  kxtest::TempDir dir_{"kx-pop3"};
  int port_ = 0;
  pid_t pid_ = -1;
  uid_t mailUid_ = 0;
  gid_t mailGid_ = 0;
  int delivered_ = 0;
};

// A free TCP port on 127.0.0.1 (bound and released).
int freeLoopbackPort();

}  // namespace retrieve::testing
