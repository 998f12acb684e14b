#pragma once

#include "FileIo.h"
#include "MessageBox.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class CRecentFileList;
class CRecoveryCopies;
class IDesktop;
class ISettingsStore;
class ISheetControl;
class QWidget;

// The most a sheet file holds; the log file keeps its last this many bytes instead.
inline constexpr std::size_t kMaxSheetFileBytes = 32000;
// The largest file that is opened as a sheet; a larger one fails to open with a message naming
// it. The edit control's cost follows the line count: 1 MiB of short lines opens in under a
// second with about 130 MB, 16 MiB took 15 s and 1.6 GB. No sheet file is written over 32000
// bytes, so this is 32 times what the program itself saves.
inline constexpr std::size_t kMaxOpenFileBytes = 1024 * 1024;

// What the document needs of the window that shows it.
class IDocumentHost
{
public:
    virtual ~IDocumentHost() = default;

    // The sheet of the document's view, which alone holds the text.
    virtual ISheetControl& Sheet() = 0;
    // The owner of the document's message boxes; null for none.
    virtual QWidget* DialogParent() = 0;
    // Where the document's message boxes are shown.
    virtual IDesktop& Desktop() = 0;
    // The Open dialog ("開く"); none when it was cancelled.
    virtual std::optional<QString> AskOpenPath() = 0;
    // The Save As dialog ("名前を付けて保存") starting at `suggested` (a path or a bare title);
    // none when it was cancelled.
    virtual std::optional<QString> AskSaveAsPath(const QString& suggested) = 0;
    // The view's initial update after New or Open. The sheet already holds the document's text,
    // put there without a change notification.
    virtual void InitialUpdate() = 0;
    // The path name or title changed: the caption is "title - Brunovelt".
    virtual void TitleChanged() = 0;
    // The document asked to be opened is open already: the window comes to the front.
    virtual void Activate() = 0;
    // Before the document at the full path `path` is read, or a sheet saved to it under a new
    // name: whether this window may have it. False when another window has it; that window was
    // brought to the front, or the user was told. What is claimed is this window's once the path
    // name changes to it (TitleChanged), and given up with DropClaim when that does not happen.
    virtual bool ClaimDocument(const QString& path) = 0;
    virtual void DropClaim() = 0;
};

// The calculation sheet as a document: its path name, title and modified flag, New, Open, Save,
// Save As and the close check, and the log-file rules. It keeps no text: the text lives in the
// host's sheet. The same object serves every document of the run.
class CVornyDoc
{
public:
    enum class EOpenResult {
        Opened,
        AlreadyOpen, // the document named is the one open: only the window was activated
        Cancelled,   // the dialog or the close check of the current document said no
        Failed,      // the file could not be read; the message was shown
    };

    // `defaultLogPath` is GetDefaultLogPath, called at each log-document test.
    CVornyDoc(IDocumentHost& host, ISettingsStore& store, CRecentFileList& recentFiles,
              std::function<QString()> defaultLogPath);

    // The document manager's commands. New and Open first run the close check of the document
    // that is open (none before the first document), and stop when it says no.
    bool FileNew();
    EOpenResult FileOpen(); // asks for the file with the Open dialog
    EOpenResult OpenDocumentFile(const QString& path);
    // Opens the recent-file entry `index`; an entry whose file cannot be opened is removed.
    EOpenResult OpenRecentFile(std::size_t index);

    // The framework's steps.
    // Empties the path name, the modified flag and the sheet.
    bool OnNewDocument();
    // Reads the whole file at `path` into the sheet, up to its first NUL byte (the sheet takes
    // the text as a terminated string), and clears the modified flag. On failure shows the file
    // error and leaves the sheet as it was.
    bool OnOpenDocument(const QString& path);
    // Writes the sheet's text to `path`: refused with "32KBを越えては保存できません。" over 32000
    // bytes unless this is the log document, whose file then gets the last 32000 bytes (the sheet
    // keeps all). A file error is shown and the old file stays as it was. Clears the modified flag
    // on success only.
    bool OnSaveDocument(const QString& path);
    // How a close may speak to the user.
    enum class ECloseMode {
        Interactive, // questions and messages
        Unattended,  // none: a signal or the session's end ends the program; what cannot be
                     // saved without a question stays in the recovery copy
    };

    // The close check, before the document is closed or replaced; false cancels the close. The
    // log document is trimmed to one final CR LF and saved without a question when modified; any
    // other modified document asks whether to save it. A log that cannot be saved may be closed
    // all the same, its record kept in the recovery copy. The sheet is left as it was when the
    // close is cancelled.
    bool SaveModified(ECloseMode mode = ECloseMode::Interactive);

    // Recovery copies of the sheet while it differs from its file; none without this call.
    void SetRecoveryCopies(const CRecoveryCopies* copies) { m_recovery = copies; }
    // Writes the recovery copy now when the sheet differs from its file. False when a copy was
    // needed and could not be written.
    bool KeepRecoveryCopy();

    // Saves the log, trimmed to one final line end, without a question or a dialog: for when no
    // recovery copy can be kept. False when it could not be saved (nothing is shown).
    bool SaveLogNow();

    // Save: under the path name, or through Save As for a new or read-only file.
    bool DoFileSave();
    // Save As: the dialog, then the save; the document takes the new path on success.
    bool DoSaveAs();

    // Whether the document is the log file: its path name equals, byte for byte, "System"/
    // "LogFile" (default: the default log path) while "System"/"Log" is non-zero, and the empty
    // string while it is 0. Decided when the document gets its path name (New, Open, Save As),
    // so that a change of the setting while the log is open does not turn its record into an
    // ordinary sheet that a signal or the session's end would leave unsaved.
    bool IsLogDocument() const { return m_isLog; }

    bool HasDocument() const { return m_hasDocument; }
    const QString& GetPathName() const { return m_pathName; }
    const QString& GetTitle() const { return m_strTitle; } // "無題" for a new sheet
    // Sets the path name and title (the file's name) and adds the file to the recent list.
    void SetPathName(const QString& path);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

private:
    // Saves `text` (the sheet's when none) to `path`, or, when it is empty, to a path asked for
    // with Save As.
    bool DoSave(const QString& path, const std::string* text = nullptr);
    bool SaveText(const QString& path, std::string_view text);
    // Whether a save over `path` may go ahead: a file that changed on disk since it was read,
    // or one that was cut at a NUL when read, is overwritten only when the user says so.
    bool MayOverwrite(const QString& path);
    // Offers the recovery copy left for the document just read as `fileText`; true when the
    // sheet now holds it.
    bool OfferRecoveryCopy(const QString& path, std::string_view fileText);
    void DiscardRecoveryCopy(const QString& path) const;
    // The log could not be saved at its close: whether to close it all the same.
    bool CloseUnsaved();
    // The log-document test for a document at `path`, from the store as it is now.
    bool IsLogPath(const QString& path) const;
    // A message box, or in an unattended close the text on standard error and the answer that
    // changes nothing on disk.
    // `cautious`: the default button is the one that changes nothing.
    EMessageResult Tell(const QString& text, EMessageButtons buttons = EMessageButtons::Ok,
                        bool cautious = false);

    IDocumentHost& m_host;
    ISettingsStore& m_store;
    CRecentFileList& m_recentFiles;
    std::function<QString()> m_defaultLogPath;

    const CRecoveryCopies* m_recovery = nullptr;
    bool m_unattended = false; // an unattended close is under way

    bool m_hasDocument = false;
    FileStamp m_diskStamp;   // the file as it was read or last saved
    bool m_cutAtNul = false; // the file held a NUL: the sheet shows what came before it
    QString m_pathName;
    QString m_strTitle;
    bool m_modified = false;
    bool m_isLog = false;
};
