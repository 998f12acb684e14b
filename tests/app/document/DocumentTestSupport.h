#pragma once

#include "ISheetControl.h"
#include "MemorySheet.h"
#include "TestDesktop.h"
#include "VornyDoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The window around a document, in memory: the sheet, and the dialogs answered from queues (a
// null path or an empty queue cancels).
class CFakeDocumentHost final : public IDocumentHost
{
public:
    explicit CFakeDocumentHost(IDesktop& desktop) : m_desktop(desktop) {}

    ISheetControl& Sheet() override { return m_sheet; }
    QWidget* DialogParent() override { return nullptr; }
    IDesktop& Desktop() override { return m_desktop; }
    std::optional<QString> AskOpenPath() override
    {
        ++m_openAsks;
        return Take(m_openAnswers);
    }
    std::optional<QString> AskSaveAsPath(const QString& suggested) override
    {
        m_saveAsSuggestions.push_back(suggested);
        return Take(m_saveAsAnswers);
    }
    void InitialUpdate() override { ++m_initialUpdates; }
    void TitleChanged() override { ++m_titleChanges; }
    void Activate() override { ++m_activations; }
    bool ClaimDocument(const QString& path) override
    {
        m_claims.push_back(path);
        return !m_heldElsewhere.contains(path);
    }
    void DropClaim() override { ++m_droppedClaims; }

    CMemorySheet m_sheet;
    std::deque<QString> m_openAnswers;
    std::deque<QString> m_saveAsAnswers;
    std::vector<QString> m_saveAsSuggestions;
    int m_openAsks = 0;
    int m_initialUpdates = 0;
    int m_titleChanges = 0;
    int m_activations = 0;
    std::vector<QString> m_claims;
    QStringList m_heldElsewhere; // paths that another window has open
    int m_droppedClaims = 0;

private:
    IDesktop& m_desktop;

    static std::optional<QString> Take(std::deque<QString>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
};

// The bytes of a file; none when it cannot be read.
inline std::optional<std::string> FileContent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll().toStdString();
}

inline bool PutFile(const QString& path, std::string_view bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size()) &&
           file.flush();
}

inline QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Sheet text of `size` bytes: numbered CR LF lines of `fill`, so that any two cuts differ.
inline std::string SheetText(std::size_t size, char fill = 'x')
{
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += std::to_string(line) + '=';
        text.append(static_cast<std::size_t>(line % 37), fill);
        text += "\r\n";
    }
    text.resize(size);
    return text;
}

// The two texts the child program saves in turn as its log (the log keeps the last 32000 bytes of
// each), and the two files it writes in turn when it replaces a large file: of different sizes,
// so that a short file is told from both.
inline std::string ChildText(int which)
{
    return SheetText(which == 0 ? 100000 : 90000, which == 0 ? 'a' : 'b');
}
inline std::string ChildFile(int which)
{
    return SheetText(which == 0 ? 6000000 : 5000000, which == 0 ? 'A' : 'B');
}
