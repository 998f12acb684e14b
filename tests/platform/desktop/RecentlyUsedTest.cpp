#include "RecentlyUsed.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <map>

namespace {

// A list as another desktop program leaves it: two files, one used by an editor.
const char kOtherProgramsList[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info"
>
  <bookmark href="file:///home/u/notes.txt" added="2026-01-02T03:04:05.000000Z" modified="2026-01-02T03:04:05.000000Z" visited="2026-01-02T03:04:05.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:groups><bookmark:group>editors</bookmark:group></bookmark:groups>
        <bookmark:applications>
          <bookmark:application name="Editor" exec="&apos;editor %u&apos;" modified="2026-01-02T03:04:05.000000Z" count="3"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
  <bookmark href="file:///home/u/%E8%A8%88%E7%AE%97.txt" added="2026-01-01T00:00:00.000000Z" modified="2026-01-01T00:00:00.000000Z" visited="2026-01-01T00:00:00.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:applications>
          <bookmark:application name="Editor" exec="&apos;editor %u&apos;" modified="2026-01-01T00:00:00.000000Z" count="1"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
</xbel>
)";

struct Entry
{
    QString added;
    QString modified;
    std::map<QString, qint64> counts; // program -> uses
    bool grouped = false;
};

// The list as a desktop reads it: entries by address.
std::map<QString, Entry> ReadList(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&file);
    std::map<QString, Entry> entries;
    Entry* current = nullptr;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == u"bookmark") {
            current = &entries[a.value(QStringLiteral("href")).toString()];
            current->added = a.value(QStringLiteral("added")).toString();
            current->modified = a.value(QStringLiteral("modified")).toString();
        } else if (current && reader.name() == u"application" &&
                   reader.namespaceUri() ==
                       u"http://www.freedesktop.org/standards/desktop-bookmarks") {
            current->counts[a.value(QStringLiteral("name")).toString()] =
                a.value(QStringLiteral("count")).toLongLong();
        } else if (current && reader.name() == u"group") {
            current->grouped = true;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return entries;
}

const QDateTime kNow(QDate(2026, 12, 9), QTime(17, 0), Qt::UTC);

TEST(RecentlyUsed, MakesTheListAndCountsEachUse)
{
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("share/recently-used.xbel"));
    const QString sheet = QStringLiteral("/home/u/計算 Log.txt");
    ASSERT_TRUE(AddToRecentlyUsed(list, sheet, QStringLiteral("Brunovelt"),
                                  QStringLiteral("brunovelt %u"), kNow));
    ASSERT_TRUE(AddToRecentlyUsed(list, sheet, QStringLiteral("Brunovelt"),
                                  QStringLiteral("brunovelt %u"), kNow.addSecs(60)));
    const auto entries = ReadList(list);
    ASSERT_EQ(entries.size(), 1u);
    const auto& [href, entry] = *entries.begin();
    EXPECT_EQ(QUrl(href).toLocalFile(), sheet);
    EXPECT_EQ(entry.added, QStringLiteral("2026-12-09T17:00:00.000000Z"));
    EXPECT_EQ(entry.modified, QStringLiteral("2026-12-09T17:01:00.000000Z"));
    EXPECT_EQ(entry.counts, (std::map<QString, qint64>{{QStringLiteral("Brunovelt"), 2}}));
}

TEST(RecentlyUsed, KeepsWhatOtherProgramsRecorded)
{
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("recently-used.xbel"));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kOtherProgramsList);
    file.close();
    ASSERT_TRUE(AddToRecentlyUsed(list, QStringLiteral("/home/u/notes.txt"),
                                  QStringLiteral("Brunovelt"), QStringLiteral("brunovelt %u"),
                                  kNow));
    const auto entries = ReadList(list);
    ASSERT_EQ(entries.size(), 2u);
    const Entry& notes = entries.at(QStringLiteral("file:///home/u/notes.txt"));
    EXPECT_EQ(notes.added, QStringLiteral("2026-01-02T03:04:05.000000Z"));
    EXPECT_TRUE(notes.grouped);
    EXPECT_EQ(notes.modified, QStringLiteral("2026-12-09T17:00:00.000000Z"));
    EXPECT_EQ(notes.counts, (std::map<QString, qint64>{{QStringLiteral("Editor"), 3},
                                                       {QStringLiteral("Brunovelt"), 1}}));
    const Entry& other = entries.at(QStringLiteral("file:///home/u/%E8%A8%88%E7%AE%97.txt"));
    EXPECT_EQ(other.counts, (std::map<QString, qint64>{{QStringLiteral("Editor"), 1}}));
    EXPECT_EQ(other.modified, QStringLiteral("2026-01-01T00:00:00.000000Z"));
}

// A file that is not an XBEL list, or is cut short, is never overwritten.
TEST(RecentlyUsed, LeavesAListItCannotReadAsItIs)
{
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("recently-used.xbel"));
    const QByteArray cutShort = QByteArray(kOtherProgramsList).left(600);
    for (const QByteArray& bytes :
         {cutShort, QByteArray("<html><body/></html>"), QByteArray("not xml at all")}) {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_FALSE(AddToRecentlyUsed(list, QStringLiteral("/a.txt"), QStringLiteral("Brunovelt"),
                                       QStringLiteral("brunovelt %u"), kNow));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }
}

} // namespace
