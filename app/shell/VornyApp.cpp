#include "VornyApp.h"

#include "AboutDlg.h"
#include "AfterFirstPaint.h"
#include "AppIcons.h"
#include "AppCommandIds.h"
#include "DocumentDialogs.h"
#include "LogPath.h"
#include "MainFrame.h"
#include "FileErrors.h"
#include "Desktop.h"
#include "QuitSignals.h"
#include "SettingsStore.h"
#include "SheetEdit.h"
#include "SingleInstance.h"
#include "StateFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

QString DefaultLogPath()
{
    return GetDefaultLogPath();
}

bool IsFlag(const QString& argument)
{
    if (argument.startsWith(QLatin1Char('-')))
        return true;
    return argument.startsWith(QLatin1Char('/')) && argument.indexOf(QLatin1Char('/'), 1) < 0 &&
           !QFileInfo::exists(argument);
}

} // namespace

// How long after an edit the recovery copy follows at the latest.
constexpr int kRecoveryDelayMs = 2000;

CVornyApp::CVornyApp(IDesktop& desktop, std::unique_ptr<ISettingsStore> store,
                     std::optional<QString> recoveryFolder)
    : m_desktop(desktop), m_store(store ? std::move(store) : std::make_unique<CSettingsStore>()),
      m_recentFiles(*m_store, desktop), m_recovery(recoveryFolder ? *recoveryFolder : StateFolder())
{
    m_recoveryTimer.setSingleShot(true);
    m_recoveryTimer.setInterval(kRecoveryDelayMs);
    QObject::connect(&m_recoveryTimer, &QTimer::timeout, [this] { KeepRecord(false); });
}

CVornyApp::~CVornyApp()
{
    // The view goes with the window and writes its comma option back as it goes.
    m_recoveryTimer.stop();
    m_instance.reset();
    m_quitSignals.reset();
    m_frame.reset();
}

std::optional<QString> CVornyApp::FileToOpen(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        if (!argument.isEmpty() && !IsFlag(argument))
            return argument;
    return std::nullopt;
}

bool CVornyApp::InitInstance(const QStringList& arguments)
{
    m_helpFilePath = GetModuleDirPath(QStringLiteral("QUARN.chm"));
    QCoreApplication::setOrganizationName(QStringLiteral("Halsk"));
    QCoreApplication::setApplicationName(QStringLiteral("Brunovelt"));
    m_recentFiles.ReadList();

    // The one document template: the window, its view and the document.
    m_frame = std::make_unique<CMainFrame>(*m_store, m_desktop, DefaultLogPath, m_helpFilePath);
    m_view = new CVornyView(*m_store, m_desktop);
    m_frame->SetView(m_view);
    m_doc = std::make_unique<CVornyDoc>(*this, *m_store, m_recentFiles, DefaultLogPath);
    m_doc->SetRecoveryCopies(&m_recovery);
    m_view->SetDocument(this);
    m_frame->SetAppHooks({[this](int id) { return OnCommand(id); },
                          [this](int data, int command) { WinHelp(data, command); },
                          [this] { return CloseCheck(); }});
    m_recentFiles.SetChangeHandler([this] { RefreshRecentFiles(); });
    RefreshRecentFiles();

    // The end of the session and SIGTERM or SIGHUP run the same close check as Exit.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, m_frame.get(),
                     [this](QSessionManager& manager) { OnCommitData(manager); });
    m_quitSignals = std::make_unique<CQuitSignals>([this](int) { OnQuitSignal(); });

    // The lock of the document is taken before anything of it is read or asked, and the window
    // answers further starts from then on, also while a question below waits.
    m_instance = std::make_unique<CSingleInstance>(
        m_recovery.Folder(), [this](const QByteArray& token) { ActivateWith(token); });
    const std::optional<QString> file = FileToOpen(arguments);
    QString path;
    // A log that cannot be made or read gives its message and then an untitled sheet, so that
    // the options that name it can be reached; a file named on the command line ends the start.
    if (!DocumentToOpen(file, path) && m_quitRequested)
        return false;
    if (!ClaimDocument(path))
        return false;
    m_instance->Serve(path);
    bool opened = path.isEmpty() ? m_doc->FileNew()
                                 : m_doc->OpenDocumentFile(path) == CVornyDoc::EOpenResult::Opened;
    if (!opened && !file && !path.isEmpty() && !m_quitRequested) {
        m_instance->Serve({});
        opened = m_doc->FileNew();
    }
    // A quit signal at a question of the start ends it there: nothing was changed yet, and a
    // recovery copy on offer stays for the next start.
    if (!opened || m_quitRequested)
        return false;

    m_frame->show();
    m_frame->activateWindow();
    m_frame->repaint();
    // What the first sight of the window does not need follows its first paint: the window's
    // icon, and the end of what saves that were cut short left beside the document and the
    // settings.
    RunAfterFirstPaint(*m_frame, [this, path] {
        m_frame->setWindowIcon(AppIcon());
        RemoveStaleTemporaries(path);
        RemoveStaleTemporaries(CSettingsStore::DefaultFileName());
    });
    return true;
}

bool CVornyApp::DocumentToOpen(const std::optional<QString>& file, QString& path)
{
    if (file) {
        path = QDir::cleanPath(QFileInfo(*file).absoluteFilePath());
        return true;
    }
    if (m_store->GetInt("System", "Log", 1) == 0) {
        path.clear();
        return true;
    }
    QString logPath = ReadLogFileSetting(*m_store, GetDefaultLogPath());
    // No default log could be made: the message names where it was to be.
    if (logPath.isEmpty())
        logPath = DefaultLogLocation();
    // A configured log that is not there yet is made, as the default one is: otherwise every
    // start would end at its message, and the options that name it could not be reached.
    if (const EFileError made = EnsureLogFile(logPath); made != EFileError::None) {
        ShowMessageBox(m_desktop, nullptr, FailureMessage(EDocumentOperation::Open, made, logPath));
        path.clear();
        return false;
    }
    path = QDir::cleanPath(QFileInfo(logPath).absoluteFilePath());
    return true;
}

void CVornyApp::WinHelp(int data, int command)
{
    if (command == HELP_CONTEXT || command == HELP_SETCONTENTS)
        return;
    m_frame->WinHelp(data, command);
}

bool CVornyApp::OnCommand(int id)
{
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST) {
        m_doc->OpenRecentFile(static_cast<std::size_t>(id - ID_FILE_MRU_FILE1));
        return true;
    }
    switch (id) {
    case ID_FILE_NEW: m_doc->FileNew(); return true;
    case ID_FILE_OPEN: m_doc->FileOpen(); return true;
    case ID_FILE_SAVE: m_doc->DoFileSave(); return true;
    case ID_FILE_SAVE_AS: m_doc->DoSaveAs(); return true;
    case ID_APP_EXIT: m_frame->close(); return true;
    case ID_APP_ABOUT: RunAboutCommand(m_desktop, m_frame.get()); return true;
    default: return false;
    }
}

bool CVornyApp::CloseCheck()
{
    if (m_closedUnattended || !m_doc || !m_doc->HasDocument())
        return true;
    m_recoveryTimer.stop();
    return m_doc->SaveModified();
}

void CVornyApp::OnQuitSignal()
{
    m_quitRequested = true;
    // The questions on screen are closed as if cancelled, and the close follows once the code
    // that asked them has gone on, back in the main loop.
    for (int i = 0; i < 16; ++i) {
        QWidget* question = QApplication::activeModalWidget();
        if (!question || !question->close())
            break;
    }
    CloseWhenUnwound();
}

void CVornyApp::CloseWhenUnwound()
{
    if (!m_frame->isVisible())
        return; // still starting: the start-up ends itself (InitInstance)
    if (QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(10, m_frame.get(), [this] { CloseWhenUnwound(); });
        return;
    }
    CloseUnattended();
}

void CVornyApp::CloseUnattended()
{
    if (m_doc && m_doc->HasDocument() && !m_closedUnattended) {
        m_recoveryTimer.stop();
        m_doc->SaveModified(CVornyDoc::ECloseMode::Unattended);
    }
    m_closedUnattended = true;
    m_frame->close();
}

void CVornyApp::OnCommitData(QSessionManager& manager)
{
    if (!m_doc || !m_doc->HasDocument())
        return;
    // Boxes only with the session manager's leave; without it the log is saved as it can be and
    // the rest waits in the recovery copy.
    if (manager.allowsInteraction()) {
        const bool closed = CloseCheck();
        manager.release();
        if (!closed)
            manager.cancel();
        return;
    }
    m_doc->SaveModified(CVornyDoc::ECloseMode::Unattended);
}

void CVornyApp::RefreshRecentFiles()
{
    QStringList paths;
    for (const QString& path : m_recentFiles.Entries())
        paths.append(path);
    m_frame->SetRecentFiles(paths);
}

ISheetControl& CVornyApp::Sheet()
{
    return m_view->Sheet();
}

QWidget* CVornyApp::DialogParent()
{
    return m_frame.get();
}

std::optional<QString> CVornyApp::AskOpenPath()
{
    return AskOpenFilePath(m_desktop, m_frame.get());
}

std::optional<QString> CVornyApp::AskSaveAsPath(const QString& suggested)
{
    return AskSaveAsFilePath(m_desktop, m_frame.get(), suggested);
}

void CVornyApp::InitialUpdate()
{
    m_view->OnInitialUpdate();
}

void CVornyApp::TitleChanged()
{
    m_frame->SetDocumentTitle(m_doc->GetTitle());
    if (m_instance)
        m_instance->Serve(m_doc->GetPathName()); // Open and Save As change the document
}

void CVornyApp::Activate()
{
    ActivateWith({});
}

void CVornyApp::ActivateWith(const QByteArray& token)
{
    // On Wayland only a token that the compositor gave the asking start lets a window come
    // forward; the platform takes it from the environment at the next activation.
    if (!token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token);
    // A question open (the recovery offer at start-up, a box) is what the user must see first;
    // a window still starting comes up by itself.
    QWidget* window = QApplication::activeModalWidget();
    if (!window && m_frame && m_frame->isVisible())
        window = m_frame.get();
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

bool CVornyApp::ClaimDocument(const QString& path)
{
    if (!m_instance || path.isEmpty())
        return true;
    switch (m_instance->Claim(path)) {
    case CSingleInstance::EClaim::Owner: return true;
    case CSingleInstance::EClaim::HandedOver: m_handedOver = true; return false;
    case CSingleInstance::EClaim::OpenElsewhere: break;
    }
    ShowMessageBox(m_desktop, m_frame && m_frame->isVisible() ? m_frame.get() : nullptr,
                   QStringLiteral("%1 は、ほかのウィンドウで開かれています。"
                                  "そのウィンドウが応答しないため、前面に表示できませんでした。")
                       .arg(QDir::toNativeSeparators(path)));
    return false;
}

void CVornyApp::DropClaim()
{
    if (m_instance)
        m_instance->DropClaim();
}

bool CVornyApp::IsLogDocument() const
{
    return m_doc && m_doc->IsLogDocument();
}

void CVornyApp::SetModifiedFlag(bool modified)
{
    if (!m_doc)
        return;
    m_doc->SetModifiedFlag(modified);
    if (modified && !m_recoveryTimer.isActive())
        m_recoveryTimer.start();
}

void CVornyApp::KeepRecoveryCopy()
{
    KeepRecord(true);
}

void CVornyApp::KeepRecord(bool answered)
{
    m_recoveryTimer.stop();
    if (!m_doc || m_doc->KeepRecoveryCopy())
        return;
    // Without a copy a crash would lose everything since the last save: the log is saved at
    // each answer instead, and the user is told once.
    if (answered && m_doc->IsLogDocument())
        m_doc->SaveLogNow();
    if (m_copyFailureShown)
        return;
    m_copyFailureShown = true;
    ShowMessageBox(
        m_desktop, m_frame.get(),
        QStringLiteral("復元用のコピーを %1 に保存できません。"
                       "プログラムが異常終了すると、保存していない計算は失われます。%2")
            .arg(QDir::toNativeSeparators(m_recovery.Folder().isEmpty() ? StateFolderLocation()
                                                                        : m_recovery.Folder()),
                 m_doc->IsLogDocument()
                     ? QStringLiteral("\nログファイルは、計算のたびに保存します。")
                     : QString()));
}
