#include "SettingsStoreText.h"

#include <QStringDecoder>
#include <QStringView>

namespace {

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

bool IsOctalDigit(char ch)
{
    return ch >= '0' && ch <= '7';
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool IsIniSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

QString UnescapeKey(QByteArrayView key)
{
    const QString text = QString::fromUtf8(key);
    const qsizetype size = text.size();
    QString out;
    out.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const QChar ch = text[i];
        if (ch == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (ch != u'%' || i == size - 1) {
            out += ch;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (text[first] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code =
            first + digits <= size ? QStringView(text).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            out += u'%'; // not an escape: the '%' stands for itself
            ++i;
            continue;
        }
        out += QChar(code);
        i = first + digits;
    }
    return out;
}

// The value a value's text stands for; none for "@Invalid()", QSettings' empty value. Commas
// outside quotes, which would make a list for QSettings, are kept as text.
std::optional<QString> UnescapeValue(QByteArrayView raw)
{
    const qsizetype size = raw.size();
    QString out;
    qsizetype i = 0;
    qsizetype keepFrom = 0; // trailing blanks before this point are part of the value
    bool quoted = false;
    bool inQuotes = false;
    bool chopBlanks = true;
    // One decoder for the whole value: a byte order mark is dropped at its start only.
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    const auto skipBlanks = [&] {
        while (i < size && IsBlank(raw[i]))
            ++i;
    };
    skipBlanks();
    while (i < size) {
        const char ch = raw[i];
        if (ch == '\\') {
            ++i;
            if (i >= size) {
                chopBlanks = false;
                break;
            }
            const char escaped = raw[i++];
            switch (escaped) {
            case 'a': out += u'\a'; break;
            case 'b': out += u'\b'; break;
            case 'f': out += u'\f'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'v': out += u'\v'; break;
            case '"':
            case '?':
            case '\'':
            case '\\': out += QLatin1Char(escaped); break;
            case 'x':
                if (i >= size) {
                    chopBlanks = false;
                } else if (HexValue(raw[i]) >= 0) {
                    unsigned code = 0;
                    while (i < size && HexValue(raw[i]) >= 0)
                        code = ((code << 4) | static_cast<unsigned>(HexValue(raw[i++]))) & 0xFFFF;
                    out += QChar(static_cast<char16_t>(code));
                }
                break;
            case '\n':
            case '\r':
                // A line continuation; the pair of \r and \n counts as one break.
                if (i < size && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != escaped)
                    ++i;
                break;
            default:
                if (IsOctalDigit(escaped)) {
                    unsigned code = static_cast<unsigned>(escaped - '0');
                    while (i < size && IsOctalDigit(raw[i]))
                        code = ((code << 3) | static_cast<unsigned>(raw[i++] - '0')) & 0xFFFF;
                    out += QChar(static_cast<char16_t>(code));
                }
                break; // any other escaped character is dropped
            }
            if (!chopBlanks)
                break;
            keepFrom = out.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                keepFrom = out.size();
            }
        } else {
            qsizetype end = i + 1;
            while (end < size && raw[end] != '\\' && raw[end] != '"')
                ++end;
            out += fromUtf8(raw.sliced(i, end - i));
            i = end;
        }
    }
    if (chopBlanks && !quoted) {
        qsizetype end = out.size();
        while (end > keepFrom && (out[end - 1] == u' ' || out[end - 1] == u'\t'))
            --end;
        out.truncate(end);
    }

    if (out.startsWith(u'@')) {
        if (out.endsWith(u')')) {
            if (out.startsWith(QLatin1StringView("@ByteArray(")))
                return QString::fromUtf8(QStringView(out).sliced(11).chopped(1).toLatin1());
            if (out.startsWith(QLatin1StringView("@String(")))
                return QStringView(out).sliced(8).chopped(1).toString();
            if (out == QLatin1StringView("@Invalid()"))
                return std::nullopt;
        }
        if (out.startsWith(QLatin1StringView("@@")))
            return out.sliced(1);
    }
    return out;
}

struct IniLine
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1; // the first '=' outside quotes, from start; -1 when there is none
};

// The next logical line from `pos`, as QSettings splits them: leading blanks and comment lines
// are skipped, and the line ends at a line break or a ';' outside quotes. A backslash keeps the
// byte after it (a line break too) in the line. False at the end of the text.
bool NextIniLine(QByteArrayView data, qsizetype& pos, IniLine& line)
{
    const qsizetype size = data.size();
    qsizetype start = pos;
    while (start < size && IsIniSpace(data[start]))
        ++start;
    qsizetype equals = -1;
    bool inQuotes = false;
    qsizetype i = start;
    while (i < size) {
        const char ch = data[i];
        if (ch == '=') {
            if (!inQuotes && equals < 0)
                equals = i;
            ++i;
        } else if (ch == '\n' || ch == '\r') {
            if (!inQuotes)
                break;
            ++i;
        } else if (ch == '\\') {
            ++i;
            if (i < size) {
                const char next = data[i++];
                if (i < size &&
                    ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
            ++i;
        } else if (ch == ';') {
            if (i != start) {
                if (!inQuotes)
                    break;
                ++i;
                continue;
            }
            while (i < size && data[i] != '\n' && data[i] != '\r')
                ++i;
            while (i < size && IsIniSpace(data[i]))
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    pos = i;
    line.start = start;
    line.length = i - start;
    line.equals = equals < 0 ? -1 : equals - start;
    return line.length > 0;
}

bool IsGeneral(QByteArrayView text)
{
    return text.size() == 7 && text.toByteArray().toLower() == "general";
}

// A section header's name: "" for [General], "General" for [%General] (in any case of letters).
QString SectionName(QByteArrayView header)
{
    if (IsGeneral(header))
        return {};
    if (header.startsWith('%') && IsGeneral(header.sliced(1)))
        return QString::fromLatin1(header.sliced(1));
    return UnescapeKey(header);
}

} // namespace

CSettingsStoreText::CSettingsStoreText(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    QString section;
    qsizetype pos = 0;
    IniLine line;
    while (NextIniLine(data, pos, line)) {
        const QByteArrayView text = data.sliced(line.start, line.length);
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            section =
                SectionName((close < 0 ? text.sliced(1) : text.sliced(1, close - 1)).trimmed());
        } else if (line.equals >= 0) {
            m_values.insert({section, UnescapeKey(text.first(line.equals).trimmed())},
                            text.sliced(line.equals + 1).toByteArray());
        }
    }
}

std::optional<QString> CSettingsStoreText::Value(const QString& section, const QString& name) const
{
    const auto found = m_values.constFind({section, name});
    if (found == m_values.cend())
        return std::nullopt;
    return UnescapeValue(*found);
}
