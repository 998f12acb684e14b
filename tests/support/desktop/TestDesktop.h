#pragma once

#include "Desktop.h"

#include <QString>
#include <QUrl>

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

// The desktop in tests: nothing is shown. Message boxes are recorded and answered with the queued
// answers in turn, then with each box's default answer; file dialogs are handed to
// `fileDialogs`, which answers for the user (cancel when it is empty); opened links are recorded
// and taken while `opens` is true; beeps are counted.
class CTestDesktop final : public IDesktop
{
public:
    EMessageResult ShowMessage(const MessageBoxRequest& request) override;
    std::optional<QString> RunFileDialog(QFileDialog& dialog) override;
    bool OpenUrl(const QUrl& url) override;
    void Beep() override { ++beeps; }

    void QueueAnswer(EMessageResult answer) { m_answers.push_back(answer); }
    const std::vector<MessageBoxRequest>& Requests() const { return m_requests; }
    std::size_t Count() const { return m_requests.size(); }
    // The latest box; an empty request when there was none.
    MessageBoxRequest Last() const
    {
        return m_requests.empty() ? MessageBoxRequest{} : m_requests.back();
    }
    void Clear() { m_requests.clear(); }

    std::function<std::optional<QString>(QFileDialog&)> fileDialogs;
    std::vector<QUrl> openedUrls;
    bool opens = true;
    int beeps = 0;

private:
    std::vector<MessageBoxRequest> m_requests;
    std::deque<EMessageResult> m_answers;
};
