#include "tools/karvix-retrieve/pending_drop.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "platform/mail/message_date.h"
#include "platform/system/error.h"
#include "platform/system/files.h"
#include "platform/system/format_datetime.h"
#include "store/schema.h"
#include "store/settings.h"
#include "tools/karvix-retrieve/header_fields.h"
#include "tools/karvix-retrieve/schedule.h"

namespace retrieve {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int err) {
  throw sys::Error(what + " " + path + ": " + std::strerror(err));
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) fail("Unable to open folder", folder, errno);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0 && err != EINVAL) fail("Unable to flush folder", folder, err);
}

// Writes content to a new file made from the template, flushed; returns its path.
std::string writeTempFile(std::string tmpl, const std::string& content) {
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) fail("Unable to write file", tmpl, errno);
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) {
      const int err = errno;
      ::close(fd);
      ::unlink(tmpl.c_str());
      fail("Unable to write file", tmpl, err);
    }
    done += static_cast<std::size_t>(w);
  }
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(tmpl.c_str());
    fail("Unable to write file", tmpl, err);
  }
  ::close(fd);
  return tmpl;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

std::string newFileBase(sys::DateTime now) {
  static std::mt19937 random{std::random_device{}()};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s-%08x", sys::formatDateTime("yyyymmddhhnnss", now).c_str(),
                static_cast<unsigned>(random()));
  return buf;
}

// The header of a whole message: everything up to the first blank line.
std::string headerOf(const std::string& message) {
  for (std::size_t pos = 0; pos < message.size();) {
    std::size_t end = message.find('\n', pos);
    if (end == std::string::npos) return message;
    const std::size_t len = end - pos - (end > pos && message[end - 1] == '\r' ? 1 : 0);
    if (len == 0) return message.substr(0, pos);
    pos = end + 1;
  }
  return message;
}

}  // namespace

std::string retrieverFolder(const std::string& messagesFolder, const std::string& accountId) {
  return messagesFolder + accountId + "/Retrieve/";
}

void writeDurably(const std::string& path, const std::string& content) {
  const std::string tmp = writeTempFile(path + ".tmpXXXXXX", content);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    fail("Unable to write file", path, err);
  }
  syncFolder(folderOf(path));
}

PendingDrop::PendingDrop(std::string messagesFolder, std::string dbFolder, std::string accountId)
    : pending_(store::pendingFolder(messagesFolder, accountId)),
      staging_(retrieverFolder(messagesFolder, accountId) + "tmp/"),
      accountId_(std::move(accountId)),
      dbFolder_(std::move(dbFolder)) {}

PendingDrop::~PendingDrop() = default;

void PendingDrop::flush() {
  if (sys::directoryExists(pending_)) syncFolder(pending_);
}

std::string PendingDrop::drop(const std::string& message, sys::DateTime now) {
  const std::string& pending = pending_;
  const std::string& staging = staging_;
  const std::string& accountId = accountId_;
  sys::forceDirectories(pending);
  sys::forceDirectories(staging);
  if (!rows_) rows_ = store::openTable(dbFolder_, store::Table::Pending);
  xbase::Cursor* rows = rows_.get();
  const std::string tmp = writeTempFile(staging + "message-XXXXXX", message);

  const HeaderFields header(headerOf(message));
  const mail::MailDateTime date = mail::parseMailDate(header.value("Date"));
  const sys::Date today = now.date();
  try {
    for (int attempt = 0;; ++attempt) {
      if (attempt == 10) throw sys::Error("Unable to find a free file name in " + pending);
      const std::string base = newFileBase(now);
      const std::string fileName = base + ".eml";
      if (sys::fileExists(pending + fileName)) continue;

      rows->insert();
      rows->setString("MESSAGE_ID", base);
      rows->setString("LINK_ID", accountId);
      if (!date.isZero()) rows->setDate("RECDATE", {date.year, date.month, date.day});
      rows->setString("FROM", header.value("From"));
      rows->setString("SUBJECT", header.value("Subject"));
      rows->setString("FILENAME", fileName);
      rows->setDate("CREATEON", {today.year, today.month, today.day});
      rows->setString("CREATEAT", hhmm(now));
      rows->post();
      const uint32_t recno = rows->recno();

      int rc = ::link(tmp.c_str(), (pending + fileName).c_str());
      int err = errno;
      if (rc != 0 && err != EEXIST && !sys::fileExists(pending + fileName)) {
        // A file system without hard links: a plain rename of a name that is free.
        rc = ::rename(tmp.c_str(), (pending + fileName).c_str());
        err = errno;
      }
      if (rc != 0) {
        rows->go(recno);
        rows->remove();
        if (err == EEXIST) continue;
        fail("Unable to move the message into", pending + fileName, err);
      }
      ::unlink(tmp.c_str());
      return fileName;
    }
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
}

void forgetFiledRows(const std::string& messagesFolder, const std::string& dbFolder, const std::string& accountId) {
  const std::string pending = store::pendingFolder(messagesFolder, accountId);
  auto rows = store::openTable(dbFolder, store::Table::Pending);
  std::vector<uint32_t> gone;
  for (rows->first(); !rows->eof(); rows->next()) {
    if (rows->getString("LINK_ID") != accountId) continue;
    const std::string file = rows->getString("FILENAME");
    if (!file.empty() && !sys::fileExists(pending + file)) gone.push_back(rows->recno());
  }
  for (uint32_t recno : gone) {
    rows->go(recno);
    if (rows->recno() == recno) rows->remove();
  }
}

}  // namespace retrieve
