#include "ChmArchive.h"
#include "HelpArchive.h"
#include "HelpIndexPane.h"
#include "HelpPageCheck.h"
#include "HelpSitemap.h"
#include "HelpUrl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// #SYSTEM bytes: version 3, then each record as code, length and data.
struct SystemRecord
{
    std::uint16_t code;
    std::string data;
};

std::string SystemBytes(const std::vector<SystemRecord>& records)
{
    std::string bytes("\x03\x00\x00\x00", 4);
    for (const SystemRecord& record : records) {
        const auto length = static_cast<std::uint16_t>(record.data.size());
        bytes += static_cast<char>(record.code & 0xFF);
        bytes += static_cast<char>(record.code >> 8);
        bytes += static_cast<char>(length & 0xFF);
        bytes += static_cast<char>(length >> 8);
        bytes += record.data;
    }
    return bytes;
}

std::string Nul(const char* text)
{
    return std::string(text) + '\0';
}

// ---------------------------------------------------------------------------------------------
// #SYSTEM: the records name the contents, the index, the first page and the title, in any
// order, among records of other codes; a record that runs past the end ends the reading.

TEST(ChmSystem, ReadsTheNamedRecordsAmongOthers)
{
    const std::string bytes = SystemBytes({{10, std::string("\x01\x02\x03\x04", 4)},
                                           {9, Nul("HHA Version 4.74.8702")},
                                           {2, Nul("index.html")},
                                           {3, Nul("ヘルプ")},
                                           {0, Nul("QUARN.hhc")},
                                           {1, Nul("sub\\QUARN.hhk")},
                                           {4, std::string(36, '\0')}});
    const ChmSystemInfo info = ParseChmSystem(bytes);
    EXPECT_EQ(info.defaultTopic, "/index.html");
    EXPECT_EQ(info.contentsFile, "/QUARN.hhc");
    EXPECT_EQ(info.indexFile, "/sub/QUARN.hhk");
    EXPECT_EQ(info.title, "ヘルプ");
}

TEST(ChmSystem, LeavesMissingAndEmptyRecordsEmpty)
{
    const ChmSystemInfo info = ParseChmSystem(SystemBytes({{2, Nul("")}, {3, "Title"}}));
    EXPECT_EQ(info.defaultTopic, "");
    EXPECT_EQ(info.contentsFile, "");
    EXPECT_EQ(info.indexFile, "");
    EXPECT_EQ(info.title, "Title"); // no NUL: the record's length ends it
}

TEST(ChmSystem, StopsAtARecordThatRunsPastTheEnd)
{
    std::string bytes = SystemBytes({{2, Nul("a.html")}, {0, Nul("toc.hhc")}});
    bytes.resize(bytes.size() - 3); // the second record now claims more than there is
    const ChmSystemInfo info = ParseChmSystem(bytes);
    EXPECT_EQ(info.defaultTopic, "/a.html");
    EXPECT_EQ(info.contentsFile, "");

    for (const char* shortInput : {"", "\x03", "\x03\x00\x00\x00\x02\x00"})
        EXPECT_EQ(ParseChmSystem(shortInput).defaultTopic, "") << shortInput;
}

TEST(ChmSystem, StopsAtATextsFirstNul)
{
    const std::string data("a.html\0junk", 11);
    EXPECT_EQ(ParseChmSystem(SystemBytes({{2, data}})).defaultTopic, "/a.html");
}

// ---------------------------------------------------------------------------------------------
// Archive paths: rooted, "/" between folders, no empty, "." or ".." segments; case kept.

TEST(ChmPath, Normalises)
{
    const struct
    {
        const char* path;
        const char* expected;
    } rows[] = {
        {"index.html", "/index.html"},
        {"/index.html", "/index.html"},
        {"images\\keypad.png", "/images/keypad.png"},
        {"//a///b.html", "/a/b.html"},
        {"./a/./b.html", "/a/b.html"},
        {"a/../b.html", "/b.html"},
        {"../../b.html", "/b.html"},
        {"a/b/..", "/a"},
        {"", "/"},
        {"/", "/"},
        {"Mixed/Case.HTML", "/Mixed/Case.HTML"},
        {"計算/ページ.html", "/計算/ページ.html"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NormalizeChmPath(row.path), row.expected) << row.path;
}

// ---------------------------------------------------------------------------------------------
// Links as pages, the contents and the index write them, resolved against the object they
// stand in.

TEST(HelpLink, ResolvesAgainstTheObjectItStandsIn)
{
    const QUrl page = HelpUrlForPath("/sub/page.html");
    const struct
    {
        const char* link;
        const char* path;
        const char* fragment;
    } rows[] = {
        {"other.html", "/sub/other.html", ""},
        {"other.html#ROUND", "/sub/other.html", "ROUND"},
        {"#errors", "/sub/page.html", "errors"},
        {"../index.html", "/index.html", ""},
        {"/index.html", "/index.html", ""},
        {"..\\images\\keypad.png", "/images/keypad.png", ""},
        {"ms-its:QUARN.chm::/functions.html#IF", "/functions.html", "IF"},
        {"mk:@MSITStore:C:\\help\\QUARN.chm::/sheet.html", "/sheet.html", ""},
        {"its:QUARN.chm::memory.html", "/memory.html", ""},
        {"  spaced.html  ", "/sub/spaced.html", ""},
        {"%E8%A8%88%E7%AE%97.html", "/sub/計算.html", ""},
        {"計算.html", "/sub/計算.html", ""},
    };
    for (const auto& row : rows) {
        const QUrl url = ResolveHelpLink(page, QString::fromUtf8(row.link));
        EXPECT_EQ(ArchivePathOfUrl(url), row.path) << row.link;
        EXPECT_EQ(url.fragment(), QString::fromUtf8(row.fragment)) << row.link;
        EXPECT_FALSE(IsExternalHelpLink(url)) << row.link;
    }
}

TEST(HelpLink, KeepsLinksWithASchemeOfTheirOwn)
{
    const QUrl page = HelpUrlForPath("/index.html");
    for (const char* link : {"https://example.org/soft/quarn/", "http://example.org/",
                             "mailto:someone@example.org", "ftp://example.org/f"}) {
        const QUrl url = ResolveHelpLink(page, QString::fromLatin1(link));
        EXPECT_TRUE(IsExternalHelpLink(url)) << link;
        EXPECT_EQ(ArchivePathOfUrl(url), "") << link;
    }
    // Neither the archive nor the desktop: nothing opens them.
    for (const char* link : {"file:///etc/passwd", "javascript:alert(1)"}) {
        const QUrl url = ResolveHelpLink(page, QString::fromLatin1(link));
        EXPECT_FALSE(IsExternalHelpLink(url)) << link;
        EXPECT_EQ(ArchivePathOfUrl(url), "") << link;
    }
    EXPECT_TRUE(ResolveHelpLink(page, QStringLiteral("ms-its:no-separator.chm")).isEmpty());
}

TEST(HelpLink, AddressRoundTripsAPath)
{
    for (const char* path : {"/index.html", "/a b/c#d.html", "/計算Log.html", "/100%.html"}) {
        EXPECT_EQ(ArchivePathOfUrl(HelpUrlForPath(path)), path) << path;
    }
}

// ---------------------------------------------------------------------------------------------
// Sitemaps (.hhc and .hhk).

TEST(HelpSitemap, NestsListsUnderTheEntryBeforeThem)
{
    const auto entries = ParseHelpSitemap(uR"(<HTML><BODY>
<OBJECT type="text/site properties"><param name="Window Styles" value="0x800025"></OBJECT>
<UL>
 <LI><OBJECT type="text/sitemap"><param name="Name" value="Start"><param name="Local" value="index.html"></OBJECT>
 <UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Child"><param name="Local" value="a.html#x"></OBJECT>
  <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Grandchild"><param name="Local" value="b.html"></OBJECT></UL>
 </UL>
 <LI><OBJECT type="text/sitemap"><param name="Name" value="Heading"></OBJECT>
</UL></BODY></HTML>)");
    // In the file's order, each at the depth of its list.
    const struct
    {
        const char* name;
        const char* local; // the first link; null for none
        qsizetype level;
    } expected[] = {{"Start", "index.html", 0},
                    {"Child", "a.html#x", 1},
                    {"Grandchild", "b.html", 2},
                    {"Heading", nullptr, 0}};
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i].name);
        EXPECT_EQ(entries[i].level, expected[i].level) << expected[i].name;
        if (expected[i].local == nullptr) {
            EXPECT_TRUE(entries[i].links.empty()) << expected[i].name;
        } else {
            ASSERT_EQ(entries[i].links.size(), 1u) << expected[i].name;
            EXPECT_EQ(entries[i].links[0].local, expected[i].local);
        }
    }
}

// A list that opens before any entry nests nothing: its entries stand where the list does, and
// count for the next list.
TEST(HelpSitemap, AListBeforeAnyEntryNestsNothing)
{
    const auto entries = ParseHelpSitemap(uR"(<UL><UL>
<LI><OBJECT type="text/sitemap"><param name="Name" value="A"></OBJECT></UL>
<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="B"></OBJECT></UL></UL>)");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, 0);
    EXPECT_EQ(entries[1].level, 1); // below A
}

// Nesting of any depth is read in one pass, without recursion, as flat levels.
TEST(HelpSitemap, ReadsDeepNesting)
{
    constexpr int kDepth = 200000;
    QString html;
    for (int i = 0; i < kDepth; ++i)
        html += QStringLiteral("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
                               "value=\"n\"><param name=\"Local\" value=\"a.html\"></OBJECT>");
    const auto entries = ParseHelpSitemap(html);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kDepth));
    EXPECT_EQ(entries.front().level, 0);
    EXPECT_EQ(entries.back().level, kDepth - 1);
}

TEST(HelpSitemap, ReadsAKeywordOnSeveralPages)
{
    const auto entries = ParseHelpSitemap(uR"(<ul><li><object type="text/sitemap">
<param name="Name" value="ROUND">
<param name="Name" value="関数一覧"><param name="Local" value="functions.html#ROUND">
<param name="Name" value="キーパッド"><param name="Local" value="keypad.html">
<param name="Local" value="untitled.html">
</object></ul>)");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "ROUND");
    ASSERT_EQ(entries[0].links.size(), 3u);
    EXPECT_EQ(entries[0].links[0].title, QStringLiteral("関数一覧"));
    EXPECT_EQ(entries[0].links[0].local, "functions.html#ROUND");
    EXPECT_EQ(entries[0].links[1].title, QStringLiteral("キーパッド"));
    EXPECT_EQ(entries[0].links[2].title, "ROUND"); // no title of its own
}

TEST(HelpSitemap, ReadsTagsAndAttributesInAnyCaseAndQuoting)
{
    const auto entries = ParseHelpSitemap(
        uR"(<!-- <OBJECT type="text/sitemap"><param name="Name" value="commented"></OBJECT> -->
<Ul><Li><Object Type="TEXT/SITEMAP"><PARAM NAME='Name' VALUE='single &amp; quoted'>
<param name=Local value=plain.html></Object>
<li><object type="text/sitemap"><param value="A &lt;b&gt; &#x41;&#66;" name="name"/></object>
<li><object type="text/sitemap"></object>
</uL>)");
    ASSERT_EQ(entries.size(), 2u); // the empty object and the comment give none
    EXPECT_EQ(entries[0].name, "single & quoted");
    ASSERT_EQ(entries[0].links.size(), 1u);
    EXPECT_EQ(entries[0].links[0].local, "plain.html");
    EXPECT_EQ(entries[1].name, "A <b> AB");
}

TEST(HelpSitemap, SurvivesBrokenInput)
{
    // Unclosed lists and objects end with the text; stray closing tags change nothing.
    auto entries = ParseHelpSitemap(u"</UL></UL><UL><LI><OBJECT type=\"text/sitemap\">"
                                    u"<param name=\"Name\" value=\"open");
    ASSERT_EQ(entries.size(), 1u); // the value that never closes runs to the end
    EXPECT_EQ(entries[0].name, "open");
    entries = ParseHelpSitemap(u"</UL><UL><UL><LI><OBJECT type=\"text/sitemap\">"
                               u"<param name=\"Name\" value=\"deep\">");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "deep");
    for (const char16_t* text : {u"", u"<", u"<<<>>>", u"<param name=\"Name\" value=\"x\">",
                                 u"<object type=\"text/sitemap\"><param name=", u"<!--"}) {
        EXPECT_TRUE(ParseHelpSitemap(text).empty()) << QString::fromUtf16(text).toStdString();
    }
}

TEST(HtmlEntities, DecodesTheReferencesItKnows)
{
    const struct
    {
        const char16_t* text;
        const char16_t* expected;
    } rows[] = {
        {u"a &amp; b", u"a & b"},
        {u"&lt;&gt;&quot;&apos;&nbsp;", u"<>\"'\u00A0"},
        {u"&#26085;&#x672C;", u"日本"},
        {u"&#x1F600;", u"\U0001F600"},
        {u"&unknown; &amp", u"&unknown; &amp"},
        {u"&#xD800; &#0; &#x110000;", u"&#xD800; &#0; &#x110000;"},
        {u"R&D; and a far; semicolon", u"R&D; and a far; semicolon"},
        {u"&", u"&"},
        {u"&&&&&&&&&&&&&&amp;", u"&&&&&&&&&&&&&&"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DecodeHtmlEntities(row.text), QString::fromUtf16(row.expected))
            << QString::fromUtf16(row.text).toStdString();
}

TEST(HelpText, DecodesByCharsetThenUtf8ThenCodePage932)
{
    const QString japanese = QStringLiteral("計算");
    EXPECT_EQ(DecodeHelpText(japanese.toUtf8()), japanese);
    EXPECT_EQ(DecodeHelpText(QByteArray("<meta charset=\"utf-8\">") + japanese.toUtf8()),
              QStringLiteral("<meta charset=\"utf-8\">") + japanese);
    // 計算 in code page 932, with and without a charset Qt may not know.
    const QByteArray sjis("\x8C\x76\x8E\x5A");
    EXPECT_EQ(DecodeHelpText(sjis), japanese);
    const QByteArray declared =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">" + sjis;
    EXPECT_TRUE(DecodeHelpText(declared).endsWith(japanese));
    // Shift_JIS declared under any of its names reads with Windows' table: 0x8160 and 0x817C are
    // the full-width tilde and hyphen-minus there (Qt's Shift_JIS has U+301C and U+2212).
    for (const char* charset : {"shift_jis", "Shift_JIS", "windows-31j", "x-sjis", "cp932"}) {
        const QByteArray page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                                QByteArray(charset) + "\">\x81\x60\x81\x7C";
        EXPECT_TRUE(DecodeHelpText(page).endsWith(QStringLiteral("\uFF5E\uFF0D"))) << charset;
    }
    EXPECT_TRUE(DecodeHelpText("<meta charset='sjis'>\x81\x60").endsWith(u'\uFF5E'));
}

// ---------------------------------------------------------------------------------------------
// The keyword filter's comparison: width, case and kana kind do not count.

QString Repeated(const char* text, int times)
{
    return QString::fromUtf8(text).repeated(times);
}

// Pages go to Qt's layout only within its limits: depth of elements and of tables, cell spans,
// size. Closing tags close what Qt closes; elements that close by themselves do not count.
TEST(HelpPageCheck, KeepsPagesWithinTheLayoutsLimits)
{
    const struct
    {
        const char* name;
        QString page;
        bool showable;
    } rows[] = {
        {"a page of ours",
         QStringLiteral("<html><body><h1>x</h1><table class=\"list\"><tr><td>"
                        "<code>a</code></td></tr></table></body></html>"),
         true},
        {"tables 4 deep", Repeated("<table><tr><td>", 4) + Repeated("</td></tr></table>", 4), true},
        {"tables 5 deep", Repeated("<TABLE><tr><td>", 5), false},
        {"tables closed between", Repeated("<table><tr><td>x</td></tr></table>", 1000), true},
        {"a table closed with what is open in it",
         Repeated("<table><tr><td><div><b>", 4) + QStringLiteral("</table>") +
             QStringLiteral("<table>"),
         true},
        {"64 elements deep", QStringLiteral("<html>") + Repeated("<div>", 63), true},
        {"65 elements deep", QStringLiteral("<html>") + Repeated("<div>", 64), false},
        {"closing tags of elements not open", Repeated("<span></div>", 65), false},
        {"closing tags in any case and spacing", Repeated("<div></ DIV >", 1000), true},
        {"elements that close by themselves", Repeated("<p><li><br><img src=x>", 1000), true},
        {"a comment is read as text", QStringLiteral("<!--") + Repeated("<div>", 65), false},
        {"a span of 1000", QStringLiteral("<table><tr><td colspan=\"1000\">x</td></tr></table>"),
         true},
        {"a span of 1001", QStringLiteral("<table><tr><td ROWSPAN=1001>x"), false},
        {"a span of many digits", QStringLiteral("<td colspan='99999999999999999999'>"), false},
        {"the largest page", Repeated("x", kMaxHelpPageChars), true},
        {"a page too large", Repeated("x", kMaxHelpPageChars + 1), false},
        {"an unclosed tag at the end", QStringLiteral("<div"), true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsShowableHelpPage(row.page), row.showable) << row.name;
}

TEST(HelpSearchKey, IgnoresWidthCaseAndKanaKind)
{
    const struct
    {
        const char16_t* a;
        const char16_t* b;
    } same[] = {
        {u"ROUND", u"round"},       {u"ＲＯＵＮＤ", u"round"},  {u"ﾒﾓﾘｰ", u"メモリー"},
        {u"めもりー", u"メモリー"}, {u"ﾊﾟﾗﾒｰﾀ", u"ぱらめーた"}, {u"３２ＫＢ", u"32kb"},
    };
    for (const auto& row : same)
        EXPECT_EQ(HelpSearchKey(row.a), HelpSearchKey(row.b))
            << QString::fromUtf16(row.a).toStdString();
    EXPECT_NE(HelpSearchKey(u"ハ"), HelpSearchKey(u"パ")); // voicing counts
    EXPECT_NE(HelpSearchKey(u"計算"), HelpSearchKey(u"設定"));
}

} // namespace
