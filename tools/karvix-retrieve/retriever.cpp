#include "tools/karvix-retrieve/retriever.h"

#include <cstdint>
#include <vector>

#include "platform/system/clock.h"
#include "store/schema.h"
#include "tools/karvix-retrieve/schedule.h"

namespace retrieve {

PassResult Retriever::runOnce() {
  struct Due {
    uint32_t recno;
    Account account;
    long freq;
  };
  std::vector<Due> due;
  {
    auto nodes = store::openTable(folders_.database, store::Table::Nodes);
    const sys::DateTime now = sys::now();
    for (nodes->first(); !nodes->eof(); nodes->next()) {
      if (!isDue(nodes->getDate("NEXTDATE"), nodes->getString("NEXTTIME"), now)) continue;
      due.push_back({nodes->recno(),
                     {nodes->getString("UNIQUE_ID"), nodes->getString("NODE"), nodes->getString("POPADDRESS"),
                      nodes->getString("LOGIN"), nodes->getString("PASSWORD")},
                     nodes->getInt("FREQVAL")});
    }
  }
  PassResult pass;
  for (const Due& d : due) {
    if (d.account.id.empty()) continue;  // no account key, no folder to fill
    const sys::DateTime polledAt = sys::now();
    const PollResult r = pollAccount(d.account, folders_, log_);
    ++pass.polled;
    if (!r.ok) ++pass.failed;

    const NextPoll next = nextPoll(polledAt, d.freq);
    try {
    auto nodes = store::openTable(folders_.database, store::Table::Nodes);
    nodes->go(d.recno);
    if (nodes->recno() != d.recno || nodes->getString("UNIQUE_ID") != d.account.id) {
      log_.line("Account " + d.account.id + ": its row changed during the poll; the schedule is not written");
      continue;
    }
    const sys::Date at = polledAt.date();
    nodes->edit();
    nodes->setDate("NEXTDATE", next.date);
    nodes->setString("NEXTTIME", next.time);
    nodes->setDate("LASTDATE", {at.year, at.month, at.day});
    nodes->setString("LASTTIME", hhmm(polledAt));
    nodes->setString("LASTRESULT", r.result);
    nodes->post();
    } catch (const std::exception& e) {
      log_.line("Account " + d.account.id + ": Error-" + e.what() + " (writing its schedule)");
      if (r.ok) ++pass.failed;
    }
  }
  return pass;
}

}  // namespace retrieve
