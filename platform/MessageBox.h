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
};

// The caption of every message box.
QString MessageBoxCaption();

// Shows the box as IDesktop::ShowMessage describes: the buttons captioned as a Japanese desktop
// captions them, the first one the default.
EMessageResult RunMessageBox(const MessageBoxRequest& request);

// The answer a box gives when its first (default) button is pressed: Ok or Yes.
EMessageResult DefaultAnswer(EMessageButtons buttons);
