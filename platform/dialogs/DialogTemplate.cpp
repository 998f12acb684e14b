#include "DialogTemplate.h"

#include "DialogUnits.h"

#include <QCheckBox>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

// A text of a template: in a row, "%1" becomes the row's number from 1.
QString TemplateText(const char* text, const int* row)
{
    QString result = QString::fromUtf8(text);
    if (row && result.contains(QStringLiteral("%1")))
        result = result.arg(*row + 1);
    return result;
}

// OK is the form's default button and accepts it; Cancel rejects it, as Esc does. Both call the
// dialog's own accept() and reject(), which may check or write before the form closes.
QPushButton* MakeOkCancel(QDialog& form, EControl kind, const QString& caption)
{
    auto* button = new QPushButton(caption, &form);
    if (kind == EControl::Ok) {
        button->setDefault(true);
        QObject::connect(button, &QPushButton::clicked, &form, &QDialog::accept);
    } else {
        QObject::connect(button, &QPushButton::clicked, &form, &QDialog::reject);
    }
    return button;
}

QWidget* MakeControl(QDialog& form, const PlacedControl& control)
{
    switch (control.kind) {
    case EControl::Text:
    case EControl::Label: {
        // Plain text keeps the mnemonic of a buddy's label; a text the user wrote (a template's
        // parameter names) is shown as it stands, never read as markup.
        auto* label = new QLabel(control.caption, &form);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case EControl::Paragraph: {
        auto* label = new QLabel(control.caption, &form);
        label->setWordWrap(true);
        return label;
    }
    case EControl::Picture: return new QLabel(&form);
    case EControl::Check: return new QCheckBox(control.caption, &form);
    case EControl::Edit: return new QLineEdit(&form);
    case EControl::Number: return new QSpinBox(&form);
    case EControl::Button: return new QPushButton(control.caption, &form);
    case EControl::Ok:
    case EControl::Cancel: return MakeOkCancel(form, control.kind, control.caption);
    case EControl::Link: break;
    }
    return nullptr;
}

} // namespace

std::vector<PlacedControl> PlaceControls(const DialogTemplate& dialogTemplate)
{
    std::vector<PlacedControl> placed;
    const auto place = [&](const DialogControl& control, const int* row, int top) {
        placed.push_back({control.kind, control.role, row ? *row : 0,
                          TemplateText(control.caption, row),
                          TemplateText(control.accessibleName, row), control.x, top + control.y,
                          control.width, control.height});
    };
    for (const DialogPart& part : dialogTemplate.parts) {
        if (part.rowTops.empty()) {
            for (const DialogControl& control : part.controls)
                place(control, nullptr, 0);
            continue;
        }
        int row = 0;
        for (const int top : part.rowTops) {
            for (const DialogControl& control : part.controls)
                place(control, &row, top);
            ++row;
        }
    }
    return placed;
}

CDialogForm::CDialogForm(QDialog& form, const DialogTemplate& dialogTemplate,
                         std::initializer_list<std::pair<int, QLabel*>> links)
{
    const CDialogUnits units = UseDialogFont(form);
    form.setWindowTitle(QString::fromUtf8(dialogTemplate.title));
    form.setFixedSize(units.Size(dialogTemplate.width, dialogTemplate.height));

    QWidget* previousFocus = nullptr; // the last control so far that Tab reaches
    bool previousMadeBefore = false;
    QLabel* waitingBuddy = nullptr; // a label whose mnemonic goes to the next control
    for (const PlacedControl& control : PlaceControls(dialogTemplate)) {
        QWidget* widget = nullptr;
        const bool madeBefore = control.kind == EControl::Link;
        if (madeBefore) {
            for (const auto& [role, link] : links)
                if (role == control.role) {
                    link->setText(control.caption);
                    widget = link;
                }
        } else {
            widget = MakeControl(form, control);
        }
        if (!widget)
            continue;
        widget->setGeometry(units.Rect(control.x, control.y, control.width, control.height));
        if (!control.accessibleName.isEmpty())
            widget->setAccessibleName(control.accessibleName);
        m_made.push_back({control.role, control.row, widget});
        // A label's mnemonic gives the focus to the control after it, as on a dialog template.
        if (waitingBuddy)
            waitingBuddy->setBuddy(widget);
        waitingBuddy =
            control.kind == EControl::Label && !QKeySequence::mnemonic(control.caption).isEmpty()
                ? static_cast<QLabel*>(widget)
                : nullptr;
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        // Controls made here are chained in the order they are made; one made before is moved
        // into its place, and so is the one after it.
        if (previousFocus && (madeBefore || previousMadeBefore))
            QWidget::setTabOrder(previousFocus, widget);
        previousFocus = widget;
        previousMadeBefore = madeBefore;
    }
}

QWidget* CDialogForm::Find(int role, int row) const
{
    for (const Made& made : m_made)
        if (made.role == role && made.row == row)
            return made.widget;
    return nullptr;
}
