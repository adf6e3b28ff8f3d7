// New folder, rename in the tree and delete, with every question and refusal,
// on a fixture store.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "../support/fixture_store.h"
#include "../support/scripted_dialogs.h"
#include "cfgman/accounts/main_window.h"
#include "cfgman/accounts/new_group_dialog.h"
#include "cfgman/status/status_window.h"
#include "platform/system/clock.h"
#include "platform/system/hook_recorder.h"

namespace cfgman::testing {
namespace {

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.org("ORG1");
    store.folder("G1", "ORG1", "Sales");
    store.folder("G2", "ORG1", "Admin");
    store.account("N1", "G1", "Box One");
    store.account("N2", "G1", "Box Two");
    store.account("N3", "G1", "Box Three");
    store.attach("AT1", "N1", "greeter");
    store.writeIni();
    frm = std::make_unique<TfrmMain>();
    frm->animationPause = nullptr;
    frm->FormCreate();
    frm->setStatusWindow(&status);
  }
  void TearDown() override { frm->close(); }
  QTreeWidgetItem* node(std::initializer_list<int> path) {
    QTreeWidgetItem* n = frm->treeMain->topLevelItem(0);
    for (int i : path) n = n->child(i);
    return n;
  }
  QStringList column(const char* table, const char* col) {
    QStringList out;
    auto c = xbase::Cursor::open(store.db, table);
    for (c->first(); !c->eof(); c->next()) out << QString::fromStdString(c->getString(col));
    return out;
  }

  Application& application = app();
  sys::ScopedClock clock{sys::DateTime::fromParts(2026, 3, 4, 13, 5, 6)};
  FixtureStore store;
  ScriptedDialogs dialogs;
  sys::HookRecorder hooks;
  TfrmStatus status;
  std::unique_ptr<TfrmMain> frm;
};

TEST_F(FoldersTest, NewFolderKeysAndRows) {
  struct Case {
    const char* typed;
    const char* key;
  };
  const Case cases[] = {{"Support", "20260304130506Su"}, {"X", "20260304130506X"}, {"", "20260304130506"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::string typed = c.typed;
    dialogs.fill = [typed](QDialog& d) {
      dynamic_cast<TfrmNewGroup&>(d).edtGroupName->setText(QString::fromStdString(typed));
      return QDialog::Accepted;
    };
    frm->Position1->trigger();
    auto g = xbase::Cursor::open(store.db, "GROUPS.DBF");
    g->go(g->count());
    EXPECT_EQ(g->getString("UNIQUE_ID"), c.key);
    EXPECT_EQ(g->getString("LINK_ID"), "ORG1");
    EXPECT_EQ(g->getString("GROUP"), typed);
    EXPECT_EQ(g->getString("NOTES"), typed);
    EXPECT_EQ(g->getDate("CREATEON").year, 2026);
    EXPECT_EQ(g->getString("KEY1"), "");
  }
  EXPECT_EQ(frm->treeMain->topLevelItem(0)->childCount(), 5);
  dialogs.fill = [](QDialog&) { return QDialog::Rejected; };
  frm->Position1Click();
  EXPECT_EQ(column("GROUPS.DBF", "GROUP").size(), 5);
}

TEST_F(FoldersTest, RenameStoresTheNewCaptionAndLogs) {
  frm->show();
  struct Case {
    std::vector<int> path;
    const char* text;
    const char* table;
    const char* col;
    const char* log;
  };
  const Case cases[] = {
      {{0, 1}, "Box 2", "NODES.DBF", "NODE", "Node renamed from Box Two to Box 2"},
      {{1}, "Office", "GROUPS.DBF", "GROUP", "Group renamed from Admin to Office"},
      {{0, 1}, "Box 2", "NODES.DBF", "NODE", "Node renamed from Box 2 to Box 2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    QTreeWidgetItem* n = frm->treeMain->topLevelItem(0);
    for (int i : c.path) n = n->child(i);
    frm->treeMain->setCurrentItem(n);
    frm->Rename1->trigger();
    auto* editor = frm->treeMain->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The end of an edit with Enter, as the tree reports it.
    n->setText(0, c.text);
    frm->treeMainEdited(n, c.text);
    EXPECT_TRUE(column(c.table, c.col).contains(c.text));
    EXPECT_EQ(frm->StatusPanel1->text().toStdString(), c.log);
    EXPECT_EQ(n->text(0), c.text);
  }
  // Escape changes nothing.
  frm->treeMain->setCurrentItem(node({0, 0}));
  frm->Rename1->trigger();
  auto* editor = frm->treeMain->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("Ignored");
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_FALSE(column("NODES.DBF", "NODE").contains("Ignored"));
}

TEST_F(FoldersTest, DeleteAsksAndRefusesAsItShould) {
  struct Case {
    const char* name;
    std::vector<int> path;  // empty with select=false: no selection
    bool select;
    std::deque<bool> answers;
    QStringList asked;
    QStringList groupsAfter;
    QStringList nodesAfter;
  };
  const QStringList allGroups{"Sales", "Admin"};
  const QStringList allNodes{"Box One", "Box Two", "Box Three"};
  const Case cases[] = {
      {"nothing selected", {}, false, {}, {"message|Nothing Selected to delete"}, allGroups, allNodes},
      {"root", {}, true, {}, {}, allGroups, allNodes},
      {"attachment", {0, 0, 0}, true, {}, {}, allGroups, allNodes},
      {"account no", {0, 1}, true, {false},
       {" Delete Confirmation|Are you sure you want to delete this account?"}, allGroups, allNodes},
      {"folder with accounts no", {0}, true, {false},
       {"Delete Confirmation|WARNING THIS GROUP HAS ACCOUNTS: Are you sure you want to delete this group and "
        "all accounts inside it?"},
       allGroups, allNodes},
      {"account yes", {0, 1}, true, {true},
       {" Delete Confirmation|Are you sure you want to delete this account?"}, allGroups,
       {"Box One", "Box Three"}},
      {"empty folder no", {1}, true, {false},
       {" Delete Confirmation|Are you sure you want to delete this group?"}, allGroups,
       {"Box One", "Box Three"}},
      {"folder with accounts yes", {0}, true, {true},
       {"Delete Confirmation|WARNING THIS GROUP HAS ACCOUNTS: Are you sure you want to delete this group and "
        "all accounts inside it?"},
       {"Admin"}, {}},
      {"only folder", {0}, true, {true},
       {"message|Unable to delete this folder, you must have at least one root folder."}, {"Admin"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.asked.clear();
    dialogs.answers = c.answers;
    frm->treeMain->setCurrentItem(nullptr);
    if (c.select) {
      QTreeWidgetItem* n = frm->treeMain->topLevelItem(0);
      for (int i : c.path) n = n->child(i);
      frm->treeMain->setCurrentItem(n);
    }
    frm->Delete1Click();
    EXPECT_EQ(dialogs.asked, c.asked);
    EXPECT_EQ(column("GROUPS.DBF", "GROUP"), c.groupsAfter);
    EXPECT_EQ(column("NODES.DBF", "NODE"), c.nodesAfter);
  }
  // Attachments and the tree: the deleted folder's accounts are gone from
  // the tree, their attachment rows stay.
  EXPECT_EQ(column("Agents.dbf", "AGENT"), QStringList{"greeter"});
  EXPECT_EQ(frm->treeMain->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(node({0})->text(0), "Admin");
}

}  // namespace
}  // namespace cfgman::testing
