#include "HelpContentsPane.h"

#include "HelpTreeItems.h"
#include "HelpUrl.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidgetItemIterator>

namespace {

constexpr int kUrlRole = Qt::UserRole;

} // namespace

CHelpContentsPane::CHelpContentsPane(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    // Long entries scroll sideways rather than being cut short.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    // A click shows an entry's page or opens its heading; Enter or a double click shows the page.
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemClicked, this, &CHelpContentsPane::ActivateItem);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QUrl url = item != nullptr ? item->data(0, kUrlRole).toUrl() : QUrl();
        if (!url.isEmpty())
            emit TopicActivated(url);
    });
}

void CHelpContentsPane::SetContents(const std::vector<HelpSitemapEntry>& entries, const QUrl& base)
{
    clear();
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon page = style()->standardIcon(QStyle::SP_FileIcon);
    addTopLevelItems(BuildHelpTreeItems(entries, [&](QTreeWidgetItem& item, std::size_t i) {
        const HelpSitemapEntry& entry = entries[i];
        // A heading is an entry with entries below it.
        const bool heading = i + 1 < entries.size() && entries[i + 1].level > entry.level;
        item.setText(0, entry.name);
        item.setIcon(0, heading ? folder : page);
        if (!entry.links.empty())
            item.setData(0, kUrlRole, ResolveHelpLink(base, entry.links.front().local));
    }));
    expandAll();
}

void CHelpContentsPane::SelectTopic(const QUrl& url)
{
    QTreeWidgetItem* samePage = nullptr;
    QTreeWidgetItem* sameAnchor = nullptr;
    const std::string path = ArchivePathOfUrl(url);
    for (QTreeWidgetItemIterator it(this); *it != nullptr && sameAnchor == nullptr; ++it) {
        const QUrl itemUrl = (*it)->data(0, kUrlRole).toUrl();
        if (itemUrl.isEmpty() || ArchivePathOfUrl(itemUrl) != path)
            continue;
        if (itemUrl.fragment() == url.fragment())
            sameAnchor = *it;
        else if (samePage == nullptr)
            samePage = *it;
    }
    QTreeWidgetItem* item = sameAnchor != nullptr ? sameAnchor : samePage;
    const QSignalBlocker blocker(this);
    setCurrentItem(item);
    if (item != nullptr)
        scrollToItem(item);
}

void CHelpContentsPane::ActivateItem(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    const QUrl url = item->data(0, kUrlRole).toUrl();
    if (url.isEmpty())
        item->setExpanded(!item->isExpanded());
    else
        emit TopicActivated(url);
}
