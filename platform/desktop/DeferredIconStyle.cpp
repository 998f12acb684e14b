#include "DeferredIconStyle.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPointer>
#include <QStyleOption>

#include <optional>

namespace {

// An icon that asks the style for the real one the first time anything about it is wanted.
class CDeferredIconEngine final : public QIconEngine
{
public:
    // QPointer holds no const object; the style is only asked, never changed.
    CDeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which,
                        Qt::LayoutDirection direction)
        : m_style(const_cast<QStyle*>(style)), m_which(which), m_direction(direction)
    {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return Icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().availableSizes(mode, state);
    }
    bool isNull() override { return Icon().isNull(); }
    QString key() const override { return QStringLiteral("CDeferredIconEngine"); }
    QIconEngine* clone() const override { return new CDeferredIconEngine(*this); }

private:
    const QIcon& Icon()
    {
        if (!m_icon) {
            QStyleOption option;
            option.direction = m_direction;
            const QStyle* style = m_style.data();
            m_icon = style ? style->standardIcon(m_which, &option) : QIcon();
        }
        return *m_icon;
    }

    QPointer<QStyle> m_style; // gone with the application's style
    QStyle::StandardPixmap m_which;
    Qt::LayoutDirection m_direction;
    std::optional<QIcon> m_icon;
};

} // namespace

CDeferredIconStyle::CDeferredIconStyle(QStyle* style) : QProxyStyle(style) {}

QIcon CDeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                       const QWidget* widget) const
{
    const bool extension = standardIcon == SP_ToolBarHorizontalExtensionButton ||
                           standardIcon == SP_ToolBarVerticalExtensionButton;
    if (!extension)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    // Of the option, these icons depend on the direction alone (the arrows point the other way
    // from right to left).
    const Qt::LayoutDirection direction =
        option ? option->direction : QGuiApplication::layoutDirection();
    return QIcon(new CDeferredIconEngine(baseStyle(), standardIcon, direction));
}
