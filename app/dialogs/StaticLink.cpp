#include "StaticLink.h"

#include "Desktop.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <utility>

const QColor CStaticLink::s_crUnvisited(0, 0, 255);
const QColor CStaticLink::s_crVisited(128, 0, 128);

namespace {

constexpr double kMinContrast = 4.5; // the least contrast for text that is read (WCAG AA)
constexpr int kBlendSteps = 10;

// Relative luminance as WCAG defines it, from the sRGB components.
double Luminance(const QColor& colour)
{
    const auto linear = [](float c) {
        return c <= 0.04045f ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Blend(const QColor& from, const QColor& to, int step)
{
    const auto mix = [step](int a, int b) { return a + (b - a) * step / kBlendSteps; };
    const QColor f = from.toRgb();
    const QColor t = to.toRgb();
    return QColor(mix(f.red(), t.red()), mix(f.green(), t.green()), mix(f.blue(), t.blue()));
}

} // namespace

const QCursor& CStaticLink::LinkCursor()
{
    static const QCursor cursor(Qt::PointingHandCursor);
    return cursor;
}

CStaticLink::CStaticLink(IDesktop& desktop, QWidget* parent, const QString& target)
    : CStaticLink(desktop, QString(), parent, target)
{}

CStaticLink::CStaticLink(IDesktop& desktop, const QString& text, QWidget* parent,
                         const QString& target)
    : QLabel(text, parent), m_strTarget(target), m_desktop(desktop)
{
    // A link's text is shown as it is: no markup, no mnemonic.
    setTextFormat(Qt::PlainText);
    setCursor(LinkCursor());
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleDescription(QStringLiteral("リンク：Space か Enter で開きます"));
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
    if (url.isValid() && m_desktop.OpenUrl(url)) {
        m_crText = s_crVisited;
        update();
    } else {
        m_desktop.Beep();
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

void CStaticLink::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            Activate();
            event->accept(); // not the dialog's default button
            return;
        }
        break;
    default: break;
    }
    QLabel::keyPressEvent(event);
}

bool CStaticLink::ShowsText() const
{
    return pixmap().isNull() && picture().isNull() && !movie();
}

QColor CStaticLink::TextColour() const
{
    const QPalette& colours = palette();
    const QColor wanted = m_crText == s_crUnvisited ? colours.color(QPalette::Link)
                          : m_crText == s_crVisited ? colours.color(QPalette::LinkVisited)
                                                    : m_crText;
    const QColor background = colours.color(backgroundRole());
    const QColor text = colours.color(foregroundRole());
    // The text colour contrasts with the background as the palette's own text does.
    for (int step = 0; step <= kBlendSteps; ++step) {
        const QColor candidate = Blend(wanted, text, step);
        if (Contrast(candidate, background) >= kMinContrast)
            return candidate;
    }
    return text;
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
    painter.setPen(TextColour());
    const int flags = static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())) |
                      (wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
    const int inset = margin();
    const QRect textArea = contentsRect().adjusted(inset, inset, -inset, -inset);
    QRect drawn;
    painter.drawText(textArea, flags, text(), &drawn);
    if (hasFocus()) {
        // The dotted frame goes round the text, as the style draws it for buttons.
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = drawn.adjusted(-1, 0, 1, 0).intersected(rect());
        frame.backgroundColor = palette().color(backgroundRole());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}
