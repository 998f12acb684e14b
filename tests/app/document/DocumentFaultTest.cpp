#include "VornyDoc.h"

#include "DocumentTestSupport.h"
#include "DiskFaults.h"
#include "MemorySettingsStore.h"
#include "TestDesktop.h"
#include "RecentFileList.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kAccessDenied = QStringLiteral("%1 へのｱｸｾｽは拒否されました。");
const QString kDiskFull = QStringLiteral("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
const QString kFileSizeLimit =
    QStringLiteral("%1 へのｱｸｾｽ中に、許されたﾌｧｲﾙ ｻｲｽﾞの上限を越えました。");

// A small memory file system mounted on a folder while it lives; only root may mount one, and
// only where the container allows it.
class CTmpfsMount
{
public:
    CTmpfsMount(const QString& folder, const char* options) : m_path(QFile::encodeName(folder))
    {
        QDir().mkpath(folder);
        if (::geteuid() != 0) {
            m_why = "mounting a file system needs root";
            return;
        }
        if (::mount("tmpfs", m_path.constData(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                    options) != 0) {
            m_why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~CTmpfsMount()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    CTmpfsMount(const CTmpfsMount&) = delete;
    CTmpfsMount& operator=(const CTmpfsMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& WhyNot() const { return m_why; }
    bool MakeReadOnly()
    {
        return ::mount("tmpfs", m_path.constData(), "tmpfs",
                       MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) == 0;
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
    std::string m_why;
};

// The log of a folder open as the document, typed into, about to be saved when the disk or the
// folder fails. Every case ends with the old file as it was and the cause's message shown.
class SaveFault : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.filePath(QStringLiteral("logs"));
        m_log = m_folder + QStringLiteral("/計算Log.txt");
        m_host.m_sheet.SetChangeHandler([this] { m_doc.SetModifiedFlag(true); });
    }

    void OpenLog(const std::string& content)
    {
        m_old = content;
        ASSERT_TRUE(PutFile(m_log, content));
        ASSERT_EQ(m_doc.OpenDocumentFile(m_log), CVornyDoc::EOpenResult::Opened);
        ASSERT_TRUE(m_doc.IsLogDocument());
        m_entries = FolderEntries(m_folder);
    }

    void TypeAtEnd(std::string_view bytes)
    {
        const std::size_t end = m_host.m_sheet.GetText().size();
        m_host.m_sheet.SetSelection(end, end);
        m_host.m_sheet.ReplaceSelection(bytes);
    }

    void ExpectOldFile() const
    {
        const std::optional<std::string> content = FileContent(m_log);
        EXPECT_TRUE(content == m_old) << "a file of " << (content ? content->size() : 0)
                                      << " bytes instead of the old " << m_old.size();
    }

    // The save in the close check fails with `message` and the user stays; the file and the
    // folder are as they were.
    void ExpectRefused(const QString& message)
    {
        m_boxes.Clear();
        m_boxes.QueueAnswer(EMessageResult::Ok);
        m_boxes.QueueAnswer(EMessageResult::No); // not to close without saving
        EXPECT_FALSE(m_doc.SaveModified());
        ASSERT_EQ(m_boxes.Count(), 2u);
        EXPECT_EQ(m_boxes.Requests()[0].text, message.arg(m_log));
        ExpectOldFile();
        EXPECT_EQ(FolderEntries(m_folder), m_entries);
        EXPECT_TRUE(m_doc.IsModified());
    }

    QTemporaryDir m_dir;
    QString m_folder;
    QString m_log;
    std::string m_old;
    QStringList m_entries;
    CTestDesktop m_boxes;
    CMemorySettingsStore m_store;
    CRecentFileList m_recent{m_store, m_boxes};
    CFakeDocumentHost m_host{m_boxes};
    CVornyDoc m_doc{m_host, m_store, m_recent, [this] { return m_log; }};
};

TEST_F(SaveFault, AReadOnlyFileSystem)
{
    // Root writes into any folder whatever its permissions; a read-only file system stops it.
    std::unique_ptr<CTmpfsMount> mount;
    if (::geteuid() == 0) {
        mount = std::make_unique<CTmpfsMount>(m_folder, "size=1m,mode=0755");
        if (!mount->Mounted())
            GTEST_SKIP() << mount->WhyNot();
    }
    OpenLog(SheetText(20000) + "\r\n");
    TypeAtEnd("1+1\r\n2\r\n\r\n");
    if (mount) {
        ASSERT_TRUE(mount->MakeReadOnly()) << std::strerror(errno);
    } else {
        // A writable file in a read-only folder is written in place (FileIoTest): the file is
        // read-only too here.
        ASSERT_TRUE(QFile::setPermissions(m_log, QFileDevice::ReadOwner));
        ASSERT_TRUE(
            QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    ExpectRefused(kAccessDenied);
    if (!mount) {
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
    }
}

TEST_F(SaveFault, AFullDisk)
{
    const CTmpfsMount disk(m_folder, "size=256k,mode=0700");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.WhyNot();
    OpenLog(SheetText(20000, 'o') + "\r\n");
    ASSERT_TRUE(FillDisk(m_folder, 8192));
    m_entries = FolderEntries(m_folder);
    m_host.m_sheet.SetText(SheetText(31000, 'n') + "end");
    m_doc.SetModifiedFlag();
    ExpectRefused(kDiskFull); // the first 8 KB went in before the disk was full

    // With room again the same save goes through.
    ASSERT_TRUE(QFile::remove(m_folder + QStringLiteral("/filler")));
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_TRUE(FileContent(m_log) == SheetText(31000, 'n') + "end\r\n");
}

TEST_F(SaveFault, AWriteOverTheFileSizeLimit)
{
    // write() fails past the limit as on a full disk, but the message names the limit: the disk
    // has room.
    OpenLog(SheetText(6000, 'o') + "\r\n");
    m_host.m_sheet.SetText(SheetText(30000, 'n'));
    m_doc.SetModifiedFlag();
    {
        const CFileSizeLimit limit(16384);
        if (!limit.Active())
            GTEST_SKIP() << "no file size limit here";
        m_boxes.Clear();
        m_boxes.QueueAnswer(EMessageResult::Ok);
        m_boxes.QueueAnswer(EMessageResult::No);
        EXPECT_FALSE(m_doc.SaveModified());
    }
    ASSERT_EQ(m_boxes.Count(), 2u);
    EXPECT_EQ(m_boxes.Requests()[0].text, kFileSizeLimit.arg(m_log));
    ExpectOldFile();
    EXPECT_EQ(FolderEntries(m_folder), m_entries);
    EXPECT_TRUE(m_doc.IsModified());
}

// A save in place (a writable log in a folder the user may not write) killed half-way: the next
// open offers the content before it, and restores it on Yes; on No the file stays as the kill
// left it, and is not offered again.
TEST_F(SaveFault, AnInterruptedSaveInPlaceIsOfferedAtTheNextOpen)
{
    const std::string contents[2] = {SheetText(1000000, 'a'), SheetText(300000, 'b')};
    const QString state = m_dir.filePath(QStringLiteral("state"));
    ASSERT_TRUE(QDir().mkpath(state));
    ASSERT_TRUE(PutFile(m_log, contents[0]));
    for (const QString& path : {m_log, state})
        ASSERT_EQ(
            ::chown(QFile::encodeName(path).constData(), UnprivilegedUser(), UnprivilegedUser()),
            0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_folder).constData(), 0555), 0);
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(state));
    const QString backups = state + QStringLiteral("/Halsk/Brunovelt");

    // Saves killed a moment after their backup is there, until one leaves the file cut short.
    const auto interrupt = [&] {
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 200; ++attempt) {
            const pid_t child = SpawnUnprivileged([&] {
                for (unsigned n = FileContent(m_log) == contents[0] ? 1 : 0;; ++n)
                    if (ReplaceFile(m_log, contents[n % 2]) != EFileError::None)
                        return 2;
            });
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (QDir(backups).entryList({QStringLiteral("*.backup")}).isEmpty() &&
                   std::chrono::steady_clock::now() < deadline) {
            }
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            if (HasInterruptedSave(m_log))
                return true;
        }
        return false;
    };
    const QString question =
        QStringLiteral("%1 の前回の保存は途中で中断されました。保存前の内容を復元しますか?")
            .arg(m_log);

    ASSERT_TRUE(interrupt());
    m_boxes.QueueAnswer(EMessageResult::Yes);
    ASSERT_EQ(m_doc.OpenDocumentFile(m_log), CVornyDoc::EOpenResult::Opened);
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.Last().text, question);
    const std::string restored = m_host.m_sheet.GetText();
    EXPECT_TRUE(restored == contents[0] || restored == contents[1]);
    EXPECT_EQ(FileContent(m_log), restored);
    EXPECT_FALSE(HasInterruptedSave(m_log));

    ASSERT_TRUE(m_doc.FileNew());
    ASSERT_TRUE(interrupt());
    const std::optional<std::string> cut = FileContent(m_log);
    m_boxes.Clear();
    m_boxes.QueueAnswer(EMessageResult::No);
    ASSERT_EQ(m_doc.OpenDocumentFile(m_log), CVornyDoc::EOpenResult::Opened);
    EXPECT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_host.m_sheet.GetText(), cut);
    EXPECT_EQ(FileContent(m_log), cut);
    EXPECT_FALSE(HasInterruptedSave(m_log));
    EXPECT_TRUE(QDir(backups).entryList({QStringLiteral("*.backup")}).isEmpty());

    ::chmod(QFile::encodeName(m_folder).constData(), 0700);
    qputenv("XDG_STATE_HOME", oldState);
}

// ---------------------------------------------------------------------------------------------
// The child program of DocumentChild.cpp, killed or asked to quit.

class ChildProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = m_dir.filePath(QStringLiteral("計算Log.txt"));
        ASSERT_TRUE(PutFile(m_log, "\r\n"));
    }

    // Starts the child in `mode` and waits for its "ready".
    bool Start(QProcess& child, const char* mode)
    {
        child.setProgram(QStringLiteral(DOCUMENT_CHILD));
        child.setArguments({QString::fromLatin1(mode), m_dir.path()});
        child.start();
        if (!child.waitForStarted(10000))
            return false;
        while (!child.canReadLine()) {
            if (!child.waitForReadyRead(20000))
                return false;
        }
        return child.readLine().trimmed() == "ready";
    }

    // Kills the child at random moments of its saves, `rounds` times; after each, `path` must
    // hold one of `contents` in full.
    void KillDuringSaves(const char* mode, const QString& path,
                         const std::vector<std::string>& contents, int rounds, int maxDelayMs)
    {
        const unsigned seed = std::random_device{}();
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> delay(0, maxDelayMs * 1000);
        int seen[2] = {0, 0};
        for (int round = 0; round < rounds; ++round) {
            QProcess child;
            ASSERT_TRUE(Start(child, mode)) << child.readAllStandardError().toStdString();
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            child.kill();
            ASSERT_TRUE(child.waitForFinished(10000));
            ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "round " << round;
            const std::optional<std::string> content = FileContent(path);
            ASSERT_TRUE(content.has_value()) << "round " << round;
            const auto found = std::find(contents.begin(), contents.end(), *content);
            ASSERT_NE(found, contents.end())
                << "round " << round << ": a file of " << content->size() << " bytes";
            ++seen[found - contents.begin()];
        }
        // Both contents turned up: the kills did land between the saves' renames.
        EXPECT_GT(seen[0], 0);
        EXPECT_GT(seen[1], 0);
    }

    QTemporaryDir m_dir;
    QString m_log;
};

TEST_F(ChildProcess, KilledWhileSavingTheLogLeavesAWholeFile)
{
    const std::string a = ChildText(0);
    const std::string b = ChildText(1);
    KillDuringSaves("loop", m_log, {a.substr(a.size() - 32000), b.substr(b.size() - 32000)}, 30,
                    20);
}

TEST_F(ChildProcess, KilledWhileReplacingALargeFileLeavesAWholeFile)
{
    KillDuringSaves("replace", m_dir.filePath(QStringLiteral("big.bin")),
                    {ChildFile(0), ChildFile(1)}, 16, 60);
}

TEST_F(ChildProcess, SigtermAndSighupRunTheCloseCheck)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        ASSERT_TRUE(PutFile(m_log, "1+1\r\n2\r\n"));
        QProcess child;
        ASSERT_TRUE(Start(child, "sigterm")) << child.readAllStandardError().toStdString();
        ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), signal), 0);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0);
        EXPECT_EQ(FileContent(m_log), "1+1\r\n2\r\n1+2\r\n3\r\n");
    }
}

} // namespace
