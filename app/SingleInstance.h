#pragma once

#include <QString>

#include <functional>
#include <memory>

class CLocalListener;

// One window per document and user: the window that has a document open answers on a local
// socket named after the document, in the user's runtime folder ($XDG_RUNTIME_DIR), so that a
// second start for the same document brings that window to the front instead of opening a
// second one, which would overwrite the first one's record when it closes.
class CSingleInstance
{
public:
    // `activate` brings this program's window to the front when another start asks for it.
    explicit CSingleInstance(std::function<void()> activate);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Asks the program that has the document at the full path `path` open to come to the front;
    // true when one did. An empty path (an untitled sheet) is never open elsewhere.
    static bool ActivateRunning(const QString& path);

    // From now on this program answers for `path` (and no longer for the document before); an
    // empty path answers for nothing.
    void Serve(const QString& path);

private:
    std::function<void()> m_activate;
    std::unique_ptr<CLocalListener> m_listener;
    QString m_path;
};
