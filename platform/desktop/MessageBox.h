#pragma once

#include <QString>

class QWidget;

enum class EMessageIcon { Exclamation, Information, Question, Stop };
enum class EMessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class EMessageResult { Ok, Cancel, Yes, No };

// What one message box shows.
struct MessageBoxRequest
{
    QWidget* parent = nullptr;
    QString caption;
    QString text;
    EMessageIcon icon = EMessageIcon::Exclamation;
    EMessageButtons buttons = EMessageButtons::Ok;
    bool cautious = false; // the default button is the one that changes nothing: No, or Cancel
};

// The caption of every message box.
QString MessageBoxCaption();

// Shows the box as IDesktop::ShowMessage describes: the buttons captioned as a Japanese desktop
// captions them, the first one the default unless the box is cautious.
EMessageResult RunMessageBox(const MessageBoxRequest& request);

// The answer a box gives when its default button is pressed: Ok or Yes, or for a cautious box
// the answer of closing it (No, or Cancel).
EMessageResult DefaultAnswer(const MessageBoxRequest& request);
