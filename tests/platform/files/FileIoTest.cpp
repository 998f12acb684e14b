#include "FileIo.h"

#include "DiskFaults.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileIo : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QStringList Entries(const QString& folder = {}) const
    {
        return QDir(folder.isEmpty() ? m_dir.path() : folder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    static bool Put(const QString& path, std::string_view bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                   static_cast<qint64>(bytes.size());
    }
    static std::optional<std::string> Content(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll().toStdString();
    }
    static mode_t Mode(const QString& path)
    {
        struct stat info
        {
        };
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

    QTemporaryDir m_dir;
};

// ---------------------------------------------------------------------------------------------
// Reading: every byte, or the cause of the failure with the bytes untouched.

TEST_F(FileIo, ReadsEveryByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    all += std::string("\0\0\r\n", 4);
    ASSERT_TRUE(Put(Path(QStringLiteral("計算.txt")), all));
    std::string bytes = "old";
    EXPECT_EQ(ReadWholeFile(Path(QStringLiteral("計算.txt")), bytes, all.size()), EFileError::None);
    EXPECT_EQ(bytes, all);

    ASSERT_TRUE(Put(Path(QStringLiteral("empty")), ""));
    EXPECT_EQ(ReadWholeFile(Path(QStringLiteral("empty")), bytes, 10), EFileError::None);
    EXPECT_EQ(bytes, "");
}

TEST_F(FileIo, NamesTheCauseOfAFailedRead)
{
    ASSERT_TRUE(Put(Path(QStringLiteral("plain")), "12345"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("folder"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("fifo"))).constData(), 0600), 0);
    struct Row
    {
        const char* name;
        QString path;
        EFileError error;
    };
    const Row rows[] = {
        {"missing file", Path(QStringLiteral("missing")), EFileError::NotFound},
        {"missing folder", Path(QStringLiteral("nofolder/missing")), EFileError::BadPath},
        {"file as folder", Path(QStringLiteral("plain/x")), EFileError::BadPath},
        {"name too long", Path(QString(300, u'n')), EFileError::BadPath},
        {"empty path", QString(), EFileError::BadPath},
        {"folder", Path(QStringLiteral("folder")), EFileError::AccessDenied},
        {"FIFO", Path(QStringLiteral("fifo")), EFileError::Generic},
        {"over the limit", Path(QStringLiteral("plain")), EFileError::TooLarge},
    };
    for (const Row& row : rows) {
        std::string bytes = "kept";
        EXPECT_EQ(ReadWholeFile(row.path, bytes, 4), row.error) << row.name;
        EXPECT_EQ(bytes, "kept") << row.name;
    }
    EXPECT_TRUE(CanReadFile(Path(QStringLiteral("plain"))));
    EXPECT_FALSE(CanReadFile(Path(QStringLiteral("folder"))));
    EXPECT_FALSE(CanReadFile(Path(QStringLiteral("missing"))));
}

TEST_F(FileIo, AnUnreadableFileIsAccessDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    ASSERT_TRUE(Put(Path(QStringLiteral("secret")), "x"));
    ASSERT_TRUE(QFile::setPermissions(Path(QStringLiteral("secret")), QFileDevice::WriteOwner));
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(Path(QStringLiteral("secret")), bytes, 10), EFileError::AccessDenied);
    EXPECT_FALSE(CanReadFile(Path(QStringLiteral("secret"))));
}

// ---------------------------------------------------------------------------------------------
// Replacing: the new content in full, or the old file as it was; no other file left behind.

TEST_F(FileIo, ReplacesAFileKeepingItsPermissions)
{
    const QString path = Path(QStringLiteral("計算Log.txt"));
    ASSERT_EQ(ReplaceFile(path, "first"), EFileError::None);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(path), 0666 & ~mask);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_EQ(ReplaceFile(path, std::string(100000, 's')), EFileError::None);
    EXPECT_EQ(Content(path), std::string(100000, 's'));
    EXPECT_EQ(Mode(path), 0640u);
    ASSERT_EQ(ReplaceFile(path, ""), EFileError::None);
    EXPECT_EQ(Content(path), "");
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("計算Log.txt")});
}

TEST_F(FileIo, ReplacesTheFileALinkPointsTo)
{
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("real"))));
    const QString real = Path(QStringLiteral("real/sheet.txt"));
    ASSERT_TRUE(Put(real, "old"));
    ASSERT_TRUE(QFile::link(real, Path(QStringLiteral("link.txt"))));
    ASSERT_EQ(ReplaceFile(Path(QStringLiteral("link.txt")), "new"), EFileError::None);
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("link.txt"))).isSymLink());
    EXPECT_EQ(Content(real), "new");
    EXPECT_EQ(Entries(Path(QStringLiteral("real"))), QStringList{QStringLiteral("sheet.txt")});
}

TEST_F(FileIo, RefusesWhatIsNoWritableFile)
{
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("folder"))));
    ASSERT_TRUE(Put(Path(QStringLiteral("plain")), "x"));
    struct Row
    {
        const char* name;
        QString path;
        EFileError error;
    };
    const Row rows[] = {
        {"folder", Path(QStringLiteral("folder")), EFileError::AccessDenied},
        {"missing folder", Path(QStringLiteral("nofolder/a.txt")), EFileError::BadPath},
        {"file as folder", Path(QStringLiteral("plain/a.txt")), EFileError::BadPath},
        {"empty path", QString(), EFileError::BadPath},
        // A device is not turned into a file, not even by root.
        {"device", QStringLiteral("/dev/null"), EFileError::Generic},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReplaceFile(row.path, "new"), row.error) << row.name;
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("folder"), QStringLiteral("plain")}));
    EXPECT_EQ(Content(Path(QStringLiteral("plain"))), "x");
}

// The replace in two steps, for a new file that other code writes: the temporary is named as
// RemoveStaleTemporaries knows it, and RenameOver puts it in place as ReplaceFile would, or
// removes it and leaves the old file as it was.
TEST_F(FileIo, ReplacesInTwoStepsAsInOne)
{
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("real"))));
    const QString real = Path(QStringLiteral("real/Brunovelt.conf"));
    ASSERT_TRUE(Put(real, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    const QString link = Path(QStringLiteral("link.conf"));
    ASSERT_TRUE(QFile::link(real, link));

    QString temporary;
    ASSERT_EQ(CreateTemporaryBeside(link, "new", temporary), EFileError::None);
    EXPECT_EQ(QFileInfo(temporary).absolutePath(), Path(QStringLiteral("real")));
    EXPECT_TRUE(QFileInfo(temporary).fileName().startsWith(QStringLiteral(".Brunovelt.conf.")));
    EXPECT_EQ(Content(temporary), "new");
    ASSERT_EQ(RenameOver(temporary, link), EFileError::None);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Content(real), "new");
    EXPECT_EQ(Mode(real), 0640u);
    EXPECT_EQ(Entries(Path(QStringLiteral("real"))), QStringList{QStringLiteral("Brunovelt.conf")});

    // A folder in the file's place is not replaced; the temporary goes.
    const QString folder = Path(QStringLiteral("real/dir.conf"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(CreateTemporaryBeside(folder, "x", temporary), EFileError::None);
    EXPECT_EQ(RenameOver(temporary, folder), EFileError::AccessDenied);
    EXPECT_FALSE(QFileInfo::exists(temporary));
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // An interrupted replace leaves a temporary that the next start removes.
    ASSERT_EQ(CreateTemporaryBeside(real, "left over", temporary), EFileError::None);
    QFile file(temporary);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(RemoveStaleTemporaries(real), 1);

    EXPECT_EQ(CreateTemporaryBeside(Path(QStringLiteral("none/a.conf")), "x", temporary),
              EFileError::BadPath);
    EXPECT_EQ(CreateTemporaryBeside(QString(), "x", temporary), EFileError::BadPath);
}

TEST_F(FileIo, LeavesAReadOnlyFileAsItIs)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    const QString path = Path(QStringLiteral("ro.txt"));
    ASSERT_TRUE(Put(path, "old"));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    EXPECT_EQ(ReplaceFile(path, "new"), EFileError::AccessDenied);
    EXPECT_EQ(Content(path), "old");
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("ro.txt")});
}

// A file the user may write in a folder where he may not make one (a log beside an installed
// program) is written in place, its old bytes backed up in the state folder meanwhile.
TEST_F(FileIo, WritesAFileInPlaceWhereNoNewFileMayBeMade)
{
    const QString folder = Path(QStringLiteral("installed"));
    const QString state = Path(QStringLiteral("state"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QDir().mkpath(state));
    const QString path = folder + QStringLiteral("/計算Log.txt");
    const QString link = folder + QStringLiteral("/link.txt");
    ASSERT_TRUE(Put(path, "old"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const QByteArray nativeState = QFile::encodeName(state);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), UnprivilegedUser(), UnprivilegedUser()),
              0);
    ASSERT_EQ(::chown(nativeState.constData(), UnprivilegedUser(), UnprivilegedUser()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    qputenv("XDG_STATE_HOME", nativeState);
    const QString backups = state + QStringLiteral("/Halsk/Brunovelt");
    struct stat before
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);

    const int failed = RunUnprivileged([&] {
        bool ok = true;
        const auto check = [&ok](bool condition, const char* what) {
            if (!condition)
                std::fprintf(stderr, "failed: %s\n", what);
            ok = ok && condition;
        };
        check(ReplaceFile(path, "new, and longer") == EFileError::None, "the save");
        check(Content(path) == "new, and longer", "the new bytes");
        check(ReplaceFile(link, "via the link") == EFileError::None, "the save through a link");
        check(QFileInfo(link).isSymLink() && Content(path) == "via the link", "the link stays");
        {
            // A write that fails half-way puts the old bytes back.
            const CFileSizeLimit limit(1024);
            check(ReplaceFile(path, std::string(4096, 'x')) == EFileError::FileSizeLimit,
                  "size limit");
        }
        check(Content(path) == "via the link", "the old bytes back");
        check(QDir(backups).entryList(QDir::Files).isEmpty(), "no backup left");
        // Where no backup can be made either, nothing is written.
        qputenv("XDG_STATE_HOME", QFile::encodeName(folder));
        check(ReplaceFile(path, "new") == EFileError::AccessDenied, "no backup");
        check(Content(path) == "via the link", "untouched without a backup");
        std::fflush(stderr);
        return ok ? 0 : 1;
    });
    EXPECT_EQ(failed, 0);
    struct stat after
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(Entries(folder),
              (QStringList{QStringLiteral("link.txt"), QStringLiteral("計算Log.txt")}));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    qunsetenv("XDG_STATE_HOME");
}

// A save in place killed at random moments: whenever the file is left with neither content, the
// next open finds the interrupted save and restores the old content whole; a kill before the
// first byte or after the last leaves nothing to offer and no backup.
TEST_F(FileIo, AKillInsideASaveInPlaceLeavesTheOldContentToRestore)
{
    const QString folder = Path(QStringLiteral("installed"));
    const QString state = Path(QStringLiteral("state"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QDir().mkpath(state));
    const QString path = folder + QStringLiteral("/計算Log.txt");
    // The second is shorter: a kill between its write and the truncation leaves the first's tail.
    const std::string contents[2] = {std::string(8 << 20, 'a') + "end",
                                     std::string(2 << 20, 'b') + "end"};
    ASSERT_TRUE(Put(path, contents[0]));
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), UnprivilegedUser(), UnprivilegedUser()),
              0);
    ASSERT_EQ(::chown(QFile::encodeName(state).constData(), UnprivilegedUser(), UnprivilegedUser()),
              0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    qputenv("XDG_STATE_HOME", QFile::encodeName(state));
    const QString backups = state + QStringLiteral("/Halsk/Brunovelt");
    const auto whole = [&](const std::optional<std::string>& content) {
        return content == contents[0] || content == contents[1];
    };

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 1500);
    int offered = 0;
    for (int round = 0; round < 24; ++round) {
        const pid_t child = SpawnUnprivileged([&] {
            for (unsigned n = Content(path) == contents[0] ? 1 : 0;; ++n)
                if (ReplaceFile(path, contents[n % 2]) != EFileError::None)
                    return 2;
        });
        ASSERT_GT(child, 0);
        // Killed a moment after a backup is there, when the file itself is being written.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (QDir(backups).entryList({QStringLiteral("*.backup")}).isEmpty() &&
               std::chrono::steady_clock::now() < deadline) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saves stopped by themselves: " << status;

        if (HasInterruptedSave(path)) {
            ++offered;
            EXPECT_FALSE(whole(Content(path))) << "round " << round;
            EXPECT_EQ(RestoreInterruptedSave(path), EFileError::None);
        }
        EXPECT_TRUE(whole(Content(path))) << "round " << round;
        EXPECT_FALSE(HasInterruptedSave(path));
        EXPECT_TRUE(QDir(backups).entryList({QStringLiteral("*.backup")}).isEmpty());
    }
    EXPECT_GT(offered, 0); // some kills did land inside a write (about one in three)
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    qunsetenv("XDG_STATE_HOME");
}

TEST_F(FileIo, RemovesOnlyStaleTemporariesOfTheFile)
{
    const QString path = Path(QStringLiteral("計算Log.txt"));
    ASSERT_TRUE(Put(path, "log"));
    const QStringList names = {
        QStringLiteral(".計算Log.txt.1a2b3c4d.tmp"), // stale: removed
        QStringLiteral(".計算Log.txt.99.tmp"),       // stale: removed
        QStringLiteral(".計算Log.txt.young.tmp"),    // not a name of ours
        QStringLiteral(".other.txt.1a2b3c4d.tmp"),   // another file's
        QStringLiteral(".計算Log.txt.abc.tmp.keep"),
        QStringLiteral(".計算Log.txt.1a2b.tmp.lock"),   // QSettings' lock: removed
        QStringLiteral(".計算Log.txt.1a2b.tmp.Ab3dE9"), // QSettings' new file: removed
        QStringLiteral(".計算Log.txt.1a2b.tmp.Ab3d_9"),
        QStringLiteral(".計算Log.txt.1a2b.tmp.lock.x"),
        QStringLiteral(".計算Log.txt.123456789.tmp"),
    };
    for (const QString& name : names) {
        ASSERT_TRUE(Put(Path(name), "part"));
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(Put(Path(QStringLiteral(".計算Log.txt.5e5e.tmp")), "a save under way"));
    EXPECT_EQ(RemoveStaleTemporaries(path), 4);
    EXPECT_EQ(Entries().size(), 8);
    EXPECT_FALSE(QFile::exists(Path(names[0])));
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral(".計算Log.txt.5e5e.tmp"))));
}

// ---------------------------------------------------------------------------------------------
// Creating: only where nothing is.

TEST_F(FileIo, CreatesOnlyANewFile)
{
    const QString path = Path(QStringLiteral("new.txt"));
    EXPECT_EQ(CreateNewFile(path, "\r\n"), EFileError::None);
    EXPECT_EQ(Content(path), "\r\n");
    ASSERT_TRUE(Put(path, "user's text"));
    EXPECT_EQ(CreateNewFile(path, "\r\n"), EFileError::AccessDenied);
    EXPECT_EQ(Content(path), "user's text");
    EXPECT_EQ(CreateNewFile(Path(QStringLiteral("none/new.txt")), "x"), EFileError::BadPath);
    EXPECT_EQ(CreateNewFile(QString(), "x"), EFileError::BadPath);
}

} // namespace
