#include "tests/support/smtp_server.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace kxtest {

namespace {

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

std::string str(const QJsonValue& v) { return v.toString().toStdString(); }

std::string fromBase64(const QJsonValue& v) {
  QByteArray bytes = QByteArray::fromBase64(v.toString().toLatin1());
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string unixLines(std::string s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

}  // namespace

std::string ReceivedMail::header(const std::string& name) const {
  for (const auto& [n, v] : headers)
    if (lowerAscii(n) == lowerAscii(name)) return v;
  return {};
}

int ReceivedMail::headerCount(const std::string& name) const {
  int count = 0;
  for (const auto& h : headers)
    if (lowerAscii(h.first) == lowerAscii(name)) ++count;
  return count;
}

SmtpServer::SmtpServer() : SmtpServer(Options{}) {}

SmtpServer::SmtpServer(Options options) : dir_("kx-smtp") {
  out_ = dir_.file("received.jsonl");
  const char* py = std::getenv("KARVIX_PYTHON");
  std::string python = py && *py ? py : "/usr/bin/python3";
  std::string script = std::string(KX_TEST_SUPPORT_DIR) + "/smtp_sink.py";
  std::vector<std::string> args = {python, script, "--out", out_};
  for (const std::string& r : options.refuse) {
    args.push_back("--refuse");
    args.push_back(r);
  }
  if (options.refuseData) args.push_back("--refuse-data");
  if (options.mute) args.push_back("--mute");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  int rc = posix_spawn(&pid_, python.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    throw std::runtime_error("cannot start " + python);
  }
  stdinFd_ = in[1];

  // The first line is the port. The poll limit only guards against a server
  // that fails to start; a started one answers at once.
  std::string line;
  while (line.find('\n') == std::string::npos) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 30000) <= 0) break;
    char buf[64];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  close(out[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    close(stdinFd_);
    throw std::runtime_error("the SMTP sink did not start (" + script + ")");
  }
}

SmtpServer::~SmtpServer() {
  if (stdinFd_ >= 0) close(stdinFd_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::vector<ReceivedMail> SmtpServer::received() const {
  std::vector<ReceivedMail> mails;
  std::ifstream in(out_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    QJsonObject o = doc.object();
    ReceivedMail m;
    m.mailFrom = str(o["mail_from"]);
    for (const QJsonValue& r : o["rcpt_tos"].toArray()) m.rcptTos.push_back(str(r));
    m.data = fromBase64(o["data_base64"]);
    QJsonObject parsed = o["parsed"].toObject();
    m.parseError = str(parsed["error"]);
    m.subject = str(parsed["subject"]);
    for (const QJsonValue& h : parsed["headers"].toArray()) {
      QJsonArray pair = h.toArray();
      m.headers.emplace_back(str(pair.at(0)), str(pair.at(1)));
    }
    m.text = unixLines(str(parsed["text"]));
    for (const QJsonValue& a : parsed["attachments"].toArray()) {
      QJsonObject ao = a.toObject();
      m.attachments.push_back(
          {str(ao["filename"]), str(ao["content_type"]), fromBase64(ao["content_base64"])});
    }
    mails.push_back(std::move(m));
  }
  return mails;
}

}  // namespace kxtest
