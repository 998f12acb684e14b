#pragma once

#include "HelpSitemap.h"

#include <QTreeWidget>
#include <QUrl>

#include <vector>

// The 目次 tab: the help file's table of contents as a tree. Clicking an entry that leads to a
// page asks for that page; a heading without a page opens or closes instead.
class CHelpContentsPane : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CHelpContentsPane(QWidget* parent = nullptr);

    // Shows `entries`; their links resolve against `base`, the contents file's address.
    void SetContents(const std::vector<HelpSitemapEntry>& entries, const QUrl& base);
    // Selects the entry that leads to `url`: one with the same anchor if there is one, else one
    // for the same page; the selection is cleared when none does. Asks for no page.
    void SelectTopic(const QUrl& url);

signals:
    void TopicActivated(const QUrl& url);

private:
    void ActivateItem(QTreeWidgetItem* item);
};
