#include "tests/retrieve/dovecot_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace retrieve::testing {
namespace {

// Extra field of a password-file line: a failed login is answered at once
// instead of after dovecot's growing penalty delay.
constexpr const char* kNoDelay = "::::::nodelay=yes\n";

// True once the server greets on the port.
bool greets(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = false;
  if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    char buf[64] = {0};
    ok = ::recv(s, buf, sizeof buf - 1, 0) > 0 && std::string(buf).rfind("+OK", 0) == 0;
    const char quit[] = "QUIT\r\n";
    (void)!::send(s, quit, sizeof quit - 1, MSG_NOSIGNAL);
  }
  ::close(s);
  return ok;
}

}  // namespace

int freeLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(s);
    throw std::runtime_error("no free loopback port");
  }
  ::close(s);
  return ntohs(a.sin_port);
}

bool DovecotServer::available() { return ::access(kBinary, X_OK) == 0; }

DovecotServer::DovecotServer(const Users& users) {
  const std::string root = dir_.path();
  std::string internalUser, loginUser;
  if (::getuid() == 0) {
    const passwd* pw = ::getpwnam("dovecot");
    if (!pw) throw std::runtime_error("the dovecot user is missing (install dovecot-pop3d)");
    mailUid_ = pw->pw_uid;
    mailGid_ = pw->pw_gid;
    internalUser = "dovecot";
    loginUser = ::getpwnam("dovenull") ? "dovenull" : "dovecot";
  } else {
    mailUid_ = ::getuid();
    mailGid_ = ::getgid();
    const passwd* pw = ::getpwuid(mailUid_);
    internalUser = loginUser = pw ? pw->pw_name : "nobody";
  }
  for (const char* d : {"/run", "/state", "/mail"}) fs::create_directories(root + d);
  ::chmod(root.c_str(), 0755);
  own(root + "/mail");
  {
    std::ofstream passwd(root + "/passwd");
    for (const auto& [user, password] : users) passwd << user << ":{PLAIN}" << password << kNoDelay;
  }
  for (const auto& u : users) makeMailbox(u.first);
  ::chmod((root + "/passwd").c_str(), 0644);

  port_ = freeLoopbackPort();
  std::ofstream conf(root + "/dovecot.conf");
  conf << "protocols = pop3\n"
          "listen = 127.0.0.1\n"
          "base_dir = " << root << "/run\n"
          "state_dir = " << root << "/state\n"
          "log_path = " << root << "/dovecot.log\n"
          "info_log_path = " << root << "/dovecot.log\n"
          "ssl = no\n"
          "disable_plaintext_auth = no\n"
          "auth_mechanisms = plain login\n"
          "auth_failure_delay = 0\n"
          "first_valid_uid = 1\n"
          "default_internal_user = " << internalUser << "\n"
          "default_login_user = " << loginUser << "\n"
          "mail_location = maildir:" << root << "/mail/%u\n"
          "pop3_uidl_format = %08Xu%08Xv\n"
          "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << root << "/passwd\n}\n"
          "userdb {\n  driver = static\n  args = uid=" << mailUid_ << " gid=" << mailGid_
       << " home=" << root << "/mail/%u\n}\n"
          "service pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n    port = " << port_
       << "\n  }\n  inet_listener pop3s {\n    port = 0\n  }\n}\n";
  conf.close();

  pid_ = ::fork();
  if (pid_ == 0) {
    const int out = ::open((root + "/dovecot.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, 1);
    ::dup2(out, 2);
    const std::string confPath = root + "/dovecot.conf";
    ::execl(kBinary, kBinary, "-F", "-c", confPath.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!greets(port_)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::ifstream in(root + "/dovecot.out");
      throw std::runtime_error("dovecot did not start: " + std::string(std::istreambuf_iterator<char>(in), {}));
    }
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("dovecot did not answer");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

DovecotServer::~DovecotServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

std::string DovecotServer::mailDir(const std::string& user) const { return dir_.path() + "/mail/" + user; }

void DovecotServer::own(const std::string& path) const {
  if (::getuid() == 0 && ::chown(path.c_str(), mailUid_, mailGid_) != 0)
    throw std::runtime_error("cannot hand " + path + " to the mail user");
}

void DovecotServer::addUser(const std::string& user, const std::string& password) {
  std::ofstream(dir_.path() + "/passwd", std::ios::app) << user << ":{PLAIN}" << password << kNoDelay;
  makeMailbox(user);
}

void DovecotServer::makeMailbox(const std::string& user) {
  const std::string md = mailDir(user);
  own(dir_.path() + "/mail");
  for (const char* sub : {"", "/new", "/cur", "/tmp"}) {
    fs::create_directories(md + sub);
    own(md + sub);
  }
}

void DovecotServer::deliver(const std::string& user, const std::string& message) {
  char name[64];
  std::snprintf(name, sizeof name, "%010d.M%dP%d.kxtest", 1000000000 + delivered_, delivered_, ::getpid());
  ++delivered_;
  const std::string tmp = mailDir(user) + "/tmp/" + name;
  std::ofstream(tmp, std::ios::binary) << message;
  own(tmp);
  fs::rename(tmp, mailDir(user) + "/new/" + name);
}

std::vector<std::string> DovecotServer::mailbox(const std::string& user) const {
  std::vector<std::pair<std::string, std::string>> found;
  for (const char* sub : {"/new", "/cur"})
    for (const auto& e : fs::directory_iterator(mailDir(user) + sub)) {
      std::ifstream in(e.path(), std::ios::binary);
      found.emplace_back(e.path().filename().string(), std::string(std::istreambuf_iterator<char>(in), {}));
    }
  std::sort(found.begin(), found.end());
  std::vector<std::string> out;
  for (auto& f : found) out.push_back(std::move(f.second));
  return out;
}

}  // namespace retrieve::testing
