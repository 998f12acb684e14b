#pragma once

#include <QString>
#include <QWidget>

#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

class QDialog;
class QLabel;

// What a control of a dialog template is, and so which widget stands for it.
enum class EControl {
    Text,      // static text shown as it stands: no mnemonic, no markup
    Label,     // static text; a mnemonic in it ("&F") gives the focus to the next control
    Paragraph, // static text broken into lines to fit its width
    Picture,   // an empty label that the dialog puts a picture in
    Link,      // a label the dialog makes itself (a link); placed and given its text here
    Check,     // a check box
    Edit,      // a single-line edit box
    Number,    // a spin box
    Button,    // a push button
    Ok,        // the default button, which Enter presses: accepts the dialog
    Cancel,    // rejects the dialog, as Esc and the close box do
};

// A control that the dialog does not look up.
constexpr int kNoRole = -1;

// One control of a dialog template. A table's order is the order the controls are made in and
// the order Tab visits them in.
struct DialogControl
{
    EControl kind;
    int role;                // the dialog's own number for it, or kNoRole
    const char* caption;     // UTF-8, or nullptr; in a row "%1" is the row's number from 1
    int x, y, width, height; // dialog units; in a row, y counts from the row's top
    const char* accessibleName = nullptr; // UTF-8, "%1" as in the caption; nullptr: the caption
};

// A run of controls: once as they stand, or once for each top in rowTops.
struct DialogPart
{
    std::span<const DialogControl> controls;
    std::span<const int> rowTops = {};
};

// A dialog: its title, its size in dialog units and its parts in tab order.
struct DialogTemplate
{
    const char* title; // UTF-8
    int width, height;
    std::span<const DialogPart> parts;
};

// A control of a template with its row worked out: row is the index of its row (0 outside rows),
// the texts have the row's number put in and y is counted from the form's top.
struct PlacedControl
{
    EControl kind;
    int role;
    int row;
    QString caption;
    QString accessibleName;
    int x, y, width, height;
};

// Every control of `dialogTemplate` in tab order.
std::vector<PlacedControl> PlaceControls(const DialogTemplate& dialogTemplate);

// Builds `dialogTemplate` on `form`: gives it the dialog font, the title and a fixed size, makes
// each control at its rectangle in dialog units of that font and chains them for Tab in the
// template's order. `links` are the Link controls by role, made beforehand by the dialog.
class CDialogForm
{
public:
    CDialogForm(QDialog& form, const DialogTemplate& dialogTemplate,
                std::initializer_list<std::pair<int, QLabel*>> links = {});

    // The widget made for `role` in row `row`; nullptr when there is none of that class.
    template <class T> T* Control(int role, int row = 0) const
    {
        return qobject_cast<T*>(Find(role, row));
    }

private:
    struct Made
    {
        int role;
        int row;
        QWidget* widget;
    };

    QWidget* Find(int role, int row) const;

    std::vector<Made> m_made;
};
