#include "AboutDlg.h"

#include "AppIcons.h"
#include "BrunoveltVersion.h"
#include "DialogPlacement.h"
#include "DialogUnits.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

QString HomePageAddress()
{
    return QStringLiteral("https://example.jp/soft/quarn/");
}

QString ContactMailAddress()
{
    return QStringLiteral("quarn@example.jp");
}

CAboutDlg::CAboutDlg(IDesktop& desktop, QWidget* owner)
    : QDialog(owner), m_linkHome(desktop, HomePageAddress(), this),
      m_linkMail(desktop, ContactMailAddress(), this), m_icon(new QLabel(this)),
      m_version(new QLabel(QString::fromLatin1(kVersionText), this)),
      m_notice(new QLabel(QStringLiteral("Copyright (C) 2026 Halsk"), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    const CDialogUnits units = UseDialogFont(*this);
    setFixedSize(units.Size(kWidthDlu, kHeightDlu));

    // The icon is drawn in the largest of its sizes that fits the control, as it was drawn.
    const QRect iconRect = units.Rect(11, 17, 20, 20);
    m_icon->setGeometry(iconRect);
    const int room = std::min(iconRect.width(), iconRect.height());
    int side = kAppIconSizes.front();
    for (const int size : kAppIconSizes)
        if (size <= room)
            side = size;
    m_icon->setPixmap(AppIcon().pixmap(QSize(side, side)));
    m_icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_version->setTextFormat(Qt::PlainText);
    m_version->setGeometry(units.Rect(40, 10, 119, 8));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setGeometry(units.Rect(40, 25, 119, 8));
    m_linkMail.setGeometry(units.Rect(40, 39, 90, 8));
    m_linkMail.m_strTarget = QStringLiteral("mailto:") + ContactMailAddress();
    m_linkHome.setGeometry(units.Rect(40, 52, 114, 11));

    m_ok->setGeometry(units.Rect(67, 70, 66, 14));
    m_ok->setDefault(true);
    m_ok->setFocus();
    // Tab goes from OK through the links from top to bottom.
    setTabOrder(m_ok, &m_linkMail);
    setTabOrder(&m_linkMail, &m_linkHome);
    connect(m_ok, &QPushButton::clicked, this, &CAboutDlg::accept);
}

void CAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}

void RunAboutCommand(IDesktop& desktop, QWidget* owner)
{
    CAboutDlg dialog(desktop, owner);
    dialog.exec();
}
