// The main window on a fixture store: the tree and its order, command
// enabling, the pop-up menu, the history panel, renaming, tabs, sounds,
// start-up failure and closing, driven through the handlers on the
// offscreen platform.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "../support/fixture_store.h"
#include "../support/scripted_dialogs.h"
#include "cfgman/accounts/main_window.h"
#include "cfgman/status/status_window.h"
#include "platform/profile/profile.h"
#include "platform/system/hook_recorder.h"

namespace cfgman::testing {
namespace {

QString dump(const QTreeWidgetItem* n) {
  QString s = n->text(0) + "[" + QString::number(n->data(0, TfrmMain::KindRole).toInt()) + "]";
  if (n->childCount() == 0) return s;
  QStringList kids;
  for (int i = 0; i < n->childCount(); ++i) kids << dump(n->child(i));
  return s + "(" + kids.join(" ") + ")";
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.org("ORG1");
    store.org("ORG2");
    store.folder("G1", "ORG1", "Sales");
    store.folder("G9", "ORG2", "Elsewhere");
    store.folder("G2", "ORG1", "Sales");
    store.folder("G3", "ORG1", "Empty");
    store.account("N1", "G1", "Box One");
    store.account("N2", "G1", "Box Two");
    store.account("N3", "G2", "Box Three");
    store.attach("AT1", "N1", "greeter");
    store.attach("AT2", "N1", "filer");
    store.attach("AT3", "N3", "greeter");
    store.action("AC1", "AT1", "Auto-Reply Sent To: a@example.com", "09:15");
    store.action("AC2", "AT2", "Message Forwarded to: b@example.com", "09:16");
    store.action("AC3", "AT1", "Message Redirected to: c@example.com", "09:17");
    store.writeIni(extraIni());
  }
  virtual std::string extraIni() { return ""; }
  void start() {
    frm = std::make_unique<TfrmMain>();
    frm->animationPause = nullptr;
    frm->FormCreate();
    status = std::make_unique<TfrmStatus>();
    frm->setStatusWindow(status.get());
  }
  void TearDown() override {
    if (frm) frm->close();
    frm.reset();
  }
  QTreeWidgetItem* node(std::initializer_list<int> path) {
    QTreeWidgetItem* n = frm->treeMain->topLevelItem(0);
    for (int i : path) n = n->child(i);
    return n;
  }
  void select(QTreeWidgetItem* n) { frm->treeMain->setCurrentItem(n); }
  QStringList historyRows() {
    QStringList rows;
    for (int r = 0; r < frm->GridAgentHistory->rowCount(); ++r)
      rows << frm->GridAgentHistory->item(r, 0)->text() + "|" + frm->GridAgentHistory->item(r, 2)->text();
    return rows;
  }
  std::vector<std::string> sounds() {
    std::vector<std::string> s;
    for (const auto& e : hooks.events)
      if (e.rfind("sound ", 0) == 0) s.push_back(e.substr(e.rfind('/') + 1));
    return s;
  }

  Application& application = app();
  FixtureStore store;
  ScriptedDialogs dialogs;
  sys::HookRecorder hooks;
  std::unique_ptr<TfrmMain> frm;
  std::unique_ptr<TfrmStatus> status;
};

TEST_F(MainWindowTest, TreeShowsTheOrganisationsFoldersAccountsAndAttachmentsInOrder) {
  start();
  ASSERT_TRUE(frm->started());
  ASSERT_EQ(frm->treeMain->topLevelItemCount(), 1);
  EXPECT_EQ(dump(frm->treeMain->topLevelItem(0)),
            "E-Mail Accounts[5](Sales[7](Box One[6](greeter[2] filer[2]) Box Two[6]) "
            "Sales[7](Box Three[6](greeter[2])) Empty[7])");
  // Record numbers name the rows.
  EXPECT_EQ(node({1})->data(0, TfrmMain::RecnoRole).toUInt(), 3u);
  EXPECT_EQ(node({0, 1})->data(0, TfrmMain::RecnoRole).toUInt(), 2u);
  EXPECT_EQ(node({0, 0, 1})->data(0, TfrmMain::RecnoRole).toUInt(), 2u);
  // Accounts stay collapsed; the last folder and the root are expanded.
  EXPECT_FALSE(node({0, 0})->isExpanded());
  EXPECT_TRUE(node({2})->isExpanded());
  EXPECT_TRUE(frm->treeMain->topLevelItem(0)->isExpanded());
  EXPECT_EQ(frm->StatusPanel1->text(), "Karvix Configuration Manager");
  EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MainWindowTest, RebuildSeesRowsAddedMeanwhile) {
  start();
  store.account("N4", "G3", "Late Box");
  frm->Refresh1->trigger();
  EXPECT_EQ(dump(node({2})), "Empty[7](Late Box[6])");
}

TEST_F(MainWindowTest, SelectionEnablesCommandsByKind) {
  start();
  struct Case {
    const char* name;
    std::vector<int> path;
    // detach, rename, modify, delete button, delete, properties, attach
    std::array<bool, 7> enabled;
  };
  const Case cases[] = {
      {"root", {}, {false, false, false, false, false, false, false}},
      {"folder", {0}, {false, true, false, false, true, false, false}},
      {"account", {0, 1}, {false, true, true, true, true, true, true}},
      {"attachment", {0, 0, 0}, {true, false, false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTreeWidgetItem* n = frm->treeMain->topLevelItem(0);
    for (int i : c.path) n = n->child(i);
    select(n);
    const std::array<bool, 7> got = {frm->DetachAgent1->isEnabled(), frm->Rename1->isEnabled(),
                                     frm->btnModify->isEnabled(),    frm->btnDelete->isEnabled(),
                                     frm->Delete1->isEnabled(),      frm->Properties1->isEnabled(),
                                     frm->AttachAgent1->isEnabled()};
    EXPECT_EQ(got, c.enabled);
  }
  // The current-row cursors follow the selection.
  select(node({1, 0}));
  EXPECT_EQ(frm->tables().TableNodes2->getString("UNIQUE_ID"), "N3");
  select(node({1}));
  EXPECT_EQ(frm->tables().TableGroups2->getString("UNIQUE_ID"), "G2");
}

TEST_F(MainWindowTest, PopupShowsItemsByKind) {
  start();
  struct Case {
    const char* name;
    QTreeWidgetItem* n;
    // new, delete, separators, attach, detach, properties
    std::array<bool, 6> visible;
  };
  const Case cases[] = {
      {"none", nullptr, {false, false, false, false, false, false}},
      {"root", node({}), {true, true, false, false, false, false}},
      {"folder", node({0}), {true, true, false, false, false, false}},
      {"account", node({0, 0}), {true, true, true, true, false, true}},
      {"attachment", node({0, 0, 1}), {false, false, false, false, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    frm->treeMain->setCurrentItem(c.n);
    frm->PopupMenuTreePopup();
    const std::array<bool, 6> got = {frm->popNew->menuAction()->isVisible(), frm->popDelete->isVisible(),
                                     frm->popSep1->isVisible() && frm->popSep2->isVisible(),
                                     frm->popAttach->isVisible(), frm->popDetach->isVisible(),
                                     frm->popProperties->isVisible()};
    EXPECT_EQ(got, c.visible);
    EXPECT_TRUE(frm->popRename->isVisible());
  }
}

TEST_F(MainWindowTest, HistoryPanelListsOnlyTheSelectedAttachmentsActions) {
  start();
  hooks.events.clear();
  select(node({0, 0, 0}));
  EXPECT_TRUE(frm->panelHistoryHolder->isVisibleTo(frm.get()));
  EXPECT_EQ(frm->panelHistoryHolder->maximumHeight(), 175);
  EXPECT_EQ(historyRows(), (QStringList{"Auto-Reply Sent To: a@example.com|09:15",
                                        "Message Redirected to: c@example.com|09:17"}));
  EXPECT_EQ(sounds(), std::vector<std::string>{"slide.wav"});
  // A second attachment while open: no new animation, its own rows.
  select(node({0, 0, 1}));
  EXPECT_EQ(historyRows(), QStringList{"Message Forwarded to: b@example.com|09:16"});
  EXPECT_EQ(sounds(), std::vector<std::string>{"slide.wav"});
  // An attachment without actions lists nothing.
  select(node({1, 0, 0}));
  EXPECT_TRUE(historyRows().isEmpty());
  // Any other node closes the panel.
  select(node({0, 1}));
  EXPECT_FALSE(frm->panelHistoryHolder->isVisibleTo(frm.get()));
  EXPECT_EQ(frm->panelHistoryHolder->maximumHeight(), 0);
}

TEST_F(MainWindowTest, RenameEditsOnlyFolderAndAccountCaptions) {
  start();
  frm->show();
  struct Case {
    const char* name;
    QTreeWidgetItem* n;
    bool edits;
  };
  const Case cases[] = {{"root", node({}), false},
                        {"attachment", node({0, 0, 0}), false},
                        {"folder", node({0}), true},
                        {"account", node({0, 0}), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    select(c.n);
    frm->mnuRenameClick();
    EXPECT_EQ(frm->treeMainEditing(c.n), c.edits);
    QLineEdit* editor = frm->treeMain->viewport()->findChild<QLineEdit*>();
    EXPECT_EQ(editor != nullptr && editor->isVisible(), c.edits);
    if (editor) QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(MainWindowTest, TabChangeDisablesCommandsUntilANodeIsSelected) {
  start();
  select(node({0, 0}));
  ASSERT_TRUE(frm->Delete1->isEnabled());
  frm->pageControlMain->setCurrentWidget(frm->TSagents);
  frm->pageControlMain->setCurrentWidget(frm->TSaccounts);
  EXPECT_FALSE(frm->Delete1->isEnabled());
  EXPECT_FALSE(frm->Properties1->isEnabled());
  EXPECT_FALSE(frm->Rename1->isEnabled());
  select(node({0, 1}));
  EXPECT_TRUE(frm->Delete1->isEnabled());
}

TEST_F(MainWindowTest, MenusCarryTheirShortcutsAndHelpOpensPages) {
  start();
  const std::pair<QAction*, QKeySequence> shortcuts[] = {
      {frm->Delete1, QKeySequence(Qt::Key_Delete)},
      {frm->Rename1, QKeySequence(Qt::Key_F2)},
      {frm->AttachAgent1, QKeySequence(Qt::CTRL | Qt::Key_Insert)},
      {frm->DetachAgent1, QKeySequence(Qt::CTRL | Qt::Key_Delete)},
      {frm->Refresh1, QKeySequence(Qt::Key_F5)}};
  for (const auto& [a, k] : shortcuts) EXPECT_EQ(a->shortcut(), k) << a->text().toStdString();
  hooks.events.clear();
  for (QAction* a : {frm->WebHome1, frm->WebSupport1, frm->WebProducts1, frm->WebRegister1}) a->trigger();
  ASSERT_EQ(hooks.events.size(), 4u);
  for (const auto& e : hooks.events) EXPECT_EQ(e.rfind("url https://www.example.com/", 0), 0u) << e;
  hooks.events.clear();
  frm->About1->trigger();
  EXPECT_EQ(sounds(), std::vector<std::string>{"about.wav"});
  EXPECT_EQ(dialogs.modals, QStringList{"cfgman::TSplashForm"});
  frm->L1->trigger();
  EXPECT_TRUE(status->isVisible());
  status->hide();
}

TEST_F(MainWindowTest, RebuildPlaysTheExpandSound) {
  start();
  hooks.events.clear();
  frm->populateGroups();
  EXPECT_FALSE(sounds().empty());
  for (const auto& s : sounds()) EXPECT_EQ(s, "expandtree.wav");
}

TEST_F(MainWindowTest, LogLinesGoToTheStatusBarAndTheStatusWindow) {
  start();
  frm->SendtoLog("Renamed Folder", 0);
  EXPECT_EQ(frm->StatusPanel1->text(), "Renamed Folder");
  ASSERT_EQ(status->logLines().size(), 1);
  EXPECT_TRUE(status->logLines()[0].endsWith(" -- Renamed Folder"));
}

TEST_F(MainWindowTest, ClosingWritesTheFolderSettingsButNotTemplates) {
  start();
  frm->MessagesPath = store.root() + "/moved/";
  frm->TemplatesPath = store.root() + "/tpl2/";
  frm->close();
  frm.reset();
  const std::string ini = kxtest::readFileBytes(store.ini());
  EXPECT_NE(ini.find("Messages=" + store.root() + "/moved/"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("tpl2"), std::string::npos) << ini;
  EXPECT_NE(ini.find("DataBase=" + store.db), std::string::npos) << ini;
  // The tables are closed: exclusive access works again.
  EXPECT_NO_THROW(xbase::Cursor::open(store.db, "NODES.DBF", xbase::OpenMode::Exclusive));
}

class SilentWindowTest : public MainWindowTest {
  std::string extraIni() override { return "[Misc]\nSoundsDisabled=1\n"; }
};

TEST_F(SilentWindowTest, NoSoundPlaysAnywhere) {
  start();
  select(node({0, 0, 0}));
  node({0, 0})->setExpanded(true);
  frm->About1->trigger();
  EXPECT_TRUE(sounds().empty());
  EXPECT_EQ(frm->panelHistoryHolder->maximumHeight(), 175);
}

class BrokenStartTest : public MainWindowTest {
  std::string extraIni() override { return ""; }
};

TEST_F(BrokenStartTest, EmptyMessagesFolderStopsStartUpWithAMessage) {
  kxtest::writeFileBytes(store.ini(), "[Folders]\nMessages=\nDataBase=" + store.db + "\n");
  frm = std::make_unique<TfrmMain>();
  frm->FormCreate();
  EXPECT_FALSE(frm->started());
  EXPECT_EQ(dialogs.asked, QStringList{"message|Unable to create directory"});
  EXPECT_EQ(frm->feed().errorCount(), 1);
  EXPECT_EQ(frm->treeMain->topLevelItemCount(), 0);
}

TEST_F(BrokenStartTest, MissingTableStopsStartUpWithTheEnginesMessage) {
  std::remove((store.db + "rules.dbf").c_str());
  frm = std::make_unique<TfrmMain>();
  frm->FormCreate();
  EXPECT_FALSE(frm->started());
  ASSERT_EQ(dialogs.asked.size(), 1);
  EXPECT_TRUE(dialogs.asked[0].startsWith("message|")) << dialogs.asked[0].toStdString();
  EXPECT_EQ(frm->treeMain->topLevelItemCount(), 0);
}

}  // namespace
}  // namespace cfgman::testing
