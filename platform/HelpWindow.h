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

enum class EHelpPage {
    DefaultTopic, // the 目次 tab and the help file's first page
    Index         // the キーワード tab with its filter line focused
};

// Opens the help window on the compiled help file at `chmPath` at `page`, or brings the one
// already open to the front (opening `chmPath` in it when it shows another file). The window
// belongs to `owner` when one is given, and stays in front of it; without one it stands alone.
// Returns false, showing nothing and no message, when the file cannot be read as a help file:
// the help reader (HelpReader.h) reads it in a process of its own, and a reader that fails,
// crashes, overruns its limits or says anything malformed leaves this process as it was.
bool ShowHelpFile(const QString& chmPath, EHelpPage page, QWidget* owner);

// The help window "Brunovelt ヘルプ": the 目次 and キーワード tabs beside the page, with back,
// forward and home (the first page) above them.
class CHelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* owner = nullptr);
    ~CHelpWindow() override;

    // Reads the help file at `chmPath` through the help reader and shows its first page; false
    // when it cannot be read, and the window keeps what it showed.
    bool OpenFile(const QString& chmPath);
    const QString& FilePath() const { return m_filePath; }
    // Brings forward the tab for `page`. DefaultTopic shows the first page; Index keeps the
    // page shown.
    void ShowPage(EHelpPage page);

private:
    void CreateActions();
    void CreatePanes();
    void ShowTopic(const QUrl& url);
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

// The help window now open, if any.
CHelpWindow* HelpWindowInstance();
// Destroys the help window, if one is open. Runs by itself when the event loop ends, so that a
// window without an owner does not outlive the program's windows.
void CloseHelpWindow();
