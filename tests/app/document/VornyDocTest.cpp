#include "VornyDoc.h"

#include "Cp932Codec.h"
#include "Cp932QString.h"
#include "DocumentTestSupport.h"
#include "FileErrors.h"
#include "MemorySettingsStore.h"
#include "TestDesktop.h"
#include "RecentFileList.h"
#include "RecentFileText.h"
#include "SettingsStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <future>
#include <string>
#include <unistd.h>

namespace {

using EOpen = CVornyDoc::EOpenResult;

const QString kSaveQuestion = QStringLiteral("%1 への変更を保存しますか?");
const QString kTooLarge = QStringLiteral("32KBを越えては保存できません。");

class Document : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_defaultLog = Path(QStringLiteral("data/計算Log.txt"));
        ASSERT_TRUE(PutFile(m_defaultLog, "\r\n"));
        // What the view does: every change of the sheet marks the document modified.
        m_host.m_sheet.SetChangeHandler([this] { m_doc.SetModifiedFlag(true); });
    }

    QString Path(const QString& name) const { return QDir::cleanPath(m_dir.filePath(name)); }

    // The log document open, as at start-up with automatic saving on.
    void OpenLog(std::string_view content = "\r\n")
    {
        ASSERT_TRUE(PutFile(m_defaultLog, content));
        ASSERT_EQ(m_doc.OpenDocumentFile(m_defaultLog), EOpen::Opened);
        ASSERT_TRUE(m_doc.IsLogDocument());
    }

    // A sheet file other than the log, open.
    QString OpenSheet(const QString& name, std::string_view content)
    {
        const QString path = Path(name);
        EXPECT_TRUE(PutFile(path, content));
        EXPECT_EQ(m_doc.OpenDocumentFile(path), EOpen::Opened);
        EXPECT_FALSE(m_doc.IsLogDocument());
        return path;
    }

    void Type(std::string_view bytes)
    {
        m_host.m_sheet.SetSelection(m_host.m_sheet.GetText().size(),
                                    m_host.m_sheet.GetText().size());
        m_host.m_sheet.Type(bytes);
    }

    QTemporaryDir m_dir;
    QString m_defaultLog;
    int m_defaultLogCalls = 0;
    CTestDesktop m_boxes;
    CMemorySettingsStore m_store;
    CRecentFileList m_recent{m_store, m_boxes};
    CFakeDocumentHost m_host{m_boxes};
    CVornyDoc m_doc{m_host, m_store, m_recent, [this] {
                        ++m_defaultLogCalls;
                        return m_defaultLog;
                    }};
};

// ---------------------------------------------------------------------------------------------
// The 32000-byte rule: a sheet file holds at most 32000 bytes; the log keeps its last 32000.

TEST_F(Document, SavesUpTo32000BytesAndRefusesOneMore)
{
    struct Row
    {
        std::size_t size;
        bool saved;
    };
    for (const Row row : {Row{0, true}, Row{1, true}, Row{31999, true}, Row{32000, true},
                          Row{32001, false}, Row{100000, false}}) {
        SCOPED_TRACE(row.size);
        m_doc.SetModifiedFlag(false);
        ASSERT_TRUE(m_doc.FileNew());
        const QString path = OpenSheet(QStringLiteral("sheet.txt"), "old\r\n");
        m_host.m_sheet.SetText(SheetText(row.size));
        m_doc.SetModifiedFlag();
        m_boxes.Clear();
        EXPECT_EQ(m_doc.OnSaveDocument(path), row.saved);
        if (row.saved) {
            EXPECT_EQ(m_boxes.Count(), 0u);
            EXPECT_EQ(FileContent(path), SheetText(row.size));
            EXPECT_FALSE(m_doc.IsModified());
        } else {
            ASSERT_EQ(m_boxes.Count(), 1u);
            EXPECT_EQ(m_boxes.Last().text, kTooLarge);
            EXPECT_EQ(m_boxes.Last().buttons, EMessageButtons::Ok);
            EXPECT_EQ(FileContent(path), "old\r\n");
            EXPECT_TRUE(m_doc.IsModified());
        }
        EXPECT_EQ(FolderEntries(m_dir.path()),
                  (QStringList{QStringLiteral("data"), QStringLiteral("sheet.txt")}));
    }
}

TEST_F(Document, ATooLargeSheetCreatesNoFile)
{
    ASSERT_TRUE(m_doc.FileNew());
    m_host.m_sheet.SetText(SheetText(32001));
    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("new.txt")));
    EXPECT_FALSE(m_doc.DoSaveAs());
    EXPECT_EQ(m_boxes.Last().text, kTooLarge);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("new.txt"))));
    EXPECT_TRUE(m_doc.GetPathName().isEmpty());
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("無題"));
}

TEST_F(Document, TheLogKeepsItsLast32000BytesAndTheSheetAll)
{
    OpenLog();
    // Two-byte characters after one ASCII byte: the cut falls between a character's two bytes.
    std::string text;
    while (text.size() < 40000)
        text += "\x82\xa0"; // あ
    text += '!';
    m_host.m_sheet.SetText(text);
    m_doc.SetModifiedFlag();
    ASSERT_TRUE(m_doc.OnSaveDocument(m_defaultLog));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(FileContent(m_defaultLog), text.substr(text.size() - 32000));
    EXPECT_EQ(FileContent(m_defaultLog)->front(), '\xa0');
    EXPECT_EQ(m_host.m_sheet.GetText(), text);
    EXPECT_FALSE(m_doc.IsModified());
}

// ---------------------------------------------------------------------------------------------
// The close check of the log: trimmed to one final CR LF, saved without a question when modified.

TEST_F(Document, TheLogEndsInOneLineEndWhenClosed)
{
    struct Row
    {
        const char* name;
        std::string sheet;
        std::string file;
    };
    const Row rows[] = {
        {"blank lines below the record", "1+1\r\n2\r\n\r\n\r\n\r\n\r\n\r\n\r\n", "1+1\r\n2\r\n"},
        {"no line end", "1+1\r\n2", "1+1\r\n2\r\n"},
        {"lone CRs and LFs at the end", "2\n\r\r\n\n", "2\r\n"},
        {"a CR inside a line stays", "a\rb\r\n\r\n", "a\rb\r\n"},
        {"nothing but line ends", "\r\n\r\n\r\n", "\r\n"},
        {"empty", "", "\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenLog("old\r\n");
        m_host.m_sheet.SetText(row.sheet);
        m_doc.SetModifiedFlag();
        m_boxes.Clear();
        ASSERT_TRUE(m_doc.SaveModified());
        EXPECT_EQ(m_boxes.Count(), 0u); // no question
        EXPECT_TRUE(m_host.m_saveAsSuggestions.empty());
        EXPECT_EQ(FileContent(m_defaultLog), row.file);
        EXPECT_EQ(m_host.m_sheet.GetText(), row.file);
        EXPECT_FALSE(m_doc.IsModified());
        ASSERT_EQ(m_doc.FileNew(), true); // closes the log for the next row
    }
}

TEST_F(Document, AnUnmodifiedLogIsNotWrittenButItsSheetIsTrimmed)
{
    OpenLog("1+1\r\n2\r\n");
    ASSERT_TRUE(PutFile(m_defaultLog, "changed by another program"));
    m_host.m_sheet.SetText("1+1\r\n2\r\n\r\n\r\n"); // as the view's positioning leaves it
    m_doc.SetModifiedFlag(false);
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(FileContent(m_defaultLog), "changed by another program");
    EXPECT_EQ(m_host.m_sheet.GetText(), "1+1\r\n2\r\n");
    EXPECT_FALSE(m_doc.IsModified()); // putting the text back is no change
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(Document, AFailedLogSaveOffersToCloseAllTheSame)
{
    OpenLog();
    Type("1\r\n\r\n");
    m_host.m_sheet.SetSelection(2, 2);
    ASSERT_TRUE(QFile::remove(m_defaultLog));
    ASSERT_TRUE(QDir().mkpath(m_defaultLog)); // a folder in the file's place
    m_boxes.QueueAnswer(EMessageResult::Ok);
    m_boxes.QueueAnswer(EMessageResult::No); // stay
    EXPECT_FALSE(m_doc.SaveModified());
    ASSERT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(m_boxes.Requests()[0].text,
              QStringLiteral("%1 へのｱｸｾｽは拒否されました。").arg(m_defaultLog));
    EXPECT_EQ(m_boxes.Requests()[1].buttons, EMessageButtons::YesNo);
    EXPECT_TRUE(m_doc.IsModified());
    // The cancelled close leaves the sheet and its caret alone.
    EXPECT_EQ(m_host.m_sheet.GetText(), "\r\n1\r\n\r\n");
    EXPECT_EQ(m_host.m_sheet.GetSelection().start, 2u);
    // ... and so New and Open too.
    m_boxes.QueueAnswer(EMessageResult::Ok);
    m_boxes.QueueAnswer(EMessageResult::No);
    EXPECT_FALSE(m_doc.FileNew());
    ASSERT_TRUE(PutFile(Path(QStringLiteral("x.txt")), "x"));
    m_boxes.QueueAnswer(EMessageResult::Ok);
    m_boxes.QueueAnswer(EMessageResult::No);
    EXPECT_EQ(m_doc.OpenDocumentFile(Path(QStringLiteral("x.txt"))), EOpen::Cancelled);
    EXPECT_EQ(m_doc.GetPathName(), m_defaultLog);
    // Yes leaves the log unsaved: the program is never trapped.
    EXPECT_TRUE(m_doc.SaveModified());
}

// ---------------------------------------------------------------------------------------------
// The ordinary close check: a modified sheet asks "%1 への変更を保存しますか?".

TEST_F(Document, AModifiedSheetAsksWhetherToSave)
{
    struct Row
    {
        EMessageResult answer;
        bool closes;
        bool saved;
    };
    for (const Row row :
         {Row{EMessageResult::Yes, true, true}, Row{EMessageResult::No, true, false},
          Row{EMessageResult::Cancel, false, false}}) {
        SCOPED_TRACE(static_cast<int>(row.answer));
        m_doc.SetModifiedFlag(false);
        ASSERT_TRUE(m_doc.FileNew());
        const QString path = OpenSheet(QStringLiteral("売上.txt"), "1\r\n");
        Type("2\r\n");
        m_boxes.Clear();
        m_boxes.QueueAnswer(row.answer);
        EXPECT_EQ(m_doc.SaveModified(), row.closes);
        ASSERT_EQ(m_boxes.Count(), 1u);
        EXPECT_EQ(m_boxes.Last().text, kSaveQuestion.arg(QStringLiteral("売上.txt")));
        EXPECT_EQ(m_boxes.Last().buttons, EMessageButtons::YesNoCancel);
        EXPECT_EQ(FileContent(path), row.saved ? "1\r\n2\r\n" : "1\r\n");
        EXPECT_EQ(m_doc.IsModified(), !row.saved);
        EXPECT_EQ(m_host.m_sheet.GetText(), "1\r\n2\r\n"); // never trimmed
        m_doc.SetModifiedFlag(false);
    }
}

TEST_F(Document, AnUnmodifiedSheetClosesWithoutAQuestion)
{
    OpenSheet(QStringLiteral("a.txt"), "1\r\n\r\n\r\n");
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(m_host.m_sheet.GetText(), "1\r\n\r\n\r\n");
}

TEST_F(Document, YesOnANewSheetGoesThroughSaveAs)
{
    ASSERT_TRUE(m_doc.FileNew());
    Type("1+1\r\n");
    m_boxes.QueueAnswer(EMessageResult::Yes);
    m_host.m_saveAsAnswers.push_back(QString()); // cancelled: the close is cancelled
    EXPECT_FALSE(m_doc.SaveModified());
    EXPECT_EQ(m_boxes.Last().text, kSaveQuestion.arg(QStringLiteral("無題")));
    ASSERT_EQ(m_host.m_saveAsSuggestions.size(), 1u);
    EXPECT_EQ(m_host.m_saveAsSuggestions[0], QStringLiteral("無題"));

    m_boxes.QueueAnswer(EMessageResult::Yes);
    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("sub/../calc")));
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(m_doc.GetPathName(), Path(QStringLiteral("calc"))); // no extension added
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("calc"));
    EXPECT_EQ(FileContent(Path(QStringLiteral("calc"))), "1+1\r\n");
}

TEST_F(Document, AutomaticSavingOffMakesANewSheetTheLogDocument)
{
    m_store.Put("System", "Log", "0");
    ASSERT_TRUE(m_doc.FileNew());
    EXPECT_TRUE(m_doc.IsLogDocument());
    EXPECT_EQ(m_defaultLogCalls, 0); // the default is not needed with "Log" at 0

    // Unchanged: the program ends without any dialog.
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(m_host.m_saveAsSuggestions.empty());

    // Typed in: no question, Save As at once; Cancel keeps the program running.
    m_host.m_sheet.SetText("");
    Type("1+1\r\n2\r\n\r\n");
    EXPECT_FALSE(m_doc.SaveModified());
    EXPECT_EQ(m_boxes.Count(), 0u);
    ASSERT_EQ(m_host.m_saveAsSuggestions.size(), 1u);
    EXPECT_EQ(m_host.m_saveAsSuggestions[0], QStringLiteral("無題"));
    EXPECT_EQ(m_host.m_sheet.GetText(), "1+1\r\n2\r\n\r\n"); // a cancelled close leaves it

    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("saved.txt")));
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(FileContent(Path(QStringLiteral("saved.txt"))), "1+1\r\n2\r\n");
    EXPECT_FALSE(m_doc.IsLogDocument()); // it has a name now
}

// ---------------------------------------------------------------------------------------------
// The log-document test, made from the store when the document gets its path name.

TEST_F(Document, TheLogDocumentIsDecidedWhenItIsOpened)
{
    const QString other = Path(QStringLiteral("other.txt"));
    ASSERT_TRUE(PutFile(other, "1\r\n"));
    const struct
    {
        const char* log;
        QString logFile;
        bool isLog;
    } cases[] = {
        {"1", m_defaultLog, true},
        {"2", m_defaultLog, true},
        {"0", m_defaultLog, false},
        {"1", other, false},
        // Byte for byte: the path spelt another way is another file to this test.
        {"1", m_dir.path() + QStringLiteral("/data/./計算Log.txt"), false},
        {"1", m_dir.path() + QStringLiteral("/DATA/計算Log.txt"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logFile.toStdString() + " Log=" + c.log);
        m_store.Put("System", "Log", c.log);
        m_store.Put("System", "LogFile", QStringToCp932(c.logFile));
        ASSERT_TRUE(m_doc.FileNew());
        const int calls = m_defaultLogCalls;
        ASSERT_EQ(m_doc.OpenDocumentFile(m_defaultLog), EOpen::Opened);
        EXPECT_EQ(m_doc.IsLogDocument(), c.isLog);
        // The default is computed even when a name is set, but only while "Log" is on.
        EXPECT_EQ(m_defaultLogCalls > calls, std::string(c.log) != "0");
    }

    // A change of the setting while the log is open leaves it the log until it closes: a signal
    // still saves its record without a question.
    m_store.Put("System", "Log", "1");
    m_store.Put("System", "LogFile", QStringToCp932(m_defaultLog));
    ASSERT_TRUE(m_doc.FileNew());
    OpenLog();
    m_store.Put("System", "LogFile", QStringToCp932(other));
    EXPECT_TRUE(m_doc.IsLogDocument());
    Type("2+2\r\n4\r\n");
    EXPECT_TRUE(m_doc.SaveModified(CVornyDoc::ECloseMode::Unattended));
    EXPECT_EQ(FileContent(m_defaultLog), "\r\n2+2\r\n4\r\n");
    // Opened again, it is an ordinary sheet now.
    ASSERT_TRUE(m_doc.FileNew());
    ASSERT_EQ(m_doc.OpenDocumentFile(m_defaultLog), EOpen::Opened);
    EXPECT_FALSE(m_doc.IsLogDocument());
}

// A document another window has open is neither opened nor written over from this one.
TEST_F(Document, ADocumentAnotherWindowHasIsNotOpenedOrSavedOver)
{
    const QString other = Path(QStringLiteral("other.txt"));
    ASSERT_TRUE(PutFile(other, "1\r\n"));
    OpenLog();
    Type("5\r\n");
    m_host.m_heldElsewhere.append(other);
    EXPECT_EQ(m_doc.OpenDocumentFile(other), EOpen::Cancelled);
    EXPECT_EQ(m_doc.GetPathName(), m_defaultLog);
    EXPECT_TRUE(m_doc.IsModified()); // no close check ran

    m_host.m_saveAsAnswers.push_back(other);
    EXPECT_FALSE(m_doc.DoSaveAs());
    EXPECT_EQ(FileContent(other), "1\r\n");
    EXPECT_EQ(m_doc.GetPathName(), m_defaultLog);

    // A claim that led nowhere is given up.
    m_host.m_heldElsewhere.clear();
    const int dropped = m_host.m_droppedClaims;
    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("missing/x.txt")));
    EXPECT_FALSE(m_doc.DoSaveAs());
    EXPECT_EQ(m_host.m_droppedClaims, dropped + 1);
}

TEST_F(Document, ARelativeLogFileNeverMatches)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    ASSERT_TRUE(PutFile(Path(QStringLiteral("rel.txt")), "1\r\n"));
    m_store.Put("System", "LogFile", "rel.txt");
    EXPECT_EQ(m_doc.OpenDocumentFile(QStringLiteral("rel.txt")), EOpen::Opened);
    QDir::setCurrent(previous);

    EXPECT_EQ(m_doc.GetPathName(), Path(QStringLiteral("rel.txt")));
    EXPECT_FALSE(m_doc.IsLogDocument());
    m_host.m_sheet.SetText(SheetText(32001));
    m_doc.SetModifiedFlag();
    m_boxes.QueueAnswer(EMessageResult::Yes);
    EXPECT_FALSE(m_doc.SaveModified()); // asked, then refused for its size
    ASSERT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(m_boxes.Requests()[0].text, kSaveQuestion.arg(QStringLiteral("rel.txt")));
    EXPECT_EQ(m_boxes.Requests()[1].text, kTooLarge);
    EXPECT_EQ(FileContent(Path(QStringLiteral("rel.txt"))), "1\r\n");
}

TEST_F(Document, SaveAsAwayFromTheLogMakesAnOrdinarySheet)
{
    OpenLog();
    m_host.m_sheet.SetText(SheetText(40000));
    m_doc.SetModifiedFlag();
    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("copy.txt")));
    // Still the log while it is saved: cut, not refused.
    ASSERT_TRUE(m_doc.DoSaveAs());
    EXPECT_EQ(FileContent(Path(QStringLiteral("copy.txt"))), SheetText(40000).substr(8000));
    EXPECT_EQ(m_host.m_saveAsSuggestions.back(), m_defaultLog);
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("copy.txt"));
    EXPECT_FALSE(m_doc.IsLogDocument());
    EXPECT_EQ(FileContent(m_defaultLog), "\r\n");

    Type("1\r\n");
    EXPECT_FALSE(m_doc.DoFileSave());
    EXPECT_EQ(m_boxes.Last().text, kTooLarge);
    EXPECT_EQ(FileContent(Path(QStringLiteral("copy.txt"))), SheetText(40000).substr(8000));
}

// ---------------------------------------------------------------------------------------------
// Opening.

TEST_F(Document, OpensTheFilesBytesUnchanged)
{
    struct Row
    {
        const char* name;
        std::string file;
        std::string sheet;
    };
    const Row rows[] = {
        {"empty file", "", ""},
        {"code page 932 and lone line ends", "\x8c\x76\x8e\x5a\r\n1\n2\r3",
         "\x8c\x76\x8e\x5a\r\n1\n2\r3"},
        {"cut at a NUL byte", std::string("ab\0cd\r\n", 7), "ab"},
        {"NUL first", std::string("\0abc", 4), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_doc.SetModifiedFlag(false);
        ASSERT_TRUE(m_doc.FileNew());
        Type("typed");
        const QString path = Path(QStringLiteral("f.txt"));
        ASSERT_TRUE(PutFile(path, row.file));
        const int updates = m_host.m_initialUpdates;
        m_boxes.QueueAnswer(EMessageResult::No);
        ASSERT_EQ(m_doc.OpenDocumentFile(path), EOpen::Opened);
        EXPECT_EQ(m_host.m_sheet.GetText(), row.sheet);
        EXPECT_FALSE(m_doc.IsModified());
        EXPECT_EQ(m_doc.GetPathName(), path);
        EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("f.txt"));
        EXPECT_EQ(m_host.m_initialUpdates, updates + 1);
        m_boxes.Clear();
    }
}

TEST_F(Document, AFileThatCannotBeOpenedLeavesTheSheetAsItWas)
{
    ASSERT_TRUE(PutFile(Path(QStringLiteral("plain")), "x"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("folder"))));
    struct Row
    {
        QString path;
        QString message;
    };
    const Row rows[] = {
        {Path(QStringLiteral("missing.txt")), QStringLiteral("%1 が見つかりませんでした。")},
        {Path(QStringLiteral("nofolder/a.txt")),
         QStringLiteral("%1 には無効なﾊﾟｽが含まれています。")},
        {Path(QStringLiteral("plain/a.txt")), QStringLiteral("%1 には無効なﾊﾟｽが含まれています。")},
        {Path(QStringLiteral("folder")), QStringLiteral("%1 へのｱｸｾｽは拒否されました。")},
    };
    const QString current = OpenSheet(QStringLiteral("current.txt"), "1\r\n");
    Type("2\r\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        m_boxes.Clear();
        const int updates = m_host.m_initialUpdates;
        m_boxes.QueueAnswer(EMessageResult::No); // the close check's question: keep it unsaved
        EXPECT_EQ(m_doc.OpenDocumentFile(row.path), EOpen::Failed);
        ASSERT_EQ(m_boxes.Count(), 2u);
        EXPECT_EQ(m_boxes.Last().text, row.message.arg(row.path));
        EXPECT_EQ(m_host.m_sheet.GetText(), "1\r\n2\r\n");
        EXPECT_EQ(m_doc.GetPathName(), current);
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(m_host.m_initialUpdates, updates);
        EXPECT_EQ(m_recent.Entries().front(), current);
    }
}

TEST_F(Document, OpeningTheOpenDocumentOnlyActivatesTheWindow)
{
    OpenLog("1\r\n");
    Type("2\r\n\r\n\r\n");
    ASSERT_TRUE(PutFile(m_defaultLog, "changed on disk"));
    const int updates = m_host.m_initialUpdates;
    for (const QString& path :
         {m_defaultLog, m_dir.path() + QStringLiteral("/data/../data/計算Log.txt")}) {
        EXPECT_EQ(m_doc.OpenDocumentFile(path), EOpen::AlreadyOpen);
    }
    EXPECT_EQ(m_host.m_activations, 2);
    EXPECT_EQ(m_host.m_initialUpdates, updates);               // no reload
    EXPECT_EQ(m_host.m_sheet.GetText(), "1\r\n2\r\n\r\n\r\n"); // no close check either
    EXPECT_EQ(FileContent(m_defaultLog), "changed on disk");
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(Document, NamesDifferingInLetterCaseAreTwoFiles)
{
    // As the file system compares them: A.txt and a.txt are two documents here.
    const QString lower = OpenSheet(QStringLiteral("a.txt"), "lower");
    const QString upper = Path(QStringLiteral("A.txt"));
    ASSERT_TRUE(PutFile(upper, "upper"));
    EXPECT_EQ(m_doc.OpenDocumentFile(upper), EOpen::Opened);
    EXPECT_EQ(m_host.m_sheet.GetText(), "upper");
    ASSERT_EQ(m_recent.Entries().size(), 2u);
    EXPECT_EQ(m_recent.Entries()[1], lower);
}

TEST_F(Document, OpeningAnotherFileClosesTheLogFirst)
{
    OpenLog("1\r\n");
    Type("2\r\n\r\n");
    const QString other = Path(QStringLiteral("other.txt"));
    ASSERT_TRUE(PutFile(other, "other"));
    ASSERT_EQ(m_doc.OpenDocumentFile(other), EOpen::Opened);
    EXPECT_EQ(FileContent(m_defaultLog), "1\r\n2\r\n");
    EXPECT_EQ(m_host.m_sheet.GetText(), "other");
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(Document, CancellingTheCloseCheckStopsNewAndOpen)
{
    const QString path = OpenSheet(QStringLiteral("a.txt"), "1\r\n");
    Type("2\r\n");
    m_boxes.QueueAnswer(EMessageResult::Cancel);
    EXPECT_FALSE(m_doc.FileNew());
    m_boxes.QueueAnswer(EMessageResult::Cancel);
    m_host.m_openAnswers.push_back(Path(QStringLiteral("data/計算Log.txt")));
    EXPECT_EQ(m_doc.FileOpen(), EOpen::Cancelled);
    EXPECT_EQ(m_host.m_openAsks, 1); // the file is asked for before the close check
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(m_host.m_sheet.GetText(), "1\r\n2\r\n");
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(Document, NewEmptiesTheSheetAndItsName)
{
    OpenLog("1\r\n");
    const int titles = m_host.m_titleChanges;
    ASSERT_TRUE(m_doc.FileNew());
    EXPECT_EQ(m_host.m_sheet.GetText(), "");
    EXPECT_TRUE(m_doc.GetPathName().isEmpty());
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("無題"));
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_GT(m_host.m_titleChanges, titles);
    EXPECT_FALSE(m_doc.IsLogDocument());
    EXPECT_EQ(FileContent(m_defaultLog), "1\r\n"); // not modified: not written
}

TEST_F(Document, TheFirstDocumentHasNoCloseCheck)
{
    Type("before any document");
    ASSERT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(m_doc.SaveModified());
    ASSERT_TRUE(m_doc.FileNew());
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(m_host.m_saveAsSuggestions.empty());
    EXPECT_EQ(m_host.m_sheet.GetText(), "");
}

TEST_F(Document, SaveOfAFileWithoutWritePermissionGoesThroughSaveAs)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    const QString path = OpenSheet(QStringLiteral("ro.txt"), "1\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    Type("2\r\n");
    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("rw.txt")));
    EXPECT_TRUE(m_doc.DoFileSave());
    EXPECT_EQ(m_host.m_saveAsSuggestions.back(), path);
    EXPECT_EQ(FileContent(path), "1\r\n");
    EXPECT_EQ(FileContent(Path(QStringLiteral("rw.txt"))), "1\r\n2\r\n");
    EXPECT_EQ(m_doc.GetPathName(), Path(QStringLiteral("rw.txt")));
}

TEST_F(Document, AFailedSaveKeepsTheDocumentModified)
{
    const QString path = OpenSheet(QStringLiteral("a.txt"), "1\r\n");
    Type("2\r\n");
    m_host.m_saveAsAnswers.push_back(Path(QStringLiteral("missing/b.txt")));
    EXPECT_FALSE(m_doc.DoSaveAs());
    EXPECT_EQ(m_boxes.Last().text, QStringLiteral("%1 には無効なﾊﾟｽが含まれています。")
                                       .arg(Path(QStringLiteral("missing/b.txt"))));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), path);
}

// ---------------------------------------------------------------------------------------------
// The recent-file list: four entries, most recent first, in "Recent File List"/"File1".."File4".

TEST_F(Document, OpenedAndSavedFilesHeadTheRecentList)
{
    std::vector<QString> paths;
    for (int n = 0; n < 6; ++n) {
        paths.push_back(OpenSheet(QStringLiteral("f%1.txt").arg(n), "x"));
    }
    ASSERT_EQ(m_recent.Entries(), (std::vector<QString>{paths[5], paths[4], paths[3], paths[2]}));
    EXPECT_EQ(m_store.Value("Recent File List", "File1"), QStringToCp932(paths[5]));
    EXPECT_EQ(m_store.Value("Recent File List", "File4"), QStringToCp932(paths[2]));
    EXPECT_FALSE(m_store.Contains("Recent File List", "File5"));

    // Opened again: moved to the front, not doubled.
    m_recent.Add(paths[3]);
    EXPECT_EQ(m_recent.Entries(), (std::vector<QString>{paths[3], paths[5], paths[4], paths[2]}));

    CRecentFileList reread(m_store, m_boxes);
    reread.ReadList();
    EXPECT_EQ(reread.Entries(), m_recent.Entries());
}

TEST_F(Document, ARecentFileThatFailsToOpenLeavesTheList)
{
    const QString gone = OpenSheet(QStringLiteral("gone.txt"), "x");
    const QString kept = OpenSheet(QStringLiteral("kept.txt"), "y");
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_EQ(m_recent.Entries(), (std::vector<QString>{kept, gone}));
    EXPECT_EQ(m_doc.OpenRecentFile(1), EOpen::Failed);
    EXPECT_EQ(m_boxes.Last().text, QStringLiteral("%1 が見つかりませんでした。").arg(gone));
    EXPECT_EQ(m_recent.Entries(), std::vector<QString>{kept});
    EXPECT_EQ(m_store.Value("Recent File List", "File2"), "");

    // A cancelled close check is no failure of the file: the entry stays.
    ASSERT_TRUE(PutFile(gone, "x"));
    m_recent.Add(gone);
    Type("changed");
    m_boxes.QueueAnswer(EMessageResult::Cancel);
    EXPECT_EQ(m_doc.OpenRecentFile(0), EOpen::Cancelled);
    EXPECT_EQ(m_recent.Entries().size(), 2u);
}

// Paths the code page can write are stored as its text; any other as its file URL. Both read
// back as they were.
TEST(RecentFileList, KeepsEveryPathWithoutLoss)
{
    struct Row
    {
        QString path;
        std::string stored;
    };
    const Row rows[] = {
        {QStringLiteral("/tmp/表.txt"), Utf8ToCp932("/tmp/表.txt")},
        {QStringLiteral("/home/josé/a.txt"), "file:///home/jos%C3%A9/a.txt"},
        {QStringLiteral("/home/한/b.txt"), "file:///home/%ED%95%9C/b.txt"},
        {QStringLiteral("/tmp/emoji-\U0001F600 100%#?.txt"),
         "file:///tmp/emoji-%F0%9F%98%80%20100%25%23%3F.txt"},
        {QStringLiteral("file:x"), "file:file%3Ax"}, // no full path, but the scheme is the marker
    };
    CMemorySettingsStore store;
    CTestDesktop boxes;
    CRecentFileList list(store, boxes, std::size(rows));
    for (const Row& row : rows)
        list.Add(row.path);
    list.Add(QString());
    list.Add(QString(QChar(0xD800))); // a lone surrogate: no URL holds it
    ASSERT_EQ(list.Entries().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[std::size(rows) - 1 - i]; // most recent first
        EXPECT_EQ(list.Entries()[i], row.path);
        EXPECT_EQ(store.Value("Recent File List", "File" + std::to_string(i + 1)), row.stored);
    }
    CRecentFileList reread(store, boxes, std::size(rows));
    reread.ReadList();
    EXPECT_EQ(reread.Entries(), list.Entries());

    store.Put("Recent File List", "File1", "");
    store.Put("Recent File List", "File2", Utf8ToCp932("/a/計算.txt"));
    store.Put("Recent File List", "File5", "/not/read");
    CRecentFileList four(store, boxes);
    int changes = 0;
    four.SetChangeHandler([&changes] { ++changes; });
    four.ReadList();
    EXPECT_EQ(four.Entries(),
              (std::vector<QString>{QStringLiteral("/a/計算.txt"), rows[2].path, rows[1].path}));
    four.Remove(5);
    four.Remove(0);
    EXPECT_EQ(four.Entries().size(), 2u);
    EXPECT_EQ(changes, 2);
}

// The menu's form of a path: whole when short; else the first folder, "…" and as many of the last
// folders as fit in 30 columns (two for a full-width character), or the name alone.
TEST(RecentFileList, MenuTextsKeepTheNameAndCutFoldersFromTheMiddle)
{
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("/home/taro/a.txt"), QStringLiteral("/home/taro/a.txt")},
        {QStringLiteral("/home/taro/documents/sheets/計算.txt"),
         QStringLiteral("/home/…/sheets/計算.txt")},
        {QStringLiteral("/home/taro/a/b/c/d/e/f/g/h/i/j/k/l/m.txt"),
         QStringLiteral("/home/…/e/f/g/h/i/j/k/l/m.txt")},
        {QStringLiteral("/home/abcdefghijklmnopqrstuvwxyz.txt"),
         QStringLiteral("abcdefghijklmnopqrstuvwxyz.txt")},
        {QStringLiteral("/verylongfirstfolder1234567/x/abcdefghijkl.txt"),
         QStringLiteral("abcdefghijkl.txt")},
        {QStringLiteral("/home/taro/") + QString(40, u'a'), QString(40, u'a')},
    };
    for (const auto& [path, shown] : rows)
        EXPECT_EQ(AbbreviatePath(path).toStdString(), shown.toStdString());
}

// The list is written at every open: of a row of failed writes only the first shows a box.
TEST(RecentFileList, ShowsTheFirstOfARowOfFailedWrites)
{
    CMemorySettingsStore store;
    CTestDesktop boxes;
    CRecentFileList list(store, boxes);
    store.SetFailWrites(true);
    list.Add(QStringLiteral("/tmp/a.txt"));
    list.Add(QStringLiteral("/tmp/b.txt"));
    list.Remove(0);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(boxes.Last().text.startsWith(QStringLiteral("memory ")));
    store.SetFailWrites(false);
    list.Add(QStringLiteral("/tmp/c.txt"));
    store.SetFailWrites(true);
    list.Add(QStringLiteral("/tmp/d.txt"));
    EXPECT_EQ(boxes.Count(), 2u);
}

// Two windows (here two threads, each with its own store over one settings file) adding to the
// recent list at once: each change goes to the list as stored, so no entry is lost. Each used to
// write back the whole list it had read at its start.
TEST(RecentFileList, WindowsAddingAtOnceKeepEachOthersEntries)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Brunovelt.conf"));
    constexpr int kEach = 12;
    const auto addAll = [&file](char window) {
        CSettingsStore store(file);
        CTestDesktop boxes;
        CRecentFileList list(store, boxes, 2 * kEach);
        list.ReadList();
        for (int i = 0; i < kEach; ++i)
            list.Add(QStringLiteral("/tmp/%1%2.txt").arg(window).arg(i));
        return boxes.Count();
    };
    auto first = std::async(std::launch::async, addAll, 'a');
    auto second = std::async(std::launch::async, addAll, 'b');
    EXPECT_EQ(first.get(), 0u);
    EXPECT_EQ(second.get(), 0u);

    CSettingsStore store(file);
    CTestDesktop boxes;
    CRecentFileList list(store, boxes, 2 * kEach);
    list.ReadList();
    ASSERT_EQ(list.Entries().size(), static_cast<std::size_t>(2 * kEach));
    for (const char window : {'a', 'b'}) {
        // Each window's entries in its own order, most recent first.
        std::vector<QString> own;
        for (const QString& entry : list.Entries())
            if (entry.startsWith(QStringLiteral("/tmp/") + QChar::fromLatin1(window)))
                own.push_back(entry);
        ASSERT_EQ(own.size(), static_cast<std::size_t>(kEach));
        EXPECT_EQ(own.front(), QStringLiteral("/tmp/%1%2.txt").arg(window).arg(kEach - 1));
    }
}

// ---------------------------------------------------------------------------------------------
// The file-error messages.

TEST(FileErrors, EachCauseNamesThePathOnce)
{
    const QString path = QStringLiteral("/tmp/%2 50%/計算Log.txt");
    std::vector<QString> seen;
    for (int cause = static_cast<int>(EFileError::Generic);
         cause <= static_cast<int>(EFileError::EndOfFile); ++cause) {
        const QString message = FileErrorMessage(static_cast<EFileError>(cause), path);
        EXPECT_EQ(message.count(path), 1) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("%1")));
        EXPECT_EQ(std::count(seen.begin(), seen.end(), message), 0) << message.toStdString();
        seen.push_back(message);
    }
    EXPECT_EQ(FileErrorMessage(EFileError::None, path),
              FileErrorMessage(EFileError::Generic, path));
    EXPECT_EQ(FailureMessage(EDocumentOperation::Open, EFileError::TooLarge, path),
              QStringLiteral("%1 は大きすぎるため開けません。").arg(path));
    EXPECT_EQ(FailureMessage(EDocumentOperation::Save, EFileError::TooLarge, path),
              QStringLiteral("ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"));
    EXPECT_EQ(FailureMessage(EDocumentOperation::Save, EFileError::DiskFull, path),
              QStringLiteral("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。").arg(path));
}

} // namespace
