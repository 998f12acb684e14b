#include "HelpBrowser.h"

#include "HelpArchive.h"
#include "HelpSitemap.h"
#include "HelpUrl.h"

#include <QApplication>
#include <QDesktopServices>
#include <QTextDocument>

#include <utility>

CHelpBrowser::CHelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    // Links are followed here, so that web links leave the window and missing pages do not
    // blank it.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &CHelpBrowser::FollowLink);
}

void CHelpBrowser::SetArchive(std::shared_ptr<const CHelpArchive> archive)
{
    m_archive = std::move(archive);
    clearHistory();
    clear();
}

bool CHelpBrowser::ShowTopic(const QUrl& url)
{
    if (m_archive == nullptr || !m_archive->Contains(ArchivePathOfUrl(url)))
        return false;
    setSource(url);
    return true;
}

QVariant CHelpBrowser::loadResource(int type, const QUrl& name)
{
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    const std::string path = ArchivePathOfUrl(url);
    if (m_archive == nullptr || path.empty())
        return {};
    const std::string* bytes = m_archive->Object(path);
    if (bytes == nullptr)
        return {};
    const QByteArray object = QByteArray::fromStdString(*bytes);
    // Texts in the encoding they name, so that pages written for code page 932 read as well.
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
        return DecodeHelpText(object);
    return object;
}

void CHelpBrowser::FollowLink(const QUrl& link)
{
    const QUrl target = ResolveHelpLink(source(), link.toString());
    if (IsExternalHelpLink(target)) {
        QDesktopServices::openUrl(target); // the desktop reports its own failures
        return;
    }
    if (!ShowTopic(target))
        QApplication::beep();
}
