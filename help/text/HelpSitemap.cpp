#include "HelpSitemap.h"

#include "Cp932Codec.h"

#include <QStringDecoder>

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace {

constexpr qsizetype kMaxReferenceLength = 10; // "#x10FFFF;" and every named one fit

bool IsSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

// One tag: its name in lower case ("/ul" for a closing tag) and its attributes, names in lower
// case and values decoded.
struct Tag
{
    QString name;
    std::vector<std::pair<QString, QString>> attributes;

    QString Attribute(QLatin1StringView attribute) const
    {
        for (const auto& [key, value] : attributes) {
            if (key == attribute)
                return value;
        }
        return {};
    }
};

// Reads the tag that starts at `pos` (a '<') and moves `pos` past it; none for a comment or a
// declaration, which are skipped as well.
std::optional<Tag> ReadTag(QStringView html, qsizetype& pos)
{
    const qsizetype size = html.size();
    if (html.mid(pos).startsWith(QLatin1String("<!--"))) {
        const qsizetype end = html.indexOf(QLatin1String("-->"), pos + 4);
        pos = end < 0 ? size : end + 3;
        return std::nullopt;
    }
    ++pos;
    if (pos < size && (html[pos] == QLatin1Char('!') || html[pos] == QLatin1Char('?'))) {
        const qsizetype end = html.indexOf(QLatin1Char('>'), pos);
        pos = end < 0 ? size : end + 1;
        return std::nullopt;
    }
    Tag tag;
    const auto atNameEnd = [&](qsizetype at) {
        const QChar c = html[at];
        return IsSpace(c) || c == QLatin1Char('>') || c == QLatin1Char('=') ||
               (c == QLatin1Char('/') && at > 0 && html[at - 1] != QLatin1Char('<'));
    };
    const qsizetype nameStart = pos;
    while (pos < size && !atNameEnd(pos))
        ++pos;
    tag.name = html.mid(nameStart, pos - nameStart).toString().toLower();
    while (pos < size && html[pos] != QLatin1Char('>')) {
        if (IsSpace(html[pos]) || html[pos] == QLatin1Char('/')) {
            ++pos;
            continue;
        }
        const qsizetype keyStart = pos;
        while (pos < size && !atNameEnd(pos))
            ++pos;
        QString key = html.mid(keyStart, pos - keyStart).toString().toLower();
        if (pos == keyStart) // a stray '='
            ++pos;
        while (pos < size && IsSpace(html[pos]))
            ++pos;
        QString value;
        if (pos < size && html[pos] == QLatin1Char('=')) {
            ++pos;
            while (pos < size && IsSpace(html[pos]))
                ++pos;
            if (pos < size && (html[pos] == QLatin1Char('"') || html[pos] == QLatin1Char('\''))) {
                const QChar quote = html[pos];
                const qsizetype end = html.indexOf(quote, pos + 1);
                const qsizetype valueEnd = end < 0 ? size : end;
                value = DecodeHtmlEntities(html.mid(pos + 1, valueEnd - pos - 1));
                pos = end < 0 ? size : end + 1;
            } else {
                const qsizetype valueStart = pos;
                while (pos < size && !IsSpace(html[pos]) && html[pos] != QLatin1Char('>'))
                    ++pos;
                value = DecodeHtmlEntities(html.mid(valueStart, pos - valueStart));
            }
        }
        if (!key.isEmpty())
            tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    if (pos < size)
        ++pos; // the '>'
    return tag;
}

} // namespace

std::vector<HelpSitemapEntry> ParseHelpSitemap(QStringView html)
{
    std::vector<HelpSitemapEntry> entries;
    // The lists open from the root inwards: the level of their entries, and whether one has
    // been read. A list that opens before any entry of the list around it nests nothing.
    struct List
    {
        qsizetype level;
        bool hasEntry;
    };
    std::vector<List> lists{{0, false}};
    std::optional<HelpSitemapEntry> entry; // the object being read
    bool named = false;
    QString topicTitle;

    const auto finishEntry = [&] {
        if (entry && (!entry->name.isEmpty() || !entry->links.empty())) {
            entry->level = lists.back().level;
            lists.back().hasEntry = true;
            entries.push_back(std::move(*entry));
        }
        entry.reset();
    };

    qsizetype pos = 0;
    while ((pos = html.indexOf(QLatin1Char('<'), pos)) >= 0) {
        const std::optional<Tag> tag = ReadTag(html, pos);
        if (!tag)
            continue;
        if (tag->name == QLatin1String("ul")) {
            finishEntry();
            const List& outer = lists.back();
            lists.push_back({outer.hasEntry ? outer.level + 1 : outer.level, false});
        } else if (tag->name == QLatin1String("/ul")) {
            finishEntry();
            if (lists.size() > 1) {
                const List inner = lists.back();
                lists.pop_back();
                // Entries of a list that nested nothing belong to the list around it.
                if (inner.level == lists.back().level)
                    lists.back().hasEntry = lists.back().hasEntry || inner.hasEntry;
            }
        } else if (tag->name == QLatin1String("object")) {
            finishEntry();
            if (tag->Attribute(QLatin1StringView("type"))
                    .compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0) {
                entry.emplace();
                named = false;
                topicTitle.clear();
            }
        } else if (tag->name == QLatin1String("/object")) {
            finishEntry();
        } else if (tag->name == QLatin1String("param") && entry) {
            const QString name = tag->Attribute(QLatin1StringView("name")).toLower();
            const QString value = tag->Attribute(QLatin1StringView("value"));
            if (name == QLatin1String("name")) {
                if (!named)
                    entry->name = value;
                else
                    topicTitle = value;
                named = true;
            } else if (name == QLatin1String("local")) {
                entry->links.push_back({topicTitle.isEmpty() ? entry->name : topicTitle, value});
                topicTitle.clear();
            }
        }
    }
    finishEntry();
    return entries;
}

namespace {

// The charset a <meta> in the first kilobyte names, in small letters; empty when none does.
QByteArray DeclaredCharset(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(1024).toLower();
    const qsizetype mark = head.indexOf("charset=");
    if (mark < 0)
        return {};
    qsizetype begin = mark + 8;
    while (begin < head.size() && (head[begin] == '"' || head[begin] == '\''))
        ++begin;
    qsizetype end = begin;
    const auto isNameByte = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '.' || c == ':';
    };
    while (end < head.size() && isNameByte(head[end]))
        ++end;
    return head.mid(begin, end - begin);
}

// The names under which pages declare code page 932. Qt would take them for its own Shift_JIS,
// whose table differs from Windows' (0x8160 is U+301C there, U+FF5E in code page 932).
bool NamesCodePage932(const QByteArray& charset)
{
    static const char* const kNames[] = {"shift_jis", "shift-jis",  "sjis",        "x-sjis",
                                         "ms_kanji",  "csshiftjis", "windows-31j", "cp932",
                                         "ms932",     "windows-932"};
    return std::any_of(std::begin(kNames), std::end(kNames),
                       [&charset](const char* name) { return charset == name; });
}

QString DecodeCp932(const QByteArray& bytes)
{
    const std::u16string wide =
        Cp932ToUtf16(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

} // namespace

QString DecodeHelpText(const QByteArray& bytes)
{
    if (NamesCodePage932(DeclaredCharset(bytes)))
        return DecodeCp932(bytes);
    QStringDecoder named = QStringDecoder::decoderForHtml(bytes);
    if (named.isValid()) {
        QString text = named.decode(bytes);
        if (!named.hasError())
            return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeCp932(bytes);
}

QString DecodeHtmlEntities(QStringView text)
{
    if (!text.contains(QLatin1Char('&')))
        return text.toString();
    static const std::pair<QLatin1StringView, char16_t> kNamed[] = {
        {QLatin1StringView("amp"), u'&'},   {QLatin1StringView("lt"), u'<'},
        {QLatin1StringView("gt"), u'>'},    {QLatin1StringView("quot"), u'"'},
        {QLatin1StringView("apos"), u'\''}, {QLatin1StringView("nbsp"), u'\u00A0'}};
    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        // References are short: the ';' is looked for only in the next few characters, so that
        // a text of many '&' and no ';' is read once.
        const qsizetype found = text[pos] == QLatin1Char('&')
                                    ? text.mid(pos + 1, kMaxReferenceLength).indexOf(u';')
                                    : -1;
        const qsizetype semicolon = found < 0 ? -1 : pos + 1 + found;
        if (semicolon < 0) {
            result += text[pos++];
            continue;
        }
        const QStringView name = text.mid(pos + 1, semicolon - pos - 1);
        std::optional<char32_t> decoded;
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const bool hex =
                name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
            const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF))
                decoded = static_cast<char32_t>(code);
        } else {
            for (const auto& [entity, character] : kNamed) {
                if (name == entity)
                    decoded = character;
            }
        }
        if (!decoded) {
            result += text[pos++];
            continue;
        }
        result += QString::fromUcs4(&*decoded, 1);
        pos = semicolon + 1;
    }
    return result;
}
