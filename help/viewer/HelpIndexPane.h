#pragma once

#include "HelpSitemap.h"

#include <QString>
#include <QStringView>
#include <QUrl>
#include <QWidget>

#include <vector>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The form in which keywords and what the user types are compared: full-width letters and digits
// as their ASCII forms, half-width katakana as full-width ones (Unicode compatibility
// composition), letters without case, and katakana as hiragana.
QString HelpSearchKey(QStringView text);

// The キーワード tab: the help file's keyword index under a filter line. Typing keeps the keywords
// that contain what is typed and selects the first of them (the first that begins with it, if
// any); the arrow keys move through the list from the filter line, and Enter, a double click or
// 表示 shows the selected keyword's page. A keyword found on several pages lists them below it.
class CHelpIndexPane : public QWidget
{
    Q_OBJECT

public:
    explicit CHelpIndexPane(QWidget* parent = nullptr);

    // Shows `entries`; their links resolve against `base`, the index file's address.
    void SetIndex(const std::vector<HelpSitemapEntry>& entries, const QUrl& base);
    void FocusFilter();

signals:
    void TopicActivated(const QUrl& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFilter(const QString& text);
    void ActivateItem(QTreeWidgetItem* item);

    QLineEdit* m_filter;
    QTreeWidget* m_list;
    QPushButton* m_show;
};
