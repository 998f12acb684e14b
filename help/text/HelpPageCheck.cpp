#include "HelpPageCheck.h"

#include <QString>

#include <algorithm>
#include <array>
#include <vector>

namespace {

bool IsAsciiLetter(QChar ch)
{
    return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z');
}

bool IsNameChar(QChar ch)
{
    return IsAsciiLetter(ch) || (ch >= u'0' && ch <= u'9') || ch == u'-' || ch == u':';
}

bool IsSpace(QChar ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\n' || ch == u'\r' || ch == u'\f';
}

// Elements without content, and those whose end Qt finds by itself: they add no depth.
bool AddsNoDepth(const QString& name)
{
    static constexpr std::array<const char16_t*, 24> kNames = {
        u"area",  u"base",   u"br",    u"col", u"colgroup", u"dd",   u"dt",     u"embed",
        u"hr",    u"img",    u"input", u"li",  u"link",     u"meta", u"option", u"p",
        u"param", u"source", u"tbody", u"td",  u"tfoot",    u"th",   u"thead",  u"tr"};
    return std::any_of(kNames.begin(), kNames.end(),
                       [&name](const char16_t* n) { return name == QStringView(n); });
}

// The value of a colspan or rowspan attribute within `tag` (the text between the name and '>'):
// whether any is over the limit. Digits are read with their count bounded, so that no number
// overflows.
bool SpansTooMuch(QStringView tag)
{
    const QString lower = tag.toString().toLower();
    for (const QStringView attribute : {QStringView(u"colspan"), QStringView(u"rowspan")}) {
        for (qsizetype at = lower.indexOf(attribute); at >= 0;
             at = lower.indexOf(attribute, at + 1)) {
            qsizetype i = at + attribute.size();
            while (i < lower.size() &&
                   (IsSpace(lower[i]) || lower[i] == u'=' || lower[i] == u'"' || lower[i] == u'\''))
                ++i;
            while (i < lower.size() && lower[i] == u'0')
                ++i; // leading zeros count for nothing
            int value = 0;
            int digits = 0;
            for (; i < lower.size() && lower[i] >= u'0' && lower[i] <= u'9'; ++i) {
                if (++digits > 6)
                    return true;
                value = value * 10 + (lower[i].unicode() - u'0');
            }
            if (value > kMaxHelpCellSpan)
                return true;
        }
    }
    return false;
}

} // namespace

bool IsShowableHelpPage(QStringView html)
{
    if (html.size() > kMaxHelpPageChars)
        return false;
    std::vector<QString> open; // the counted elements open at this point, outermost first
    int tables = 0;
    const qsizetype size = html.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (html[i] != u'<')
            continue;
        qsizetype j = i + 1;
        while (j < size && IsSpace(html[j]))
            ++j;
        const bool closing = j < size && html[j] == u'/';
        if (closing) {
            ++j;
            while (j < size && IsSpace(html[j]))
                ++j;
        }
        const qsizetype nameStart = j;
        while (j < size && IsNameChar(html[j]))
            ++j;
        if (j == nameStart || !IsAsciiLetter(html[nameStart]))
            continue;
        const QString name = html.sliced(nameStart, j - nameStart).toString().toLower();
        qsizetype end = html.indexOf(u'>', j);
        if (end < 0)
            end = size;
        if (!closing && SpansTooMuch(html.sliced(j, end - j)))
            return false;
        i = end - 1;
        if (AddsNoDepth(name))
            continue;
        if (closing) {
            const auto match = std::find(open.rbegin(), open.rend(), name);
            if (match != open.rend()) {
                const auto first = match.base() - 1;
                tables -= static_cast<int>(std::count(first, open.end(), QStringLiteral("table")));
                open.erase(first, open.end());
            }
            continue;
        }
        open.push_back(name);
        if (name == u"table")
            ++tables;
        if (open.size() > static_cast<std::size_t>(kMaxHelpPageDepth) ||
            tables > kMaxHelpTableDepth)
            return false;
    }
    return true;
}
