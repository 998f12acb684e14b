#include "FileIo.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>
#include <string>
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

TEST_F(FileIo, LeavesAReadOnlyFileAsItIs)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    const QString path = Path(QStringLiteral("ro.txt"));
    ASSERT_TRUE(Put(path, "old"));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    EXPECT_EQ(ReplaceFile(path, "new"), EFileError::AccessDenied);
    EXPECT_EQ(Content(path), "old");

    // In a read-only folder, a writable file cannot be replaced either.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0500), 0);
    EXPECT_EQ(ReplaceFile(path, "new"), EFileError::AccessDenied);
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
    EXPECT_EQ(Content(path), "old");
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("ro.txt")});
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
