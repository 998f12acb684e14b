#include "MainFrame.h"

#include "AboutDlg.h"
#include "AppCommandIds.h"
#include "AppIcons.h"
#include "CommandIds.h"
#include "ShowHelpFile.h"
#include "KeyLockPanes.h"
#include "NumberText.h"
#include "Desktop.h"
#include "OptDlg.h"
#include "RecentFileText.h"
#include "SheetEdit.h"
#include "VornyView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include <utility>

namespace {

constexpr int kStatusNoteMs = 4000; // how long a command's note stays in the status bar

struct ToolbarButton
{
    int id; // 0: a separator
    EToolbarIcon icon;
};

constexpr ToolbarButton kToolbar[] = {
    {ID_FILE_NEW, EToolbarIcon::New},     {ID_FILE_OPEN, EToolbarIcon::Open},
    {ID_FILE_SAVE, EToolbarIcon::Save},   {0, EToolbarIcon::New},
    {ID_EDIT_CUT, EToolbarIcon::Cut},     {ID_EDIT_COPY, EToolbarIcon::Copy},
    {ID_EDIT_PASTE, EToolbarIcon::Paste}, {0, EToolbarIcon::New},
    {ID_APP_ABOUT, EToolbarIcon::About},
};

constexpr int kToolbarIconSize = 16;

// Shown while the wait cursor is up; taken down however the help display ends.
class CWaitCursor
{
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

CMainFrame::CMainFrame(ISettingsStore& store, IDesktop& desktop,
                       std::function<QString()> defaultLogPath, QString helpFilePath)
    : m_store(store), m_desktop(desktop), m_defaultLogPath(std::move(defaultLogPath)),
      m_helpFilePath(std::move(helpFilePath))
{
    setAcceptDrops(false);
    m_menu = BuildMainMenu(*this, [this](int id) { RouteCommand(id); });
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCheckMarks);
    CreateToolBar();
    CreateStatusBar();
    SetDocumentTitle(QStringLiteral("無題"));
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateToolBar()
{
    // The title names the bar where Qt lists it (a floating bar's caption, the bars' menu).
    m_toolBar = new QToolBar(QStringLiteral("ﾂｰﾙ ﾊﾞｰ"), this);
    m_toolBar->setObjectName(QStringLiteral("toolbar-59392"));
    m_toolBar->setIconSize(QSize(kToolbarIconSize, kToolbarIconSize));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const ToolbarButton& button : kToolbar) {
        if (button.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = Action(button.id);
        action->setIcon(ToolbarIcon(button.icon));
        action->setIconVisibleInMenu(false); // the menus show text alone
        action->setToolTip(CommandTooltip(button.id));
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    setDockOptions(dockOptions() | QMainWindow::AnimatedDocks);
}

void CMainFrame::CreateStatusBar()
{
    // The message pane shows "ﾚﾃﾞｨ" while no prompt is shown: the status bar hides it for the
    // prompt of the menu item or button under the pointer.
    m_readyPane = new QLabel(QStringLiteral("ﾚﾃﾞｨ"), statusBar());
    // A long function hint is cut at the pane's edge rather than widening the window.
    m_readyPane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_readyPane, 1);
    m_memoryPane = new QLabel(QStringLiteral("M"), statusBar());
    m_memoryPane->setAlignment(Qt::AlignCenter);
    m_memoryPane->setAccessibleName(QStringLiteral("メモリー"));
    statusBar()->addPermanentWidget(m_memoryPane);
    m_memoryPane->hide();            // the memory starts at 0
    new CKeyLockPanes(*statusBar()); // the status bar owns it
}

void CMainFrame::ShowMemory(double memory)
{
    // NaN is not 0 either: the pane shows whatever the memory holds.
    const QString value = QString::fromStdString(FormatAnswer(memory));
    m_memoryPane->setToolTip(QStringLiteral("メモリー：%1").arg(value));
    m_memoryPane->setAccessibleDescription(m_memoryPane->toolTip());
    m_memoryPane->setVisible(memory != 0);
}

void CMainFrame::ShowFunctionHint(const QString& hint)
{
    m_readyPane->setText(hint.isEmpty() ? QStringLiteral("ﾚﾃﾞｨ") : hint);
    m_readyPane->setToolTip(hint); // the whole description, where the pane cuts it
}

void CMainFrame::SetView(CVornyView* view)
{
    m_view = view;
    setCentralWidget(view);
    connect(view, &CVornyView::FitFrameToForm, this, &CMainFrame::FitToForm);
    connect(view, &CVornyView::MemoryChanged, this, &CMainFrame::ShowMemory);
    connect(view, &CVornyView::FunctionHintChanged, this, &CMainFrame::ShowFunctionHint);
    connect(view, &CVornyView::StatusNote, this,
            [this](const QString& note) { statusBar()->showMessage(note, kStatusNoteMs); });
    ShowMemory(view->Memory());
    FitToForm();
}

void CMainFrame::FitToForm()
{
    if (!m_view)
        return;
    // The view's size is fixed to its form, so the window's own size hint is the fit.
    if (QLayout* frameLayout = layout())
        frameLayout->activate();
    resize(sizeHint());
}

QAction* CMainFrame::Action(int id) const
{
    const auto found = m_menu.byId.find(id);
    return found == m_menu.byId.end() ? nullptr : found->second;
}

void CMainFrame::UpdateCheckMarks()
{
    if (m_view)
        Action(ID_VIEW_COMMA)->setChecked(m_view->IsCommaOn());
    Action(ID_VIEW_TOOLBAR)->setChecked(m_toolBar->isVisible());
    Action(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisible());
}

bool CMainFrame::RouteCommand(int id)
{
    if (m_view && m_view->OnCommand(id))
        return true;
    if (OnCommand(id))
        return true;
    return m_hooks.onCommand && m_hooks.onCommand(id);
}

bool CMainFrame::OnCommand(int id)
{
    switch (id) {
    case ID_VIEW_OPTIONS:
        if (RunOptionsCommand(m_store, m_desktop, m_defaultLogPath, this) && m_view)
            m_view->RefreshTaxKey();
        break;
    case ID_HELP_KEYWORD:
        // No test for the file first, and no message for a missing one; a file that is there but
        // cannot be read is reported, as the viewer would.
        // The help window stands alone: it takes the application's icon, which is the window's.
        QApplication::setWindowIcon(AppIcon());
        if (!ShowHelpFile(m_helpFilePath, EHelpPage::Index, nullptr) &&
            QFileInfo(m_helpFilePath).isFile())
            ReportUnreadableHelp(nullptr);
        break;
    case ID_HOMEPAGE:
        m_desktop.OpenUrl(QUrl(HomePageAddress())); // the result is not examined
        break;
    case ID_HELP_FINDER:
    case ID_DEFAULT_HELP:
        if (m_hooks.winHelp)
            m_hooks.winHelp(0, HELP_FINDER);
        break;
    case ID_HELP:
    case ID_CONTEXT_HELP:
        // Context help becomes a context request, which the application's filter drops.
        if (m_hooks.winHelp)
            m_hooks.winHelp(0, HELP_CONTEXT);
        break;
    case ID_VIEW_TOOLBAR: m_toolBar->setVisible(!m_toolBar->isVisible()); break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case ID_FILE_PRINT:
    case ID_NEXT_PANE:
    case ID_PREV_PANE: break; // one pane and no printing: these keys do nothing
    default: return false;
    }
    UpdateCheckMarks();
    return true;
}

void CMainFrame::WinHelp(int /*data*/, int command)
{
    const CWaitCursor wait;
    if (QWhatsThis::inWhatsThisMode())
        QWhatsThis::leaveWhatsThisMode();
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();

    if (!QFileInfo(m_helpFilePath).isFile()) {
        ShowMessageBox(m_desktop, this,
                       QStringLiteral("ヘルプファイルがありません：%1")
                           .arg(QDir::toNativeSeparators(m_helpFilePath)));
        return;
    }
    if (command == HELP_FINDER && !ShowHelpFile(m_helpFilePath, EHelpPage::DefaultTopic, this))
        ReportUnreadableHelp(this);
}

void CMainFrame::ReportUnreadableHelp(QWidget* owner)
{
    ShowMessageBox(m_desktop, owner,
                   QStringLiteral("ヘルプファイルを読めません：%1")
                       .arg(QDir::toNativeSeparators(m_helpFilePath)));
}

void CMainFrame::SetDocumentTitle(const QString& title)
{
    setWindowTitle(title + QStringLiteral(" - Brunovelt"));
}

void CMainFrame::SetRecentFiles(const QStringList& paths)
{
    for (QAction* action : std::as_const(m_recentActions)) {
        m_menu.fileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();

    const int shown = static_cast<int>(
        std::min<qsizetype>(paths.size(), ID_FILE_MRU_LAST - ID_FILE_MRU_FILE1 + 1));
    for (int i = 0; i < shown; ++i) {
        // The menu shows a shortened path, so that a deep folder does not widen it to the screen;
        // the status bar shows the whole path while the entry is highlighted.
        const QString path = QDir::toNativeSeparators(paths[i]);
        const QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(
            AbbreviatePath(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        auto* action = new QAction(text, this);
        action->setStatusTip(path);
        const int id = ID_FILE_MRU_FILE1 + i;
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        m_menu.fileMenu->insertAction(m_menu.beforeExit, action);
        m_recentActions.append(action);
    }
    // The placeholder entry stands, greyed, only while the list is empty.
    m_menu.recentPlaceholder->setVisible(m_recentActions.isEmpty());
}

QMenu* CMainFrame::createPopupMenu()
{
    // Qt's own menu lists toolbars alone, under their titles; this one reads as the 表示 menu.
    auto* menu = new QMenu(this);
    menu->addAction(Action(ID_VIEW_TOOLBAR));
    menu->addAction(Action(ID_VIEW_STATUS_BAR));
    UpdateCheckMarks();
    return menu;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_hooks.closeCheck && !m_hooks.closeCheck()) {
        event->ignore();
        return;
    }
    event->accept();
}
