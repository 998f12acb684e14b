#include "LogPath.h"

#include "DocumentTestSupport.h"
#include "MemorySettingsStore.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <string>

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

// "System"/"LogFile": every name reads back as the file it names, whatever the default is then;
// an empty value is the default log.
TEST(LogFileSetting, EveryNameReadsBackAsTheSameFile)
{
    const QString accentedDefault = QStringLiteral("/home/donnée/計算Log.txt");
    const QString plainDefault = QStringLiteral("/home/user/計算Log.txt");
    struct Row
    {
        const char* name;
        QString path;
        std::string stored; // with accentedDefault as the default
    };
    const Row rows[] = {
        {"code page 932 text stays text", QStringLiteral("/tmp/記録 ﾛｸﾞ.txt"),
         Sjis("/tmp/記録 ﾛｸﾞ.txt")},
        {"relative", QStringLiteral("log.txt"), "log.txt"},
        {"the default with é", accentedDefault,
         "file:///home/donn%C3%A9e/%E8%A8%88%E7%AE%97Log.txt"},
        {"another name with é", QStringLiteral("/tmp/résumé.txt"),
         "file:///tmp/r%C3%A9sum%C3%A9.txt"},
        {"relative with é", QStringLiteral("donnée/a.txt"), "file:donn%C3%A9e/a.txt"},
        {"relative, like a drive", QStringLiteral("x:é"), "file:x%3A%C3%A9"},
        // Its text is what the default's was stored as: the URL keeps the two apart.
        {"the default's lossy twin", QStringLiteral("/home/donn?e/計算Log.txt"),
         "file:///home/donn%3Fe/%E8%A8%88%E7%AE%97Log.txt"},
        {"text that looks like a URL", QStringLiteral("file:a.txt"), "file:file%3Aa.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string stored = LogFileToStore(row.path, accentedDefault);
        EXPECT_EQ(stored, row.stored);
        EXPECT_EQ(LogFileFromStore(stored, accentedDefault), row.path);
        // The default moves on (a log put beside the program): the name still names its file.
        EXPECT_EQ(LogFileFromStore(stored, plainDefault), row.path);
    }

    // An empty or absent value is the default log, as is the lossy text earlier versions stored
    // for a default the code page cannot spell.
    EXPECT_EQ(LogFileToStore(QString(), accentedDefault), "");
    EXPECT_EQ(LogFileFromStore("", accentedDefault), accentedDefault);
    EXPECT_EQ(LogFileFromStore(Sjis("/home/donn?e/計算Log.txt"), accentedDefault), accentedDefault);
    CMemorySettingsStore store;
    EXPECT_EQ(ReadLogFileSetting(store, plainDefault), plainDefault);
    store.Put("System", "LogFile", "");
    EXPECT_EQ(ReadLogFileSetting(store, plainDefault), plainDefault);
    store.Put("System", "LogFile", "file:///tmp/r%C3%A9sum%C3%A9.txt");
    EXPECT_EQ(ReadLogFileSetting(store, plainDefault), QStringLiteral("/tmp/résumé.txt"));
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
