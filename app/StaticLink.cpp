#include "StaticLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>
#include <QStyle>
#include <QUrl>

#include <utility>

namespace {

CStaticLink::OpenHook& OpenHookSlot()
{
    static CStaticLink::OpenHook hook;
    return hook;
}

CStaticLink::BeepHook& BeepHookSlot()
{
    static CStaticLink::BeepHook hook;
    return hook;
}

bool OpenThroughDesktop(const QUrl& url)
{
    const CStaticLink::OpenHook& hook = OpenHookSlot();
    return hook ? hook(url) : QDesktopServices::openUrl(url);
}

void Beep()
{
    const CStaticLink::BeepHook& hook = BeepHookSlot();
    if (hook)
        hook();
    else
        QApplication::beep();
}

} // namespace

const QColor CStaticLink::s_crUnvisited(0, 0, 255);
const QColor CStaticLink::s_crVisited(128, 0, 128);

CStaticLink::OpenHook CStaticLink::SetOpenHook(OpenHook hook)
{
    return std::exchange(OpenHookSlot(), std::move(hook));
}

CStaticLink::BeepHook CStaticLink::SetBeepHook(BeepHook hook)
{
    return std::exchange(BeepHookSlot(), std::move(hook));
}

const QCursor& CStaticLink::LinkCursor()
{
    static const QCursor cursor(Qt::PointingHandCursor);
    return cursor;
}

CStaticLink::CStaticLink(QWidget* parent, const QString& target)
    : CStaticLink(QString(), parent, target)
{}

CStaticLink::CStaticLink(const QString& text, QWidget* parent, const QString& target)
    : QLabel(text, parent), m_strTarget(target)
{
    // A link's text is shown as it is: no markup, no mnemonic.
    setTextFormat(Qt::PlainText);
    setCursor(LinkCursor());
}

void CStaticLink::Activate()
{
    if (m_strTarget.isEmpty())
        m_strTarget = text();
    if (m_strTarget.isEmpty())
        return;
    // A file that exists (relative to the current folder unless absolute) opens as that file;
    // anything else as an address, as the desktop's own open does.
    const QUrl url = QUrl::fromUserInput(m_strTarget, QDir::currentPath());
    if (url.isValid() && OpenThroughDesktop(url)) {
        m_crText = s_crVisited;
        update();
    } else {
        Beep();
    }
}

void CStaticLink::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        Activate();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

bool CStaticLink::ShowsText() const
{
    return pixmap().isNull() && picture().isNull() && !movie();
}

void CStaticLink::paintEvent(QPaintEvent* event)
{
    if (!ShowsText()) {
        QLabel::paintEvent(event);
        return;
    }
    if (!m_fontUnderline) {
        QFont underlined = font();
        underlined.setUnderline(true);
        m_fontUnderline = underlined;
    }
    // Drawn on the parent's background, like the label's own text.
    QPainter painter(this);
    painter.setFont(*m_fontUnderline);
    painter.setPen(m_crText);
    const int flags = static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())) |
                      (wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
    const int inset = margin();
    painter.drawText(contentsRect().adjusted(inset, inset, -inset, -inset), flags, text());
}
