// The agent wizard: page completeness, "&Add"/"&And", editing and deleting
// entries with their hidden lists, the name rules; and A1Click writing the
// agent file on a fixture store, key by key in order, over an older file
// and into a folder that refuses it.
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
#include "platform/system/hook_recorder.h"
#include "store/agentfile.h"

namespace cfgman::testing {
namespace {

QAbstractButton* nextOrFinish(QWizard& w) {
  return w.button(w.currentId() == TfrmNewAgent::PageName ? QWizard::FinishButton : QWizard::NextButton);
}

QStringList rowTexts(const QTreeWidget* list, int column) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
  return out;
}

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    routes.install(dialogs);
    w.show();
  }
  void TearDown() override { w.reject(); }
  void addTrigger(const QString& field, const QString& cond, const QString& value) {
    routes.triggers.push_back(triggerOk(field, cond, value));
    w.btnAddTrigger->click();
  }

  // The application must exist before the wizard member is made.
  struct AppFirst {
    AppFirst() { app(); }
  } appFirst;
  ScriptedDialogs dialogs;
  DialogRoutes routes;
  TfrmNewAgent w;
};

TEST_F(WizardTest, EachPageNeedsItsEntryBeforeNext) {
  EXPECT_EQ(w.windowTitle(), "Agent Wizard");
  ASSERT_EQ(w.currentId(), TfrmNewAgent::PageIntro);
  EXPECT_TRUE(nextOrFinish(w)->isEnabled());
  w.next();
  ASSERT_EQ(w.currentId(), TfrmNewAgent::PageTrigger);
  EXPECT_FALSE(nextOrFinish(w)->isEnabled());
  // A cancelled add asks again and the page stays incomplete.
  w.btnAddTrigger->click();
  EXPECT_EQ(dialogs.modals, QStringList{"cfgman::TfrmTrigger"});
  EXPECT_FALSE(nextOrFinish(w)->isEnabled());
  addTrigger("From", "contains", "boss");
  EXPECT_TRUE(nextOrFinish(w)->isEnabled());
  w.next();
  ASSERT_EQ(w.currentId(), TfrmNewAgent::PageAction);
  EXPECT_FALSE(nextOrFinish(w)->isEnabled());
  routes.actions.push_back(actionOk("Close Karvix"));
  w.btnAddAction->click();
  EXPECT_TRUE(nextOrFinish(w)->isEnabled());
  w.next();
  ASSERT_EQ(w.currentId(), TfrmNewAgent::PageName);
  EXPECT_FALSE(nextOrFinish(w)->isEnabled());
  QTest::keyClicks(w.edtAgentName, "A");
  EXPECT_TRUE(nextOrFinish(w)->isEnabled());
  w.edtAgentName->clear();
  EXPECT_FALSE(nextOrFinish(w)->isEnabled());
}

TEST_F(WizardTest, DeletingTheLastTriggerStopsNextWhenPressed) {
  w.next();
  addTrigger("Subject", "contains", "a");
  EXPECT_TRUE(nextOrFinish(w)->isEnabled());
  w.lstVTriggers->topLevelItem(0)->setSelected(true);
  w.Remove1->trigger();
  EXPECT_EQ(w.lstVTriggers->topLevelItemCount(), 0);
  w.next();
  EXPECT_EQ(w.currentId(), TfrmNewAgent::PageTrigger);
}

TEST_F(WizardTest, AddCaptionsFollowTheLists) {
  EXPECT_EQ(w.btnAddTrigger->text(), "&Add");
  EXPECT_EQ(w.btnAddAction->text(), "&Add");
  addTrigger("Subject", "contains", "a");
  EXPECT_EQ(w.btnAddTrigger->text(), "&And");
  EXPECT_EQ(w.mnuAddTrigger->text(), "&And");
  routes.actions.push_back(actionOk("Forward To", [](TfrmAction& a) { a.edtForward->setText("f@example.com"); }));
  w.mnuAddAction->trigger();
  EXPECT_EQ(w.btnAddAction->text(), "&And");
  EXPECT_EQ(w.mnuAddAction->text(), "&And");
  w.lstVTriggers->topLevelItem(0)->setSelected(true);
  w.Remove1->trigger();
  EXPECT_EQ(w.btnAddTrigger->text(), "&Add");
  EXPECT_EQ(w.mnuAddTrigger->text(), "&Add");
}

TEST_F(WizardTest, ActionRowsShowTheCaptionAndListsHoldTheKeyword) {
  routes.actions.push_back(actionOk("Forward To", [](TfrmAction& a) { a.edtForward->setText("f@example.com"); }));
  routes.actions.push_back(actionOk("Delay the Agent"));
  routes.actions.push_back([](TfrmAction& a) { return a.Button3Click(), a.result(); });  // nothing selected
  w.btnAddAction->click();
  w.btnAddAction->click();
  w.btnAddAction->click();
  EXPECT_EQ(rowTexts(w.lstVActions, 0), (QStringList{"Forward To", "Delay the Agent"}));
  EXPECT_EQ(rowTexts(w.lstVActions, 1), (QStringList{"f@example.com", "1"}));
  const AgentEntries& e = w.entries();
  EXPECT_EQ(e.lstActionParam1, (QStringList{"FORWARD TO", "DELAY THE AGENT"}));
  EXPECT_EQ(e.lstActionParam2, (QStringList{"f@example.com", "1"}));
  EXPECT_EQ(e.lstActionParam3, (QStringList{"", ""}));
  // "Edit..." of an action does nothing.
  w.lstVActions->topLevelItem(0)->setSelected(true);
  w.MenuItem2->trigger();
  EXPECT_EQ(dialogs.modals.count("cfgman::TfrmAction"), 3);
}

TEST_F(WizardTest, EditingATrigger) {
  addTrigger("Subject", "contains", "one");
  addTrigger("From", "begins with", "two");
  addTrigger("To", "", "three");
  struct Case {
    const char* name;
    std::vector<int> selected;
    const char* message;  // nullptr: the dialog opens
  };
  const Case refusals[] = {{"none", {}, "message|Nothing selected for editing."},
                           {"two", {0, 2}, "message|Cannot edit more than one item at a time."}};
  for (const Case& c : refusals) {
    SCOPED_TRACE(c.name);
    w.lstVTriggers->clearSelection();
    for (int i : c.selected) w.lstVTriggers->topLevelItem(i)->setSelected(true);
    dialogs.asked.clear();
    dialogs.modals.clear();
    w.Edit1->trigger();
    EXPECT_EQ(dialogs.asked, QStringList{c.message});
    EXPECT_TRUE(dialogs.modals.isEmpty());
  }
  // The dialog shows the stored entry and its answer replaces it.
  w.lstVTriggers->clearSelection();
  w.lstVTriggers->topLevelItem(1)->setSelected(true);
  QString shownSentence;
  routes.triggers.push_back([&](TfrmTrigger& t) {
    t.show();
    shownSentence = t.lblSentence->text();
    t.cmbCondition->setCurrentText("doesn't contain");
    t.memoValue->setText("changed");
    t.btnOK->click();
    return t.result();
  });
  w.Edit1->trigger();
  EXPECT_EQ(shownSentence, "If the From begins with two");
  EXPECT_EQ(rowTexts(w.lstVTriggers, 1), (QStringList{"contains", "doesn't contain", ""}));
  EXPECT_EQ(rowTexts(w.lstVTriggers, 2), (QStringList{"one", "changed", "three"}));
  EXPECT_EQ(w.entries().lstCondition, (QStringList{"contains", "doesn't contain", ""}));
  EXPECT_EQ(w.entries().lstValue, (QStringList{"one", "changed", "three"}));
  // Cancel changes nothing.
  routes.triggers.push_back([](TfrmTrigger& t) {
    t.memoValue->setText("dropped");
    return int(QDialog::Rejected);
  });
  w.Edit1->trigger();
  EXPECT_EQ(w.entries().lstValue, (QStringList{"one", "changed", "three"}));
}

TEST_F(WizardTest, DeletingSelectedRowsKeepsTheHiddenListsInStep) {
  for (const char* v : {"a", "b", "c", "d", "e"}) addTrigger("Subject", "contains", v);
  w.lstVTriggers->topLevelItem(1)->setSelected(true);
  w.lstVTriggers->topLevelItem(3)->setSelected(true);
  w.lstVTriggers->topLevelItem(4)->setSelected(true);
  w.Remove1->trigger();
  EXPECT_EQ(rowTexts(w.lstVTriggers, 2), (QStringList{"a", "c"}));
  EXPECT_EQ(w.entries().lstValue, (QStringList{"a", "c"}));
  EXPECT_EQ(w.entries().lstHeader.size(), 2);
  EXPECT_EQ(w.entries().lstCondition.size(), 2);
  w.lstVTriggers->clearSelection();
  w.Remove1->trigger();  // nothing selected: nothing goes
  EXPECT_EQ(w.entries().lstValue, (QStringList{"a", "c"}));

  for (const char* caption : {"Close Karvix", "Restart the computer", "Play Sound"})
    routes.actions.push_back(actionOk(caption));
  for (int i = 0; i < 3; ++i) w.btnAddAction->click();
  w.lstVActions->topLevelItem(0)->setSelected(true);
  w.lstVActions->topLevelItem(2)->setSelected(true);
  w.MenuItem4->trigger();
  EXPECT_EQ(rowTexts(w.lstVActions, 0), QStringList{"Restart the computer"});
  EXPECT_EQ(w.entries().lstActionParam1, QStringList{"RESTART THE COMPUTER"});
}

TEST_F(WizardTest, FinishRefusesNamesWithQuestionMarkOrSlashes) {
  struct Case {
    const char* name;
    bool closes;
  };
  const Case cases[] = {{"a/b", false}, {"why?", false}, {"back\\slash", false}, {"Price requests", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmNewAgent wiz;
    wiz.show();
    wiz.setStartId(TfrmNewAgent::PageIntro);
    wiz.next();
    routes.triggers.push_back(triggerOk("Subject", "contains", "x"));
    wiz.btnAddTrigger->click();
    wiz.next();
    routes.actions.push_back(actionOk("Close Karvix"));
    wiz.btnAddAction->click();
    wiz.next();
    ASSERT_EQ(wiz.currentId(), TfrmNewAgent::PageName);
    wiz.edtAgentName->setText(c.name);
    QAbstractButton* finish = wiz.button(QWizard::FinishButton);
    EXPECT_TRUE(finish->isEnabled());
    finish->click();
    EXPECT_EQ(wiz.isVisible(), !c.closes);
    EXPECT_EQ(wiz.result() == QDialog::Accepted, c.closes);
    if (!c.closes) {
      EXPECT_EQ(wiz.currentId(), TfrmNewAgent::PageName);
      wiz.reject();
    }
  }
}

TEST_F(WizardTest, NameTakesAtMostTwoHundredCharacters) {
  w.edtAgentName->setText(QString(250, 'n'));
  EXPECT_EQ(w.agentName().size(), 200);
}

// A1Click on a fixture store: the wizard run through the seam, the file
// written in the agents folder.
class A1ClickTest : public ::testing::Test {
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

  // The wizard filled as an operator would: two triggers, two actions, the
  // name; then Finish.
  void scriptWizard(const QString& name) {
    routes.triggers = {triggerOk("From", "contains", "boss@example.com"),
                       triggerOk("<Body>", "", "  urgent  ")};
    routes.actions = {actionOk("Forward To", [](TfrmAction& a) { a.edtForward->setText("desk@example.com"); }),
                      actionOk("Remove from further agent processing")};
    routes.wizard = [name](TfrmNewAgent& w) {
      w.show();
      w.next();
      w.btnAddTrigger->click();
      w.btnAddTrigger->click();
      w.next();
      w.btnAddAction->click();
      w.btnAddAction->click();
      w.next();
      w.edtAgentName->setText(name);
      w.button(QWizard::FinishButton)->click();
      return w.result();
    };
  }
  std::string agentPath(const std::string& name) const { return store.root() + "/agents/" + name + ".agent"; }

  Application& application = app();
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6)};
  FixtureStore store;
  ScriptedDialogs dialogs;
  DialogRoutes routes;
  sys::HookRecorder hooks;
  TfrmStatus status;
  std::unique_ptr<TfrmMain> frm;
};

TEST_F(A1ClickTest, FinishWritesEveryKeyInOrder) {
  scriptWizard("Boss mail");
  frm->A1->trigger();
  EXPECT_EQ(frm->pageControlMain->currentWidget(), frm->TSagents);
  EXPECT_NE(std::find(hooks.events.begin(), hooks.events.end(), "sound " + store.root() + "/newitem.wav"),
            hooks.events.end());
  EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join(";").toStdString();

  const std::string stamp = sys::dateTimeText(sys::now());
  EXPECT_EQ(kxtest::readFileBytes(agentPath("Boss mail")),
            "[MAIN]\n"
            "AgentType=MESSAGE\n"
            "AppVersion=.9999\n"
            "CreatedDateTime=" + stamp + "\n"
            "ModifiedDateTime=" + stamp + "\n"
            "CreateUser=\n"
            "ModifiedUser=\n"
            "TriggerCount=2\n"
            "ActionCount=2\n"
            "[HEADER]\n"
            "Entry1=From\n"
            "Entry2=<Body>\n"
            "[CONDITION]\n"
            "Entry1=contains\n"
            "Entry2=\n"
            "[VALUE]\n"
            "Entry1=boss@example.com\n"
            "Entry2=  urgent  \n"
            "[ACTIONPARAM1]\n"
            "Entry1=FORWARD TO\n"
            "Entry2=REMOVE FROM FURTHER AGENT PROCESSING\n"
            "[ACTIONPARAM2]\n"
            "Entry1=desk@example.com\n"
            "Entry2=\n"
            "[ACTIONPARAM3]\n"
            "Entry1=\n"
            "Entry2=\n");

  const store::AgentFile a = store::readAgentFile(agentPath("Boss mail"));
  EXPECT_EQ(a.agentType, "MESSAGE");
  EXPECT_EQ(a.createdDateTime, stamp);
  EXPECT_EQ(a.triggers, (std::vector<store::Trigger>{{"From", "contains", "boss@example.com"},
                                                     {"<Body>", "", "urgent"}}));
  EXPECT_EQ(a.actions, (std::vector<store::Action>{{"FORWARD TO", "desk@example.com", ""},
                                                   {"REMOVE FROM FURTHER AGENT PROCESSING", "", ""}}));
}

TEST_F(A1ClickTest, ANewAgentOverAnOlderOneLeavesItsHigherEntries) {
  kxtest::writeFileBytes(agentPath("Boss mail"),
                         "[MAIN]\nAgentType=MESSAGE\nTriggerCount=3\nActionCount=1\nNote=kept\n"
                         "[HEADER]\nEntry1=To\nEntry2=To\nEntry3=Cc\n"
                         "[CONDITION]\nEntry1=contains\nEntry2=contains\nEntry3=contains\n"
                         "[VALUE]\nEntry1=old1\nEntry2=old2\nEntry3=old3\n"
                         "[ACTIONPARAM1]\nEntry1=CLOSE KARVIX\n");
  scriptWizard("Boss mail");
  frm->A1->trigger();
  const std::string text = kxtest::readFileBytes(agentPath("Boss mail"));
  EXPECT_NE(text.find("Note=kept\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Entry3=Cc\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Entry3=old3\n"), std::string::npos) << text;
  const store::AgentFile a = store::readAgentFile(agentPath("Boss mail"));
  EXPECT_EQ(a.triggers.size(), 2u);
  EXPECT_EQ(a.triggers[1].field, "<Body>");
  ASSERT_EQ(a.actions.size(), 2u);
  EXPECT_EQ(a.actions[0].keyword, "FORWARD TO");
}

TEST_F(A1ClickTest, CancelOrARefusedNameWritesNothing) {
  struct Case {
    const char* name;
    std::function<int(TfrmNewAgent&)> run;
  };
  const Case cases[] = {
      {"cancel", [](TfrmNewAgent& w) { return w.EPWizard1CancelClick(), w.result(); }},
      {"slash in the name",
       [](TfrmNewAgent& w) {
         w.show();
         w.edtAgentName->setText("a/b");
         w.EPWizard1FinishClick();
         EXPECT_TRUE(w.isVisible());
         w.EPWizard1CancelClick();
         return w.result();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    routes.wizard = c.run;
    frm->A1Click();
    EXPECT_TRUE(sys::listFiles(store.root() + "/agents/", "*").empty());
  }
}

TEST_F(A1ClickTest, ARefusedWriteNamesTheFile) {
  scriptWizard("Boss mail");
  frm->AgentsPath = store.root() + "/no such folder/";
  // Run as the program does, from its event loop: the error reaches the
  // error handler of the application.
  QMetaObject::invokeMethod(frm.get(), "A1Click", Qt::QueuedConnection);
  QCoreApplication::processEvents();
  EXPECT_EQ(status.lblLastError->text().toStdString(),
            "Unable to write to " + store.root() + "/no such folder/Boss mail.agent");
  EXPECT_EQ(frm->feed().errorCount(), 1);
}

}  // namespace
}  // namespace cfgman::testing
