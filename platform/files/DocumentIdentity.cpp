#include "DocumentIdentity.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr qsizetype kReadableBytes = 64;
// As many as the copies of earlier versions carry, so that those are still found.
constexpr qsizetype kHashDigits = 16;
// Links followed before a path counts as a loop.
constexpr int kMostLinks = 40;

} // namespace

QString CutToUtf8Bytes(const QString& name, qsizetype bytes)
{
    qsizetype used = 0;
    qsizetype end = 0;
    while (end < name.size()) {
        const char32_t ch = name.at(end).isHighSurrogate() && end + 1 < name.size()
                                ? QChar::surrogateToUcs4(name.at(end), name.at(end + 1))
                                : name.at(end).unicode();
        const qsizetype width = ch < 0x80 ? 1 : ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4;
        if (used + width > bytes)
            break;
        used += width;
        end += ch >= 0x10000 ? 2 : 1;
    }
    return name.left(end);
}

QString CanonicalDocumentPath(const QString& path)
{
    QFileInfo file(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (const QString canonical = file.canonicalFilePath(); !canonical.isEmpty())
        return canonical;
    // A link to a file not yet made stands for its target.
    for (int link = 0; link < kMostLinks && file.isSymLink(); ++link)
        file = QFileInfo(QDir::cleanPath(file.symLinkTarget()));
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return file.absoluteFilePath();
    return folder == QStringLiteral("/") ? folder + file.fileName()
                                         : folder + u'/' + file.fileName();
}

namespace {

QString KeyOfCanonical(const QString& canonical)
{
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QString::fromLatin1(hash.left(kHashDigits));
}

} // namespace

QString DocumentKey(const QString& path)
{
    return KeyOfCanonical(CanonicalDocumentPath(path));
}

QString DocumentStateName(const QString& path)
{
    const QString canonical = CanonicalDocumentPath(path);
    return CutToUtf8Bytes(QFileInfo(canonical).fileName(), kReadableBytes) + u'.' +
           KeyOfCanonical(canonical);
}
