#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class CHelpArchive;
class CHelpBrowser;
class CHelpContentsPane;
class CHelpIndexPane;
class QAction;
class QTabWidget;

// The help window "Brunovelt ヘルプ": the 目次 and キーワード tabs beside the page, with back,
// forward and home (the first page) above them. Escape or Ctrl+W closes it.
class CHelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* owner = nullptr);
    ~CHelpWindow() override;

    // Shows `archive`, the help file at `chmPath` as the help reader handed it over, at its first
    // page; false when it has no first page or holds a page that Qt's layout may not be given
    // (IsShowableHelpPage), and the window keeps what it showed.
    bool OpenArchive(const QString& chmPath, CHelpArchive archive);
    const QString& FilePath() const { return m_filePath; }
    // Brings forward the contents tab, showing the first page.
    void ShowContentsTab();
    // Brings forward the keyword tab with its filter focused, keeping the page shown.
    void ShowIndexTab();

private:
    void CreateActions();
    void CreatePanes();
    void ShowTopic(const QUrl& url);
    // F6: from the page to the tab's pane (the contents or the keyword filter), and back.
    void SwitchPane();
    void ShowDefaultTopic();

    std::shared_ptr<const CHelpArchive> m_archive;
    QString m_filePath;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_home = nullptr;
    QTabWidget* m_tabs = nullptr;
    CHelpContentsPane* m_contents = nullptr;
    CHelpIndexPane* m_index = nullptr;
    CHelpBrowser* m_browser = nullptr;
};
