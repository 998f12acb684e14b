#include "DialogPlacement.h"

#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

void CentreOverOwner(QWidget& dialog)
{
    const QWidget* parent = dialog.parentWidget();
    const QWidget* owner = parent ? parent->window() : nullptr;
    if (!owner || !owner->isVisible())
        return;
    const QRect ownerFrame = owner->frameGeometry();
    const QRect ownerClient = owner->geometry();
    const QMargins margins(
        ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
        ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
    QRect frame = QRect(QPoint(0, 0), dialog.size()).marginsAdded(margins);
    // Centres to the pixel: QRect::center() rounds an even width down on both.
    frame.moveTopLeft(ownerFrame.topLeft() + QPoint((ownerFrame.width() - frame.width()) / 2,
                                                    (ownerFrame.height() - frame.height()) / 2));
    // Within the screen's free area where it fits, as the title bar must stay reachable.
    if (const QScreen* screen = owner->screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(
            std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
        frame.moveTop(
            std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
    }
    dialog.move(frame.topLeft());
}
