#include "RecentFileText.h"

#include "Cp932QString.h"

#include <QDir>
#include <QStringList>
#include <QUrl>

namespace {

constexpr std::string_view kUrlScheme = "file:";

// Columns as code page 932 counts them: one for ASCII and half-width katakana, two otherwise.
int Columns(QStringView text)
{
    int columns = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue; // the pair counts once
        const char16_t u = c.unicode();
        columns += u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F) ? 1 : 2;
    }
    return columns;
}

} // namespace

std::string RecentFileToStore(const QString& path)
{
    std::string text = QStringToCp932(path);
    if (QStringFromCp932(text) == path && !text.starts_with(kUrlScheme))
        return text;
    return PathAsFileUrl(path);
}

std::string PathAsFileUrl(const QString& path)
{
    // QUrl::fromLocalFile would take a relative "x:é" for a drive and give back "/x:é".
    if (QDir::isRelativePath(path))
        return std::string(kUrlScheme) + QUrl::toPercentEncoding(path, "/").toStdString();
    return QUrl::fromLocalFile(path).toEncoded().toStdString();
}

QString RecentFileFromStore(std::string_view value)
{
    if (value.starts_with(kUrlScheme)) {
        const QByteArray url(value.data(), static_cast<qsizetype>(value.size()));
        return QUrl::fromEncoded(url, QUrl::StrictMode).toLocalFile();
    }
    return QStringFromCp932(value);
}

QString AbbreviatePath(const QString& path, int maxColumns)
{
    if (Columns(path) <= maxColumns)
        return path;
    const QChar separator = QDir::separator();
    const QStringList parts = path.split(separator);
    const QString& name = parts.back();
    // The parts that always stay: the root ("" before "/home"), a drive ("C:") or the two empty
    // parts and the server of a network path, and the first folder or share after them.
    qsizetype head = 0;
    while (head < parts.size() - 1 && parts[head].isEmpty())
        ++head;
    if (head == 0 && parts.front().endsWith(u':'))
        head = 1;
    else if (head >= 2)
        ++head;
    ++head;
    if (head >= parts.size() - 1)
        return name; // no folder to cut
    const QString start = parts.mid(0, head).join(separator) + separator + QChar(u'…');
    QString tail = separator + name;
    for (qsizetype i = parts.size() - 2; i >= head; --i) {
        const QString longer = separator + parts[i] + tail;
        if (Columns(start) + Columns(longer) > maxColumns)
            break;
        tail = longer;
    }
    const QString abbreviated = start + tail;
    return Columns(abbreviated) <= maxColumns ? abbreviated : name;
}
