#pragma once

#include "MainMenu.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>

class CVornyView;
class IDesktop;
class ISettingsStore;
class QLabel;
class QToolBar;

// The main window: the sheet view in the middle, the menu bar, the toolbar and the status bar.
// Commands go to the view first, then to the window, then to the application. The window owns
// the help display and the options, keyword-search and home-page commands.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    // The application's part: commands the view and the window do not handle (false for one it
    // does not know either), and the help-request filter that every help request passes.
    struct AppHooks
    {
        std::function<bool(int id)> onCommand;
        std::function<void(int data, int command)> winHelp;
        std::function<bool()> closeCheck; // false keeps the window open
    };

    CMainFrame(ISettingsStore& store, IDesktop& desktop, std::function<QString()> defaultLogPath,
               QString helpFilePath);
    ~CMainFrame() override;

    void SetAppHooks(AppHooks hooks) { m_hooks = std::move(hooks); }
    // Makes `view` the window's view (the window takes it over) and fits the window to it.
    void SetView(CVornyView* view);
    CVornyView* View() const { return m_view; }

    // Routes command `id`; false when nobody handles it.
    bool RouteCommand(int id);
    // The window's own commands.
    bool OnCommand(int id);
    // The help display: the default topic for a help-finder request; a missing or unreadable file
    // is reported.
    void WinHelp(int data, int command);

    // The caption: "title - Brunovelt".
    void SetDocumentTitle(const QString& title);
    // The recent-file entries of the file menu, most recent first.
    void SetRecentFiles(const QStringList& paths);
    // Makes the client area exactly as large as the view's form.
    void FitToForm();

    QAction* Action(int id) const;
    const QList<QAction*>& RecentFileActions() const { return m_recentActions; }
    QAction* RecentPlaceholder() const { return m_menu.recentPlaceholder; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QLabel* ReadyPane() const { return m_readyPane; }
    QLabel* MemoryPane() const { return m_memoryPane; }
    const QString& HelpFilePath() const { return m_helpFilePath; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The menu of a right click on the menu bar or the toolbar: the two bar toggles of the 表示
    // menu, with their check marks.
    QMenu* createPopupMenu() override;

private:
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateCheckMarks();
    // "M" while the memory holds anything but 0, with the value in its tooltip.
    void ShowMemory(double memory);
    // The function the caret is in, or "ﾚﾃﾞｨ" for none.
    void ShowFunctionHint(const QString& hint);
    // A help file that is there but that the help reader could not read: damaged or no help file.
    void ReportUnreadableHelp(QWidget* owner);

    ISettingsStore& m_store;
    IDesktop& m_desktop;
    std::function<QString()> m_defaultLogPath;
    QString m_helpFilePath;
    AppHooks m_hooks;

    CVornyView* m_view = nullptr;
    MainMenuActions m_menu;
    QList<QAction*> m_recentActions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_readyPane = nullptr;
    QLabel* m_memoryPane = nullptr;
};
