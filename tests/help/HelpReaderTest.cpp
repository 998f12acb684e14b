#include "HelpReader.h"
#include "HelpStream.h"
#include "ShowHelpFile.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <string>

namespace {

const QString kHelpFile = QStringLiteral(BRUNOVELT_HELP_FILE);

// Every help file this binary opens is read by the help reader as built.
class ReaderEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { SetHelpReaderProgram(QStringLiteral(BRUNOVELT_HELP_READER)); }
};
[[maybe_unused]] ::testing::Environment* const kReaderEnvironment =
    ::testing::AddGlobalTestEnvironment(new ReaderEnvironment);

// ---------------------------------------------------------------------------------------------
// The stream, written here by hand so that the decoder is not checked against its own encoder.

std::string Le(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Frame(char kind, const std::string& payload)
{
    return kind + Le(static_cast<std::uint32_t>(payload.size()), 4) + payload;
}

std::string Text(const std::string& text)
{
    return Le(static_cast<std::uint32_t>(text.size()), 2) + text;
}

std::string Object(const std::string& path, const std::string& bytes)
{
    return Frame('O', Text(path) + bytes);
}

std::string Names(const std::string& topic, const std::string& contents = "")
{
    return Frame('N', Text("Title") + Text(topic) + Text(contents) + Text(""));
}

const std::string kBegin = Frame('B', "brunovelt-help 1");
const std::string kEnd = Frame('E', "");
const std::string kGood = kBegin + Object("/index.html", "<p>start</p>") +
                          Object("/Images/A.png", std::string("\0\x89", 2)) +
                          Names("/index.html", "/index.html") + kEnd;

TEST(HelpStream, DecodesAWholeStream)
{
    const std::optional<CHelpArchive> archive = DecodeHelpStream(kGood);
    ASSERT_TRUE(archive.has_value());
    EXPECT_EQ(archive->Title(), "Title");
    EXPECT_EQ(archive->DefaultTopic(), "/index.html");
    EXPECT_EQ(archive->ContentsFile(), "/index.html");
    EXPECT_EQ(archive->IndexFile(), "");
    ASSERT_NE(archive->Object("/images/a.PNG"), nullptr); // ASCII case does not count
    EXPECT_EQ(*archive->Object("/images/a.PNG"), std::string("\0\x89", 2));
    EXPECT_EQ(archive->Objects(), (std::vector<std::string>{"/Images/A.png", "/index.html"}));

    // What the reader's encoder writes reads back.
    std::string stream = HelpStreamBegin();
    ASSERT_TRUE(AppendHelpObject(stream, "/index.html", "<p>start</p>"));
    ASSERT_TRUE(AppendHelpObject(stream, "/Images/A.png", std::string("\0\x89", 2)));
    ASSERT_TRUE(AppendHelpNames(stream, {"Title", "/index.html", "/index.html", ""}));
    EXPECT_EQ(stream + HelpStreamEnd(), kGood);
    EXPECT_FALSE(AppendHelpObject(stream, "index.html", "")); // not normalised
    EXPECT_FALSE(AppendHelpNames(stream, {std::string(kMaxHelpNameBytes + 1, 'x'), "", "", ""}));
}

// A reader that stops short or writes anything out of order or out of bounds is refused whole.
TEST(HelpStream, RefusesMalformedStreams)
{
    for (std::size_t size = 0; size < kGood.size(); ++size)
        EXPECT_FALSE(DecodeHelpStream(kGood.substr(0, size)).has_value()) << "cut at " << size;

    const std::string page = Object("/index.html", "p");
    const struct
    {
        const char* name;
        std::string stream;
    } rows[] = {
        {"no begin frame", page + Names("/index.html") + kEnd},
        {"another version", Frame('B', "brunovelt-help 2") + page + Names("/index.html") + kEnd},
        {"unknown frame", kBegin + page + Frame('X', "") + Names("/index.html") + kEnd},
        {"a frame after the end", kGood + kEnd},
        {"bytes after the end", kGood + "E"},
        {"no names", kBegin + page + kEnd},
        {"names twice", kBegin + page + Names("/index.html") + Names("/index.html") + kEnd},
        {"names of a missing page", kBegin + page + Names("/missing.html") + kEnd},
        {"names not normalised", kBegin + page + Names("index.html") + kEnd},
        {"names with bytes over",
         kBegin + page + Frame('N', Text("") + Text("") + Text("") + Text("") + "x") + kEnd},
        {"a path twice", kBegin + page + Object("/INDEX.html", "q") + Names("") + kEnd},
        {"a path not normalised", kBegin + Object("/a/../index.html", "p") + Names("") + kEnd},
        {"a path with a NUL", kBegin + Object(std::string("/a\0b", 4), "p") + Names("") + kEnd},
        {"an empty path", kBegin + Object("/", "p") + Names("") + kEnd},
        {"a path past its frame", kBegin + Frame('O', Le(100, 2) + "/a") + Names("") + kEnd},
        {"a frame past the stream", kBegin + 'O' + Le(0xFFFFFFFF, 4) + "/a"},
        {"an end with a payload", kBegin + page + Names("/index.html") + Frame('E', "x")},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(DecodeHelpStream(row.stream).has_value()) << row.name;
}

// ---------------------------------------------------------------------------------------------
// The child process: what it writes counts only when it ends well within its limits.

TEST(HelpReaderProcess, KeepsTheChildToItsLimits)
{
    ChildLimits quick;
    quick.cpuSeconds = 1;
    quick.wallMilliseconds = 1000;
    quick.outputBytes = 1000;
    const struct
    {
        const char* name;
        const char* script;
        std::optional<QByteArray> output;
    } rows[] = {
        {"ends well", "printf ok", QByteArray("ok")},
        {"fails", "printf ok; exit 3", std::nullopt},
        {"crashes", "printf ok; kill -SEGV $$", std::nullopt},
        {"hangs", "printf ok; exec sleep 30", std::nullopt},
        {"closes its output and hangs", "exec >&-; exec sleep 30", std::nullopt},
        {"spins", "while :; do :; done", std::nullopt},
        {"says too much", "head -c 5000 /dev/zero", std::nullopt},
    };
    for (const auto& row : rows) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(RunLimitedChild(QStringLiteral("/bin/sh"),
                                  {QStringLiteral("-c"), QString::fromUtf8(row.script)}, quick),
                  row.output)
            << row.name;
        // Killed at the wall-clock limit, with room for a loaded machine.
        EXPECT_LT(clock.elapsed(), quick.wallMilliseconds + 4000) << row.name;
    }
    EXPECT_FALSE(RunLimitedChild(QStringLiteral("/nonexistent/reader"), {}, quick).has_value());
}

TEST(HelpReaderProcess, SetsTheLimitsInTheChild)
{
    ChildLimits limits;
    limits.cpuSeconds = 3;
    limits.addressSpaceBytes = 256LL * 1024 * 1024;
    const auto output =
        RunLimitedChild(QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"), QStringLiteral("ulimit -t; ulimit -c")}, limits);
    EXPECT_EQ(output, QByteArray("3\n0\n"));
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer build leaves the address space alone
    EXPECT_EQ(RunLimitedChild(QStringLiteral("/bin/sh"),
                              {QStringLiteral("-c"), QStringLiteral("ulimit -v")}, limits),
              QByteArray("262144\n"));
#endif
}

// ---------------------------------------------------------------------------------------------
// Damaged help files: the reader fails, crashes or spins in chmlib, and nothing more happens.

QString DamagedCopy(const QTemporaryDir& dir, const char* name,
                    const std::function<void(QByteArray&)>& damage)
{
    QFile source(kHelpFile);
    EXPECT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    damage(bytes);
    const QString path = dir.filePath(QString::fromUtf8(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TEST(HelpReader, RefusesDamagedFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ChildLimits quick;
    quick.cpuSeconds = 1;
    quick.wallMilliseconds = 3000;
    const struct
    {
        const char* name;
        std::function<void(QByteArray&)> damage;
    } rows[] = {
        // The LZX version after "LZXC" (the byte at 0x2235 in today's file) from 2 to 4: chmlib
        // crashes decompressing.
        {"lzx-version.chm",
         [](QByteArray& bytes) {
             const qsizetype at = bytes.indexOf("LZXC");
             ASSERT_GT(at, 0);
             ASSERT_EQ(bytes[at + 4], '\x02');
             bytes[at + 4] = '\x04';
         }},
        // The one listing chunk of the directory names itself as the next: chmlib lists forever.
        {"directory-loop.chm",
         [](QByteArray& bytes) {
             const qsizetype at = bytes.indexOf("PMGL");
             ASSERT_GT(at, 0);
             bytes.replace(at + 16, 4, QByteArray(4, '\0'));
         }},
        {"half.chm", [](QByteArray& bytes) { bytes.truncate(bytes.size() / 2); }},
        {"noise.chm",
         [](QByteArray& bytes) {
             for (qsizetype i = 0; i < bytes.size(); ++i)
                 bytes[i] = static_cast<char>((i * 7919) & 0xFF);
         }},
    };
    for (const auto& row : rows) {
        const QString path = DamagedCopy(dir, row.name, row.damage);
        EXPECT_FALSE(ReadHelpFile(path, quick).has_value()) << row.name;
    }
    EXPECT_TRUE(ReadHelpFile(kHelpFile, quick).has_value());
    EXPECT_FALSE(ReadHelpFile(dir.filePath(QStringLiteral("missing.chm")), quick).has_value());
}

} // namespace
