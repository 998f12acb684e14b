#include "LogPath.h"

#include "DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A program folder and a data folder ($XDG_DATA_HOME) of the test's own.
class LogPath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        SetDataHome(Path(QStringLiteral("data")));
        ASSERT_TRUE(QDir().mkpath(ProgramDir()));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_oldDataHome); }

    void SetDataHome(const QString& folder) { qputenv("XDG_DATA_HOME", QFile::encodeName(folder)); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString ProgramDir() const { return Path(QStringLiteral("program")); }
    QString AppDataLog() const { return Path(QStringLiteral("data/Halsk/Brunovelt/計算Log.txt")); }

    QTemporaryDir m_dir;
    QByteArray m_oldDataHome;
};

TEST_F(LogPath, ANewLogInTheDataFolderHoldsALineEnd)
{
    const QString path = GetDefaultLogPath(ProgramDir());
    EXPECT_EQ(path, AppDataLog());
    EXPECT_EQ(FileContent(path), "\r\n");
    // The name reaches the file system as UTF-8.
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("data/Halsk/Brunovelt/")) +
                                  QString::fromUtf8("\xe8\xa8\x88\xe7\xae\x97Log.txt")));
    EXPECT_EQ(FolderEntries(ProgramDir()), QStringList{}); // nothing made beside the program

    // Found again, not made again.
    ASSERT_TRUE(PutFile(path, "1+1\r\n2\r\n"));
    EXPECT_EQ(GetDefaultLogPath(ProgramDir()), path);
    EXPECT_EQ(FileContent(path), "1+1\r\n2\r\n");
}

TEST_F(LogPath, AFileBesideTheProgramComesFirst)
{
    const QString beside = ProgramDir() + QStringLiteral("/計算Log.txt");
    ASSERT_TRUE(PutFile(beside, "beside"));
    EXPECT_EQ(GetDefaultLogPath(ProgramDir()), beside);
    EXPECT_EQ(FileContent(beside), "beside");
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("data/Halsk"))));
}

TEST_F(LogPath, BothFoldersAreMadeWhenMissing)
{
    SetDataHome(Path(QStringLiteral("deep/er/data")));
    const QString path = GetDefaultLogPath(ProgramDir());
    EXPECT_EQ(path, Path(QStringLiteral("deep/er/data/Halsk/Brunovelt/計算Log.txt")));
    EXPECT_EQ(FileContent(path), "\r\n");
}

TEST_F(LogPath, NoPlaceForTheLogGivesAnEmptyPath)
{
    // A file where the data folder should be: no folder can be made under it, even by root.
    ASSERT_TRUE(PutFile(Path(QStringLiteral("plain")), "x"));
    SetDataHome(Path(QStringLiteral("plain/data")));
    EXPECT_EQ(GetDefaultLogPath(ProgramDir()), QString());
    EXPECT_EQ(FileContent(Path(QStringLiteral("plain"))), "x");

    // A folder of the log's name beside the program stands, and is no file either.
    SetDataHome(Path(QStringLiteral("data")));
    ASSERT_TRUE(QDir().mkpath(ProgramDir() + QStringLiteral("/計算Log.txt")));
    EXPECT_EQ(GetDefaultLogPath(ProgramDir()), QString());
    EXPECT_FALSE(QFileInfo::exists(AppDataLog()));
}

TEST_F(LogPath, AnUnreadableLogIsNeverEmptied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    ASSERT_TRUE(PutFile(AppDataLog(), "keep me"));
    ASSERT_TRUE(QFile::setPermissions(AppDataLog(), QFileDevice::WriteOwner));
    EXPECT_EQ(GetDefaultLogPath(ProgramDir()), QString());
    ASSERT_TRUE(
        QFile::setPermissions(AppDataLog(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(FileContent(AppDataLog()), "keep me");
}

TEST_F(LogPath, TheDataFolderPathTakesWhatIsGiven)
{
    const QString data = Path(QStringLiteral("data"));
    EXPECT_EQ(GetAppDataFilePath(), data);
    EXPECT_EQ(GetAppDataFilePath(QStringLiteral("Halsk")), data + QStringLiteral("/Halsk"));
    EXPECT_EQ(GetAppDataFilePath(QStringLiteral("Halsk"), QStringLiteral("Brunovelt")),
              data + QStringLiteral("/Halsk/Brunovelt"));
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("/Halsk"))); // made only for a file
    EXPECT_EQ(GetAppDataFilePath(QStringLiteral("Halsk"), QStringLiteral("Brunovelt"),
                                 QStringLiteral("a.txt")),
              data + QStringLiteral("/Halsk/Brunovelt/a.txt"));
    EXPECT_TRUE(QFileInfo(data + QStringLiteral("/Halsk/Brunovelt")).isDir());
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("/Halsk/Brunovelt/a.txt")));
}

TEST_F(LogPath, DirectoryTreesAreMadeFromTheFirstMissingFolder)
{
    EXPECT_TRUE(CreateDirectoryTree(Path(QStringLiteral("a/b/c"))));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("a/b/c"))).isDir());
    EXPECT_TRUE(CreateDirectoryTree(Path(QStringLiteral("a/x"))));
    // The root is never tried; a folder that is there already is an attempt that fails.
    EXPECT_FALSE(CreateDirectoryTree(QStringLiteral("/")));
    EXPECT_FALSE(CreateDirectoryTree(QString()));
    EXPECT_FALSE(CreateDirectoryTree(Path(QStringLiteral("a/b"))));
    ASSERT_TRUE(PutFile(Path(QStringLiteral("f")), "x"));
    EXPECT_FALSE(CreateDirectoryTree(Path(QStringLiteral("f/g/h"))));
}

TEST_F(LogPath, AConfiguredLogIsMadeWhereItCanBeAndOtherwiseNamesTheCause)
{
    ASSERT_TRUE(PutFile(Path(QStringLiteral("plain")), "x"));
    ASSERT_TRUE(PutFile(Path(QStringLiteral("old.txt")), "kept"));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("links/../target/log.txt")),
                            Path(QStringLiteral("dangling.txt"))));
    struct Row
    {
        const char* name;
        QString path;
        EFileError result;
        QString made; // the file that now holds CR LF
    };
    const Row rows[] = {
        {"in new folders", Path(QStringLiteral("new/er/log.txt")), EFileError::None,
         Path(QStringLiteral("new/er/log.txt"))},
        {"through a link to nothing yet", Path(QStringLiteral("dangling.txt")), EFileError::None,
         Path(QStringLiteral("target/log.txt"))},
        {"a file in a folder's place",
         Path(QStringLiteral("plain/log.txt")),
         EFileError::BadPath,
         {}},
        {"an existing file is left alone", Path(QStringLiteral("old.txt")), EFileError::None, {}},
        {"no path", QString(), EFileError::BadPath, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EnsureLogFile(row.path), row.result) << row.name;
        if (!row.made.isEmpty()) {
            EXPECT_EQ(FileContent(row.made), "\r\n") << row.name;
        }
    }
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("dangling.txt"))).isSymLink());
    EXPECT_EQ(FileContent(Path(QStringLiteral("old.txt"))), "kept");
}

TEST(ModuleDirPath, JoinsTheProgramFolderAndTheName)
{
    EXPECT_EQ(GetModuleDirPath(QStringLiteral("QUARN.chm"), QStringLiteral("/opt/b")),
              QStringLiteral("/opt/b/QUARN.chm"));
    EXPECT_EQ(GetModuleDirPath(QStringLiteral("QUARN.chm"), QStringLiteral("/opt/b/")),
              QStringLiteral("/opt/b/QUARN.chm"));
    EXPECT_EQ(GetModuleDirPath(QStringLiteral("QUARN.chm"), QString()),
              QStringLiteral("QUARN.chm"));
    EXPECT_EQ(ExecutableDir(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(GetModuleDirPath(QStringLiteral("x")),
              QCoreApplication::applicationDirPath() + QStringLiteral("/x"));
}

TEST(PlatformVersion, CountsAsFiveOrMore)
{
    const PlatformVersion version = GetPlatformVersion();
    EXPECT_GE(version.major, 5);
    EXPECT_GE(version.minor, 0);
}

} // namespace
