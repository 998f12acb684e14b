#pragma once

#include <QString>

#include <cstddef>
#include <deque>
#include <functional>
#include <string_view>
#include <vector>

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

// Shows a message box captioned "Brunovelt", modal to `parent` (to the application without one),
// and waits for the answer. The text is plain text; Yes/No boxes answer No and boxes with Cancel
// answer Cancel when they are closed without a button. While a hook is set, the hook answers
// instead and nothing is shown.
EMessageResult ShowMessageBox(QWidget* parent, const QString& text,
                              EMessageIcon icon = EMessageIcon::Exclamation,
                              EMessageButtons buttons = EMessageButtons::Ok);
// The same for code page 932 text.
EMessageResult ShowMessageBox(QWidget* parent, std::string_view cp932Text,
                              EMessageIcon icon = EMessageIcon::Exclamation,
                              EMessageButtons buttons = EMessageButtons::Ok);
// A bare literal could mean UTF-8 or code page 932: pass QStringLiteral(...) or a string_view.
EMessageResult ShowMessageBox(QWidget* parent, const char* text,
                              EMessageIcon icon = EMessageIcon::Exclamation,
                              EMessageButtons buttons = EMessageButtons::Ok) = delete;

// The answer a box gives when its first (default) button is pressed: Ok or Yes.
EMessageResult DefaultAnswer(EMessageButtons buttons);

using MessageBoxHook = std::function<EMessageResult(const MessageBoxRequest&)>;
// Puts `hook` in the place of the real boxes (an empty hook brings them back) and returns the
// hook it replaces. For the GUI thread only.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// While it lives, message boxes are recorded instead of shown, and answered with the queued
// answers in turn and then with each box's default answer. Restores the previous hook when it
// goes.
class CMessageBoxRecorder
{
public:
    CMessageBoxRecorder();
    ~CMessageBoxRecorder();
    CMessageBoxRecorder(const CMessageBoxRecorder&) = delete;
    CMessageBoxRecorder& operator=(const CMessageBoxRecorder&) = delete;

    void QueueAnswer(EMessageResult answer) { m_answers.push_back(answer); }

    const std::vector<MessageBoxRequest>& Requests() const { return m_requests; }
    std::size_t Count() const { return m_requests.size(); }
    // The latest box; an empty request when there was none.
    MessageBoxRequest Last() const
    {
        return m_requests.empty() ? MessageBoxRequest{} : m_requests.back();
    }
    void Clear() { m_requests.clear(); }

private:
    EMessageResult Record(const MessageBoxRequest& request);

    MessageBoxHook m_previous;
    std::vector<MessageBoxRequest> m_requests;
    std::deque<EMessageResult> m_answers;
};
