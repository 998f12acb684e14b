#include "AboutDlg.h"

#include "AppIcons.h"
#include "BrunoveltVersion.h"
#include "DialogPlacement.h"
#include "DialogTemplate.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr char kHomePage[] = "https://example.jp/soft/quarn/";
constexpr char kContactMail[] = "quarn@example.jp";

enum : int { kIcon, kVersion, kNotice, kOk, kMail, kHome };

// Tab goes from OK through the links from top to bottom.
constexpr DialogControl kControls[] = {
    {EControl::Picture, kIcon, nullptr, 11, 17, 20, 20},
    {EControl::Text, kVersion, kVersionText, 40, 10, 119, 8},
    {EControl::Text, kNotice, "Copyright (C) 2026 Halsk", 40, 25, 119, 8},
    {EControl::Ok, kOk, "OK", 67, 70, 66, 14},
    {EControl::Link, kMail, kContactMail, 40, 39, 90, 8},
    {EControl::Link, kHome, kHomePage, 40, 52, 114, 11},
};
constexpr DialogPart kParts[] = {{kControls}};
constexpr DialogTemplate kTemplate = {"ﾊﾞｰｼﾞｮﾝ情報", 201, 91, kParts};

} // namespace

QString HomePageAddress()
{
    return QString::fromUtf8(kHomePage);
}

QString ContactMailAddress()
{
    return QString::fromUtf8(kContactMail);
}

const DialogTemplate& CAboutDlg::Template()
{
    return kTemplate;
}

CAboutDlg::CAboutDlg(IDesktop& desktop, QWidget* owner)
    : QDialog(owner), m_linkHome(desktop, this), m_linkMail(desktop, this)
{
    const CDialogForm form(*this, kTemplate, {{kMail, &m_linkMail}, {kHome, &m_linkHome}});
    m_icon = form.Control<QLabel>(kIcon);
    m_version = form.Control<QLabel>(kVersion);
    m_notice = form.Control<QLabel>(kNotice);
    m_ok = form.Control<QPushButton>(kOk);

    // The icon is drawn in the largest of its sizes that fits the control, as it was drawn.
    const int room = std::min(m_icon->width(), m_icon->height());
    int side = kAppIconSizes.front();
    for (const int size : kAppIconSizes)
        if (size <= room)
            side = size;
    m_icon->setPixmap(AppIcon().pixmap(QSize(side, side)));
    m_icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_linkMail.m_strTarget = QStringLiteral("mailto:") + ContactMailAddress();
    m_ok->setFocus();
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
