#include "TestDesktop.h"

EMessageResult CTestDesktop::ShowMessage(const MessageBoxRequest& request)
{
    m_requests.push_back(request);
    if (m_answers.empty())
        return DefaultAnswer(request);
    const EMessageResult answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<QString> CTestDesktop::RunFileDialog(QFileDialog& dialog)
{
    // A copy, so that an answer that replaces the function is not destroyed while it runs.
    const auto answer = fileDialogs;
    return answer ? answer(dialog) : std::nullopt;
}

bool CTestDesktop::OpenUrl(const QUrl& url)
{
    openedUrls.push_back(url);
    return opens;
}
