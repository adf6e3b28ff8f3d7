// TfrmMain, "Karvix Configuration Manager": the banner, the Mail Accounts,
// Agents and Auto-Reply Templates tabs, the main menu, the account tree with
// its pop-up menu, the history panel of the selected attachment and the
// status bar. It owns the table cursors (ManagerTables), the folder values,
// the dial-up component and the log and error feed (SendtoLog,
// AppException), which it installs as the application's error handler.
// FormCreate runs the start-up steps; an error there is reported and the
// rest of them do not run. Closing writes the folder settings and closes the
// tables. Tree nodes carry their kind (NodeKind) and record number.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>
#include <optional>

#include "cfgman/accounts/account_tree.h"
#include "cfgman/accounts/manager_tables.h"
#include "cfgman/status/status_feed.h"
#include "platform/dialup/tag_ras.h"
#include "store/settings.h"

namespace cfgman {

class TfrmStatus;
class TfrmNewNode;

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int KindRole = Qt::UserRole;
  static constexpr int RecnoRole = Qt::UserRole + 1;
  // The caption as stored, kept to name the old caption after an edit.
  static constexpr int CaptionRole = Qt::UserRole + 2;

  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Start-up steps after the window exists: settings, folders, tables, tree.
  void FormCreate();
  void setStatusWindow(TfrmStatus* w) { feed_.setStatusWindow(w); }
  StatusFeed& feed() { return feed_; }
  ManagerTables& tables() { return tables_; }
  bool started() const { return tables_.isOpen(); }

  // Program-wide state.
  std::string MessagesPath, AgentsPath, TemplatesPath, DatabasePath;
  dialup::TagRas agRas1;

  // Pause between animation steps of the history panel (1 ms by default).
  std::function<void()> animationPause;
  // Pause before a new account identifier is made (40 ms by default), so
  // two identifiers made in a row differ.
  std::function<void()> nodeIdPause;
  // Runs when the window is first shown (closes the splash window).
  std::function<void()> onFirstShow;

  static std::optional<NodeKind> kindOf(const QTreeWidgetItem* item);

  // Controls.
  QLabel* lblBanner1;
  QLabel* lblBanner2;
  QTabWidget* pageControlMain;
  QWidget* TSaccounts;
  QWidget* TSagents;
  QWidget* TStemplates;
  QToolBar* toolbarAccounts;
  QAction* btnNew;
  QAction* btnModify;
  QAction* btnDelete;
  QTreeWidget* treeMain;
  QWidget* panelHistoryHolder;
  QTableWidget* GridAgentHistory;
  QTreeWidget* lstVAgents;
  QTreeWidget* lstVTemplates;
  QLabel* StatusPanel1;
  QLabel* StatusPanel2;

  // Main menu.
  QMenu* mnuFile;
  QMenu* mnuNew;
  QAction *B1, *Position1, *A1, *MailMessageTemplate1;
  QAction *Delete1, *Rename1, *AttachAgent1, *DetachAgent1;
  QMenu* mnuMaintain;
  QAction *ReIndex1, *Compress1, *L1, *Properties1, *Exit1;
  QMenu* mnuView;
  QAction *Preferences1, *Refresh1;
  QMenu* mnuHelp;
  QAction *Contents1, *WebHome1, *WebSupport1, *WebProducts1, *WebRegister1, *About1;

  // Tree pop-up menu.
  QMenu* PopupMenuTree;
  QMenu* popNew;
  QAction *popFolder, *popAccount, *popDelete, *popRename, *popSep1, *popAttach, *popDetach,
      *popSep2, *popProperties;

 public Q_SLOTS:
  void populateGroups();
  void SendtoLog(const QString& text, int level = 0);
  void AppException(const QString& message);
  void PlaySoundEffect(const QString& fileName);
  void ExpandPanel(QWidget* panel);
  void RetractPanel(QWidget* panel);
  void RefreshAgents();
  void RefreshTemplates();
  void treeMainChange(QTreeWidgetItem* node);
  void PopupMenuTreePopup();
  bool treeMainEditing(QTreeWidgetItem* node);
  void pageControlMainChange(int index);
  void FormResize();
  void L1Click();
  void mnuRenameClick();
  void Refresh1Click();
  void About1Click();
  void B1Click();
  void PopulateWizardGroups(TfrmNewNode& wizard);
  std::string NewNodeID();
  void Position1Click();
  void treeMainEdited(QTreeWidgetItem* node, const QString& text);
  void Delete1Click();
  // Agent wizard and agent properties (cfgman/agentedit).
  void A1Click();
  void btnAgentsModifyClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildMenus();
  void buildAccountsTab();
  void buildListTab(QWidget* sheet, QTreeWidget*& list, const QString& name);
  void connectSignals();
  void setSelectionCommands(std::optional<NodeKind> kind);
  void addNodes(QTreeWidgetItem* parent, const TreeItem& item, QTreeWidgetItem** lastFolder);
  void loadHistory();
  void pauseStep();
  static int panelHeight(const QWidget* panel);

  StatusFeed feed_;
  ManagerTables tables_;
  store::Settings settings_;
  bool shownOnce_ = false;
  bool closed_ = false;
};

}  // namespace cfgman
