#pragma once

#include <QTextBrowser>
#include <QUrl>

#include <memory>

class CHelpArchive;

// Shows the pages of an open help file. Pages, style sheets and images come from the archive
// only (nothing from the disk or the network); a link into the archive opens its page here, a
// web or mail link opens in the desktop's browser or mail program.
class CHelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit CHelpBrowser(QWidget* parent = nullptr);

    // The archive the pages come from; the history starts afresh.
    void SetArchive(std::shared_ptr<const CHelpArchive> archive);
    // Shows the page `url` addresses and scrolls to its anchor; false, and nothing changes,
    // when the archive has no such object or it is no page Qt's layout may be given
    // (IsShowableHelpPage).
    bool ShowTopic(const QUrl& url);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void FollowLink(const QUrl& link);

    std::shared_ptr<const CHelpArchive> m_archive;
};
