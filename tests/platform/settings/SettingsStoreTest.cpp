#include "SettingsStore.h"

#include "Sjis.h"
#include "Cp932QString.h"
#include "DiskFaults.h"
#include "FileIo.h"
#include "MemorySettingsStore.h"
#include "SettingsWriteFailure.h"
#include "TestDesktop.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

// QSettings keeps the files it has read in a cache that it checks by size and time only, so each
// look at a file goes through a copy of its own.
QString UniqueCopy(const QString& path)
{
    static QTemporaryDir copies;
    static int counter = 0;
    const QString copy = copies.filePath(QStringLiteral("copy%1.ini").arg(++counter));
    QFile::copy(path, copy);
    return copy;
}

// Every value QSettings reads from the INI file, by its "section/name" key.
std::map<QString, QString> ReadWithQSettings(const QString& path)
{
    std::map<QString, QString> values;
    const QSettings settings(UniqueCopy(path), QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        values[key] = settings.value(key).toString();
    return values;
}

// Every value QSettings holds, of any type, by key.
QSettings::SettingsMap AllQSettingsValues(const QSettings& settings)
{
    QSettings::SettingsMap values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// Whether QSettings, writing `key` into a copy of the file at `path`, reads every value back as
// it held it before the write.
bool QSettingsReadsBackItsWrite(const QString& path, const QString& key, const QString& value)
{
    QSettings::SettingsMap intended;
    QString written;
    {
        QSettings settings(UniqueCopy(path), QSettings::IniFormat);
        settings.setValue(key, value);
        intended = AllQSettingsValues(settings);
        settings.sync();
        written = settings.fileName();
    }
    return AllQSettingsValues(QSettings(UniqueCopy(written), QSettings::IniFormat)) == intended;
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Values that exercise the file's quoting and escapes, as code page 932 bytes.
std::vector<std::string> AwkwardStrings()
{
    return {"FIXEDSYS",
            Sjis("ＭＳ ゴシック"),
            Sjis("C:\\Users\\太郎\\表示ソフト.txt"), // 表 and ソ end in the byte 0x5C
            "a,b",
            "x;y",
            "k=v",
            "\"quoted\"",
            "back\\slash",
            "ends with\\",
            "  lead",
            "trail  ",
            " ",
            "@at",
            "@@double",
            "@String(x)",
            "@Invalid()",
            "@ByteArray(abc)",
            "@Rect(1 2 3 4)",
            "tab\there",
            "line\nbreak\r\n",
            "\x01"
            "1abc",
            std::string("nul\0"
                        "0byte",
                        9),
            Sjis("ｶﾀｶﾅ①②∑〜"),
            "#hash",
            "[bracket]",
            "%20percent",
            Sjis("日本語 テキスト"),
            "\\x41\\n",
            "=",
            ";",
            ",",
            "\x81", // a lead byte on its own
            "\x7F"};
}

// ---------------------------------------------------------------------------------------------
// What both stores promise.

struct FileStoreFixture
{
    QTemporaryDir folder;
    CSettingsStore store{folder.filePath(QStringLiteral("Halsk/Brunovelt.conf"))};
};

struct MemoryStoreFixture
{
    CMemorySettingsStore store;
};

template <typename Fixture> class SettingsStoreContract : public testing::Test
{
protected:
    ISettingsStore& Store() { return m_fixture.store; }

private:
    Fixture m_fixture;
};

using StoreFixtures = testing::Types<FileStoreFixture, MemoryStoreFixture>;
TYPED_TEST_SUITE(SettingsStoreContract, StoreFixtures);

TYPED_TEST(SettingsStoreContract, MissingValuesGiveTheirDefaults)
{
    ISettingsStore& store = this->Store();
    EXPECT_EQ(store.GetInt("System", "Log", 7), 7);
    EXPECT_EQ(store.GetString("Font", "FaceName", "FIXEDSYS"), "FIXEDSYS");
    EXPECT_EQ(store.GetString("Font", "FaceName", ""), "");
    ASSERT_TRUE(store.WriteInt("System", "Other", 1));
    EXPECT_EQ(store.GetInt("System", "Log", -3), -3); // the section is there, the value is not
    EXPECT_EQ(store.GetString("System", "Log", Sjis("既定")), Sjis("既定"));
}

TYPED_TEST(SettingsStoreContract, IntegersComeBack)
{
    ISettingsStore& store = this->Store();
    for (const int value : {0, 1, -1, 42, -7, 65535, INT_MAX, INT_MIN}) {
        ASSERT_TRUE(store.WriteInt("System", "Log", value));
        EXPECT_EQ(store.GetInt("System", "Log", 12345), value);
    }
    for (int n = 1; n <= 5; ++n)
        ASSERT_TRUE(store.WriteInt("PButton", std::to_string(n), n * 10));
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(store.GetInt("PButton", std::to_string(n), 0), n * 10);
}

TYPED_TEST(SettingsStoreContract, StringsComeBack)
{
    ISettingsStore& store = this->Store();
    const std::vector<std::string> values = AwkwardStrings();
    // Appended, not "S" + std::to_string(i): at -O3 GCC 12 warns falsely (-Wrestrict) about the
    // copy in the insert at the front that operator+ makes.
    const auto key = [](std::size_t i) { return std::string("S").append(std::to_string(i)); };
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_TRUE(store.WriteString("Strings", key(i), values[i]));
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(store.GetString("Strings", key(i), "?default"), values[i]) << "value " << i;
}

TYPED_TEST(SettingsStoreContract, AnEmptyStringIsAValue)
{
    ISettingsStore& store = this->Store();
    ASSERT_TRUE(store.WriteString("Recent File List", "File1", ""));
    EXPECT_EQ(store.GetString("Recent File List", "File1", "default"), "");
    EXPECT_EQ(store.GetInt("Recent File List", "File1", 9), 9);
}

TYPED_TEST(SettingsStoreContract, SectionsWithSpacesAndDigitNamesAreDistinct)
{
    ISettingsStore& store = this->Store();
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(store.WriteString("Recent File List", "File" + std::to_string(n),
                                      Sjis("C:\\データ\\") + std::to_string(n) + ".txt"));
    for (int n = 1; n <= 5; ++n) {
        ASSERT_TRUE(
            store.WriteString("PButton", std::to_string(n), "SQR(" + std::to_string(n) + ")"));
        ASSERT_TRUE(store.WriteString("PButtonTitle", std::to_string(n),
                                      Sjis("ボタン") + std::to_string(n)));
    }
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(store.GetString("Recent File List", "File" + std::to_string(n), ""),
                  Sjis("C:\\データ\\") + std::to_string(n) + ".txt");
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(store.GetString("PButton", std::to_string(n), ""),
                  "SQR(" + std::to_string(n) + ")");
        EXPECT_EQ(store.GetString("PButtonTitle", std::to_string(n), ""),
                  Sjis("ボタン") + std::to_string(n));
    }
    EXPECT_EQ(store.GetString("Recent File List", "File5", "none"), "none");
    EXPECT_EQ(store.GetString("RecentFileList", "File1", "none"), "none");
}

TYPED_TEST(SettingsStoreContract, TextThatIsNoIntegerGivesTheDefault)
{
    ISettingsStore& store = this->Store();
    for (const std::string& text : std::vector<std::string>{
             "abc", "12x", "x12", "", " ", "-", "+", "1.5", "1e3", "0x10", "1 2", "99999999999",
             "2147483648", "-2147483649", "18446744073709551616", Sjis("１２")}) {
        ASSERT_TRUE(store.WriteString("View", "TabNo", text));
        EXPECT_EQ(store.GetInt("View", "TabNo", 8), 8) << '"' << text << '"';
    }
    const std::pair<std::string, int> numbers[] = {{"2147483647", INT_MAX},
                                                   {"-2147483648", INT_MIN},
                                                   {"007", 7},
                                                   {"+7", 7},
                                                   {" 12 ", 12},
                                                   {"-0", 0}};
    for (const auto& [text, value] : numbers) {
        ASSERT_TRUE(store.WriteString("View", "TabNo", text));
        EXPECT_EQ(store.GetInt("View", "TabNo", 8), value) << '"' << text << '"';
    }
}

TYPED_TEST(SettingsStoreContract, IntegersAndStringsShareTheirText)
{
    ISettingsStore& store = this->Store();
    ASSERT_TRUE(store.WriteInt("Font", "Size", -16));
    EXPECT_EQ(store.GetString("Font", "Size", ""), "-16");
    ASSERT_TRUE(store.WriteString("Font", "Weight", "700"));
    EXPECT_EQ(store.GetInt("Font", "Weight", 400), 700);
}

TYPED_TEST(SettingsStoreContract, AWriteReplacesOnlyItsValue)
{
    ISettingsStore& store = this->Store();
    ASSERT_TRUE(store.WriteString("Font", "FaceName", "FIXEDSYS"));
    ASSERT_TRUE(store.WriteInt("Font", "Size", 16));
    ASSERT_TRUE(store.WriteInt("View", "Comma", 1));
    ASSERT_TRUE(store.WriteString("Font", "FaceName", Sjis("ＭＳ Ｐゴシック")));
    EXPECT_EQ(store.GetString("Font", "FaceName", ""), Sjis("ＭＳ Ｐゴシック"));
    EXPECT_EQ(store.GetInt("Font", "Size", 0), 16);
    EXPECT_EQ(store.GetInt("View", "Comma", 0), 1);
}

TYPED_TEST(SettingsStoreContract, ABatchWritesEveryValueAndKeepsTheRest)
{
    ISettingsStore& store = this->Store();
    ASSERT_TRUE(store.WriteInt("View", "Comma", 1));
    const std::string face = Sjis("ＭＳ ゴシック");
    const SettingsValue values[] = {
        {"Font", "FaceName", std::string_view(face)}, {"Font", "Size", -16}, {"Font", "Italic", 0}};
    ASSERT_TRUE(store.WriteValues(values));
    EXPECT_EQ(store.GetString("Font", "FaceName", ""), face);
    EXPECT_EQ(store.GetInt("Font", "Size", 0), -16);
    EXPECT_EQ(store.GetInt("Font", "Italic", 9), 0);
    EXPECT_EQ(store.GetInt("View", "Comma", 0), 1);
}

// ---------------------------------------------------------------------------------------------
// The INI file.

class SettingsFile : public testing::Test
{
protected:
    QString Path() const { return m_folder.filePath(QStringLiteral("Halsk/Brunovelt.conf")); }
    QString Folder() const { return m_folder.filePath(QStringLiteral("Halsk")); }
    QString Scratch(const QString& name) const { return m_folder.filePath(name); }

    QTemporaryDir m_folder;
};

TEST_F(SettingsFile, TheDefaultFileIsTheOneQSettingsUses)
{
    const QString expected =
        QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Halsk/Brunovelt.conf");
    EXPECT_EQ(CSettingsStore::DefaultFileName(), expected);
    EXPECT_EQ(CSettingsStore().FileName(), expected);
    EXPECT_EQ(QSettings(QStringLiteral("Halsk"), QStringLiteral("Brunovelt")).fileName(), expected);

    // The test main gives the run an empty configuration folder: the write makes the folders.
    CSettingsStore store;
    ASSERT_TRUE(store.WriteInt("System", "Log", 1));
    EXPECT_TRUE(QFileInfo::exists(expected));
    EXPECT_EQ(CSettingsStore().GetInt("System", "Log", 0), 1);
    EXPECT_EQ(ReadWithQSettings(expected).at(QStringLiteral("System/Log")), QStringLiteral("1"));
}

// QSettings' own text: sections in the order of their names, names escaped, values quoted where
// they hold a comma, a leading '@' doubled.
TEST_F(SettingsFile, IsWrittenInQSettingsForm)
{
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteString("Recent File List", "File1", "C:\\a,b.txt"));
    ASSERT_TRUE(store.WriteInt("PButton", "1", 42));
    ASSERT_TRUE(store.WriteString("General", "x", "@at"));
    ASSERT_TRUE(store.WriteString("PButtonTitle", "2", Sjis("平方根")));
    EXPECT_EQ(FileBytes(Path()), QByteArray("[%General]\n"
                                            "x=@@at\n"
                                            "\n"
                                            "[PButton]\n"
                                            "1=42\n"
                                            "\n"
                                            "[PButtonTitle]\n"
                                            "2=") +
                                     QStringLiteral("平方根").toUtf8() +
                                     QByteArray("\n"
                                                "\n"
                                                "[Recent%20File%20List]\n"
                                                "File1=\"C:\\\\a,b.txt\"\n"));
}

// Names that QSettings would not give back as they were written are refused, and the file stays
// as it was.
TEST_F(SettingsFile, RefusesNamesThatQSettingsWouldChange)
{
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteInt("View", "Comma", 1));
    const QByteArray before = FileBytes(Path());
    const std::pair<std::string, std::string> refused[] = {
        {"a/b", "x"}, {"View", "x/y"}, {"View", ""}, {"general", "x"}, {"GENERAL", "x"}};
    for (const auto& [section, name] : refused) {
        EXPECT_FALSE(store.WriteInt(section, name, 1)) << section << '/' << name;
        EXPECT_EQ(store.LastWriteFailure().cause, EFileError::BadPath);
        const SettingsValue batch[] = {{"View", "TabNo", 4}, {section, name, 1}};
        EXPECT_FALSE(store.WriteValues(batch)) << section << '/' << name;
    }
    EXPECT_EQ(FileBytes(Path()), before);
    ASSERT_TRUE(store.WriteInt("General", "x", 2)); // QSettings' own spelling is kept
    ASSERT_TRUE(store.WriteInt("", "top", 3));
    EXPECT_EQ(store.GetInt("General", "x", 0), 2);
    EXPECT_EQ(store.GetInt("", "top", 0), 3);
}

TEST_F(SettingsFile, QSettingsReadsWhatTheStoreWrites)
{
    CSettingsStore store(Path());
    const std::vector<std::string> values = AwkwardStrings();
    const std::vector<std::string> sections = {"Recent File List", "PButton", "General",
                                               Sjis("日本語の節"), "a=b;c",   "100%",
                                               " padded ",         "Font"};
    std::map<QString, QString> expected;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string& section = sections[i % sections.size()];
        const std::string name = i % 3 == 0 ? std::to_string(i) : "Key " + std::to_string(i);
        ASSERT_TRUE(store.WriteString(section, name, values[i]));
        expected[QStringFromCp932(section) + u'/' + QStringFromCp932(name)] =
            QStringFromCp932(values[i]);
    }
    ASSERT_TRUE(store.WriteInt(Sjis("整数"), Sjis("値"), -123));
    expected[QStringLiteral("整数/値")] = QStringLiteral("-123");

    const std::map<QString, QString> read = ReadWithQSettings(Path());
    EXPECT_EQ(read.size(), expected.size());
    for (const auto& [key, value] : expected) {
        const auto found = read.find(key);
        ASSERT_NE(found, read.end()) << key.toStdString();
        EXPECT_EQ(found->second, value) << key.toStdString();
    }
}

TEST_F(SettingsFile, TheStoreReadsWhatQSettingsWrites)
{
    const std::vector<std::string> values = AwkwardStrings();
    {
        QSettings settings(Path(), QSettings::IniFormat);
        for (std::size_t i = 0; i < values.size(); ++i)
            settings.setValue(QStringLiteral("Recent File List/File%1").arg(i),
                              QStringFromCp932(values[i]));
        settings.setValue(QStringLiteral("PButton/1"), 42);
        settings.setValue(QStringLiteral("PButton/2"), -2147483647 - 1);
        settings.setValue(QStringLiteral("General/Name"), QStringLiteral("一般"));
        settings.setValue(QStringLiteral("日本語/キー 1"), QStringLiteral("  値  "));
        settings.sync();
        ASSERT_EQ(settings.status(), QSettings::NoError);
    }
    const CSettingsStore store(Path());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(store.GetString("Recent File List", "File" + std::to_string(i), "?"), values[i])
            << "value " << i;
    EXPECT_EQ(store.GetInt("PButton", "1", 0), 42);
    EXPECT_EQ(store.GetInt("PButton", "2", 0), INT_MIN);
    EXPECT_EQ(store.GetString("General", "Name", ""), Sjis("一般"));
    EXPECT_EQ(store.GetString(Sjis("日本語"), Sjis("キー 1"), ""), Sjis("  値  "));
}

TEST_F(SettingsFile, EveryReadSeesTheFileAsItIsNow)
{
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteInt("System", "Log", 1));
    EXPECT_EQ(store.GetInt("System", "Log", 0), 1);

    ASSERT_TRUE(WriteFileBytes(Path(), "[System]\nLog=5\n"));
    EXPECT_EQ(store.GetInt("System", "Log", 0), 5);

    {
        QSettings settings(UniqueCopy(Path()), QSettings::IniFormat);
        settings.setValue(QStringLiteral("System/Log"), 6);
        settings.sync();
        QFile::remove(Path());
        ASSERT_TRUE(QFile::copy(settings.fileName(), Path()));
    }
    EXPECT_EQ(store.GetInt("System", "Log", 0), 6);

    // Another store object on the same file, as another process would be.
    CSettingsStore other(Path());
    ASSERT_TRUE(other.WriteString("System", "Log", "7"));
    EXPECT_EQ(store.GetInt("System", "Log", 0), 7);

    ASSERT_TRUE(QFile::remove(Path()));
    EXPECT_EQ(store.GetInt("System", "Log", 0), 0);
}

TEST_F(SettingsFile, ReadsAFileWrittenByHand)
{
    const QByteArray text = "\xEF\xBB\xBF; written by hand\r\n"
                            "top=level\r\n"
                            "[System]\r\n"
                            "  Log = 3   ; the log level\r\n"
                            "Name=\"  quoted; with = signs \"\r\n"
                            "\r\n"
                            "[Recent%20File%20List]\n"
                            "File1=C:\\\\one.txt\n"
                            "File1=C:\\\\two.txt\n"
                            "Geometry=@Rect(1 2 3 4)\n"
                            "List=a, b, c\n"
                            "Continued=first\\\n"
                            "second\n"
                            "no equals sign here\n"
                            "[System]\n"
                            "Other=%U65E5\n"
                            "Octal=\\101\\x42\\x43\n"
                            "Broken=\"never closed";
    ASSERT_TRUE(WriteFileBytes(Path(), text));
    CSettingsStore store(Path());
    EXPECT_EQ(store.GetString("", "top", "?"), "level"); // [General] and before it: the top
    EXPECT_EQ(store.GetString("General", "top", "?"), "?");
    EXPECT_EQ(store.GetInt("System", "Log", 0), 3);
    EXPECT_EQ(store.GetString("System", "Name", ""), "  quoted; with = signs ");
    EXPECT_EQ(store.GetString("Recent File List", "File1", ""), "C:\\two.txt");
    EXPECT_EQ(store.GetString("Recent File List", "Continued", ""), "firstsecond");
    EXPECT_EQ(store.GetString("System", "Other", ""), "%U65E5"); // %-escapes are for names
    EXPECT_EQ(store.GetString("Recent File List", "List", ""), "a, b, c");
    EXPECT_EQ(store.GetString("System", "Octal", ""), "ABC");
    EXPECT_EQ(store.GetString("System", "Broken", ""), "never closed");

    // A write keeps the values it does not touch in their own text.
    ASSERT_TRUE(store.WriteInt("System", "Log", 4));
    const QByteArray written = FileBytes(Path());
    EXPECT_TRUE(written.contains("\nGeometry=@Rect(1 2 3 4)\n")) << written.toStdString();
    EXPECT_TRUE(written.contains("\nList=a, b, c\n")) << written.toStdString();
    EXPECT_TRUE(written.contains("\nBroken=never closed\n")) << written.toStdString();
    EXPECT_EQ(store.GetInt("System", "Log", 0), 4);
    EXPECT_EQ(store.GetString("System", "Name", ""), "  quoted; with = signs ");
    EXPECT_EQ(store.GetString("Recent File List", "Continued", ""), "firstsecond");
    EXPECT_EQ(store.GetString("System", "Broken", ""), "never closed");

    const QSettings settings(UniqueCopy(Path()), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("top")).toString(), QStringLiteral("level"));
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/Geometry")).toRect(),
              QRect(1, 2, 3, 4));
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/List")).toStringList(),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(settings.value(QStringLiteral("System/Log")).toInt(), 4);
}

// Random text made of the characters that matter to the INI form: wherever QSettings reads a
// plain string, the store reads the same.
TEST_F(SettingsFile, ReadsRandomTextAsQSettingsDoes)
{
    static const char* const kPieces[] = {"[",       "]",
                                          "=",       ";",
                                          "\"",      "\\",
                                          " ",       "\t",
                                          "\r\n",    "\n",
                                          "\r",      "a",
                                          "B",       "1",
                                          "%20",     "%U65E5",
                                          "%4",      "@",
                                          "@@",      ",",
                                          "x",       "\xE6\x97\xA5",
                                          "general", "%General",
                                          "\\x4",    "\\0",
                                          "\\n",     "@String(",
                                          ")",       "\n[S]\n",
                                          "\nk=",    "\xEF\xBB\xBF"};
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 60);
    int compared = 0;
    for (int round = 0; round < 1000; ++round) {
        QByteArray text;
        for (int n = length(random); n > 0; --n)
            text += kPieces[piece(random)];
        const QString path = Scratch(QStringLiteral("random%1.ini").arg(round));
        ASSERT_TRUE(WriteFileBytes(path, text));
        const CSettingsStore store(path);
        const QSettings settings(path, QSettings::IniFormat);
        for (const QString& key : settings.allKeys()) {
            if (key.isEmpty())
                continue;
            const QVariant value = settings.value(key);
            if (value.typeId() != QMetaType::QString)
                continue; // lists and other types are QSettings' own
            const qsizetype slash = key.indexOf(u'/');
            if (key.indexOf(u'/', slash + 1) >= 0)
                continue; // names with '/' are groups to QSettings
            const QString section = slash < 0 ? QString() : key.left(slash);
            const QString name = key.mid(slash + 1);
            if (section.isEmpty() || QStringFromCp932(QStringToCp932(key)) != key)
                continue;
            const std::string read =
                store.GetString(QStringToCp932(section), QStringToCp932(name), "?none");
            // A '\\' in a name is a '/' to QSettings, so "a\\b=" at the top and "b=" under [a]
            // are one key to it; the store keeps names as they are written.
            if (read == "?none" && text.contains('\\'))
                continue;
            EXPECT_EQ(read, QStringToCp932(value.toString()))
                << "key " << key.toStdString() << " in " << text.toStdString();
            ++compared;
        }

        // And a write leaves a file that both read the same (every few rounds: writes are
        // flushed to the disk and take their time).
        if (round % 5 != 0)
            continue;
        CSettingsStore writer(path);
        QString keptAs;
        writer.SetDamagedFileHandler([&keptAs](const QString& kept) { keptAs = kept; });
        if (!QSettingsReadsBackItsWrite(path, QStringLiteral("S/k"), QStringLiteral("v"))) {
            // Text that QSettings does not read back as it parsed it would fail every write: it
            // is kept in a file of its own, and the file holds the value written alone.
            EXPECT_TRUE(writer.WriteString("S", "k", "v")) << text.toStdString();
            EXPECT_EQ(FileBytes(keptAs), text);
            EXPECT_EQ(ReadWithQSettings(path),
                      (std::map<QString, QString>{{QStringLiteral("S/k"), QStringLiteral("v")}}));
            continue;
        }
        ASSERT_TRUE(writer.WriteString("S", "k", "v")) << text.toStdString();
        EXPECT_EQ(writer.GetString("S", "k", ""), "v");
        EXPECT_EQ(ReadWithQSettings(path)[QStringLiteral("S/k")], QStringLiteral("v"))
            << text.toStdString();
    }
    EXPECT_GT(compared, 150);
}

// A file of random bytes fails QSettings' read-back: the first write keeps its bytes beside it,
// tells the user once, and writes the settings afresh; the writes after it just work.
TEST_F(SettingsFile, ADamagedFileIsSetAsideOnce)
{
    const QString path = CSettingsStore::DefaultFileName();
    QByteArray damaged;
    for (unsigned seed = 1; damaged.isEmpty() && seed < 50; ++seed) {
        std::mt19937 random(seed);
        QByteArray bytes;
        for (int n = 0; n < 2000; ++n)
            bytes += static_cast<char>(random());
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        if (!QSettingsReadsBackItsWrite(path, QStringLiteral("View/Comma"), QStringLiteral("1")))
            damaged = bytes;
    }
    ASSERT_FALSE(damaged.isEmpty()) << "no random bytes that QSettings misreads";
    const QStringList before = FolderEntries(QFileInfo(path).absolutePath());

    CTestDesktop desktop;
    const std::unique_ptr<CSettingsStore> store = MakeUserSettingsStore(desktop);
    ASSERT_TRUE(store->WriteInt("View", "Comma", 1));
    ASSERT_TRUE(store->WriteInt("Font", "Size", 20));
    EXPECT_EQ(store->GetInt("View", "Comma", 0), 1);
    EXPECT_EQ(store->GetInt("Font", "Size", 0), 20);
    EXPECT_EQ(ReadWithQSettings(path),
              (std::map<QString, QString>{{QStringLiteral("View/Comma"), QStringLiteral("1")},
                                          {QStringLiteral("Font/Size"), QStringLiteral("20")}}));

    const QStringList after = FolderEntries(QFileInfo(path).absolutePath());
    ASSERT_EQ(after.size(), before.size() + 1) << after.join(u' ').toStdString();
    QString kept;
    for (const QString& name : after)
        if (!before.contains(name))
            kept = QFileInfo(path).absolutePath() + u'/' + name;
    EXPECT_TRUE(QFileInfo(kept).fileName().startsWith(QStringLiteral("Brunovelt.conf.damaged-")));
    EXPECT_EQ(FileBytes(kept), damaged);
    ASSERT_EQ(desktop.Count(), 1u);
    EXPECT_EQ(
        desktop.Last().text,
        QStringLiteral("設定ﾌｧｲﾙ %1 が壊れていたため、%2 として残し、設定を初期状態に戻しました。")
            .arg(path, kept));
    QFile::remove(kept);
}

TEST_F(SettingsFile, KeepsThePermissionsOfTheFile)
{
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteInt("System", "Log", 1));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0640), 0);
    ASSERT_TRUE(store.WriteInt("System", "Log", 2));
    ASSERT_EQ(::stat(QFile::encodeName(Path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(store.GetInt("System", "Log", 0), 2);
}

TEST_F(SettingsFile, WritesThroughALinkToTheFile)
{
    const QString real = Scratch(QStringLiteral("elsewhere/real.conf"));
    ASSERT_TRUE(WriteFileBytes(real, "[System]\nLog=1\n"));
    ASSERT_TRUE(QDir().mkpath(Folder()));
    ASSERT_TRUE(QFile::link(real, Path()));
    CSettingsStore store(Path());
    EXPECT_EQ(store.GetInt("System", "Log", 0), 1);
    ASSERT_TRUE(store.WriteInt("System", "Log", 2));
    EXPECT_TRUE(QFileInfo(Path()).isSymLink());
    EXPECT_EQ(FileBytes(real), QByteArray("[System]\nLog=2\n"));
    EXPECT_EQ(FolderEntries(Scratch(QStringLiteral("elsewhere"))),
              QStringList{QStringLiteral("real.conf")});
}

TEST_F(SettingsFile, LeavesNoOtherFilesBehind)
{
    CSettingsStore store(Path());
    for (int n = 0; n < 20; ++n)
        ASSERT_TRUE(store.WriteInt("Recent File List", "File" + std::to_string(n), n));
    EXPECT_EQ(FolderEntries(Folder()), QStringList{QStringLiteral("Brunovelt.conf")});
}

TEST_F(SettingsFile, FailsWhereTheFolderCannotBeMade)
{
    // A file where a folder should be: refused even for root.
    ASSERT_TRUE(WriteFileBytes(Scratch(QStringLiteral("plain")), "not a folder"));
    CSettingsStore store(Scratch(QStringLiteral("plain/Halsk/Brunovelt.conf")));
    EXPECT_FALSE(store.WriteInt("System", "Log", 1));
    EXPECT_FALSE(store.WriteString("Font", "FaceName", "x"));
    EXPECT_EQ(store.GetInt("System", "Log", 9), 9);
    EXPECT_EQ(FileBytes(Scratch(QStringLiteral("plain"))), QByteArray("not a folder"));
}

TEST_F(SettingsFile, DoesNotReplaceWhatItCannotRead)
{
    // A folder where the file should be cannot be read, so it is not written over either.
    ASSERT_TRUE(QDir().mkpath(Path()));
    CSettingsStore store(Path());
    EXPECT_FALSE(store.WriteInt("System", "Log", 1));
    EXPECT_EQ(store.GetInt("System", "Log", 9), 9);
    EXPECT_TRUE(QFileInfo(Path()).isDir());
    EXPECT_EQ(FolderEntries(Folder()), QStringList{QStringLiteral("Brunovelt.conf")});
}

TEST_F(SettingsFile, FailsInAReadOnlyFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteInt("System", "Log", 1));
    const QByteArray before = FileBytes(Path());
    ASSERT_EQ(::chmod(QFile::encodeName(Folder()).constData(), 0555), 0);
    EXPECT_FALSE(store.WriteInt("System", "Log", 2));
    ::chmod(QFile::encodeName(Folder()).constData(), 0755);
    EXPECT_EQ(FileBytes(Path()), before);
    EXPECT_EQ(store.GetInt("System", "Log", 0), 1);
}

// A failed write tells where and why, in the words of the file-error messages.
TEST_F(SettingsFile, AFailedWriteNamesTheFileAndItsCause)
{
    const QString native = QDir::toNativeSeparators(Path());
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteInt("System", "Log", 1));
    const QByteArray before = FileBytes(Path());

    // A read-only folder, for a user who is not root.
    ASSERT_TRUE(QFile::setPermissions(
        m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                             QFileDevice::ReadOther | QFileDevice::ExeOther));
    ASSERT_EQ(::chmod(QFile::encodeName(Folder()).constData(), 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0644), 0);
    const int cause = RunUnprivileged([&] {
        CSettingsStore child(Path());
        const SettingsValue values[] = {{"System", "Log", 0}, {"System", "LogFile", "x"}};
        if (child.WriteValues(values))
            return 0;
        const SettingsWriteFailure failure = child.LastWriteFailure();
        return failure.location == native.toStdString() ? static_cast<int>(failure.cause) : 99;
    });
    ::chmod(QFile::encodeName(Folder()).constData(), 0755);
    EXPECT_EQ(cause, static_cast<int>(EFileError::AccessDenied));
    EXPECT_EQ(FileBytes(Path()), before);

    // A folder where the file should be.
    CSettingsStore folderInPlace(Scratch(QStringLiteral("dir.conf")));
    ASSERT_TRUE(QDir().mkpath(Scratch(QStringLiteral("dir.conf"))));
    EXPECT_FALSE(folderInPlace.WriteInt("View", "Comma", 1));
    EXPECT_EQ(SettingsWriteFailureMessage(folderInPlace.LastWriteFailure()),
              QStringLiteral("%1 へのｱｸｾｽは拒否されました。")
                  .arg(QDir::toNativeSeparators(Scratch(QStringLiteral("dir.conf")))));
}

// The ten template values go in one replace: past the file size limit, as on a full disk, none
// of them is written and the old file stays whole.
TEST_F(SettingsFile, ABatchThatDoesNotFitLeavesTheOldFileWhole)
{
    CSettingsStore store(Path());
    const std::string names[] = {"1", "2", "3", "4", "5"};
    const std::string oldText(100, 'o'), newText(2000, 'n');
    const auto batch = [&](const std::string& text) {
        std::vector<SettingsValue> values;
        for (const std::string& name : names) {
            values.push_back({"PButton", name, std::string_view(text)});
            values.push_back({"PButtonTitle", name, std::string_view(text)});
        }
        return values;
    };
    ASSERT_TRUE(store.WriteValues(batch(oldText)));
    const QByteArray before = FileBytes(Path());
    {
        const CFileSizeLimit limit(static_cast<rlim_t>(before.size()) + 4096);
        if (!limit.Active())
            GTEST_SKIP() << "no file size limit here";
        EXPECT_FALSE(store.WriteValues(batch(newText)));
    }
    EXPECT_EQ(store.LastWriteFailure().cause, EFileError::DiskFull);
    EXPECT_EQ(FileBytes(Path()), before);
    EXPECT_EQ(FolderEntries(Folder()), QStringList{QStringLiteral("Brunovelt.conf")});
    for (const std::string& name : names)
        EXPECT_EQ(store.GetString("PButtonTitle", name, ""), oldText);
}

TEST_F(SettingsFile, WritersAtTheSameTimeKeepEachOthersValues)
{
    constexpr int kWriters = 4;
    constexpr int kValues = 25;
    std::atomic<int> failures{0};
    // Appended, not "W" + std::to_string(w): at -O3 GCC 12 warns falsely (-Wrestrict) about the
    // copy in the insert at the front that operator+ makes.
    const auto section = [](int w) { return std::string("W").append(std::to_string(w)); };
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            CSettingsStore store(Path()); // each with its own view, as separate processes
            for (int n = 0; n < kValues; ++n) {
                if (!store.WriteInt(section(w), std::to_string(n), w * 1000 + n))
                    ++failures;
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(failures, 0);
    const CSettingsStore store(Path());
    for (int w = 0; w < kWriters; ++w) {
        for (int n = 0; n < kValues; ++n)
            EXPECT_EQ(store.GetInt(section(w), std::to_string(n), -1), w * 1000 + n);
    }
}

// ---------------------------------------------------------------------------------------------
// A full disk: every write either succeeds with all values in the file, or fails with the file
// byte for byte as it was.

struct WriteOutcome
{
    bool written = false;
    QByteArray before;
    QByteArray after;
    std::map<std::string, std::string> expected; // every value the file should hold after it
    std::map<std::string, std::string> found;
    QStringList entries; // the folder's files after it
};

// Writes new long values and, in turn, shortens an old one, until well past the point where
// the disk is full. Nothing is checked here (the output may be on the full disk): see Check.
std::vector<WriteOutcome> FillWithWrites(CSettingsStore& store, const QString& path, int rounds)
{
    std::map<std::string, std::string> values;
    std::vector<WriteOutcome> outcomes;
    for (int round = 0; round < rounds; ++round) {
        WriteOutcome outcome;
        outcome.before = FileBytes(path);
        std::string name;
        std::string value;
        if (round % 3 == 2) {
            name = "File0";
            value = std::to_string(round);
        } else {
            name = "File" + std::to_string(round);
            for (int n = 0; n < 8 + round % 5; ++n)
                value += Sjis("長い値, \"引用\"; ") + std::to_string(round);
        }
        outcome.written = store.WriteString("Recent File List", name, value);
        if (outcome.written)
            values[name] = value;
        outcome.after = FileBytes(path);
        outcome.expected = values;
        for (const auto& [key, expectedValue] : values)
            outcome.found[key] = store.GetString("Recent File List", key, "(missing)");
        outcome.entries = FolderEntries(QFileInfo(path).absolutePath());
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

// With lateWrites, short writes after the first refusal must have succeeded too.
void CheckOutcomes(const std::vector<WriteOutcome>& outcomes, bool lateWrites)
{
    bool refusedBefore = false;
    int lateWritten = 0;
    int written = 0;
    int refused = 0;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const WriteOutcome& outcome = outcomes[i];
        if (outcome.written) {
            ++written;
            lateWritten += refusedBefore ? 1 : 0;
            EXPECT_EQ(outcome.found, outcome.expected) << "write " << i;
        } else {
            ++refused;
            refusedBefore = true;
            EXPECT_EQ(outcome.after, outcome.before) << "write " << i;
        }
        EXPECT_EQ(outcome.entries, QStringList{QStringLiteral("Brunovelt.conf")}) << "write " << i;
    }
    EXPECT_GT(written, 3);
    EXPECT_GT(refused, 3);
    if (lateWrites) {
        EXPECT_GT(lateWritten, 3);
    }
}

TEST_F(SettingsFile, AWriteThatDoesNotFitLeavesTheFileAsItWas)
{
    CSettingsStore store(Path());
    ASSERT_TRUE(store.WriteString("Font", "FaceName", "FIXEDSYS"));
    ASSERT_TRUE(store.WriteInt("Font", "Size", 16));
    ASSERT_TRUE(store.WriteString("Recent File List", "File0", "start"));
    std::vector<WriteOutcome> outcomes;
    {
        const CFileSizeLimit limit(static_cast<rlim_t>(FileBytes(Path()).size()) + 2500);
        if (!limit.Active())
            GTEST_SKIP() << "no file size limit here";
        outcomes = FillWithWrites(store, Path(), 40);
    }
    CheckOutcomes(outcomes, true);
    EXPECT_EQ(store.GetString("Font", "FaceName", ""), "FIXEDSYS");
    EXPECT_EQ(store.GetInt("Font", "Size", 0), 16);
}

// The same on a real full disk: a small memory file system, where the program may mount one.
TEST_F(SettingsFile, AFullDiskLeavesTheFileAsItWas)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a file system needs root";
    const QString disk = Scratch(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    const QByteArray nativeDisk = QFile::encodeName(disk);
    if (::mount("tmpfs", nativeDisk.constData(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                "size=64k,mode=0700") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    struct Unmount
    {
        const QByteArray& path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{nativeDisk};

    const QString path = disk + QStringLiteral("/Halsk/Brunovelt.conf");
    CSettingsStore store(path);
    ASSERT_TRUE(store.WriteString("Font", "FaceName", "FIXEDSYS"));
    ASSERT_TRUE(store.WriteString("Recent File List", "File0", "start"));

    // Fill the disk, then free three pages of it: a write needs one for the copy of the old file,
    // one for the new text and one for the lock file that QSettings makes while it writes.
    ASSERT_TRUE(FillDisk(disk, 12288));

    const std::vector<WriteOutcome> outcomes = FillWithWrites(store, path, 40);
    CheckOutcomes(outcomes, false);
    EXPECT_EQ(store.GetString("Font", "FaceName", ""), "FIXEDSYS");
}

// ---------------------------------------------------------------------------------------------
// The in-memory store's own controls.

TEST(MemorySettingsStore, WritesCanBeMadeToFail)
{
    CMemorySettingsStore store;
    ASSERT_TRUE(store.WriteInt("View", "Comma", 1));
    store.SetFailWrites(true);
    EXPECT_FALSE(store.WriteInt("View", "Comma", 0));
    EXPECT_FALSE(store.WriteString("Font", "FaceName", "x"));
    EXPECT_EQ(store.GetInt("View", "Comma", 5), 1);
    EXPECT_FALSE(store.Contains("Font", "FaceName"));
    EXPECT_EQ(store.FailedWriteCount(), 2u);
    store.SetFailWrites(false);
    EXPECT_TRUE(store.WriteInt("View", "Comma", 0));
    EXPECT_EQ(store.WriteCount(), 2u);

    store.FailWritesAfter(2);
    EXPECT_TRUE(store.WriteInt("A", "1", 1));
    EXPECT_TRUE(store.WriteInt("A", "2", 2));
    EXPECT_FALSE(store.WriteInt("A", "3", 3));
    EXPECT_FALSE(store.Contains("A", "3"));
}

TEST(MemorySettingsStore, ShowsItsValues)
{
    CMemorySettingsStore store;
    ASSERT_TRUE(store.WriteInt("Font", "Size", -16));
    ASSERT_TRUE(store.WriteString("Recent File List", "File1", Sjis("表.txt")));
    EXPECT_EQ(store.Value("Font", "Size"), std::optional<std::string>("-16"));
    EXPECT_EQ(store.Value("Font", "Weight"), std::nullopt);
    EXPECT_EQ(store.AllValues().size(), 2u);
    store.Put("Font", "Weight", "bold");
    EXPECT_EQ(store.GetInt("Font", "Weight", 400), 400);
    EXPECT_EQ(store.WriteCount(), 2u);
    store.Remove("Font", "Size");
    EXPECT_EQ(store.GetInt("Font", "Size", 12), 12);
    store.Clear();
    EXPECT_TRUE(store.AllValues().empty());
}

} // namespace
