#include "SheetText.h"

#include "Cp932Codec.h"
#include "Cp932QString.h"

#include <algorithm>
#include <utility>

namespace sheettext {
namespace {

// How a lone CR and a lone LF show inside a line.
constexpr char16_t kCrMark = u'\u240D';
constexpr char16_t kLfMark = u'\u240A';

std::u16string_view Units(QStringView text)
{
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

} // namespace

std::string ToBytes(QStringView text)
{
    std::u16string units;
    units.reserve(static_cast<std::size_t>(text.size()));
    for (const char16_t u : Units(text)) {
        switch (u) {
        case kCrMark: units.push_back(u'\r'); break;
        case kLfMark: units.push_back(u'\n'); break;
        case kBlockBreak: units.append(u"\r\n"); break;
        default: units.push_back(u); break;
        }
    }
    return Utf16ToCp932(units);
}

QString FromBytes(std::string_view bytes)
{
    const std::u16string units = Cp932ToUtf16(bytes);
    QString text;
    text.reserve(static_cast<qsizetype>(units.size()));
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') {
            text.append(QChar(kBlockBreak));
            ++i;
        } else if (u == u'\r') {
            text.append(QChar(kCrMark));
        } else if (u == u'\n') {
            text.append(QChar(kLfMark));
        } else {
            text.append(QChar(u));
        }
    }
    return text;
}

bool IsPlainAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x80 && c.unicode() != u'\r' && c.unicode() != u'\n' &&
               c.unicode() != u'\0';
    });
}

std::string WithoutNul(std::string bytes)
{
    std::replace(bytes.begin(), bytes.end(), '\0', '?');
    return bytes;
}

QString CanonicalLine(const QString& text)
{
    if (IsPlainAscii(text))
        return text;
    return FromBytes(Cp932SteadyBytes(ToBytes(text)));
}

std::string ForeignToBytes(QStringView text)
{
    const std::string raw = QStringToCp932(text);
    std::string bytes;
    bytes.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' || raw[i] == '\n') {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            bytes.append("\r\n");
        } else {
            bytes.push_back(raw[i]);
        }
    }
    return Cp932SteadyBytes(WithoutNul(std::move(bytes)));
}

QString ForeignToSheet(QStringView text)
{
    return FromBytes(ForeignToBytes(text));
}

QString ClipboardText(std::string_view bytes)
{
    const std::u16string units = Cp932ToUtf16(bytes);
    QString text;
    text.reserve(static_cast<qsizetype>(units.size()));
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n')
            continue;
        text.append(QChar(units[i]));
    }
    return text;
}

} // namespace sheettext
