#include "VornyDoc.h"

#include "FileErrors.h"
#include "FileIo.h"
#include "ISettingsStore.h"
#include "ISheetControl.h"
#include "LogPath.h"
#include "MessageBox.h"
#include "RecentFileList.h"

#include <QDir>
#include <QFileInfo>

#include <string>
#include <string_view>
#include <utility>

namespace {

QString Untitled()
{
    return QStringLiteral("無題");
}

// Paths are compared and kept in full, as the file dialogs and the command line may give them
// relative or with "." and "..".
QString FullPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The log's text as it is kept: every CR and LF at its end replaced by one CR LF.
std::string WithOneFinalLineEnd(std::string_view text)
{
    const std::size_t end = text.find_last_not_of("\r\n");
    std::string trimmed(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
    trimmed += "\r\n";
    return trimmed;
}

} // namespace

CVornyDoc::CVornyDoc(IDocumentHost& host, ISettingsStore& store, CRecentFileList& recentFiles,
                     std::function<QString()> defaultLogPath)
    : m_host(host), m_store(store), m_recentFiles(recentFiles),
      m_defaultLogPath(std::move(defaultLogPath))
{}

bool CVornyDoc::FileNew()
{
    if (m_bHasDocument && !SaveModified())
        return false;
    if (!OnNewDocument())
        return false;
    m_bHasDocument = true;
    m_strTitle = Untitled();
    m_host.TitleChanged();
    m_host.InitialUpdate();
    return true;
}

CVornyDoc::EOpenResult CVornyDoc::FileOpen()
{
    const std::optional<QString> path = m_host.AskOpenPath();
    if (!path || path->isEmpty())
        return EOpenResult::Cancelled;
    return OpenDocumentFile(*path);
}

CVornyDoc::EOpenResult CVornyDoc::OpenDocumentFile(const QString& path)
{
    const QString fullPath = FullPath(path);
    if (m_bHasDocument && !fullPath.isEmpty() &&
        m_strPathName.compare(fullPath, Qt::CaseInsensitive) == 0) {
        m_host.Activate();
        return EOpenResult::AlreadyOpen;
    }
    if (m_bHasDocument && !SaveModified())
        return EOpenResult::Cancelled;
    if (!OnOpenDocument(fullPath))
        return EOpenResult::Failed;
    m_bHasDocument = true;
    SetPathName(fullPath);
    m_host.InitialUpdate();
    return EOpenResult::Opened;
}

CVornyDoc::EOpenResult CVornyDoc::OpenRecentFile(std::size_t index)
{
    if (index >= m_recentFiles.Entries().size())
        return EOpenResult::Failed;
    const QString path = m_recentFiles.Entries()[index];
    const EOpenResult result = OpenDocumentFile(path);
    if (result == EOpenResult::Failed) {
        // Found again by name: a Save As in the close check may have moved the entries.
        const std::vector<QString>& entries = m_recentFiles.Entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] == path) {
                m_recentFiles.Remove(i);
                break;
            }
        }
    }
    return result;
}

bool CVornyDoc::OnNewDocument()
{
    m_strPathName.clear();
    m_bModified = false;
    m_host.Sheet().SetText("");
    return true;
}

bool CVornyDoc::OnOpenDocument(const QString& path)
{
    std::string text;
    const EFileError error = ReadWholeFile(path, text, kMaxOpenFileBytes);
    if (error != EFileError::None) {
        ShowMessageBox(m_host.DialogParent(),
                       FailureMessage(EDocumentOperation::Open, error, path));
        return false;
    }
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    m_host.Sheet().SetText(text);
    m_bModified = false;
    return true;
}

bool CVornyDoc::OnSaveDocument(const QString& path)
{
    const std::string text = m_host.Sheet().GetText();
    std::string_view bytes = text;
    if (bytes.size() > kMaxSheetFileBytes) {
        if (!IsLogDocument()) {
            ShowMessageBox(m_host.DialogParent(), QStringLiteral("32KBを越えては保存できません。"));
            return false;
        }
        // Counted in bytes: the cut may fall inside a line or a two-byte character.
        bytes.remove_prefix(bytes.size() - kMaxSheetFileBytes);
    }
    const EFileError error = ReplaceFile(path, bytes);
    if (error != EFileError::None) {
        ShowMessageBox(m_host.DialogParent(),
                       FailureMessage(EDocumentOperation::Save, error, path));
        return false;
    }
    m_bModified = false;
    return true;
}

bool CVornyDoc::SaveModified()
{
    if (!m_bHasDocument)
        return true;
    if (!IsLogDocument()) {
        if (!m_bModified)
            return true;
        switch (ShowMessageBox(m_host.DialogParent(),
                               QStringLiteral("%1 への変更を保存しますか?").arg(m_strTitle),
                               EMessageIcon::Exclamation, EMessageButtons::YesNoCancel)) {
        case EMessageResult::Yes: return DoFileSave();
        case EMessageResult::No: return true;
        case EMessageResult::Ok:
        case EMessageResult::Cancel: return false;
        }
        return false;
    }

    // The log: put back with one final line end, so that the blank lines opened below the
    // record at start-up do not pile up in the file. This is no change of the user's.
    ISheetControl& sheet = m_host.Sheet();
    const std::string text = sheet.GetText();
    const std::string kept = WithOneFinalLineEnd(text);
    if (kept != text)
        sheet.SetText(kept);
    if (!m_bModified)
        return true;
    return DoSave(m_strPathName);
}

bool CVornyDoc::DoFileSave()
{
    // A file the user may not write is saved under another name instead.
    const QFileInfo file(m_strPathName);
    if (!m_strPathName.isEmpty() && file.exists() && !file.isWritable())
        return DoSave({});
    return DoSave(m_strPathName);
}

bool CVornyDoc::DoSaveAs()
{
    return DoSave({});
}

bool CVornyDoc::DoSave(const QString& pathName)
{
    QString path = pathName;
    if (path.isEmpty()) {
        const std::optional<QString> chosen =
            m_host.AskSaveAsPath(m_strPathName.isEmpty() ? m_strTitle : m_strPathName);
        if (!chosen || chosen->isEmpty())
            return false;
        path = FullPath(*chosen);
    }
    // A failed save has left any file at `path` as it was, so there is nothing to remove.
    if (!OnSaveDocument(path))
        return false;
    SetPathName(path);
    return true;
}

bool CVornyDoc::IsLogDocument() const
{
    if (m_store.GetInt("System", "Log", 1) == 0)
        return m_strPathName.isEmpty();
    // The default is computed (and the default file made) before the value is read, every time.
    const QString defaultPath = m_defaultLogPath ? m_defaultLogPath() : QString();
    return m_strPathName == ReadLogFileSetting(m_store, defaultPath);
}

void CVornyDoc::SetPathName(const QString& path)
{
    m_strPathName = path;
    m_strTitle = QFileInfo(path).fileName();
    m_recentFiles.Add(path);
    m_host.TitleChanged();
}
