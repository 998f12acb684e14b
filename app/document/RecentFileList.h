#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct SettingsValue;

class IDesktop;
class ISettingsStore;

// The recently used documents, most recent first, kept in the settings store as
// "Recent File List"/"File1" to "File<size>". Every change is written to the store at once, so a
// list survives a program that does not end normally; the first of a row of failed writes is
// shown in a box.
class CRecentFileList
{
public:
    static constexpr std::size_t kDefaultSize = 4;

    CRecentFileList(ISettingsStore& store, IDesktop& desktop, std::size_t size = kDefaultSize);

    // Replaces the entries by those in the store (empty values are skipped).
    void ReadList();

    // Puts `path` at the front; an entry naming the same file (SameFilePath) is moved there,
    // and the last one drops out of a full list. Add and Remove change the list as it is stored
    // at that moment, so that windows changing it at once keep each other's entries. Every path is
    // kept without loss, those with characters code page 932 lacks as file URLs (RecentFileText.h);
    // one that even a URL would change (a lone surrogate) is not added.
    void Add(const QString& path);
    void Remove(std::size_t index); // an index past the end is ignored

    const std::vector<QString>& Entries() const { return m_entries; }

    // Called after each change of the entries (to rebuild a menu).
    void SetChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }

private:
    void Changed();
    // The entries `store` holds now.
    std::vector<QString> StoredEntries(const ISettingsStore& store) const;
    // The values that store `entries`, whose names and texts go to `names` and `texts`.
    std::vector<SettingsValue> ValuesOf(const std::vector<QString>& entries,
                                        std::vector<std::string>& names,
                                        std::vector<std::string>& texts) const;
    // Applies `change` to the stored list and writes it back in one step, telling the user of
    // the first failure in a row; the entries follow. Whether they changed.
    bool Change(const std::function<void(std::vector<QString>&)>& change);

    ISettingsStore& m_store;
    IDesktop& m_desktop; // tells of a failed write
    std::size_t m_size;
    std::vector<QString> m_entries;
    std::function<void()> m_onChange;
    bool m_failureShown = false;
};
