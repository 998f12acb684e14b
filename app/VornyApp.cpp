#include "VornyApp.h"

#include "AboutDlg.h"
#include "AppCommandIds.h"
#include "DocumentDialogs.h"
#include "LogPath.h"
#include "MainFrame.h"
#include "QuitSignals.h"
#include "SheetEdit.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

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

CVornyApp::CVornyApp(std::unique_ptr<ISettingsStore> store)
    : m_store(store ? std::move(store) : std::make_unique<CSettingsStore>()),
      m_recentFiles(*m_store)
{}

CVornyApp::~CVornyApp()
{
    // The view goes with the window and writes its comma option back as it goes.
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
    m_frame = std::make_unique<CMainFrame>(*m_store, DefaultLogPath, m_helpFilePath);
    m_view = new CVornyView(*m_store);
    m_frame->SetView(m_view);
    m_doc = std::make_unique<CVornyDoc>(*this, *m_store, m_recentFiles, DefaultLogPath);
    m_view->SetDocument(this);
    m_frame->SetAppHooks({[this](int id) { return OnCommand(id); },
                          [this](int data, int command) { WinHelp(data, command); },
                          [this] { return CloseCheck(); }});
    m_recentFiles.SetChangeHandler([this] { RefreshRecentFiles(); });
    RefreshRecentFiles();

    // The end of the session and SIGTERM or SIGHUP run the same close check as Exit.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, m_frame.get(),
                     [this](QSessionManager& manager) { OnCommitData(manager); });
    m_quitSignals = std::make_unique<CQuitSignals>([this](int) { m_frame->close(); });

    const std::optional<QString> file = FileToOpen(arguments);
    bool opened = false;
    if (!file && m_store->GetInt("System", "Log", 1) != 0) {
        const QString logPath = ReadLogFileSetting(*m_store, GetDefaultLogPath());
        opened = m_doc->OpenDocumentFile(logPath) == CVornyDoc::EOpenResult::Opened;
    } else if (file) {
        opened = m_doc->OpenDocumentFile(*file) == CVornyDoc::EOpenResult::Opened;
    } else {
        opened = m_doc->FileNew();
    }
    if (!opened)
        return false;

    m_frame->show();
    m_frame->activateWindow();
    m_frame->repaint();
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
    case ID_APP_ABOUT: RunAboutCommand(m_frame.get()); return true;
    default: return false;
    }
}

bool CVornyApp::CloseCheck()
{
    return !m_doc || !m_doc->HasDocument() || m_doc->SaveModified();
}

void CVornyApp::OnCommitData(QSessionManager& manager)
{
    if (!CloseCheck() && manager.allowsInteraction())
        manager.cancel();
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
    return AskOpenFilePath(m_frame.get());
}

std::optional<QString> CVornyApp::AskSaveAsPath(const QString& suggested)
{
    return AskSaveAsFilePath(m_frame.get(), suggested);
}

void CVornyApp::InitialUpdate()
{
    m_view->OnInitialUpdate();
}

void CVornyApp::TitleChanged()
{
    m_frame->SetDocumentTitle(m_doc->GetTitle());
}

void CVornyApp::Activate()
{
    m_frame->show();
    m_frame->raise();
    m_frame->activateWindow();
}

bool CVornyApp::IsLogDocument() const
{
    return m_doc && m_doc->IsLogDocument();
}

void CVornyApp::SetModifiedFlag(bool modified)
{
    if (m_doc)
        m_doc->SetModifiedFlag(modified);
}
