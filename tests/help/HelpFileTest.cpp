#include "CalcFunction.h"
#include "Cp932Codec.h"
#include "HelpReader.h"
#include "HelpSitemap.h"
#include "HelpUrl.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <set>
#include <string>
#include <string_view>

namespace {

const char* const kHelpFile = BRUNOVELT_HELP_FILE;

QString Text(const CHelpArchive& archive, const std::string& path)
{
    const std::string* bytes = archive.Object(path);
    return bytes != nullptr ? DecodeHelpText(QByteArray::fromStdString(*bytes)) : QString();
}

// Every href and src of a page as written, found by a pattern of its own rather than by the
// viewer's code.
QStringList References(const QString& html)
{
    static const QRegularExpression kReference(
        QStringLiteral("\\b(?:href|src)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList references;
    for (auto it = kReference.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        references << (match.capturedLength(1) > 0 ? match.captured(1) : match.captured(2));
    }
    return references;
}

bool HasAnchor(const QString& html, const QString& anchor)
{
    const QRegularExpression pattern(
        QStringLiteral("\\b(?:name|id)\\s*=\\s*\"%1\"").arg(QRegularExpression::escape(anchor)));
    return html.contains(pattern);
}

// What a link names is there: the object, and the anchor in it.
::testing::AssertionResult Resolves(const CHelpArchive& archive, const QUrl& url)
{
    const std::string path = ArchivePathOfUrl(url);
    if (path.empty())
        return ::testing::AssertionFailure() << url.toString().toStdString() << " is no page";
    if (!archive.Contains(path))
        return ::testing::AssertionFailure() << path << " is not in the archive";
    if (url.hasFragment() && !HasAnchor(Text(archive, path), url.fragment()))
        return ::testing::AssertionFailure()
               << path << " has no anchor " << url.fragment().toStdString();
    return ::testing::AssertionSuccess();
}

std::vector<std::string> Pages(const CHelpArchive& archive)
{
    std::vector<std::string> pages;
    for (const std::string& object : archive.Objects()) {
        if (object.ends_with(".html"))
            pages.push_back(object);
    }
    return pages;
}

void CollectNames(const std::vector<HelpSitemapEntry>& entries, std::set<QString>& names)
{
    for (const HelpSitemapEntry& entry : entries)
        names.insert(entry.name);
}

void CollectLinks(const std::vector<HelpSitemapEntry>& entries, std::vector<QString>& links)
{
    for (const HelpSitemapEntry& entry : entries) {
        for (const HelpTopicLink& link : entry.links)
            links.push_back(link.local);
    }
}

// The help file as the help window receives it: read by the help reader in its process.
class HelpFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::optional<CHelpArchive> archive = ReadHelpFile(QString::fromUtf8(kHelpFile));
        ASSERT_TRUE(archive.has_value()) << kHelpFile;
        m_archive = std::move(*archive);
    }

    CHelpArchive m_archive;
};

// ---------------------------------------------------------------------------------------------
// The compiled help file: its names, its pages and what they link to.

TEST_F(HelpFile, NamesItsFirstPageContentsAndIndex)
{
    EXPECT_EQ(m_archive.DefaultTopic(), "/index.html");
    EXPECT_EQ(m_archive.ContentsFile(), "/QUARN.hhc");
    EXPECT_EQ(m_archive.IndexFile(), "/QUARN.hhk");
    EXPECT_EQ(m_archive.Title(), "Brunovelt \x83\x77\x83\x8B\x83\x76"); // ヘルプ in code page 932
    const QString start = Text(m_archive, m_archive.DefaultTopic());
    EXPECT_TRUE(start.contains(QStringLiteral("<title>Brunovelt ヘルプ</title>")));
    EXPECT_TRUE(start.contains(QStringLiteral("charset=shift_jis")));
}

// The help file declares Japanese, so another reader takes its texts in code page 932: the
// objects as chmlib's extract_chmLib writes them out hold that code page, and no UTF-8.
TEST(HelpFileForOtherReaders, KeepsItsTextsInCodePage932)
{
    if (std::string_view(BRUNOVELT_EXTRACT_CHMLIB).ends_with("-NOTFOUND")) {
        GTEST_SKIP() << "extract_chmLib is not installed (Debian package libchm-bin)";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess extract;
    extract.start(QStringLiteral(BRUNOVELT_EXTRACT_CHMLIB),
                  {QString::fromUtf8(kHelpFile), dir.path()});
    ASSERT_TRUE(extract.waitForFinished(60000)) << BRUNOVELT_EXTRACT_CHMLIB;
    ASSERT_EQ(extract.exitCode(), 0);
    const auto read = [&](const char* name) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    const auto isUtf8 = [](const std::string& bytes) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(QByteArrayView(bytes.data(), std::ssize(bytes)));
        return !utf8.hasError();
    };

    // The title in #SYSTEM, then the names of the contents and the index, also as #STRINGS
    // keeps them, and a page.
    EXPECT_NE(read("#SYSTEM").find(std::string("Brunovelt \x83\x77\x83\x8B\x83\x76\0", 17)),
              std::string::npos);
    const struct
    {
        const char* object;
        std::vector<const char*> texts;
    } objects[] = {
        {"QUARN.hhc", {"計算画面の使い方", "答えの表示、フォントとタブ", "メモリーと TAX"}},
        {"QUARN.hhk", {"計算式に異常があります", "自動保存", "キーパッド"}},
        {"#STRINGS", {"答えをカンマありで表示", "0で除算しました"}},
        {"index.html", {"Brunovelt ヘルプ", "charset=shift_jis"}},
    };
    for (const auto& object : objects) {
        const std::string bytes = read(object.object);
        ASSERT_FALSE(bytes.empty()) << object.object;
        EXPECT_FALSE(isUtf8(bytes)) << object.object;
        const std::string text = Cp932ToUtf8(bytes);
        for (const char* expected : object.texts)
            EXPECT_NE(text.find(expected), std::string::npos) << object.object << ": " << expected;
    }
}

TEST_F(HelpFile, EveryLinkAndImageOfEveryPageResolves)
{
    const std::vector<std::string> pages = Pages(m_archive);
    ASSERT_GE(pages.size(), 10u);
    int images = 0;
    for (const std::string& page : pages) {
        const QString html = Text(m_archive, page);
        ASSERT_FALSE(html.isEmpty()) << page;
        EXPECT_TRUE(html.contains(QStringLiteral("charset=shift_jis"))) << page;
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"style.css\""))) << page;
        const QUrl base = HelpUrlForPath(page);
        for (const QString& reference : References(html)) {
            const QUrl url = ResolveHelpLink(base, reference);
            if (IsExternalHelpLink(url))
                continue;
            EXPECT_TRUE(Resolves(m_archive, url)) << page << ": " << reference.toStdString();
            if (ArchivePathOfUrl(url).ends_with(".png")) {
                ++images;
                const std::string* bytes = m_archive.Object(ArchivePathOfUrl(url));
                ASSERT_NE(bytes, nullptr);
                EXPECT_FALSE(QImage::fromData(QByteArray::fromStdString(*bytes)).isNull())
                    << reference.toStdString();
            }
        }
    }
    EXPECT_GT(images, 0);
}

// A page that nothing leads to is never read: the front page links every other page, and the
// contents list every page.
TEST_F(HelpFile, TheFrontPageAndTheContentsLeadToEveryPage)
{
    const QUrl front = HelpUrlForPath(m_archive.DefaultTopic());
    std::set<std::string> linked;
    for (const QString& reference : References(Text(m_archive, m_archive.DefaultTopic())))
        linked.insert(ArchivePathOfUrl(ResolveHelpLink(front, reference)));
    std::vector<QString> links;
    CollectLinks(ParseHelpSitemap(Text(m_archive, m_archive.ContentsFile())), links);
    std::set<std::string> listed;
    for (const QString& link : links)
        listed.insert(
            ArchivePathOfUrl(ResolveHelpLink(HelpUrlForPath(m_archive.ContentsFile()), link)));

    for (const std::string& page : Pages(m_archive)) {
        if (page != m_archive.DefaultTopic()) {
            EXPECT_TRUE(linked.contains(page)) << page << " is not linked from the front page";
        }
        EXPECT_TRUE(listed.contains(page)) << page << " is not in the contents";
    }
    for (const char* added : {"/commandline.html", "/ime.html", "/recovery.html", "/files.html"})
        EXPECT_TRUE(m_archive.Contains(added)) << added;
}

TEST_F(HelpFile, EveryContentsAndIndexEntryResolves)
{
    for (const std::string& sitemap : {m_archive.ContentsFile(), m_archive.IndexFile()}) {
        const auto entries = ParseHelpSitemap(Text(m_archive, sitemap));
        std::vector<QString> links;
        CollectLinks(entries, links);
        EXPECT_GE(links.size(), 10u) << sitemap;
        for (const QString& link : links)
            EXPECT_TRUE(Resolves(m_archive, ResolveHelpLink(HelpUrlForPath(sitemap), link)))
                << sitemap << ": " << link.toStdString();
    }
    // Every page is reachable from the contents.
    std::vector<QString> links;
    CollectLinks(ParseHelpSitemap(Text(m_archive, m_archive.ContentsFile())), links);
    std::set<std::string> listed;
    for (const QString& link : links)
        listed.insert(ArchivePathOfUrl(ResolveHelpLink(HelpUrlForPath("/QUARN.hhc"), link)));
    for (const std::string& page : Pages(m_archive))
        EXPECT_TRUE(listed.contains(page)) << page << " is missing from the contents";
}

// Each function of the catalogue has its entry on the function page, under its own anchor with
// its parameters and description, and a keyword of its own name that leads there.
TEST_F(HelpFile, DescribesEveryCatalogueFunction)
{
    const QString page = Text(m_archive, "/functions.html");
    ASSERT_FALSE(page.isEmpty());
    std::set<QString> keywords;
    const auto index = ParseHelpSitemap(Text(m_archive, m_archive.IndexFile()));
    CollectNames(index, keywords);

    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    ASSERT_EQ(catalogue.GetSize(), 29);
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const CCalcFunction& function = catalogue.GetAt(i);
        const QString name = QString::fromStdString(Cp932ToUtf8(function.m_strName));
        EXPECT_TRUE(HasAnchor(page, name)) << name.toStdString();
        EXPECT_TRUE(page.contains(QString::fromStdString(Cp932ToUtf8(function.m_strComment))))
            << name.toStdString();
        if (!function.m_strParams.empty()) {
            const QString syntax = name + QLatin1Char('(') +
                                   QString::fromStdString(Cp932ToUtf8(function.m_strParams)) +
                                   QLatin1Char(')');
            EXPECT_TRUE(page.contains(QStringLiteral("<code>%1</code>").arg(syntax)))
                << syntax.toStdString();
        }
        EXPECT_TRUE(keywords.contains(name)) << name.toStdString() << " is not a keyword";
        const auto entry =
            std::find_if(index.begin(), index.end(), [&](const auto& e) { return e.name == name; });
        ASSERT_NE(entry, index.end()) << name.toStdString();
        const bool leadsThere =
            std::any_of(entry->links.begin(), entry->links.end(), [&](const HelpTopicLink& link) {
                return link.local == QStringLiteral("functions.html#") + name;
            });
        EXPECT_TRUE(leadsThere) << name.toStdString();
    }
}

TEST_F(HelpFile, IndexesTheMainTerms)
{
    std::set<QString> keywords;
    CollectNames(ParseHelpSitemap(Text(m_archive, m_archive.IndexFile())), keywords);
    for (const char* term : {"計算式に異常があります",
                             "かっこに異常があります",
                             "関数名が違います",
                             "0で除算しました",
                             "MS",
                             "MR",
                             "MC",
                             "M+",
                             "M-",
                             "TAX",
                             "パラメータ",
                             "Pボタン",
                             "自動保存",
                             "計算Log.txt",
                             "カンマ",
                             "フォント",
                             "タブ",
                             "設定ダイアログ",
                             "優先順位",
                             "演算子",
                             "キーパッド",
                             "コマンドライン",
                             "--calc",
                             "終了ステータス",
                             "日本語入力",
                             "確定",
                             "復元用のコピー",
                             "設定ファイル",
                             "ファイルの場所"}) {
        EXPECT_TRUE(keywords.contains(QString::fromUtf8(term))) << term;
    }
}

// ---------------------------------------------------------------------------------------------
// Reading an archive.

TEST_F(HelpFile, FindsObjectsWithoutRegardToCaseOrSlashKind)
{
    const std::string* exact = m_archive.Object("/index.html");
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(m_archive.Object("/INDEX.HTML"), exact);
    EXPECT_EQ(m_archive.Object("index.html"), exact);
    EXPECT_TRUE(m_archive.Contains("\\images\\keypad.png"));
    EXPECT_FALSE(m_archive.Contains("/missing.html"));
    EXPECT_FALSE(m_archive.Contains("/images")); // a folder
}

TEST_F(HelpFile, ListsOnlyItsOwnFiles)
{
    const std::vector<std::string> objects = m_archive.Objects();
    EXPECT_TRUE(std::is_sorted(objects.begin(), objects.end()));
    for (const char* expected : {"/index.html", "/functions.html", "/style.css",
                                 "/images/keypad.png", "/QUARN.hhc", "/QUARN.hhk"}) {
        EXPECT_NE(std::find(objects.begin(), objects.end(), expected), objects.end()) << expected;
    }
    for (const std::string& object : objects) {
        EXPECT_FALSE(object.starts_with("/#") || object.starts_with("/$") ||
                     object.starts_with("::") || object.ends_with("/"))
            << object;
    }
}

// A help file whose project names no first page, contents or index: the usual names stand in
// for them, else the first page, .hhc and .hhk in path order.
TEST(HelpReader, FallsBackWhenTheFileNamesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const QByteArray page("<html><head><title>t</title></head><body>p</body></html>");
    write(QStringLiteral("zeta.html"), page);
    write(QStringLiteral("beta.html"), page);
    write(QStringLiteral("toc.hhc"), "<html><body><ul></ul></body></html>");
    write(QStringLiteral("keys.hhk"), "<html><body><ul></ul></body></html>");
    write(QStringLiteral("plain.hhp"), "[OPTIONS]\nCompiled file=plain.chm\n"
                                       "[FILES]\nzeta.html\nbeta.html\ntoc.hhc\nkeys.hhk\n");
    QProcess chmcmd;
    chmcmd.setWorkingDirectory(dir.path());
    chmcmd.start(QStringLiteral(BRUNOVELT_CHMCMD), {QStringLiteral("plain.hhp")});
    ASSERT_TRUE(chmcmd.waitForFinished(60000));

    std::optional<CHelpArchive> archive = ReadHelpFile(dir.filePath(QStringLiteral("plain.chm")));
    ASSERT_TRUE(archive.has_value());
    EXPECT_EQ(archive->DefaultTopic(), "/beta.html");
    EXPECT_EQ(archive->ContentsFile(), "/toc.hhc");
    EXPECT_EQ(archive->IndexFile(), "/keys.hhk");

    write(QStringLiteral("index.html"), page);
    write(QStringLiteral("plain.hhp"), "[OPTIONS]\nCompiled file=plain.chm\n"
                                       "[FILES]\nzeta.html\nbeta.html\nindex.html\n");
    chmcmd.start(QStringLiteral(BRUNOVELT_CHMCMD), {QStringLiteral("plain.hhp")});
    ASSERT_TRUE(chmcmd.waitForFinished(60000));
    archive = ReadHelpFile(dir.filePath(QStringLiteral("plain.chm")));
    ASSERT_TRUE(archive.has_value());
    EXPECT_EQ(archive->DefaultTopic(), "/index.html");
    EXPECT_EQ(archive->ContentsFile(), "");
    EXPECT_EQ(archive->IndexFile(), "");
}

} // namespace
