// btnAgentsModifyClick and the agent properties dialog on a fixture store:
// the lists filled from the file (up to its counts), edits written back over
// the old file with its leftovers kept, other agent types, missing files and
// Cancel.
#include <QTest>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "../support/fixture_store.h"
#include "agentedit_support.h"
#include "cfgman/accounts/main_window.h"
#include "cfgman/status/status_window.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/system/format_datetime.h"
#include "store/agentfile.h"

namespace cfgman::testing {
namespace {

QStringList rowTexts(const QTreeWidget* list, int column) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
  return out;
}

// Written by an earlier, longer version: three trigger sets and two action
// sets, of which the counts name two and one.
constexpr const char* kOlderAgent =
    "[MAIN]\n"
    "AgentType=MESSAGE\n"
    "AppVersion=.9999\n"
    "CreatedDateTime=1/2/2020 3:04:05 AM\n"
    "ModifiedDateTime=1/2/2020 3:04:05 AM\n"
    "CreateUser=\n"
    "ModifiedUser=\n"
    "TriggerCount=2\n"
    "ActionCount=1\n"
    "[HEADER]\n"
    "Entry1=Subject\n"
    "Entry2=FROM\n"
    "Entry3=Cc\n"
    "[CONDITION]\n"
    "Entry1=contains\n"
    "Entry2=BEGINS WITH\n"
    "Entry3=contains\n"
    "[VALUE]\n"
    "Entry1=order\n"
    "Entry2=sales@\n"
    "Entry3=left over\n"
    "[ACTIONPARAM1]\n"
    "Entry1=FORWARD TO\n"
    "Entry2=CLOSE KARVIX\n"
    "[ACTIONPARAM2]\n"
    "Entry1=orders@example.com\n"
    "Entry2=\n"
    "[ACTIONPARAM3]\n"
    "Entry1=\n"
    "Entry2=\n";

class ModifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.writeIni();
    frm = std::make_unique<TfrmMain>();
    frm->animationPause = nullptr;
    frm->FormCreate();
    frm->setStatusWindow(&status);
    ASSERT_TRUE(frm->started());
    routes.install(dialogs);
  }
  void TearDown() override { frm->close(); }

  std::string agentPath(const std::string& name) const { return store.root() + "/agents/" + name + ".agent"; }
  // The Agents tab's list with one selected row.
  void selectAgent(const QString& name) {
    frm->lstVAgents->clear();
    auto* row = new QTreeWidgetItem(frm->lstVAgents, {name});
    row->setSelected(true);
  }

  Application& application = app();
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6)};
  FixtureStore store;
  ScriptedDialogs dialogs;
  DialogRoutes routes;
  TfrmStatus status;
  std::unique_ptr<TfrmMain> frm;
};

TEST_F(ModifyTest, EditsGoBackOverTheOldFileAndItsLeftoversStay) {
  kxtest::writeFileBytes(agentPath("Orders"), kOlderAgent);
  selectAgent("Orders");
  QString shownCondition;
  routes.triggers = {[&](TfrmTrigger& t) {
    t.show();
    shownCondition = t.cmbCondition->currentText();
    t.memoValue->setText("sales-team@");
    t.btnOK->click();
    return t.result();
  }};
  routes.actions = {actionOk("Auto-Reply", [](TfrmAction& a) { a.edtReplyPath->setText("/t/thanks.eml"); })};
  routes.properties = [&](TfrmAgentProperties& p) {
    EXPECT_EQ(p.windowTitle(), "Agent Properties");
    EXPECT_EQ(p.pageControl->currentIndex(), 0);
    EXPECT_EQ(p.pageControl->tabText(0), "Trigger");
    EXPECT_EQ(p.pageControl->tabText(1), "Action");
    // Only the entries up to the counts are shown; loaded actions show the
    // keyword.
    EXPECT_EQ(rowTexts(p.lstVTriggers, 0), (QStringList{"Subject", "FROM"}));
    EXPECT_EQ(rowTexts(p.lstVActions, 0), QStringList{"FORWARD TO"});
    EXPECT_EQ(rowTexts(p.lstVActions, 1), QStringList{"orders@example.com"});
    EXPECT_EQ(p.btnAdd->text(), "&And");  // loaded rows count as a change
    // Edit the second trigger, delete the first, add an action.
    p.lstVTriggers->topLevelItem(1)->setSelected(true);
    p.MenuItem2->trigger();
    p.lstVTriggers->clearSelection();
    p.lstVTriggers->topLevelItem(0)->setSelected(true);
    p.MenuItem4->trigger();
    p.btnActionAdd->click();
    EXPECT_EQ(rowTexts(p.lstVActions, 0), (QStringList{"FORWARD TO", "Auto-Reply"}));
    EXPECT_EQ(p.btnActionAdd->text(), "&And");
    p.btnOK->click();
    return p.result();
  };
  frm->btnAgentsModifyClick();
  EXPECT_EQ(shownCondition, "begins with");
  EXPECT_EQ(dialogs.modals,
            (QStringList{"cfgman::TfrmAgentProperties", "cfgman::TfrmTrigger", "cfgman::TfrmAction"}));

  const std::string stamp = sys::dateTimeText(sys::now());
  EXPECT_EQ(kxtest::readFileBytes(agentPath("Orders")),
            "[MAIN]\n"
            "AgentType=MESSAGE\n"
            "AppVersion=.9999\n"
            "CreatedDateTime=" + stamp + "\n"
            "ModifiedDateTime=" + stamp + "\n"
            "CreateUser=\n"
            "ModifiedUser=\n"
            "TriggerCount=1\n"
            "ActionCount=2\n"
            "[HEADER]\n"
            "Entry1=From\n"
            "Entry2=FROM\n"
            "Entry3=Cc\n"
            "[CONDITION]\n"
            "Entry1=begins with\n"
            "Entry2=BEGINS WITH\n"
            "Entry3=contains\n"
            "[VALUE]\n"
            "Entry1=sales-team@\n"
            "Entry2=sales@\n"
            "Entry3=left over\n"
            "[ACTIONPARAM1]\n"
            "Entry1=FORWARD TO\n"
            "Entry2=AUTO-REPLY\n"
            "[ACTIONPARAM2]\n"
            "Entry1=orders@example.com\n"
            "Entry2=/t/thanks.eml\n"
            "[ACTIONPARAM3]\n"
            "Entry1=\n"
            "Entry2=\n");
  const store::AgentFile a = store::readAgentFile(agentPath("Orders"));
  EXPECT_EQ(a.triggers, (std::vector<store::Trigger>{{"From", "begins with", "sales-team@"}}));
  EXPECT_EQ(a.actions, (std::vector<store::Action>{{"FORWARD TO", "orders@example.com", ""},
                                                   {"AUTO-REPLY", "/t/thanks.eml", ""}}));
}

TEST_F(ModifyTest, OtherTypesAndMissingFilesOpenEmptyAndOkWritesAMessageAgent) {
  struct Case {
    const char* name;
    const char* file;  // nullptr: no file
  };
  const Case cases[] = {
      {"interval agent", "[MAIN]\nAgentType=INTERVAL\nTriggerCount=1\n[HEADER]\nEntry1=To\n"},
      {"lower-case type", "[MAIN]\nAgentType=message\nTriggerCount=1\n[HEADER]\nEntry1=To\n"},
      {"missing file", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = agentPath(c.name);
    if (c.file) kxtest::writeFileBytes(path, c.file);
    selectAgent(c.name);
    routes.actions = {actionOk("Close Karvix")};
    routes.properties = [](TfrmAgentProperties& p) {
      EXPECT_EQ(p.lstVTriggers->topLevelItemCount(), 0);
      EXPECT_EQ(p.lstVActions->topLevelItemCount(), 0);
      p.btnActionAdd->click();
      p.btnOK->click();
      return p.result();
    };
    frm->btnAgentsModifyClick();
    const store::AgentFile a = store::readAgentFile(path);
    EXPECT_EQ(a.agentType, "MESSAGE");
    EXPECT_TRUE(a.triggers.empty());
    EXPECT_EQ(a.actions, (std::vector<store::Action>{{"CLOSE KARVIX", "", ""}}));
  }
}

TEST_F(ModifyTest, CancelWritesNothing) {
  kxtest::writeFileBytes(agentPath("Orders"), kOlderAgent);
  selectAgent("Orders");
  routes.properties = [](TfrmAgentProperties& p) {
    p.lstVTriggers->topLevelItem(0)->setSelected(true);
    p.MenuItem4->trigger();
    p.btnCancel->click();
    return p.result();
  };
  frm->btnAgentsModifyClick();
  EXPECT_EQ(kxtest::readFileBytes(agentPath("Orders")), kOlderAgent);
}

TEST_F(ModifyTest, DeletingEveryTriggerWritesACountOfZero) {
  kxtest::writeFileBytes(agentPath("Orders"), kOlderAgent);
  selectAgent("Orders");
  routes.properties = [](TfrmAgentProperties& p) {
    for (int i = 0; i < 2; ++i) {
      p.lstVTriggers->topLevelItem(0)->setSelected(true);
      p.MenuItem4->trigger();
    }
    EXPECT_EQ(p.btnAdd->text(), "&Add");
    p.btnOK->click();
    return p.result();
  };
  frm->btnAgentsModifyClick();
  const store::AgentFile a = store::readAgentFile(agentPath("Orders"));
  EXPECT_TRUE(a.triggers.empty());
  EXPECT_EQ(a.actions.size(), 1u);
  EXPECT_NE(kxtest::readFileBytes(agentPath("Orders")).find("Entry3=left over"), std::string::npos);
}

TEST_F(ModifyTest, NoSelectedAgentOpensNothing) {
  frm->lstVAgents->clear();
  frm->btnAgentsModifyClick();
  EXPECT_TRUE(dialogs.modals.isEmpty());
}

}  // namespace
}  // namespace cfgman::testing
