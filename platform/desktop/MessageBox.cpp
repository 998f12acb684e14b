#include "MessageBox.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <vector>

namespace {

QMessageBox::Icon BoxIcon(EMessageIcon icon)
{
    switch (icon) {
    case EMessageIcon::Exclamation: return QMessageBox::Warning;
    case EMessageIcon::Information: return QMessageBox::Information;
    case EMessageIcon::Question: return QMessageBox::Question;
    case EMessageIcon::Stop: return QMessageBox::Critical;
    }
    return QMessageBox::Warning;
}

// The buttons in their order, with the captions a Japanese Windows gives them.
struct BoxButton
{
    QMessageBox::StandardButton button;
    const char16_t* caption;
    EMessageResult result;
};

std::vector<BoxButton> BoxButtons(EMessageButtons buttons)
{
    const BoxButton ok{QMessageBox::Ok, u"OK", EMessageResult::Ok};
    const BoxButton cancel{QMessageBox::Cancel, u"キャンセル", EMessageResult::Cancel};
    const BoxButton yes{QMessageBox::Yes, u"はい(&Y)", EMessageResult::Yes};
    const BoxButton no{QMessageBox::No, u"いいえ(&N)", EMessageResult::No};
    switch (buttons) {
    case EMessageButtons::Ok: return {ok};
    case EMessageButtons::OkCancel: return {ok, cancel};
    case EMessageButtons::YesNo: return {yes, no};
    case EMessageButtons::YesNoCancel: return {yes, no, cancel};
    }
    return {ok};
}

EMessageResult ClosedAnswer(EMessageButtons buttons)
{
    switch (buttons) {
    case EMessageButtons::Ok: return EMessageResult::Ok;
    case EMessageButtons::YesNo: return EMessageResult::No;
    case EMessageButtons::OkCancel:
    case EMessageButtons::YesNoCancel: return EMessageResult::Cancel;
    }
    return EMessageResult::Cancel;
}

// A box without a parent window on screen (one shown at start-up, before the main window is) in
// the middle of the screen. Qt places such a box before it has its final size, or leaves it to
// the window manager, which may put it in a corner.
class CCentredMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event); // gives the box its size
        // Over a window on screen Qt centres it already; at start-up the main window exists but
        // is not shown yet, and a box over it would stand at the screen's corner.
        if (parentWidget() && parentWidget()->window()->isVisible())
            return;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
};

} // namespace

QString MessageBoxCaption()
{
    return QStringLiteral("Brunovelt");
}

EMessageResult DefaultAnswer(const MessageBoxRequest& request)
{
    if (request.cautious)
        return ClosedAnswer(request.buttons);
    return request.buttons == EMessageButtons::YesNo ||
                   request.buttons == EMessageButtons::YesNoCancel
               ? EMessageResult::Yes
               : EMessageResult::Ok;
}

EMessageResult RunMessageBox(const MessageBoxRequest& request)
{
    const EMessageButtons buttons = request.buttons;
    CCentredMessageBox box(BoxIcon(request.icon), request.caption, request.text,
                           QMessageBox::NoButton, request.parent);
    box.setTextFormat(Qt::PlainText);
    const std::vector<BoxButton> boxButtons = BoxButtons(buttons);
    for (const BoxButton& b : boxButtons) {
        box.addButton(b.button);
        if (QAbstractButton* button = box.button(b.button))
            button->setText(QString::fromUtf16(b.caption));
    }
    box.setDefaultButton(boxButtons.front().button);
    for (const BoxButton& b : boxButtons) {
        if (request.cautious && b.result == ClosedAnswer(buttons))
            box.setDefaultButton(b.button);
    }
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const BoxButton& b : boxButtons) {
        if (b.button == clicked)
            return b.result;
    }
    return ClosedAnswer(buttons);
}
