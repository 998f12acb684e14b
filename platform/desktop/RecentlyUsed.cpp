#include "RecentlyUsed.h"

#include "FileIo.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMaxListBytes = 16 * 1024 * 1024;
constexpr qint64 kMaxCount = std::numeric_limits<qint64>::max();
const QString kBookmarkNs =
    QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString kMimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");

// One program's record in a file's entry.
struct UsedBy
{
    QString name;
    QString exec;
    QString modified;
    qint64 count = 0;
};

QString Stamp(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz000Z"));
}

// What of a file's entry outlives its update: when it was added, its groups and the programs
// that used it.
struct EntryHistory
{
    QString added;
    QStringList groups;
    std::vector<UsedBy> programs;
};

// Reads the file's own entry, the bookmark element the reader stands on.
void ReadEntry(QXmlStreamReader& reader, EntryHistory& history)
{
    history.added = reader.attributes().value(QStringLiteral("added")).toString();
    int depth = 1;
    while (depth > 0 && !reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (reader.namespaceUri() != kBookmarkNs)
                continue;
            if (reader.name() == u"group") {
                history.groups.append(reader.readElementText());
                --depth; // read to its end
            } else if (reader.name() == u"application") {
                const QXmlStreamAttributes a = reader.attributes();
                history.programs.push_back({a.value(QStringLiteral("name")).toString(),
                                            a.value(QStringLiteral("exec")).toString(),
                                            a.value(QStringLiteral("modified")).toString(),
                                            a.value(QStringLiteral("count")).toLongLong()});
            }
        }
    }
}

void WriteEntry(QXmlStreamWriter& writer, const QString& href, const QString& stamp,
                const EntryHistory& history)
{
    writer.writeStartElement(QStringLiteral("bookmark"));
    writer.writeAttribute(QStringLiteral("href"), href);
    writer.writeAttribute(QStringLiteral("added"), history.added);
    writer.writeAttribute(QStringLiteral("modified"), stamp);
    writer.writeAttribute(QStringLiteral("visited"), stamp);
    writer.writeStartElement(QStringLiteral("info"));
    writer.writeStartElement(QStringLiteral("metadata"));
    writer.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    writer.writeEmptyElement(kMimeNs, QStringLiteral("mime-type"));
    writer.writeAttribute(QStringLiteral("type"), QStringLiteral("text/plain"));
    if (!history.groups.isEmpty()) {
        writer.writeStartElement(kBookmarkNs, QStringLiteral("groups"));
        for (const QString& group : history.groups)
            writer.writeTextElement(kBookmarkNs, QStringLiteral("group"), group);
        writer.writeEndElement();
    }
    writer.writeStartElement(kBookmarkNs, QStringLiteral("applications"));
    for (const UsedBy& program : history.programs) {
        writer.writeEmptyElement(kBookmarkNs, QStringLiteral("application"));
        writer.writeAttribute(QStringLiteral("name"), program.name);
        writer.writeAttribute(QStringLiteral("exec"), program.exec);
        writer.writeAttribute(QStringLiteral("modified"), program.modified);
        writer.writeAttribute(QStringLiteral("count"), QString::number(program.count));
    }
    writer.writeEndElement(); // applications
    writer.writeEndElement(); // metadata
    writer.writeEndElement(); // info
    writer.writeEndElement(); // bookmark
}

} // namespace

QString RecentlyUsedFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/recently-used.xbel");
}

bool AddToRecentlyUsed(const QString& xbelPath, const QString& filePath, const QString& appName,
                       const QString& exec, const QDateTime& now)
{
    std::string old;
    const EFileError read = ReadWholeFile(xbelPath, old, kMaxListBytes);
    // No list yet (nor perhaps its folder): a new one is made.
    if (read != EFileError::None && read != EFileError::NotFound && read != EFileError::BadPath)
        return false;
    const QString href = QString::fromLatin1(QUrl::fromLocalFile(filePath).toEncoded());
    const QString stamp = Stamp(now);
    EntryHistory history{stamp, {}, {}};

    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    if (old.empty()) {
        writer.writeStartElement(QStringLiteral("xbel"));
        writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        writer.writeNamespace(kBookmarkNs, QStringLiteral("bookmark"));
        writer.writeNamespace(kMimeNs, QStringLiteral("mime"));
    } else {
        // Everything is copied as it stands but this file's entry, which is written anew last.
        QXmlStreamReader reader(QByteArray::fromStdString(old));
        bool root = true;
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token == QXmlStreamReader::Invalid)
                return false; // not ours to repair
            if (token == QXmlStreamReader::StartDocument || token == QXmlStreamReader::EndDocument)
                continue;
            if (token == QXmlStreamReader::StartElement && root) {
                if (reader.name() != u"xbel")
                    return false;
                root = false;
            }
            if (token == QXmlStreamReader::EndElement && reader.name() == u"xbel" &&
                reader.namespaceUri().isEmpty())
                break; // the entry goes before the root's end
            if (token == QXmlStreamReader::StartElement && reader.name() == u"bookmark" &&
                reader.attributes().value(QStringLiteral("href")) == href) {
                ReadEntry(reader, history);
                continue;
            }
            writer.writeCurrentToken(reader);
        }
        if (reader.hasError() || root)
            return false;
    }

    bool found = false;
    for (UsedBy& program : history.programs) {
        if (program.name != appName)
            continue;
        found = true;
        program.exec = exec;
        program.modified = stamp;
        program.count = program.count < 1 ? 1 : program.count + (program.count < kMaxCount);
    }
    if (!found)
        history.programs.push_back({appName, exec, stamp, 1});
    WriteEntry(writer, href, stamp, history);
    writer.writeEndElement(); // xbel
    writer.writeEndDocument();

    if (MakeFolders(QFileInfo(xbelPath).absolutePath()) != EFileError::None)
        return false;
    return ReplaceFile(xbelPath, bytes.toStdString()) == EFileError::None;
}
