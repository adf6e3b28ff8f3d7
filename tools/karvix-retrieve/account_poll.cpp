#include "tools/karvix-retrieve/account_poll.h"

#include <memory>
#include <optional>
#include <set>

#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/system/files.h"
#include "tools/karvix-retrieve/header_fields.h"
#include "tools/karvix-retrieve/pending_drop.h"
#include "tools/karvix-retrieve/pop3_client.h"
#include "tools/karvix-retrieve/restriction.h"
#include "tools/karvix-retrieve/uidl_memory.h"

namespace retrieve {

PollResult pollAccount(const Account& account, const PollFolders& folders, RetrieveLog& log) {
  PollResult r;
  const std::string who = "Account " + account.id + ": ";
  std::unique_ptr<Pop3Client> client;
  std::unique_ptr<UidlMemory> memory;
  PendingDrop pending(folders.messages, folders.database, account.id);
  // Ends the session: what reached Pending and the memory is flushed to the
  // disk first, then QUIT lets the server delete. When the flush fails the
  // connection is broken off instead, so the server deletes nothing.
  auto endSession = [&]() -> std::string {
    if (!client) return "";
    std::string failure;
    try {
      if (memory) memory->flush();
      pending.flush();
    } catch (const std::exception& e) {
      failure = e.what();
      client->abandon();
    }
    client.reset();
    return failure;
  };
  auto failed = [&](const std::string& result, const std::string& what) {
    r.ok = false;
    r.result = result;
    const std::string late = endSession();
    log.line(who + "Error-" + what + " (" + std::to_string(r.retrieved) +
             " retrieved before; retried at the next poll)");
    if (!late.empty()) log.line(who + "Error-" + late + " (the server deletes nothing)");
  };
  try {
    const std::vector<Restriction> restrictions = loadRestrictions(folders.database, account.id);
    if (restrictions.empty()) {
      log.line(who + "no restrictions, nothing is retrieved");
      r.ok = true;
      r.result = "No restrictions";
      return r;
    }
    for (const Restriction& rule : restrictions)
      if (const std::string why = rule.problem(); !why.empty())
        log.line(who + "restriction '" + rule.name + "' matches no message: " + why);
    const bool needsHeader = anyNeedsHeader(restrictions);

    forgetFiledRows(folders.messages, folders.database, account.id);

    client = std::make_unique<Pop3Client>(account.popAddress, account.login, account.password);
    const std::vector<ListedMessage> listed = client->list();

    const std::string own = retrieverFolder(folders.messages, account.id);
    sys::forceDirectories(own);
    memory = std::make_unique<UidlMemory>(own + "uidl.txt");
    std::set<std::string> onServer;
    bool allHaveIds = true;
    for (const auto& m : listed) {
      if (m.uidl.empty()) allHaveIds = false;
      onServer.insert(m.uidl);
    }
    if (allHaveIds) memory->keepOnly(onServer);

    for (const ListedMessage& m : listed) {
      std::optional<HeaderFields> header;
      if (needsHeader) header.emplace(client->header(m.number));
      const Decision d = decide(restrictions, m.size, header ? &*header : nullptr);
      if (!d.retrieve) continue;
      if (!m.uidl.empty() && memory->contains(m.uidl)) {
        if (d.remove) {
          client->remove(m.number);
          ++r.deleted;
        }
        continue;
      }
      if (m.uidl.empty() && !d.remove) {
        log.line(who + "message " + std::to_string(m.number) +
                 " stays on the server: the server gives no UIDL, so it could not be told from a new message");
        continue;
      }
      const std::string bytes = client->retrieve(m.number, m.size);
      const std::string file = pending.drop(bytes, sys::now());
      memory->add(m.uidl);
      ++r.retrieved;
      if (d.remove) {
        client->remove(m.number);
        ++r.deleted;
      }
      log.line(who + "retrieved message " + std::to_string(m.number) + " (" + std::to_string(bytes.size()) +
               " bytes) as " + file + (d.remove ? ", deleted from the server" : ", left on the server") +
               " by restriction '" + d.decidedBy->name + "'");
    }
    if (const std::string late = endSession(); !late.empty()) throw sys::Error(late);
    r.ok = true;
    r.result = "OK, " + std::to_string(r.retrieved) + " retrieved";
    log.line(who + std::to_string(listed.size()) + " on the server, " + std::to_string(r.retrieved) +
             " retrieved, " + std::to_string(r.deleted) + " deleted");
  } catch (const Pop3Error& e) {
    failed(e.kind() == Pop3Error::Kind::Login         ? "Login failed"
           : e.kind() == Pop3Error::Kind::Unreachable ? "Server unreachable"
                                                      : "Transfer failed",
           e.what());
  } catch (const std::exception& e) {
    failed("Error", e.what());
  }
  return r;
}

}  // namespace retrieve
