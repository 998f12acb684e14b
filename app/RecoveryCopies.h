#pragma once

#include "FileIo.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Copies of the open sheets' bytes in the state folder, so that a crash, a kill or a power cut
// loses no calculation: a copy is written while the sheet differs from its file, and removed
// when the document closes cleanly. One copy per document, named after the document
// (DocumentStateName: "計算Log.txt.0123456789abcdef.recovery"), so that a link and its target
// share one copy and a long name still fits; an untitled sheet's copy
// carries the number of the process that keeps it ("無題.1234.recovery"), so that two windows
// never share one and a copy whose process has ended can be told from a live one.
class CRecoveryCopies
{
public:
    // `folder` is StateFolder() unless a test names its own; empty keeps no copies.
    explicit CRecoveryCopies(QString folder);

    const QString& Folder() const { return m_folder; }
    // Where the copy of the document at the full path `documentPath` lives; empty for an untitled
    // sheet: this process's own copy.
    QString CopyPath(const QString& documentPath) const;

    // Replaces the document's copy with `bytes`: a new file renamed over the old one, so that a
    // copy is never half written. Not flushed to the disk: the program's own end, however abrupt,
    // leaves the written bytes to the system, and a flush would cost Enter several milliseconds.
    EFileError Write(const QString& documentPath, std::string_view bytes) const;
    // The document's copy; none when there is none or it cannot be read. For an untitled sheet,
    // the newest copy that a process now ended left behind, which this process takes over.
    std::optional<std::string> Take(const QString& documentPath) const;
    void Remove(const QString& documentPath) const;

private:
    QString m_folder;
};
