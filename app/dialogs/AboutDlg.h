#pragma once

#include "StaticLink.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
struct DialogTemplate;

// The product's home page and the maker's contact address, as the About box shows them.
QString HomePageAddress();
QString ContactMailAddress();

// "ﾊﾞｰｼﾞｮﾝ情報": the icon, the product name and version, the maker's notice, a link that writes
// a mail to the maker and a link to the home page, laid out by Template().
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    static const DialogTemplate& Template();

    // `owner` is the window the box is modal to and centred over.
    explicit CAboutDlg(IDesktop& desktop, QWidget* owner = nullptr);

    CStaticLink m_linkHome; // opens its own text
    CStaticLink m_linkMail; // "mailto:" and the contact address

    QLabel* IconLabel() const { return m_icon; }
    QLabel* VersionLabel() const { return m_version; }
    QLabel* NoticeLabel() const { return m_notice; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_icon;
    QLabel* m_version;
    QLabel* m_notice;
    QPushButton* m_ok;
};

// The About command: shows the box modally over `owner` and forgets it.
void RunAboutCommand(IDesktop& desktop, QWidget* owner);
