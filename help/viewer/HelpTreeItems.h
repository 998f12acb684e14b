#pragma once

#include "HelpSitemap.h"

#include <QList>

#include <functional>
#include <vector>

class QTreeWidgetItem;

// The levels of rows the help panes nest at most; deeper entries stand on the last level, so that
// a contents file of any depth makes a tree that the view can lay out and delete.
inline constexpr qsizetype kMaxHelpTreeDepth = 32;

// The rows for `entries` (ParseHelpSitemap's order and levels), made in one pass without a view
// and returned as the top-level rows, for QTreeWidget::addTopLevelItems. `fill` sets up each row
// from its entry, `entries[index]`.
QList<QTreeWidgetItem*>
BuildHelpTreeItems(const std::vector<HelpSitemapEntry>& entries,
                   const std::function<void(QTreeWidgetItem& item, std::size_t index)>& fill);
