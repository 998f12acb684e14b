#include "HelpIndexPane.h"

#include "HelpUrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

constexpr int kUrlRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

void AddEntries(const std::vector<HelpSitemapEntry>& entries, const QUrl& base,
                QTreeWidgetItem* parent, QTreeWidget* list)
{
    for (const HelpSitemapEntry& entry : entries) {
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(list);
        item->setText(0, entry.name);
        item->setData(0, kKeyRole, HelpSearchKey(entry.name));
        if (entry.links.size() == 1) {
            item->setData(0, kUrlRole, ResolveHelpLink(base, entry.links.front().local));
        } else {
            // One row for each page the keyword is found on, named by the page's title.
            for (const HelpTopicLink& link : entry.links) {
                auto* page = new QTreeWidgetItem(item);
                page->setText(0, link.title);
                page->setData(0, kKeyRole, item->data(0, kKeyRole));
                page->setData(0, kUrlRole, ResolveHelpLink(base, link.local));
            }
        }
        AddEntries(entry.children, base, item, list);
    }
}

// Shows the items under `parent` that match (all of them when `parentMatches`) and returns
// whether any does.
bool FilterItems(QTreeWidgetItem* parent, const QString& key, bool parentMatches)
{
    bool any = false;
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* item = parent->child(i);
        const bool matches = parentMatches || item->data(0, kKeyRole).toString().contains(key);
        const bool childMatches = FilterItems(item, key, matches);
        item->setHidden(!matches && !childMatches);
        any = any || matches || childMatches;
    }
    return any;
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
    m_filter->setClearButtonEnabled(true);
    m_filter->installEventFilter(this);
    m_list->setObjectName(QStringLiteral("keywordList"));
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
    AddEntries(entries, base, nullptr, m_list);
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
    FilterItems(m_list->invisibleRootItem(), key, false);

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
