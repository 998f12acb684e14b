#include "HelpUrl.h"

#include "HelpArchive.h"

namespace {

const QString kScheme = QStringLiteral("chm");

} // namespace

QUrl HelpUrlForPath(const std::string& archivePath)
{
    QUrl url;
    url.setScheme(kScheme);
    url.setPath(QString::fromStdString(NormalizeChmPath(archivePath)), QUrl::DecodedMode);
    return url;
}

std::string ArchivePathOfUrl(const QUrl& url)
{
    if (url.scheme() != kScheme)
        return {};
    return NormalizeChmPath(url.path(QUrl::FullyDecoded).toStdString());
}

QUrl ResolveHelpLink(const QUrl& base, const QString& link)
{
    QString text = link.trimmed();
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // "ms-its:file.chm::/page.html", "its:...", "mk:@MSITStore:...": the part after "::" is a
    // path in the archive.
    const QString lower = text.toLower();
    if (lower.startsWith(QLatin1String("ms-its:")) || lower.startsWith(QLatin1String("its:")) ||
        lower.startsWith(QLatin1String("mk:@msitstore:"))) {
        const qsizetype separator = text.indexOf(QLatin1String("::"));
        if (separator < 0)
            return {};
        text = text.mid(separator + 2);
        if (!text.startsWith(QLatin1Char('/')))
            text.prepend(QLatin1Char('/'));
    }
    const QUrl relative(text, QUrl::TolerantMode);
    if (!relative.isValid())
        return {};
    if (!relative.scheme().isEmpty())
        return relative;
    return base.resolved(relative);
}

bool IsExternalHelpLink(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp") || scheme == QLatin1String("mailto");
}
