#include "cfgman/accounts/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>

#include "cfgman/accounts/command_rules.h"
#include "cfgman/accounts/manager_startup.h"
#include "cfgman/accounts/splash_form.h"
#include "cfgman/status/application.h"
#include "cfgman/status/operator_dialogs.h"
#include "cfgman/status/status_window.h"
#include "platform/system/datetime.h"
#include "platform/system/error.h"
#include "platform/system/folders.h"
#include "platform/system/format_datetime.h"
#include "platform/system/hooks.h"

namespace cfgman {
namespace {

constexpr int kPanelOpenHeight = 175;

QString q(const std::string& s) { return QString::fromStdString(s); }

QAction* item(QMenu* menu, const QString& caption, const QString& name,
              const QKeySequence& shortcut = {}) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  return a;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowTitle("Karvix Configuration Manager");
  animationPause = [] { QThread::msleep(1); };
  nodeIdPause = [] { QThread::msleep(40); };

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* banner = new QWidget(central);
  banner->setAutoFillBackground(true);
  QPalette pal = banner->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  banner->setPalette(pal);
  auto* bannerLayout = new QVBoxLayout(banner);
  lblBanner1 = new QLabel("Karvix", banner);
  QFont bold = lblBanner1->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 4);
  lblBanner1->setFont(bold);
  lblBanner2 = new QLabel("Inbox Polling / Mail Handling System", banner);
  for (QLabel* l : {lblBanner1, lblBanner2}) {
    l->setAlignment(Qt::AlignCenter);
    bannerLayout->addWidget(l);
  }
  layout->addWidget(banner);

  pageControlMain = new QTabWidget(central);
  pageControlMain->setObjectName("pageControlMain");
  TSaccounts = new QWidget;
  TSagents = new QWidget;
  TStemplates = new QWidget;
  pageControlMain->addTab(TSaccounts, "Mail Accounts");
  pageControlMain->addTab(TSagents, "Agents");
  pageControlMain->addTab(TStemplates, "Auto-Reply Templates");
  layout->addWidget(pageControlMain, 1);
  setCentralWidget(central);

  buildAccountsTab();
  buildListTab(TSagents, lstVAgents, "lstVAgents");
  buildListTab(TStemplates, lstVTemplates, "lstVTemplates");
  buildMenus();

  StatusPanel1 = new QLabel("Karvix Configuration Manager");
  StatusPanel1->setFixedWidth(300);
  StatusPanel2 = new QLabel;
  StatusPanel2->setFixedWidth(50);
  statusBar()->addWidget(StatusPanel1);
  statusBar()->addWidget(StatusPanel2);
  feed_.onStatusText = [this](const QString& t) { StatusPanel1->setText(t); };

  connectSignals();
  setSelectionCommands(std::nullopt);

  if (auto* app = dynamic_cast<Application*>(QCoreApplication::instance()))
    app->onException = [this](const QString& m) { AppException(m); };
}

TfrmMain::~TfrmMain() {
  if (auto* app = dynamic_cast<Application*>(QCoreApplication::instance())) app->onException = nullptr;
}

void TfrmMain::buildAccountsTab() {
  auto* layout = new QVBoxLayout(TSaccounts);
  toolbarAccounts = new QToolBar(TSaccounts);
  btnNew = toolbarAccounts->addAction("New");
  btnModify = toolbarAccounts->addAction("Modify");
  btnDelete = toolbarAccounts->addAction("Delete");
  layout->addWidget(toolbarAccounts);

  treeMain = new QTreeWidget(TSaccounts);
  treeMain->setObjectName("treeMain");
  treeMain->setHeaderHidden(true);
  treeMain->setToolTip("Click the right mouse button to access options");
  treeMain->setContextMenuPolicy(Qt::CustomContextMenu);
  treeMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(treeMain, 1);

  panelHistoryHolder = new QWidget(TSaccounts);
  panelHistoryHolder->setObjectName("panelHistoryHolder");
  auto* hl = new QVBoxLayout(panelHistoryHolder);
  hl->setContentsMargins(0, 0, 0, 0);
  hl->addWidget(new QLabel("The following events have occured for this agent", panelHistoryHolder));
  GridAgentHistory = new QTableWidget(0, 3, panelHistoryHolder);
  GridAgentHistory->setObjectName("GridAgentHistory");
  GridAgentHistory->setHorizontalHeaderLabels({"Action Description", "Date", "Time"});
  GridAgentHistory->setColumnWidth(0, 350);
  GridAgentHistory->setColumnWidth(1, 100);
  GridAgentHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
  GridAgentHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
  GridAgentHistory->verticalHeader()->hide();
  hl->addWidget(GridAgentHistory);
  panelHistoryHolder->setFixedHeight(0);
  panelHistoryHolder->hide();
  layout->addWidget(panelHistoryHolder);
}

void TfrmMain::buildListTab(QWidget* sheet, QTreeWidget*& list, const QString& name) {
  auto* layout = new QVBoxLayout(sheet);
  auto* bar = new QToolBar(sheet);
  bar->addAction("New");
  bar->addAction("Modify");
  bar->addAction("Delete");
  layout->addWidget(bar);
  list = new QTreeWidget(sheet);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  layout->addWidget(list, 1);
}

void TfrmMain::buildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mnuNew = mnuFile->addMenu("&New...");
  B1 = item(mnuNew, "Mail A&ccount", "B1");
  Position1 = item(mnuNew, "Account &Group...", "Position1");
  A1 = item(mnuNew, "&Agent...", "A1");
  MailMessageTemplate1 = item(mnuNew, "Auto-Reply &Template...", "MailMessageTemplate1");
  mnuFile->addSeparator();
  Delete1 = item(mnuFile, "&Delete...", "Delete1", QKeySequence(Qt::Key_Delete));
  Rename1 = item(mnuFile, "Rena&me", "Rename1", QKeySequence(Qt::Key_F2));
  mnuFile->addSeparator();
  AttachAgent1 = item(mnuFile, "Attach Agent...", "AttachAgent1", QKeySequence(Qt::CTRL | Qt::Key_Insert));
  DetachAgent1 = item(mnuFile, "Detach Agent...", "DetachAgent1", QKeySequence(Qt::CTRL | Qt::Key_Delete));
  mnuFile->addSeparator();
  mnuMaintain = mnuFile->addMenu("&Maintain...");
  ReIndex1 = item(mnuMaintain, "&Re-Index Databases", "ReIndex1");
  Compress1 = item(mnuMaintain, "&Compress Databases...", "Compress1");
  L1 = item(mnuFile, "&Status...", "L1");
  mnuFile->addSeparator();
  Properties1 = item(mnuFile, "&Properties...", "Properties1");
  mnuFile->addSeparator();
  Exit1 = item(mnuFile, "E&xit", "Exit1");

  mnuView = menuBar()->addMenu("&View");
  Preferences1 = item(mnuView, "P&references...", "Preferences1");
  Refresh1 = item(mnuView, "&Refresh", "Refresh1", QKeySequence(Qt::Key_F5));

  mnuHelp = menuBar()->addMenu("&Help");
  Contents1 = item(mnuHelp, "&Contents...", "Contents1");
  mnuHelp->addSeparator();
  WebHome1 = item(mnuHelp, "Karvix on the &Web", "WebHome1");
  WebSupport1 = item(mnuHelp, "Technical &Support", "WebSupport1");
  WebProducts1 = item(mnuHelp, "&Products", "WebProducts1");
  WebRegister1 = item(mnuHelp, "&Register", "WebRegister1");
  mnuHelp->addSeparator();
  About1 = item(mnuHelp, "&About...", "About1");

  PopupMenuTree = new QMenu(this);
  PopupMenuTree->setObjectName("PopupMenuTree");
  popNew = PopupMenuTree->addMenu("&New");
  popFolder = item(popNew, "&Folder", "popFolder");
  popAccount = item(popNew, "&Account...", "popAccount");
  popDelete = item(PopupMenuTree, "&Delete...", "popDelete");
  popRename = item(PopupMenuTree, "Rena&me", "popRename");
  popSep1 = PopupMenuTree->addSeparator();
  popAttach = item(PopupMenuTree, "&Attach Agent...", "popAttach");
  popDetach = item(PopupMenuTree, "&Detach Agent...", "popDetach");
  popSep2 = PopupMenuTree->addSeparator();
  popProperties = item(PopupMenuTree, "&Properties...", "popProperties");
}

void TfrmMain::connectSignals() {
  connect(treeMain, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* cur, QTreeWidgetItem*) { treeMainChange(cur); });
  connect(treeMain, &QTreeWidget::itemExpanded, this, [this] { PlaySoundEffect("expandtree.wav"); });
  connect(treeMain, &QTreeWidget::itemCollapsed, this, [this] { PlaySoundEffect("expandtree.wav"); });
  connect(treeMain, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    PopupMenuTreePopup();
    PopupMenuTree->popup(treeMain->viewport()->mapToGlobal(p));
  });
  connect(pageControlMain, &QTabWidget::currentChanged, this, &TfrmMain::pageControlMainChange);
  connect(L1, &QAction::triggered, this, &TfrmMain::L1Click);
  connect(Rename1, &QAction::triggered, this, &TfrmMain::mnuRenameClick);
  connect(popRename, &QAction::triggered, this, &TfrmMain::mnuRenameClick);
  connect(Refresh1, &QAction::triggered, this, &TfrmMain::Refresh1Click);
  connect(About1, &QAction::triggered, this, &TfrmMain::About1Click);
  connect(B1, &QAction::triggered, this, &TfrmMain::B1Click);
  connect(popAccount, &QAction::triggered, this, &TfrmMain::B1Click);
  connect(btnNew, &QAction::triggered, this, &TfrmMain::B1Click);
  connect(Position1, &QAction::triggered, this, &TfrmMain::Position1Click);
  connect(popFolder, &QAction::triggered, this, &TfrmMain::Position1Click);
  connect(btnDelete, &QAction::triggered, this, &TfrmMain::Delete1Click);
  connect(popDelete, &QAction::triggered, this, &TfrmMain::Delete1Click);
  connect(Delete1, &QAction::triggered, this, [this] {
    if (pageControlMain->currentWidget() == TSaccounts) Delete1Click();
  });
  // An edit that ended with Enter changes the item's text (even to the same
  // text, which is stored and logged again); Escape changes nothing.
  connect(treeMain->itemDelegate(), &QAbstractItemDelegate::commitData, this, [this](QWidget*) {
    QTreeWidgetItem* node = treeMain->currentItem();
    if (node) treeMainEdited(node, node->text(0));
  });
  // Agent wizard (cfgman/agentedit).
  connect(A1, &QAction::triggered, this, &TfrmMain::A1Click);
  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  const std::pair<QAction*, const char*> pages[] = {
      {WebHome1, "https://www.example.com/karvix/"},
      {WebSupport1, "https://www.example.com/karvix/support/"},
      {WebProducts1, "https://www.example.com/karvix/products/"},
      {WebRegister1, "https://www.example.com/karvix/register/"}};
  for (const auto& [action, url] : pages) {
    std::string address = url;
    connect(action, &QAction::triggered, this, [address] { sys::openUrl(address); });
  }
}

void TfrmMain::FormCreate() {
  try {
    startManager(tables_, agRas1, settings_, [](const std::string& m) { dialogs().showMessage(q(m)); });
    MessagesPath = settings_.messagesFolder;
    AgentsPath = settings_.agentsFolder;
    TemplatesPath = settings_.templatesFolder;
    DatabasePath = settings_.databaseFolder;
    populateGroups();
    QCoreApplication::processEvents();
  } catch (const std::exception& e) {
    tables_.close();
    MessagesPath = settings_.messagesFolder;
    AgentsPath = settings_.agentsFolder;
    TemplatesPath = settings_.templatesFolder;
    DatabasePath = settings_.databaseFolder;
    AppException(QString::fromUtf8(e.what()));
  }
}

void TfrmMain::SendtoLog(const QString& text, int level) { feed_.SendtoLog(text, level); }

void TfrmMain::AppException(const QString& message) { feed_.AppException(message); }

void TfrmMain::PlaySoundEffect(const QString& fileName) {
  if (store::readSettings(store::Program::Manager).soundsDisabled) return;
  sys::playSound(sys::programFolder() + fileName.toStdString());
}

void TfrmMain::addNodes(QTreeWidgetItem* parent, const TreeItem& t, QTreeWidgetItem** lastFolder) {
  auto* node = new QTreeWidgetItem(parent);
  node->setText(0, q(t.caption));
  node->setData(0, KindRole, static_cast<int>(t.kind));
  node->setData(0, RecnoRole, static_cast<qulonglong>(t.recno));
  node->setData(0, CaptionRole, q(t.caption));
  if (captionEditable(t.kind)) node->setFlags(node->flags() | Qt::ItemIsEditable);
  if (t.kind == NodeKind::Folder) {
    node->setExpanded(true);
    *lastFolder = node;
  }
  for (const TreeItem& c : t.children) addNodes(node, c, lastFolder);
}

void TfrmMain::populateGroups() {
  if (!tables_.isOpen()) return;
  const TreeItem tree = buildAccountTree(tables_);
  treeMain->setUpdatesEnabled(false);
  treeMain->clear();
  auto* root = new QTreeWidgetItem(treeMain);
  root->setText(0, kRootCaption);
  root->setData(0, KindRole, static_cast<int>(NodeKind::Root));
  root->setData(0, RecnoRole, 0);
  root->setExpanded(true);
  QTreeWidgetItem* lastFolder = nullptr;
  for (const TreeItem& folder : tree.children) addNodes(root, folder, &lastFolder);
  treeMain->setUpdatesEnabled(true);
  if (lastFolder) lastFolder->setExpanded(true);
  root->setExpanded(true);
  statusBar()->setVisible(true);
  treeMain->viewport()->update();
}

std::optional<NodeKind> TfrmMain::kindOf(const QTreeWidgetItem* node) {
  if (!node) return std::nullopt;
  return static_cast<NodeKind>(node->data(0, KindRole).toInt());
}

void TfrmMain::setSelectionCommands(std::optional<NodeKind> kind) {
  const CommandState s = commandsFor(kind);
  DetachAgent1->setEnabled(s.detach);
  popDetach->setEnabled(s.detach);
  Rename1->setEnabled(s.rename);
  btnModify->setEnabled(s.modifyButton);
  btnDelete->setEnabled(s.deleteButton);
  Delete1->setEnabled(s.deleteItem);
  Properties1->setEnabled(s.properties);
  AttachAgent1->setEnabled(s.attach);
  popAttach->setEnabled(s.attach);
}

void TfrmMain::treeMainChange(QTreeWidgetItem* node) {
  const std::optional<NodeKind> kind = kindOf(node);
  setSelectionCommands(std::nullopt);
  if (!kind) return;
  if (*kind != NodeKind::Agent) RetractPanel(panelHistoryHolder);
  setSelectionCommands(kind);
  const auto recno = static_cast<uint32_t>(node->data(0, RecnoRole).toULongLong());
  switch (*kind) {
    case NodeKind::Agent:
      tables_.TableAgents2->go(recno);
      loadHistory();
      QCoreApplication::processEvents();
      ExpandPanel(panelHistoryHolder);
      break;
    case NodeKind::Root: TSaccounts->setVisible(true); break;
    case NodeKind::Account: tables_.TableNodes2->go(recno); break;
    case NodeKind::Folder: tables_.TableGroups2->go(recno); break;
  }
}

void TfrmMain::loadHistory() {
  GridAgentHistory->setRowCount(0);
  xbase::Cursor& a = *tables_.TableAgentActions;
  for (a.first(); !a.eof(); a.next()) {
    const int row = GridAgentHistory->rowCount();
    GridAgentHistory->insertRow(row);
    const xbase::Cursor::Date d = a.getDate("CREATEON");
    const QString date = d.empty() ? QString() : q(sys::dateToStr(sys::DateTime::fromDate(d.year, d.month, d.day)));
    GridAgentHistory->setItem(row, 0, new QTableWidgetItem(q(a.getString("ACTION"))));
    GridAgentHistory->setItem(row, 1, new QTableWidgetItem(date));
    GridAgentHistory->setItem(row, 2, new QTableWidgetItem(q(a.getString("CREATEAT"))));
  }
}

void TfrmMain::PopupMenuTreePopup() {
  const PopupState p = popupFor(kindOf(treeMain->currentItem()));
  popNew->menuAction()->setVisible(p.newMenu);
  popDelete->setVisible(p.deleteItem);
  popSep1->setVisible(p.separators);
  popSep2->setVisible(p.separators);
  popAttach->setVisible(p.attach);
  popDetach->setVisible(p.detach);
  popProperties->setVisible(p.properties);
  popRename->setVisible(true);
}

bool TfrmMain::treeMainEditing(QTreeWidgetItem* node) {
  const std::optional<NodeKind> kind = kindOf(node);
  return kind && captionEditable(*kind);
}

void TfrmMain::mnuRenameClick() {
  QTreeWidgetItem* node = treeMain->currentItem();
  if (treeMainEditing(node)) treeMain->editItem(node, 0);
}

void TfrmMain::pageControlMainChange(int index) {
  DetachAgent1->setEnabled(false);
  Delete1->setEnabled(false);
  Properties1->setEnabled(false);
  AttachAgent1->setEnabled(false);
  Rename1->setEnabled(false);
  if (pageControlMain->widget(index) == TSaccounts) treeMainChange(nullptr);
}

void TfrmMain::pauseStep() {
  if (animationPause) animationPause();
}

int TfrmMain::panelHeight(const QWidget* panel) {
  // Panels are sized with setFixedHeight, so their height is the maximum one
  // even while the layout has not run yet.
  return panel->maximumHeight() == QWIDGETSIZE_MAX ? panel->height() : panel->maximumHeight();
}

void TfrmMain::ExpandPanel(QWidget* panel) {
  if (panelHeight(panel) > 100) return;
  panel->setVisible(true);
  PlaySoundEffect("slide.wav");
  int h = panelHeight(panel);
  while (h < kPanelOpenHeight) {
    h = std::min(h + 10, kPanelOpenHeight);
    pauseStep();
    panel->setFixedHeight(h);
    QCoreApplication::processEvents();
  }
}

void TfrmMain::RetractPanel(QWidget* panel) {
  int h = panelHeight(panel);
  while (h >= 1) {
    h = std::max(h - 30, 0);
    pauseStep();
    panel->setFixedHeight(h);
    QCoreApplication::processEvents();
  }
  panel->hide();
}

void TfrmMain::RefreshAgents() {}

void TfrmMain::RefreshTemplates() {}

void TfrmMain::FormResize() {
  GridAgentHistory->setColumnWidth(
      0, width() - GridAgentHistory->columnWidth(1) - GridAgentHistory->columnWidth(2) - 40);
  lstVAgents->setColumnWidth(0, width() - 20);
  lstVTemplates->setColumnWidth(0, width() - 20);
}

void TfrmMain::L1Click() {
  if (TfrmStatus* w = feed_.statusWindow()) {
    w->show();
    w->raise();
  }
}

void TfrmMain::Refresh1Click() {
  QWidget* page = pageControlMain->currentWidget();
  if (page == TSaccounts) populateGroups();
  else if (page == TSagents) RefreshAgents();
  else RefreshTemplates();
}

void TfrmMain::About1Click() {
  TSplashForm about(this);
  PlaySoundEffect("about.wav");
  dialogs().runModal(about);
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (onFirstShow) onFirstShow();
  RefreshAgents();
  RefreshTemplates();
  populateGroups();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    if (!settings_.databaseFolder.empty()) {
      store::Settings s = settings_;
      s.messagesFolder = MessagesPath;
      s.agentsFolder = AgentsPath;
      s.databaseFolder = DatabasePath;
      try {
        store::writeFolders(s);
      } catch (const std::exception& e) {
        AppException(QString::fromUtf8(e.what()));
      }
    }
    tables_.close();
  }
  event->accept();
}

}  // namespace cfgman
