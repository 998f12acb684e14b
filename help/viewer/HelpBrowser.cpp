#include "HelpBrowser.h"

#include "HelpArchive.h"
#include "HelpPageCheck.h"
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
    const std::string* bytes = m_archive ? m_archive->Object(ArchivePathOfUrl(url)) : nullptr;
    // Whatever the object, it is laid out as a page: only one that the layout may be given.
    if (bytes == nullptr || !IsShowableHelpPage(DecodeHelpText(QByteArray::fromStdString(*bytes))))
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
    // Pages were checked by ShowTopic; a style sheet only needs to be of a size Qt reads at once.
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) {
        QString text = DecodeHelpText(object);
        if (text.size() > kMaxHelpPageChars)
            return {};
        return text;
    }
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
