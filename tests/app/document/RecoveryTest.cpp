// The document with its recovery copies and the questions that guard the user's files: a copy
// offered when the document is opened again, kept or removed as the document closes, a file
// changed by another program or cut at a NUL overwritten only when the user says so.
#include "VornyDoc.h"

#include "DocumentTestSupport.h"
#include "MemorySettingsStore.h"
#include "TestDesktop.h"
#include "RecentFileList.h"
#include "RecoveryCopies.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace {

using EOpen = CVornyDoc::EOpenResult;

class Recovery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(m_copies.Folder()));
        m_log = m_dir.filePath(QStringLiteral("data/計算Log.txt"));
        m_sheet = m_dir.filePath(QStringLiteral("sheet.txt"));
        m_doc = NewDocument();
    }

    // A document as a new start of the program makes it.
    std::unique_ptr<CVornyDoc> NewDocument()
    {
        auto doc = std::make_unique<CVornyDoc>(m_host, m_store, m_recent, [this] { return m_log; });
        doc->SetRecoveryCopies(&m_copies);
        m_host.m_sheet.SetChangeHandler([doc = doc.get()] { doc->SetModifiedFlag(true); });
        return doc;
    }

    void TypeAtEnd(std::string_view bytes)
    {
        const std::size_t end = m_host.m_sheet.GetText().size();
        m_host.m_sheet.SetSelection(end, end);
        m_host.m_sheet.Type(bytes);
    }

    std::optional<std::string> Copy(const QString& document) const
    {
        m_copies.Flush();
        return FileContent(m_copies.CopyPath(document));
    }

    QTemporaryDir m_dir;
    CRecoveryCopies m_copies{m_dir.filePath(QStringLiteral("state"))};
    QString m_log;
    QString m_sheet;
    CTestDesktop m_boxes;
    CMemorySettingsStore m_store;
    CRecentFileList m_recent{m_store, m_boxes};
    CFakeDocumentHost m_host{m_boxes};
    std::unique_ptr<CVornyDoc> m_doc;
};

TEST_F(Recovery, ACopyLeftByACrashIsOfferedAndRestoredAsAModifiedDocument)
{
    ASSERT_TRUE(PutFile(m_log, "1+1\r\n2\r\n"));
    ASSERT_EQ(m_doc->OpenDocumentFile(m_log), EOpen::Opened);
    EXPECT_FALSE(Copy(m_log)); // the sheet is its file: nothing to keep
    TypeAtEnd("5*5\r\n25\r\n");
    ASSERT_TRUE(m_doc->KeepRecoveryCopy());
    EXPECT_EQ(Copy(m_log), "1+1\r\n2\r\n5*5\r\n25\r\n");

    // The program dies; the next start opens the log and the default answer restores.
    m_doc = NewDocument();
    m_host.m_sheet.SetText("");
    ASSERT_EQ(m_doc->OpenDocumentFile(m_log), EOpen::Opened);
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.Last().buttons, EMessageButtons::YesNo);
    EXPECT_TRUE(m_boxes.Last().text.contains(m_log));
    EXPECT_EQ(m_host.m_sheet.GetText(), "1+1\r\n2\r\n5*5\r\n25\r\n");
    EXPECT_TRUE(m_doc->IsModified());

    // The usual close saves it, and the copy goes.
    EXPECT_TRUE(m_doc->SaveModified());
    EXPECT_EQ(FileContent(m_log), "1+1\r\n2\r\n5*5\r\n25\r\n");
    EXPECT_FALSE(Copy(m_log));
}

// A file that opens from a path opens, is copied, saved and offered through that path and its
// link, whatever its name's length (Linux allows 255 bytes): the copy's and the new file's names
// are made to fit.
TEST_F(Recovery, ALongNameAndALinkAreOneDocumentWithOneCopy)
{
    const QString longName =
        m_dir.filePath(QString(80, u'計') + QStringLiteral(".txt")); // 244 bytes
    const QString link = m_dir.filePath(QStringLiteral("link.txt"));
    ASSERT_TRUE(PutFile(longName, "1\r\n"));
    ASSERT_TRUE(QFile::link(longName, link));
    ASSERT_EQ(m_doc->OpenDocumentFile(longName), EOpen::Opened);
    TypeAtEnd("2+2\r\n4\r\n");
    ASSERT_TRUE(m_doc->KeepRecoveryCopy());
    EXPECT_TRUE(m_doc->DoFileSave());
    EXPECT_EQ(FileContent(longName), "1\r\n2+2\r\n4\r\n");

    TypeAtEnd("3+3\r\n6\r\n");
    ASSERT_TRUE(m_doc->KeepRecoveryCopy());
    EXPECT_EQ(Copy(link), Copy(longName));
    // Lost in a crash, and offered through the link.
    m_doc = NewDocument();
    m_boxes.Clear();
    ASSERT_EQ(m_doc->OpenDocumentFile(link), EOpen::Opened);
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_host.m_sheet.GetText(), "1\r\n2+2\r\n4\r\n3+3\r\n6\r\n");
}

TEST_F(Recovery, WhatIsNotOfferedOrNotTaken)
{
    ASSERT_TRUE(PutFile(m_log, "1+1\r\n2\r\n"));
    // Blank lines at the end are no record (the start opens six below the log).
    ASSERT_TRUE(PutFile(m_copies.CopyPath(m_log), "1+1\r\n2\r\n\r\n\r\n\r\n"));
    ASSERT_EQ(m_doc->OpenDocumentFile(m_log), EOpen::Opened);
    EXPECT_EQ(m_boxes.Count(), 0u);

    // Declined: the file's text, unmodified; a clean close removes the copy.
    ASSERT_TRUE(PutFile(m_copies.CopyPath(m_sheet), "lost?"));
    ASSERT_TRUE(PutFile(m_sheet, "kept"));
    m_boxes.QueueAnswer(EMessageResult::No);
    ASSERT_EQ(m_doc->OpenDocumentFile(m_sheet), EOpen::Opened);
    EXPECT_EQ(m_host.m_sheet.GetText(), "kept");
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_TRUE(Copy(m_sheet));
    EXPECT_TRUE(m_doc->SaveModified());
    EXPECT_FALSE(Copy(m_sheet));
}

TEST_F(Recovery, AnUnattendedCloseKeepsTheCopyAndTouchesNoOtherFile)
{
    ASSERT_TRUE(PutFile(m_sheet, "old"));
    ASSERT_EQ(m_doc->OpenDocumentFile(m_sheet), EOpen::Opened);
    TypeAtEnd("+1");
    EXPECT_TRUE(m_doc->SaveModified(CVornyDoc::ECloseMode::Unattended));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(FileContent(m_sheet), "old");
    EXPECT_EQ(Copy(m_sheet), "old+1");
}

TEST_F(Recovery, ALogThatCannotBeSavedMayBeLeftWithItsCopy)
{
    ASSERT_TRUE(PutFile(m_log, "\r\n"));
    ASSERT_EQ(m_doc->OpenDocumentFile(m_log), EOpen::Opened);
    TypeAtEnd("2*2\r\n4\r\n");
    ASSERT_TRUE(QFile::remove(m_log));
    ASSERT_TRUE(QDir().mkpath(m_log)); // a folder in the file's place
    m_boxes.QueueAnswer(EMessageResult::Ok);
    m_boxes.QueueAnswer(EMessageResult::Yes); // leave
    EXPECT_TRUE(m_doc->SaveModified());
    EXPECT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(Copy(m_log), "\r\n2*2\r\n4\r\n");
    // At a signal nobody is asked.
    m_boxes.Clear();
    EXPECT_TRUE(m_doc->SaveModified(CVornyDoc::ECloseMode::Unattended));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(Copy(m_log), "\r\n2*2\r\n4\r\n");
}

TEST_F(Recovery, AnUntitledSheetTakesTheCopyOfAnEndedProgram)
{
    // No process has the number 2^31 - 2; a copy of this process is its own, never an orphan.
    ASSERT_TRUE(PutFile(m_copies.Folder() + QStringLiteral("/無題.2147483646.recovery"), "7*6"));
    ASSERT_TRUE(m_doc->FileNew());
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_host.m_sheet.GetText(), "7*6");
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(Copy({}), "7*6"); // now this process's own
    EXPECT_FALSE(QFile::exists(m_copies.Folder() + QStringLiteral("/無題.2147483646.recovery")));
}

TEST_F(Recovery, AFileChangedOnDiskOrCutAtANulIsOverwrittenOnlyWhenTheUserSaysSo)
{
    struct Row
    {
        const char* name;
        std::string content;       // the file when it is opened
        bool changeOnDisk;         // another program writes it after
        std::size_t expectedBoxes; // at the open and at the save
    };
    const Row rows[] = {
        {"changed by another program", "mine", true, 1},
        {"cut at a NUL", std::string("mine\0theirs", 11), false, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const EMessageResult answer : {EMessageResult::No, EMessageResult::Yes}) {
            ASSERT_TRUE(PutFile(m_sheet, row.content));
            m_doc = NewDocument();
            m_boxes.Clear();
            ASSERT_EQ(m_doc->OpenDocumentFile(m_sheet), EOpen::Opened);
            EXPECT_EQ(m_host.m_sheet.GetText(), "mine");
            const std::string onDisk = row.changeOnDisk ? "theirs, and longer" : row.content;
            if (row.changeOnDisk) {
                ASSERT_TRUE(PutFile(m_sheet, onDisk));
            }
            TypeAtEnd("!");
            m_boxes.QueueAnswer(answer);
            const bool saved = m_doc->DoFileSave();
            EXPECT_EQ(m_boxes.Count(), row.expectedBoxes);
            EXPECT_EQ(m_boxes.Last().buttons, EMessageButtons::YesNo);
            EXPECT_TRUE(m_boxes.Last().text.contains(m_sheet));
            EXPECT_EQ(saved, answer == EMessageResult::Yes);
            EXPECT_EQ(FileContent(m_sheet), saved ? "mine!" : onDisk);
        }
    }
}

// The question shows what a copy holds against the file, and a copy that is empty or much
// shorter than the file (what a power cut may leave of a copy being written) is never the
// default answer.
TEST_F(Recovery, TheQuestionShowsTheCopyAndAShortCopyIsNotTheDefault)
{
    const std::string record = "1+1\r\n2\r\n3*3\r\n9\r\n4*4\r\n16\r\n";
    const struct
    {
        std::string copy;
        bool cautious;
    } cases[] = {
        {record + "5*5\r\n25\r\n", false},
        {"", true},
        {"\r\n\r\n", true}, // blank lines alone
        {"1+1\r\n2\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copy);
        ASSERT_TRUE(PutFile(m_log, record));
        ASSERT_TRUE(PutFile(m_copies.CopyPath(m_log), c.copy));
        m_boxes.Clear();
        m_doc = NewDocument();
        ASSERT_EQ(m_doc->OpenDocumentFile(m_log), EOpen::Opened);
        ASSERT_EQ(m_boxes.Count(), 1u);
        const MessageBoxRequest& question = m_boxes.Last();
        EXPECT_EQ(question.cautious, c.cautious);
        EXPECT_TRUE(question.text.contains(QStringLiteral("%1 バイト").arg(c.copy.size())));
        EXPECT_TRUE(question.text.contains(QStringLiteral("%1 バイト").arg(record.size())));
        // The box's default answer: restore unless the copy is suspect.
        EXPECT_EQ(m_host.m_sheet.GetText(), c.cautious ? record : c.copy);
        m_doc->SaveModified(CVornyDoc::ECloseMode::Unattended);
        QFile::remove(m_copies.CopyPath(m_log));
    }
    // The last lines of the copy are shown.
    ASSERT_TRUE(PutFile(m_copies.CopyPath(m_log), record + "7*7\r\n49\r\n"));
    m_doc = NewDocument();
    ASSERT_EQ(m_doc->OpenDocumentFile(m_log), EOpen::Opened);
    EXPECT_TRUE(m_boxes.Last().text.endsWith(QStringLiteral("  16\n  7*7\n  49")))
        << m_boxes.Last().text.toStdString();
}

// A program ended between writing a copy and renaming it into place leaves the new file: the
// newest complete sheet, which the next open takes as the copy. Older or shorter ones go.
TEST_F(Recovery, ANewFileLeftBeforeItsRenameIsTakenAsTheCopy)
{
    ASSERT_TRUE(PutFile(m_log, "1\r\n"));
    const QString copy = m_copies.CopyPath(m_log);
    const struct
    {
        std::string leftOver;
        int ageSeconds; // against the copy's
        std::string taken;
    } cases[] = {
        {"1\r\n2+2\r\n4\r\n5\r\n", 10, "1\r\n2+2\r\n4\r\n5\r\n"},
        {"1\r\n2+2\r\n", 10, "1\r\n2+2\r\n4\r\n"},            // shorter: cut off by the end
        {"1\r\n2+2\r\n4\r\n5\r\n", -10, "1\r\n2+2\r\n4\r\n"}, // older
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.leftOver);
        ASSERT_TRUE(PutFile(copy, "1\r\n2+2\r\n4\r\n"));
        const QString leftOver = copy + QStringLiteral(".1a2b3c4d.tmp");
        ASSERT_TRUE(PutFile(leftOver, c.leftOver));
        QFile file(leftOver);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QFileInfo(copy).lastModified().addSecs(c.ageSeconds),
                         QFileDevice::FileModificationTime);
        file.close();
        const std::optional<RecoveryCopy> taken = m_copies.Take(m_log);
        ASSERT_TRUE(taken);
        EXPECT_EQ(taken->bytes, c.taken);
        EXPECT_FALSE(QFile::exists(leftOver));
    }
}

} // namespace
