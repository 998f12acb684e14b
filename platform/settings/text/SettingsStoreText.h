#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>
#include <utility>

// The values of a settings file in the INI text that QSettings writes, read as QSettings reads
// them: ';' at the start of a line begins a comment, section and value names escape characters
// as %XX or %UXXXX ('\' stands for '/'), values are UTF-8 with C-style escapes, in quotes or not,
// a leading '@' is doubled, and the values at the top, before any section or under [General],
// are in the section named "". Sections of the same name are merged and a name given twice keeps
// its last value. Unlike QSettings, which turns "a, b" into a list and "@Rect(1 2 3 4)" into a
// rectangle, every value is text: commas outside quotes and other "@" forms stay as they stand.
//
// The store reads with this rather than with QSettings, which keeps the files it has read in a
// process-wide cache checked by size and millisecond time alone and so can miss a change that
// another process makes. The text is parsed once, in time linear in its size; a value is looked
// up in constant time.
class CSettingsStoreText
{
public:
    explicit CSettingsStoreText(QByteArrayView data);

    // The value's text; none when it is absent or "@Invalid()", QSettings' empty value.
    std::optional<QString> Value(const QString& section, const QString& name) const;

private:
    // By section and name, as the file has it: escapes and quotes included, undone on lookup.
    QHash<std::pair<QString, QString>, QByteArray> m_values;
};
