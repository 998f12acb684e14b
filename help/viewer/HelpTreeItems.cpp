#include "HelpTreeItems.h"

#include <QTreeWidgetItem>

#include <algorithm>

QList<QTreeWidgetItem*>
BuildHelpTreeItems(const std::vector<HelpSitemapEntry>& entries,
                   const std::function<void(QTreeWidgetItem& item, std::size_t index)>& fill)
{
    QList<QTreeWidgetItem*> topLevel;
    std::vector<QTreeWidgetItem*> path; // the rows from the top to the last one made
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto depth = static_cast<std::size_t>(
            std::clamp<qsizetype>(std::min(entries[i].level, kMaxHelpTreeDepth - 1), 0,
                                  static_cast<qsizetype>(path.size())));
        path.resize(depth);
        auto* item = new QTreeWidgetItem;
        fill(*item, i);
        if (path.empty())
            topLevel.append(item);
        else
            path.back()->addChild(item);
        path.push_back(item);
    }
    return topLevel;
}
