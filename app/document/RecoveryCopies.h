#pragma once

#include "FileIo.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CDurableRenamer;

// A recovery copy as it was found: its bytes and when it was written.
struct RecoveryCopy
{
    std::string bytes;
    QDateTime saved;
};

// Copies of the open sheets' bytes in the state folder, so that a crash, a kill or a power cut
// loses no calculation: a copy is written while the sheet differs from its file, and removed
// when the document closes cleanly. One copy per document, named after the document
// (DocumentStateName: "計算Log.txt.0123456789abcdef.recovery"), so that a link and its target
// share one copy and a long name still fits; an untitled sheet's copy carries the number of the
// process that keeps it ("無題.1234.recovery"), so that two windows never share one and a copy
// whose process has ended can be told from a live one.
class CRecoveryCopies
{
public:
    // `folder` is StateFolder() unless a test names its own; empty keeps no copies.
    explicit CRecoveryCopies(QString folder);
    ~CRecoveryCopies(); // waits for the copies still on their way to the disk
    CRecoveryCopies(const CRecoveryCopies&) = delete;
    CRecoveryCopies& operator=(const CRecoveryCopies&) = delete;

    const QString& Folder() const { return m_folder; }
    // Where the copy of the document at the full path `documentPath` lives; empty for an untitled
    // sheet: this process's own copy.
    QString CopyPath(const QString& documentPath) const;

    // Replaces the document's copy with `bytes`. They go to a new file at once; a thread of its
    // own then flushes that file to the disk and only then renames it over the old copy, so that
    // neither a kill nor a power cut leaves a copy that is empty or half written, and Enter does
    // not wait for the disk. A failure of that later step is given by the next Write.
    EFileError Write(const QString& documentPath, std::string_view bytes) const;
    // Waits until every copy written is in place (or has failed, which the next Write gives).
    void Flush() const;
    // The document's copy; none when there is none or it cannot be read. A new file that a
    // program ended between its write and its rename left, newer than the copy and no shorter,
    // is taken as the copy; the other leftovers are removed. For an untitled sheet, the newest
    // copy that a process now ended left behind, which this process takes over.
    std::optional<RecoveryCopy> Take(const QString& documentPath) const;
    void Remove(const QString& documentPath) const;

private:
    QString m_folder;
    std::unique_ptr<CDurableRenamer> m_flusher;
};
