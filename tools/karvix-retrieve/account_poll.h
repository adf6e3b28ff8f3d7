// One poll of one account: its restrictions decide, message by message, what
// is retrieved into Pending and what is deleted from the server.
//
// Order of work, chosen so that nothing is lost and nothing is taken twice:
//  1. The restrictions are read (none: no connection, nothing retrieved).
//  2. PENDING.DBF rows of messages the processor has filed are removed.
//  3. LIST and UIDL; the UIDL memory forgets ids no longer on the server.
//  4. For each message: its header (TOP) when a restriction needs it, then
//     the decision (restriction.h). A message that is to be retrieved and is
//     already remembered is not retrieved again; if the restriction says
//     delete, it is only deleted. Otherwise RETR, PendingDrop::drop(), the UIDL
//     remembered, and only then DELE when the restriction says so.
//  5. The Pending folder and the memory are flushed to the disk, then QUIT
//     commits the deletions (a failed flush breaks the connection off
//     instead). A session that breaks off deletes nothing;
//     the messages already in Pending are remembered, so the next poll does
//     not retrieve them again but deletes them when it should.
// A server without UIDL cannot remember: a message it would have to leave
// on the server is then not retrieved (it would come again at every poll);
// one that is deleted after retrieval is retrieved as usual.
// Every failure is logged with the account's id and ends this poll; the
// result's text (for NODES.LASTRESULT) says what happened in 20 characters.
#pragma once

#include <string>

#include "tools/karvix-retrieve/retrieve_log.h"

namespace retrieve {

struct Account {
  std::string id;  // UNIQUE_ID
  std::string name;
  std::string popAddress;
  std::string login;
  std::string password;
};

struct PollFolders {
  std::string messages;
  std::string database;
};

struct PollResult {
  bool ok = false;
  int retrieved = 0;   // new files in Pending
  int deleted = 0;     // DELE sent (committed at QUIT)
  std::string result;  // short outcome for LASTRESULT
};

PollResult pollAccount(const Account& account, const PollFolders& folders, RetrieveLog& log);

}  // namespace retrieve
