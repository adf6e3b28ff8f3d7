// The account wizard: its page logic, the identifier, the conversions, and
// B1Click writing the NODES row and its "Control Restriction" row on a
// fixture store, or writing nothing.
#include <QTest>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "../support/fixture_store.h"
#include "../support/scripted_dialogs.h"
#include "cfgman/accounts/main_window.h"
#include "cfgman/accounts/new_node_wizard.h"
#include "cfgman/status/status_window.h"
#include "platform/system/clock.h"
#include "platform/system/error.h"
#include "platform/system/hook_recorder.h"

namespace cfgman::testing {
namespace {

TEST(AccountWizardPages, ServerNameAndSenderBoxesFollowTheirSources) {
  app();
  TfrmNewNode w;
  QTest::keyClicks(w.edtSMTP, "mail.example.com");
  EXPECT_EQ(w.edtPOP->text(), "mail.example.com");
  w.edtPOP->setText("pop.example.com");
  EXPECT_EQ(w.edtPOP->text(), "pop.example.com");
  QTest::keyClicks(w.edtSMTP, "x");
  EXPECT_EQ(w.edtPOP->text(), "mail.example.comx");

  EXPECT_FALSE(w.WizPage1DoneQuery());
  QTest::keyClicks(w.edtNodeName, "Sales Desk");
  EXPECT_TRUE(w.WizPage1DoneQuery());
  EXPECT_EQ(w.edtRealName->text(), "Sales Desk");
  w.edtRealName->setText("Someone Else");
  w.edtPassword->setText("secret");
  EXPECT_EQ(w.edtRealName->text(), "Sales Desk");
  EXPECT_EQ(w.edtPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w.edtMins->text(), "10");
  EXPECT_EQ(w.cmbAction1->currentText(), "YES");
}

TEST(AccountWizardPages, NamePageRefusesNextWithoutAName) {
  app();
  TfrmNewNode w;
  w.show();
  ASSERT_EQ(w.currentId(), TfrmNewNode::PageName);
  EXPECT_FALSE(w.currentPage()->isComplete());
  w.edtNodeName->setText("A");
  EXPECT_TRUE(w.currentPage()->isComplete());
  w.next();
  EXPECT_EQ(w.currentId(), TfrmNewNode::PageGroup);
  w.reject();
}

TEST(AccountWizardPages, IdentificationPageTakesTheUserNameFromTheAddress) {
  app();
  struct Case {
    const char* name;
    const char* typedUser;
    const char* email;
    const char* userAfter;
  };
  const Case cases[] = {{"address", "typed", "jo@example.com", "jo"},
                        {"no at sign", "typed", "jo.example.com", ""},
                        {"empty address", "typed", "", "typed"},
                        {"first at", "", "a@b@c", "a"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmNewNode w;
    w.show();
    w.edtNodeName->setText("N");
    w.next();  // group
    w.next();  // servers
    w.next();  // login
    w.edtUsername->setText(c.typedUser);
    w.edtEmail->setText(c.email);
    w.next();  // identification: runs its done-query on entering
    ASSERT_EQ(w.currentId(), TfrmNewNode::PageIdentity);
    EXPECT_EQ(w.edtUsername->text().toStdString(), c.userAfter);
    w.next();  // and on leaving
    EXPECT_EQ(w.currentId(), TfrmNewNode::PageInterval);
    EXPECT_EQ(w.edtUsername->text().toStdString(), c.userAfter);
    w.reject();
  }
}

TEST(AccountWizardPages, ShowingSetsTheDateAndTimeOfNow) {
  app();
  sys::ScopedClock clock(sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6));
  TfrmNewNode w;
  w.show();
  EXPECT_EQ(w.MedtNextDate->text(), "03/04/26");
  EXPECT_EQ(w.MedtNextTime->text(), "01:05PM");
  w.reject();
}

TEST(NewAccountCore, IdentifierIsMsRandomStampAndRandomDigits) {
  const sys::DateTime t = sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6, 789);
  EXPECT_EQ(makeNodeId(t, 123), "7891230613260304123");
  EXPECT_EQ(makeNodeId(t, 5), "78950613260304" "5");
  EXPECT_EQ(makeNodeId(sys::DateTime::fromParts(2026, 12, 31, 0, 0, 0, 0), 0), "00000026123" "10");
}

TEST(NewAccountCore, ConversionsAndTheirFailures) {
  NewAccountInput in;
  in.nextDate = "03/04/26";
  in.nextTime = "01:05PM";
  in.retrieve = "NO";
  NewAccountRow r = convertNewAccount(in);
  EXPECT_EQ(r.freqVal, 0);
  EXPECT_EQ(r.year, 2026);
  EXPECT_EQ(r.month, 3);
  EXPECT_EQ(r.day, 4);
  EXPECT_EQ(r.time24, "13:05");
  EXPECT_EQ(r.act1, "N");
  EXPECT_EQ(r.act2, "Y");
  struct Bad {
    const char* minutes;
    const char* date;
    const char* time;
    const char* message;
  };
  const Bad bad[] = {{"1x", "03/04/26", "01:05PM", "'1x' is not a valid integer value"},
                     {"10", "13/45/26", "01:05PM", "'13/45/26' is not a valid date"},
                     {"10", "03/04/26", "31:05PM", "'31:05PM' is not a valid time"}};
  for (const Bad& b : bad) {
    NewAccountInput x = in;
    x.minutes = b.minutes;
    x.nextDate = b.date;
    x.nextTime = b.time;
    try {
      convertNewAccount(x);
      ADD_FAILURE() << "accepted " << b.minutes << " " << b.date << " " << b.time;
    } catch (const sys::Error& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
}

class B1ClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.org("ORG1");
    store.folder("G1", "ORG1", "Sales");
    store.folder("G2", "ORG1", "Sales");
    store.folder("G3", "ORG1", "Admin");
    store.writeIni();
    frm = std::make_unique<TfrmMain>();
    frm->animationPause = nullptr;
    frm->nodeIdPause = nullptr;
    frm->FormCreate();
    frm->setStatusWindow(&status);
    ASSERT_TRUE(frm->started());
  }
  void TearDown() override { frm->close(); }

  // Fills the wizard like an operator would, then presses `result`.
  void script(std::function<void(TfrmNewNode&)> extra, int result = QDialog::Accepted) {
    dialogs.fill = [extra, result](QDialog& d) {
      auto& w = dynamic_cast<TfrmNewNode&>(d);
      w.show();
      w.edtNodeName->setText("Sales Desk");
      w.edtSMTP->setText("smtp.example.com");
      w.edtPOP->setText("pop.example.com");
      w.edtUsername->setText("desk");
      w.edtPassword->setText("pw 1");
      w.edtEmail->setText("desk@example.com");
      w.edtMins->setText("15");
      w.MedtNextDate->setText("03/05/26");
      w.MedtNextTime->setText("09:30AM");
      if (extra) extra(w);
      return result;
    };
  }
  std::vector<std::map<std::string, std::string>> rows(const char* table, std::vector<const char*> cols) {
    std::vector<std::map<std::string, std::string>> out;
    auto c = xbase::Cursor::open(store.db, table);
    for (c->first(); !c->eof(); c->next()) {
      std::map<std::string, std::string> r;
      for (const char* k : cols) r[k] = c->getString(k);
      out.push_back(r);
    }
    return out;
  }

  Application& application = app();
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6, 789)};
  FixtureStore store;
  ScriptedDialogs dialogs;
  sys::HookRecorder hooks;
  TfrmStatus status;
  std::unique_ptr<TfrmMain> frm;
};

TEST_F(B1ClickTest, FinishWritesTheAccountAndItsControlRestriction) {
  // The current folder (second "Sales") preselects every item of that name.
  frm->treeMain->setCurrentItem(frm->treeMain->topLevelItem(0)->child(1));
  QStringList selected;
  script([&](TfrmNewNode& w) {
    for (auto* i : w.lstGroups->selectedItems()) selected << i->text();
    EXPECT_EQ(w.lstGroups->count(), 3);
    w.cmbAction2->setCurrentText("NO");
  });
  frm->B1->trigger();
  EXPECT_EQ(selected, (QStringList{"Sales", "Sales"}));
  EXPECT_EQ(dialogs.modals, QStringList{"cfgman::TfrmNewNode"});
  EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join(";").toStdString();

  const auto nodes = rows("NODES.DBF", {"UNIQUE_ID", "LINK_ID", "NODE", "SMTPADDRES", "POPADDRESS", "LOGIN",
                                        "PASSWORD", "ADDRESS", "FREQVAL", "FREQTYPE", "NEXTDATE",
                                        "NEXTTIME", "LASTDATE", "LASTTIME", "NOTES", "KEY1"});
  ASSERT_EQ(nodes.size(), 1u);
  const auto& n = nodes[0];
  const std::string id = n.at("UNIQUE_ID");
  EXPECT_EQ(id.substr(0, 3), "789");
  EXPECT_NE(id.find("0613260304"), std::string::npos) << id;
  EXPECT_LE(id.size(), 19u);
  // Equal folder names: the seek finds the first of them in name order.
  EXPECT_EQ(n.at("LINK_ID"), "G1");
  EXPECT_EQ(n.at("NODE"), "Sales Desk");
  EXPECT_EQ(n.at("SMTPADDRES"), "smtp.example.com");
  EXPECT_EQ(n.at("POPADDRESS"), "pop.example.com");
  EXPECT_EQ(n.at("LOGIN"), "desk");
  EXPECT_EQ(n.at("PASSWORD"), "pw 1");
  EXPECT_EQ(n.at("ADDRESS"), "desk@example.com");
  EXPECT_EQ(std::stoi(n.at("FREQVAL")), 15);
  EXPECT_EQ(n.at("FREQTYPE"), "H");
  EXPECT_EQ(n.at("NEXTDATE"), n.at("LASTDATE"));
  EXPECT_EQ(n.at("NEXTTIME"), "09:30");
  EXPECT_EQ(n.at("LASTTIME"), "09:30");
  EXPECT_EQ(n.at("NOTES"), "");
  EXPECT_EQ(n.at("KEY1"), "");
  {
    auto c = xbase::Cursor::open(store.db, "NODES.DBF");
    c->first();
    const auto d = c->getDate("NEXTDATE");
    EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 20260305);
  }

  const auto rules = rows("rules.dbf", {"UNIQUE_ID", "LINK_ID", "RULE", "COND", "CONDVAL1", "CONDVAL2",
                                        "ACT1", "ACT2"});
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(rules[0].at("UNIQUE_ID"), "20260304130506" + id.substr(0, 6));
  EXPECT_EQ(rules[0].at("LINK_ID"), id);
  EXPECT_EQ(rules[0].at("RULE"), "Control Restriction");
  EXPECT_EQ(rules[0].at("COND"), "A");
  EXPECT_EQ(rules[0].at("CONDVAL1"), "");
  EXPECT_EQ(rules[0].at("ACT1"), "Y");
  EXPECT_EQ(rules[0].at("ACT2"), "N");

  // The tree shows the new account under the first "Sales" folder.
  EXPECT_EQ(frm->treeMain->topLevelItem(0)->child(0)->child(0)->text(0), "Sales Desk");
  ASSERT_FALSE(hooks.events.empty());
  EXPECT_NE(std::find(hooks.events.begin(), hooks.events.end(),
                      "sound " + store.root() + "/newitem.wav"),
            hooks.events.end());
}

TEST_F(B1ClickTest, NothingIsWrittenWhenTheRunDoesNotEndWell) {
  struct Case {
    const char* name;
    std::function<void(TfrmNewNode&)> extra;
    int result;
    QStringList asked;
    int errors;
  };
  const Case cases[] = {
      {"cancel", nullptr, QDialog::Rejected, {}, 0},
      {"no folder", [](TfrmNewNode& w) { w.lstGroups->clearSelection(); }, QDialog::Accepted,
       {"message|No group was selected, so the account was not created."}, 0},
      {"bad interval",
       [](TfrmNewNode& w) {
         w.lstGroups->item(2)->setSelected(true);
         w.edtMins->setText("ten");
       },
       QDialog::Accepted, {}, 1},
      {"bad date",
       [](TfrmNewNode& w) {
         w.lstGroups->item(2)->setSelected(true);
         w.MedtNextDate->setText("99/99/99");
       },
       QDialog::Accepted, {}, 1},
  };
  int errors = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.asked.clear();
    script(c.extra, c.result);
    frm->B1Click();
    errors += c.errors;
    EXPECT_EQ(dialogs.asked, c.asked);
    EXPECT_EQ(frm->feed().errorCount(), errors);
    EXPECT_TRUE(rows("NODES.DBF", {"UNIQUE_ID"}).empty());
    EXPECT_TRUE(rows("rules.dbf", {"UNIQUE_ID"}).empty());
  }
  EXPECT_TRUE(status.lblLastError->text().contains("is not a valid date")) << status.lblLastError->text().toStdString();
}

TEST_F(B1ClickTest, FolderNotFoundGoesToTheLastFolderInNameOrder) {
  script([](TfrmNewNode& w) {
    w.lstGroups->clearSelection();
    w.lstGroups->item(2)->setText("Nowhere");
    w.lstGroups->item(2)->setSelected(true);
  });
  frm->B1Click();
  EXPECT_EQ(dialogs.asked, QStringList{"message|Failed to position record, please re-index."});
  const auto nodes = rows("NODES.DBF", {"LINK_ID"});
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].at("LINK_ID"), "G2");
  EXPECT_EQ(rows("rules.dbf", {"RULE"}).size(), 1u);
}

}  // namespace
}  // namespace cfgman::testing
