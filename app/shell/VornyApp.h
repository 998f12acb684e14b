#pragma once

#include "RecentFileList.h"
#include "RecoveryCopies.h"
#include "SettingsStore.h"
#include "VornyDoc.h"
#include "VornyView.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class CMainFrame;
class CQuitSignals;
class CSingleInstance;
class QSessionManager;

// The application: brings up the settings, the document, the main window and its view, opens
// the log file or what the command line names, and routes the commands that neither the view nor
// the window handles (New, Open, Save, Save As, the recent files, Exit, About). It is the
// document's host and the view's document. A QApplication must exist first.
class CVornyApp final : public IDocumentHost, public ISheetDocument
{
public:
    // `desktop` shows every box and dialog of the run. `store` is the per-user store and
    // `recoveryFolder` the state folder unless a test passes its own.
    explicit CVornyApp(IDesktop& desktop, std::unique_ptr<ISettingsStore> store = nullptr,
                       std::optional<QString> recoveryFolder = std::nullopt);
    ~CVornyApp() override;
    CVornyApp(const CVornyApp&) = delete;
    CVornyApp& operator=(const CVornyApp&) = delete;

    // Start-up with the command line's arguments (without the program's name, Qt's own options
    // already taken out). False ends the program: the document could not be opened, or it is open
    // in another window of the user's, which was brought to the front (HandedOver()).
    bool InitInstance(const QStringList& arguments);
    bool HandedOver() const { return m_handedOver; }
    // A quit signal (SIGTERM, SIGHUP, SIGINT) came during the start-up.
    bool QuitRequested() const { return m_quitRequested; }

    // The help-request filter: context requests (1) and set-contents requests (5) are dropped,
    // every other one goes to the main window's help display.
    void WinHelp(int data, int command);
    bool OnCommand(int id);

    CMainFrame& MainFrame() { return *m_frame; }
    CVornyView& View() { return *m_view; }
    CVornyDoc& Document() { return *m_doc; }
    ISettingsStore& Store() { return *m_store; }
    const QString& HelpFilePath() const { return m_helpFilePath; }

    // The file the command line names: the first argument that is not a flag. Flags begin with
    // "-", or with "/" when they hold no other "/" and name nothing on disk ("/p", "/Embedding"),
    // so that an absolute path is still a file; flags are ignored.
    static std::optional<QString> FileToOpen(const QStringList& arguments);

    // IDocumentHost
    ISheetControl& Sheet() override;
    QWidget* DialogParent() override;
    IDesktop& Desktop() override { return m_desktop; }
    std::optional<QString> AskOpenPath() override;
    std::optional<QString> AskSaveAsPath(const QString& suggested) override;
    void InitialUpdate() override;
    void TitleChanged() override;
    void Activate() override;
    bool ClaimDocument(const QString& path) override;
    void DropClaim() override;

    // ISheetDocument
    bool IsLogDocument() const override;
    void SetModifiedFlag(bool modified) override;
    void KeepRecoveryCopy() override;

private:
    // The log or the file named, as a full path; empty for an untitled sheet. False, with the
    // message shown and an empty path, when no log file could be made.
    bool DocumentToOpen(const std::optional<QString>& file, QString& path);
    bool CloseCheck();
    // A signal ends the program: the questions open are cancelled, then the close runs without
    // questions.
    void OnQuitSignal();
    void CloseWhenUnwound();
    void CloseUnattended();
    // Keeps the recovery copy of the sheet after an edit, or after an answer (`answered`); where
    // no copy can be kept, the log is saved at each answer instead and the user told once.
    void KeepRecord(bool answered);
    void OnCommitData(QSessionManager& manager);
    void RefreshRecentFiles();
    // Brings the window (or the question it shows) to the front, with a Wayland activation
    // token from the start that asked for it.
    void ActivateWith(const QByteArray& token);

    IDesktop& m_desktop;
    QString m_helpFilePath;
    std::unique_ptr<ISettingsStore> m_store;
    CRecentFileList m_recentFiles;
    std::unique_ptr<CMainFrame> m_frame;
    CVornyView* m_view = nullptr; // owned by the frame
    std::unique_ptr<CVornyDoc> m_doc;
    std::unique_ptr<CQuitSignals> m_quitSignals;
    CRecoveryCopies m_recovery;
    QTimer m_recoveryTimer; // an edit is copied within two seconds
    std::unique_ptr<CSingleInstance> m_instance;
    bool m_handedOver = false;
    bool m_quitRequested = false;
    bool m_copyFailureShown = false;
    bool m_closedUnattended = false; // the close check ran already: the window just closes
};
