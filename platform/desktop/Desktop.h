#pragma once

#include "MessageBox.h"

#include <QString>

#include <optional>
#include <string_view>

class QFileDialog;
class QUrl;

// What the program asks of the desktop: message boxes, file dialogs, opening a link and the
// warning beep. The application makes one CDesktop at start-up and passes it down to whatever
// asks; tests pass one that records the requests and answers them.
class IDesktop
{
public:
    virtual ~IDesktop() = default;

    // Shows the box modal to its parent (to the application without one) and waits for the
    // answer: Yes/No boxes answer No, and boxes with Cancel answer Cancel, when they are closed
    // without a button.
    virtual EMessageResult ShowMessage(const MessageBoxRequest& request) = 0;
    // Runs a file dialog the caller has set up (title, filters, mode); the chosen file's path, or
    // none when the user cancelled.
    virtual std::optional<QString> RunFileDialog(QFileDialog& dialog) = 0;
    // Opens an address, a "mailto:" link or a file with the desktop's handler; true when one took
    // it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    virtual void Beep() = 0;
};

// The real desktop, through Qt.
class CDesktop final : public IDesktop
{
public:
    EMessageResult ShowMessage(const MessageBoxRequest& request) override;
    std::optional<QString> RunFileDialog(QFileDialog& dialog) override;
    bool OpenUrl(const QUrl& url) override;
    void Beep() override;
};

// A box captioned "Brunovelt" with plain text over `parent`.
EMessageResult ShowMessageBox(IDesktop& desktop, QWidget* parent, const QString& text,
                              EMessageIcon icon = EMessageIcon::Exclamation,
                              EMessageButtons buttons = EMessageButtons::Ok);
// The same for code page 932 text.
EMessageResult ShowMessageBox(IDesktop& desktop, QWidget* parent, std::string_view cp932Text,
                              EMessageIcon icon = EMessageIcon::Exclamation,
                              EMessageButtons buttons = EMessageButtons::Ok);
// A bare literal could mean UTF-8 or code page 932: pass QStringLiteral(...) or a string_view.
EMessageResult ShowMessageBox(IDesktop& desktop, QWidget* parent, const char* text,
                              EMessageIcon icon = EMessageIcon::Exclamation,
                              EMessageButtons buttons = EMessageButtons::Ok) = delete;
