// Writes the two help sources that follow the function catalogue: the function page
// (functions.html, from functions.html.in and the notes of functions.tsv) and the keyword index
// (QUARN.hhk, every function name and the terms of keywords.tsv). The catalogue is the only list
// of functions, so the help cannot leave one out; a function without notes, notes for a function
// that does not exist and a keyword whose page or anchor is missing stop the build.
//
// The help file declares Japanese (Language=0x411 in QUARN.hhp), so readers take its title,
// contents, index and page titles in code page 932, whatever the pages declare. Every text of the
// project therefore goes into code page 932, its <meta> saying so; a character the code page
// lacks stops the build.
//
// Usage: make_help_pages FUNCTIONS_TEMPLATE FUNCTION_NOTES KEYWORDS PAGE_DIR
// reads the UTF-8 sources in PAGE_DIR, writes functions.html and QUARN.hhk into it and turns
// every text there into code page 932.

#include "CalcFunction.h"
#include "Cp932Codec.h"
#include "Cp932QString.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

namespace {

const QString kFunctionPage = QStringLiteral("functions.html");
const QString kIndexFile = QStringLiteral("QUARN.hhk");
const QString kSummaryMark = QStringLiteral("<!-- FUNCTION-SUMMARY -->");
const QString kDetailsMark = QStringLiteral("<!-- FUNCTION-DETAILS -->");
const QString kUtf8Charset = QStringLiteral("<meta charset=\"utf-8\">");
const QString kCp932Charset =
    QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">");
const QStringList kTextFiles = {QStringLiteral("*.html"), QStringLiteral("*.hhc"),
                                QStringLiteral("*.hhk"), QStringLiteral("*.hhp"),
                                QStringLiteral("*.css")};

struct Failure
{
    QString message;
};

[[noreturn]] void Fail(const QString& message)
{
    throw Failure{message};
}

QString Escape(const QString& text)
{
    return text.toHtmlEscaped();
}

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot read %1").arg(path));
    return QString::fromUtf8(file.readAll());
}

// Writes `text` in code page 932, with the charset its <meta> declares changed to match.
void WriteCp932Text(const QString& path, QString text)
{
    text.replace(kUtf8Charset, kCp932Charset);
    const std::string utf8 = text.toStdString();
    const std::string cp932 = Utf8ToCp932(utf8);
    if (Cp932ToUtf8(cp932) != utf8)
        Fail(QStringLiteral("%1 has a character that code page 932 lacks or writes differently "
                            "(write the form Windows uses: U+FF5E for U+301C, U+FF0D for U+2212)")
                 .arg(path));
    QFile file(path);
    const QByteArray bytes = QByteArray::fromStdString(cp932);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail(QStringLiteral("cannot write %1").arg(path));
}

// The rows of a tab-separated file: blank lines and lines starting with "#" are comments.
std::vector<QStringList> ReadTable(const QString& path)
{
    std::vector<QStringList> rows;
    const QStringList lines = ReadText(path).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.remove(QLatin1Char('\r'));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        rows.push_back(line.split(QLatin1Char('\t')));
    }
    return rows;
}

QString Column(const QStringList& row, int index)
{
    return index < row.size() ? row[index].trimmed() : QString();
}

struct FunctionNotes
{
    QString syntax;   // empty: the name and the catalogue's parameters
    QString examples; // "formula → answer" items separated by "|"
    QString remark;   // HTML
};

struct GroupNotes
{
    QString anchor;
    QString intro; // HTML
};

struct Notes
{
    std::map<QString, FunctionNotes> functions;
    std::map<QString, GroupNotes> groups;
};

// functions.tsv: "NAME  syntax  examples  remark" for each function, and
// "@group  caption  anchor  introduction" for each group of the catalogue.
Notes ReadNotes(const QString& path)
{
    Notes notes;
    for (const QStringList& row : ReadTable(path)) {
        const QString key = Column(row, 0);
        if (key == QLatin1String("@group")) {
            if (Column(row, 2).isEmpty())
                Fail(QStringLiteral("%1: group %2 has no anchor").arg(path, Column(row, 1)));
            notes.groups[Column(row, 1)] = {Column(row, 2), Column(row, 3)};
        } else {
            notes.functions[key] = {Column(row, 1), Column(row, 2), Column(row, 3)};
        }
    }
    return notes;
}

QString Syntax(const CCalcFunction& function, const FunctionNotes& notes)
{
    if (!notes.syntax.isEmpty())
        return notes.syntax;
    const QString name = QStringFromCp932(function.m_strName);
    if (function.m_nArgs == 0)
        return name;
    if (function.m_strParams.empty())
        Fail(QStringLiteral("%1 takes arguments but names none: give its syntax in the notes")
                 .arg(name));
    return name + QLatin1Char('(') + QStringFromCp932(function.m_strParams) + QLatin1Char(')');
}

QString Examples(const QString& examples)
{
    QStringList items;
    for (const QString& item : examples.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const qsizetype arrow = item.indexOf(QStringLiteral("→"));
        if (arrow < 0) {
            items << QStringLiteral("<code>%1</code>").arg(Escape(item.trimmed()));
        } else {
            items << QStringLiteral("<code>%1</code> → <code>%2</code>")
                         .arg(Escape(item.left(arrow).trimmed()),
                              Escape(item.mid(arrow + 1).trimmed()));
        }
    }
    return items.join(QStringLiteral("<br>\n"));
}

// The catalogue's groups in the order they first appear.
QStringList Groups(const CCalcFunctionArray& catalogue)
{
    QStringList groups;
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const QString group = QStringFromCp932(catalogue.GetAt(i).m_strGroup);
        if (!groups.contains(group))
            groups << group;
    }
    return groups;
}

void CheckNotes(const CCalcFunctionArray& catalogue, const Notes& notes)
{
    std::set<QString> names;
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const QString name = QStringFromCp932(catalogue.GetAt(i).m_strName);
        names.insert(name);
        if (!notes.functions.contains(name))
            Fail(QStringLiteral("functions.tsv has no row for %1").arg(name));
    }
    for (const auto& [name, unused] : notes.functions) {
        if (!names.contains(name))
            Fail(QStringLiteral("functions.tsv describes %1, which the catalogue lacks").arg(name));
    }
    for (const QString& group : Groups(catalogue)) {
        if (!notes.groups.contains(group))
            Fail(QStringLiteral("functions.tsv has no @group row for %1").arg(group));
    }
}

QString FunctionPage(const QString& page, const CCalcFunctionArray& catalogue, const Notes& notes)
{
    if (!page.contains(kSummaryMark) || !page.contains(kDetailsMark))
        Fail(QStringLiteral("functions.html.in lacks %1 or %2").arg(kSummaryMark, kDetailsMark));
    QString summary = QStringLiteral(
        "<table class=\"list\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">\n"
        "<tr><th>関数</th><th>書式</th><th>説明</th></tr>\n");
    QString details;
    for (const QString& group : Groups(catalogue)) {
        const GroupNotes& groupNotes = notes.groups.at(group);
        summary += QStringLiteral("<tr><td colspan=\"3\" class=\"group\"><a href=\"#%1\">%2</a>"
                                  "</td></tr>\n")
                       .arg(groupNotes.anchor, Escape(group));
        details += QStringLiteral("<h2><a name=\"%1\"></a>%2</h2>\n")
                       .arg(groupNotes.anchor, Escape(group));
        if (!groupNotes.intro.isEmpty())
            details += QStringLiteral("<p>%1</p>\n").arg(groupNotes.intro);
        for (int i = 0; i < catalogue.GetSize(); ++i) {
            const CCalcFunction& function = catalogue.GetAt(i);
            if (QStringFromCp932(function.m_strGroup) != group)
                continue;
            const QString name = QStringFromCp932(function.m_strName);
            const FunctionNotes& functionNotes = notes.functions.at(name);
            const QString syntax = Escape(Syntax(function, functionNotes));
            const QString comment = Escape(QStringFromCp932(function.m_strComment));
            summary += QStringLiteral("<tr><td><a href=\"#%1\">%1</a></td><td><code>%2</code>"
                                      "</td><td>%3</td></tr>\n")
                           .arg(name, syntax, comment);
            details += QStringLiteral("<h3><a name=\"%1\"></a>%1</h3>\n"
                                      "<p class=\"syntax\"><code>%2</code></p>\n"
                                      "<p>%3</p>\n")
                           .arg(name, syntax, comment);
            if (!functionNotes.remark.isEmpty())
                details += QStringLiteral("<p>%1</p>\n").arg(functionNotes.remark);
            if (!functionNotes.examples.isEmpty())
                details += QStringLiteral("<p class=\"example\">例:<br>\n%1</p>\n")
                               .arg(Examples(functionNotes.examples));
        }
    }
    summary += QStringLiteral("</table>");
    QString result = page;
    result.replace(kSummaryMark, summary);
    result.replace(kDetailsMark, details);
    return result;
}

// The order of the keyword list: full-width letters and digits as their ASCII forms, capitals as
// small letters, katakana as hiragana, so that a keyword sorts by its reading.
QString SortKey(const QString& text)
{
    QString key = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : key) {
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6)
            c = QChar(static_cast<char16_t>(c.unicode() - 0x60));
    }
    return key;
}

struct Keyword
{
    QString name;
    QString reading;
    QStringList targets; // "page.html" or "page.html#anchor"
};

QString Title(const QString& pageText, const QString& page)
{
    static const QRegularExpression kTitle(QStringLiteral("<title>(.*?)</title>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = kTitle.match(pageText);
    if (!match.hasMatch())
        Fail(QStringLiteral("%1 has no <title>").arg(page));
    return match.captured(1).trimmed();
}

bool HasAnchor(const QString& pageText, const QString& anchor)
{
    return pageText.contains(QStringLiteral("name=\"%1\"").arg(anchor)) ||
           pageText.contains(QStringLiteral("id=\"%1\"").arg(anchor));
}

QString IndexFile(std::vector<Keyword> keywords, const QMap<QString, QString>& pages)
{
    std::sort(keywords.begin(), keywords.end(), [](const Keyword& a, const Keyword& b) {
        const QString keyA = SortKey(a.reading.isEmpty() ? a.name : a.reading);
        const QString keyB = SortKey(b.reading.isEmpty() ? b.name : b.reading);
        return keyA != keyB ? keyA < keyB : a.name < b.name;
    });
    QString text = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n"
        "<HTML>\n<HEAD>\n<meta charset=\"utf-8\">\n<!-- Sitemap 1.0 -->\n</HEAD>\n<BODY>\n<UL>\n");
    const auto param = [](const char* name, const QString& value) {
        return QStringLiteral("\t<param name=\"%1\" value=\"%2\">\n")
            .arg(QLatin1String(name), Escape(value));
    };
    for (const Keyword& keyword : keywords) {
        text += QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">\n");
        text += param("Name", keyword.name);
        for (const QString& target : keyword.targets) {
            const QString page = target.section(QLatin1Char('#'), 0, 0);
            const QString anchor = target.section(QLatin1Char('#'), 1);
            if (!pages.contains(page))
                Fail(QStringLiteral("keyword %1 points to %2, which is no page")
                         .arg(keyword.name, page));
            if (!anchor.isEmpty() && !HasAnchor(pages[page], anchor))
                Fail(QStringLiteral("keyword %1 points to %2, which has no anchor %3")
                         .arg(keyword.name, page, anchor));
            if (keyword.targets.size() > 1)
                text += param("Name", Title(pages[page], page));
            text += param("Local", target);
        }
        text += QStringLiteral("\t</OBJECT>\n");
    }
    text += QStringLiteral("</UL>\n</BODY>\n</HTML>\n");
    return text;
}

void Run(const QString& templatePath, const QString& notesPath, const QString& keywordsPath,
         const QString& pageDir)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    const Notes notes = ReadNotes(notesPath);
    CheckNotes(catalogue, notes);
    const QString functionPage = FunctionPage(ReadText(templatePath), catalogue, notes);

    QMap<QString, QString> pages;
    const QDir dir(pageDir);
    for (const QString& page : dir.entryList({QStringLiteral("*.html")}, QDir::Files))
        pages[page] = ReadText(dir.filePath(page));
    pages[kFunctionPage] = functionPage;

    // Every function under its name, then the terms; a term that is also a function's name adds
    // its pages to the function's entry.
    std::vector<Keyword> keywords;
    std::map<QString, std::size_t> byName;
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const QString name = QStringFromCp932(catalogue.GetAt(i).m_strName);
        byName[name] = keywords.size();
        keywords.push_back({name, QString(), {kFunctionPage + QLatin1Char('#') + name}});
    }
    for (const QStringList& row : ReadTable(keywordsPath)) {
        QStringList targets;
        for (int column = 2; column < row.size(); ++column) {
            if (!Column(row, column).isEmpty())
                targets << Column(row, column);
        }
        const QString name = Column(row, 0);
        if (name.isEmpty() || targets.isEmpty())
            Fail(QStringLiteral("keywords.tsv: a row without keyword or page: %1")
                     .arg(row.join(QLatin1Char('\t'))));
        if (const auto known = byName.find(name); known != byName.end()) {
            keywords[known->second].targets << targets;
            if (keywords[known->second].reading.isEmpty())
                keywords[known->second].reading = Column(row, 1);
        } else {
            byName[name] = keywords.size();
            keywords.push_back({name, Column(row, 1), targets});
        }
    }

    const QString index = IndexFile(std::move(keywords), pages);
    for (const QString& name : dir.entryList(kTextFiles, QDir::Files)) {
        if (name != kFunctionPage && name != kIndexFile)
            WriteCp932Text(dir.filePath(name), ReadText(dir.filePath(name)));
    }
    WriteCp932Text(dir.filePath(kFunctionPage), functionPage);
    WriteCp932Text(dir.filePath(kIndexFile), index);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fputs("usage: make_help_pages FUNCTIONS_TEMPLATE FUNCTION_NOTES KEYWORDS PAGE_DIR\n",
                   stderr);
        return 2;
    }
    try {
        Run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
            QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "make_help_pages: %s\n", failure.message.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
