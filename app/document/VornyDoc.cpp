#include "VornyDoc.h"

#include "FileErrors.h"
#include "FileIo.h"
#include "ISettingsStore.h"
#include "ISheetControl.h"
#include "LogPath.h"
#include "Cp932QString.h"
#include "Desktop.h"
#include "RecentFileList.h"
#include "RecoveryCopies.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <cstdio>
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

// The text without the line ends at its end: blank lines below the record hold nothing to lose.
std::string_view WithoutFinalLineEnds(std::string_view text)
{
    const std::size_t end = text.find_last_not_of("\r\n");
    return text.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

// The log's text as it is kept: every CR and LF at its end replaced by one CR LF.
std::string WithOneFinalLineEnd(std::string_view text)
{
    const std::size_t end = text.find_last_not_of("\r\n");
    std::string trimmed(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
    trimmed += "\r\n";
    return trimmed;
}

// "1,234 バイト、2026/12/09 17:30" for a copy or a file.
QString SizeAndTime(std::size_t bytes, const QDateTime& time)
{
    return QStringLiteral("%1 バイト、%2")
        .arg(QLocale(QLocale::Japanese).toString(static_cast<qulonglong>(bytes)),
             time.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
}

// The last lines of a copy with text, each cut to a readable length, for the question.
QString LastLinesOf(std::string_view text)
{
    constexpr int kLines = 3;
    constexpr qsizetype kLongest = 60;
    text = WithoutFinalLineEnds(text);
    QStringList lines;
    while (!text.empty() && lines.size() < kLines) {
        const std::size_t start = text.find_last_of("\r\n");
        const std::string_view line =
            start == std::string_view::npos ? text : text.substr(start + 1);
        QString shown = QStringFromCp932(line);
        if (shown.size() > kLongest)
            shown = shown.left(kLongest) + QStringLiteral("…");
        if (!line.empty())
            lines.prepend(QStringLiteral("  ") + shown);
        text = start == std::string_view::npos ? std::string_view() : text.substr(0, start);
        text = WithoutFinalLineEnds(text);
    }
    if (lines.isEmpty())
        return {};
    return QStringLiteral("\n最後の行:\n") + lines.join(u'\n');
}

} // namespace

CVornyDoc::CVornyDoc(IDocumentHost& host, ISettingsStore& store, CRecentFileList& recentFiles,
                     std::function<QString()> defaultLogPath)
    : m_host(host), m_store(store), m_recentFiles(recentFiles),
      m_defaultLogPath(std::move(defaultLogPath))
{}

bool CVornyDoc::FileNew()
{
    if (m_hasDocument && !SaveModified())
        return false;
    if (!OnNewDocument())
        return false;
    m_hasDocument = true;
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
    if (m_hasDocument && !fullPath.isEmpty() && SameFilePath(m_pathName, fullPath)) {
        m_host.Activate();
        return EOpenResult::AlreadyOpen;
    }
    // Another window's document is not opened twice: the window closed last would overwrite the
    // other's record.
    if (!m_host.ClaimDocument(fullPath))
        return EOpenResult::Cancelled;
    if (m_hasDocument && !SaveModified()) {
        m_host.DropClaim();
        return EOpenResult::Cancelled;
    }
    if (!OnOpenDocument(fullPath)) {
        m_host.DropClaim();
        return EOpenResult::Failed;
    }
    m_hasDocument = true;
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
    m_pathName.clear();
    m_isLog = IsLogPath({});
    m_modified = false;
    m_diskStamp = {};
    m_cutAtNul = false;
    m_host.Sheet().SetText("");
    OfferRecoveryCopy({}, {});
    return true;
}

bool CVornyDoc::OnOpenDocument(const QString& path)
{
    // A save in place that a kill cut short left the file half written: its old content is kept.
    if (HasInterruptedSave(path)) {
        if (Tell(
                QStringLiteral("%1 の前回の保存は途中で中断されました。保存前の内容を復元しますか?")
                    .arg(path),
                EMessageButtons::YesNo) != EMessageResult::Yes)
            DiscardInterruptedSave(path);
        else if (const EFileError restored = RestoreInterruptedSave(path);
                 restored != EFileError::None)
            Tell(FailureMessage(EDocumentOperation::Save, restored, path));
    }
    std::string text;
    const EFileError error = ReadWholeFile(path, text, kMaxOpenFileBytes);
    if (error != EFileError::None) {
        Tell(FailureMessage(EDocumentOperation::Open, error, path));
        return false;
    }
    m_diskStamp = FileStampOf(ResolveFileLinks(path));
    m_cutAtNul = false;
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
        m_cutAtNul = true;
        Tell(QStringLiteral("%1 には NUL 文字があるため、その位置から後ろは表示されません。")
                 .arg(path));
    }
    m_host.Sheet().SetText(text);
    m_modified = false;
    OfferRecoveryCopy(path, text);
    return true;
}

bool CVornyDoc::OnSaveDocument(const QString& path)
{
    return SaveText(path, m_host.Sheet().GetText());
}

bool CVornyDoc::SaveText(const QString& path, std::string_view text)
{
    std::string_view bytes = text;
    if (bytes.size() > kMaxSheetFileBytes) {
        if (!IsLogDocument()) {
            Tell(QStringLiteral("32KBを越えては保存できません。"));
            return false;
        }
        // Counted in bytes: the cut may fall inside a line or a two-byte character.
        bytes.remove_prefix(bytes.size() - kMaxSheetFileBytes);
    }
    if (!MayOverwrite(path))
        return false;
    const EFileError error = ReplaceFile(path, bytes);
    if (error != EFileError::None) {
        Tell(FailureMessage(EDocumentOperation::Save, error, path));
        return false;
    }
    m_diskStamp = FileStampOf(ResolveFileLinks(path));
    m_cutAtNul = false;
    m_modified = false;
    return true;
}

bool CVornyDoc::MayOverwrite(const QString& path)
{
    if (m_pathName.isEmpty() || !SameFilePath(path, m_pathName))
        return true; // Save As asked about the file already
    if (m_cutAtNul &&
        Tell(QStringLiteral("%1 の NUL 文字から後ろは表示されていないため、上書きすると失われます。"
                            "上書きしますか?")
                 .arg(path),
             EMessageButtons::YesNo) != EMessageResult::Yes)
        return false;
    const FileStamp now = FileStampOf(ResolveFileLinks(path));
    if (m_diskStamp.exists && now.exists && now != m_diskStamp &&
        Tell(QStringLiteral("%1 は、開いた後でほかのﾌﾟﾛｸﾞﾗﾑによって変更されています。"
                            "その変更は上書きすると失われます。上書きしますか?")
                 .arg(path),
             EMessageButtons::YesNo) != EMessageResult::Yes)
        return false;
    return true;
}

bool CVornyDoc::SaveModified(ECloseMode mode)
{
    if (!m_hasDocument)
        return true;
    m_unattended = mode == ECloseMode::Unattended;
    struct ResetMode
    {
        bool& unattended;
        ~ResetMode() { unattended = false; }
    } const resetMode{m_unattended};

    if (!IsLogDocument()) {
        if (!m_modified) {
            // Unattended, a copy that a question cut short offered is kept for the next start.
            if (!m_unattended)
                DiscardRecoveryCopy(m_pathName);
            return true;
        }
        // Nobody to ask: the changes wait in the recovery copy, and the file is left alone.
        if (m_unattended) {
            KeepRecoveryCopy();
            return true;
        }
        switch (Tell(QStringLiteral("%1 への変更を保存しますか?").arg(m_strTitle),
                     EMessageButtons::YesNoCancel)) {
        case EMessageResult::Yes: return DoFileSave();
        case EMessageResult::No: DiscardRecoveryCopy(m_pathName); return true;
        case EMessageResult::Ok:
        case EMessageResult::Cancel: return false;
        }
        return false;
    }

    // The log: kept with one final line end, so that the blank lines opened below the record at
    // start-up do not pile up in the file. This is no change of the user's. The sheet takes the
    // trimmed text only once the close goes ahead, so that a cancelled close leaves it alone.
    ISheetControl& sheet = m_host.Sheet();
    const std::string text = sheet.GetText();
    const std::string kept = WithOneFinalLineEnd(text);
    if (m_modified && !DoSave(m_pathName, &kept)) {
        // A cancelled Save As of the untitled log keeps the program running, as the user chose.
        if (m_pathName.isEmpty() && !m_unattended)
            return false;
        if (m_unattended)
            KeepRecoveryCopy(); // the program ends all the same
        else if (!CloseUnsaved())
            return false;
    } else if (m_modified || !m_unattended) {
        DiscardRecoveryCopy(m_pathName);
    }
    if (kept != text)
        sheet.SetText(kept);
    return true;
}

bool CVornyDoc::CloseUnsaved()
{
    const QString name = m_pathName.isEmpty() ? m_strTitle : m_pathName;
    if (KeepRecoveryCopy())
        return Tell(QStringLiteral("%1 を保存できませんでした。保存しないで閉じますか?\n"
                                   "計算の記録は保存されていて、次に開くときに復元できます。")
                        .arg(name),
                    EMessageButtons::YesNo) == EMessageResult::Yes;
    return Tell(QStringLiteral("%1 を保存できませんでした。保存しないで閉じると、"
                               "この計算の記録は失われます。閉じますか?")
                    .arg(name),
                EMessageButtons::YesNo) == EMessageResult::Yes;
}

bool CVornyDoc::KeepRecoveryCopy()
{
    if (!m_recovery || !m_hasDocument || !m_modified)
        return m_hasDocument && !m_modified;
    const bool written =
        m_recovery->Write(m_pathName, m_host.Sheet().GetText()) == EFileError::None;
    // The program ends after an unattended close: the copy is in place first.
    if (written && m_unattended)
        m_recovery->Flush();
    return written;
}

bool CVornyDoc::OfferRecoveryCopy(const QString& path, std::string_view fileText)
{
    if (!m_recovery)
        return false;
    const std::optional<RecoveryCopy> copy = m_recovery->Take(path);
    // Blank lines at the end are no record: the log's start opens six of them.
    if (!copy || WithoutFinalLineEnds(copy->bytes) == WithoutFinalLineEnds(fileText))
        return false;
    const QString name = path.isEmpty() ? Untitled() : path;
    const QString fileState = path.isEmpty()
                                  ? QStringLiteral("なし")
                                  : SizeAndTime(fileText.size(), QFileInfo(path).lastModified());
    const QString question =
        QStringLiteral("%1 には、前回正しく閉じられなかったときの保存されていない計算が"
                       "残っています。復元しますか?\n\n残っている計算: %2\nファイル: %3%4")
            .arg(name, SizeAndTime(copy->bytes.size(), copy->saved), fileState,
                 LastLinesOf(copy->bytes));
    // A copy that holds nothing, or much less than the file, is restored only on purpose: it
    // may be what a power cut left of a copy being written.
    const bool cautious =
        WithoutFinalLineEnds(copy->bytes).empty() || copy->bytes.size() < fileText.size() / 2;
    if (Tell(question, EMessageButtons::YesNo, cautious) != EMessageResult::Yes)
        return false;
    m_host.Sheet().SetText(copy->bytes);
    m_modified = true; // the usual close rules save it
    return true;
}

void CVornyDoc::DiscardRecoveryCopy(const QString& path) const
{
    if (m_recovery)
        m_recovery->Remove(path);
}

EMessageResult CVornyDoc::Tell(const QString& text, EMessageButtons buttons, bool cautious)
{
    if (!m_unattended)
        return m_host.Desktop().ShowMessage({m_host.DialogParent(), MessageBoxCaption(), text,
                                             EMessageIcon::Exclamation, buttons, cautious});
    std::fprintf(stderr, "brunovelt: %s\n", text.toLocal8Bit().constData());
    return buttons == EMessageButtons::Ok ? EMessageResult::Ok : EMessageResult::No;
}

bool CVornyDoc::SaveLogNow()
{
    if (!m_hasDocument || !m_isLog || m_pathName.isEmpty() || !m_modified)
        return !m_modified;
    m_unattended = true;
    const bool saved = SaveText(m_pathName, WithOneFinalLineEnd(m_host.Sheet().GetText()));
    m_unattended = false;
    return saved;
}

bool CVornyDoc::DoFileSave()
{
    // A file the user may not write is saved under another name instead.
    const QFileInfo file(m_pathName);
    if (!m_pathName.isEmpty() && file.exists() && !file.isWritable())
        return DoSave({});
    return DoSave(m_pathName);
}

bool CVornyDoc::DoSaveAs()
{
    return DoSave({});
}

bool CVornyDoc::DoSave(const QString& pathName, const std::string* text)
{
    QString path = pathName;
    if (path.isEmpty()) {
        if (m_unattended)
            return false;
        const std::optional<QString> chosen =
            m_host.AskSaveAsPath(m_pathName.isEmpty() ? m_strTitle : m_pathName);
        if (!chosen || chosen->isEmpty())
            return false;
        path = FullPath(*chosen);
    }
    // A file that another window has open is not written over from this one.
    const bool newName = !SameFilePath(path, m_pathName);
    if (newName && !m_host.ClaimDocument(path))
        return false;
    // A failed save has left any file at `path` as it was, so there is nothing to remove.
    if (!(text ? SaveText(path, *text) : OnSaveDocument(path))) {
        if (newName)
            m_host.DropClaim();
        return false;
    }
    // The file holds the sheet now: no copy is needed, under the old name or the new.
    DiscardRecoveryCopy(m_pathName);
    DiscardRecoveryCopy(path);
    SetPathName(path);
    return true;
}

bool CVornyDoc::IsLogPath(const QString& path) const
{
    if (m_store.GetInt("System", "Log", 1) == 0)
        return path.isEmpty();
    // The default is computed (and the default file made) before the value is read, every time.
    const QString defaultPath = m_defaultLogPath ? m_defaultLogPath() : QString();
    return path == ReadLogFileSetting(m_store, defaultPath);
}

void CVornyDoc::SetPathName(const QString& path)
{
    m_pathName = path;
    m_isLog = IsLogPath(path);
    m_strTitle = QFileInfo(path).fileName();
    m_recentFiles.Add(path);
    m_host.TitleChanged();
}
