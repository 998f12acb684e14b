#include "HelpIndexPane.h"

#include "HelpTreeItems.h"
#include "HelpUrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <unordered_map>

namespace {

constexpr int kUrlRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

// Shows the rows that contain `key` and the rows around and below them, in two passes over the
// rows in tree order: a row matches when it or a row above it contains the key, and shows when
// it or a row below it matches.
void FilterItems(QTreeWidget& list, const QString& key)
{
    std::vector<QTreeWidgetItem*> rows;
    std::unordered_map<const QTreeWidgetItem*, bool> matches;
    for (QTreeWidgetItemIterator it(&list); *it != nullptr; ++it) {
        QTreeWidgetItem* row = *it;
        const QTreeWidgetItem* parent = row->parent();
        matches[row] = (parent != nullptr && matches[parent]) ||
                       row->data(0, kKeyRole).toString().contains(key);
        rows.push_back(row);
    }
    std::unordered_map<const QTreeWidgetItem*, bool> shown;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        QTreeWidgetItem* row = *it;
        const bool visible = matches[row] || shown[row];
        row->setHidden(!visible);
        if (visible && row->parent() != nullptr)
            shown[row->parent()] = true;
    }
}

} // namespace

QString HelpSearchKey(QStringView text)
{
    QString key = text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : key) {
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6) // ァ..ヶ
            c = QChar(static_cast<char16_t>(c.unicode() - 0x60));
    }
    return key;
}

CHelpIndexPane::CHelpIndexPane(QWidget* parent)
    : QWidget(parent), m_filter(new QLineEdit(this)), m_list(new QTreeWidget(this)),
      m_show(new QPushButton(QStringLiteral("表示(&D)"), this))
{
    m_filter->setObjectName(QStringLiteral("keywordFilter"));
    m_filter->setPlaceholderText(QStringLiteral("キーワードを入力"));
    // Named for screen readers, which read no placeholder, as the tab names them.
    m_filter->setAccessibleName(QStringLiteral("キーワード"));
    m_filter->setClearButtonEnabled(true);
    m_filter->installEventFilter(this);
    m_list->setObjectName(QStringLiteral("keywordList"));
    m_list->setAccessibleName(QStringLiteral("キーワードの一覧"));
    m_list->setHeaderHidden(true);
    m_list->setColumnCount(1);
    m_list->setUniformRowHeights(true);
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(false);
    m_show->setObjectName(QStringLiteral("showKeyword"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_filter);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_show, 0, Qt::AlignRight);

    connect(m_filter, &QLineEdit::textChanged, this, &CHelpIndexPane::ApplyFilter);
    connect(m_filter, &QLineEdit::returnPressed, this,
            [this] { ActivateItem(m_list->currentItem()); });
    connect(m_list, &QTreeWidget::itemActivated, this, &CHelpIndexPane::ActivateItem);
    connect(m_show, &QPushButton::clicked, this, [this] { ActivateItem(m_list->currentItem()); });
}

void CHelpIndexPane::SetIndex(const std::vector<HelpSitemapEntry>& entries, const QUrl& base)
{
    m_list->clear();
    m_list->addTopLevelItems(BuildHelpTreeItems(entries, [&](QTreeWidgetItem& item, std::size_t i) {
        const HelpSitemapEntry& entry = entries[i];
        item.setText(0, entry.name);
        item.setData(0, kKeyRole, HelpSearchKey(entry.name));
        if (entry.links.size() == 1) {
            item.setData(0, kUrlRole, ResolveHelpLink(base, entry.links.front().local));
            return;
        }
        // One row for each page the keyword is found on, named by the page's title.
        for (const HelpTopicLink& link : entry.links) {
            auto* page = new QTreeWidgetItem(&item);
            page->setText(0, link.title);
            page->setData(0, kKeyRole, item.data(0, kKeyRole));
            page->setData(0, kUrlRole, ResolveHelpLink(base, link.local));
        }
    }));
    m_list->expandAll();
    ApplyFilter(m_filter->text());
}

void CHelpIndexPane::FocusFilter()
{
    m_filter->setFocus(Qt::OtherFocusReason);
    m_filter->selectAll();
}

bool CHelpIndexPane::eventFilter(QObject* watched, QEvent* event)
{
    // The keys that move through a list move through the keyword list from the filter line.
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QApplication::sendEvent(m_list, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CHelpIndexPane::ApplyFilter(const QString& text)
{
    const QString key = HelpSearchKey(text);
    FilterItems(*m_list, key);

    QTreeWidgetItem* first = nullptr;
    QTreeWidgetItem* prefix = nullptr;
    for (int i = 0; i < m_list->topLevelItemCount() && prefix == nullptr; ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->isHidden())
            continue;
        if (first == nullptr)
            first = item;
        if (item->data(0, kKeyRole).toString().startsWith(key))
            prefix = item;
    }
    QTreeWidgetItem* current = prefix != nullptr ? prefix : first;
    m_list->setCurrentItem(current);
    if (current != nullptr)
        m_list->scrollToItem(current, QAbstractItemView::PositionAtTop);
    m_show->setEnabled(current != nullptr);
}

void CHelpIndexPane::ActivateItem(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    QUrl url = item->data(0, kUrlRole).toUrl();
    // A keyword found on several pages shows the first of them.
    if (url.isEmpty() && item->childCount() > 0)
        url = item->child(0)->data(0, kUrlRole).toUrl();
    if (!url.isEmpty())
        emit TopicActivated(url);
}
