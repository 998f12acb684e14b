#include "RecentFileList.h"

#include "Cp932QString.h"
#include "FileIo.h"
#include "ISettingsStore.h"
#include "RecentFileText.h"
#include "RecentlyUsed.h"
#include "SettingsWriteFailure.h"

#include <QDateTime>

#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr char kSection[] = "Recent File List";

std::string EntryName(std::size_t index)
{
    return "File" + std::to_string(index + 1);
}

} // namespace

CRecentFileList::CRecentFileList(ISettingsStore& store, IDesktop& desktop, std::size_t size)
    : m_store(store), m_desktop(desktop), m_size(size)
{}

void CRecentFileList::ReadList()
{
    m_entries = StoredEntries(m_store);
    Changed();
}

std::vector<QString> CRecentFileList::StoredEntries(const ISettingsStore& store) const
{
    std::vector<QString> entries;
    for (std::size_t i = 0; i < m_size; ++i) {
        const std::string value = store.GetString(kSection, EntryName(i), "");
        if (!value.empty())
            entries.push_back(RecentFileFromStore(value));
    }
    return entries;
}

std::vector<SettingsValue> CRecentFileList::ValuesOf(const std::vector<QString>& entries,
                                                     std::vector<std::string>& names,
                                                     std::vector<std::string>& texts) const
{
    names.clear();
    texts.clear();
    for (std::size_t i = 0; i < m_size; ++i) {
        names.push_back(EntryName(i));
        texts.push_back(i < entries.size() ? RecentFileToStore(entries[i]) : "");
    }
    std::vector<SettingsValue> values;
    for (std::size_t i = 0; i < m_size; ++i)
        values.push_back({kSection, names[i], std::string_view(texts[i])});
    return values;
}

bool CRecentFileList::Change(const std::function<void(std::vector<QString>&)>& change)
{
    // Made to the list as it is stored now, under the store's lock: another window's changes
    // since this one read the list are kept, not written over.
    std::vector<QString> entries;
    std::vector<std::string> names, texts;
    const bool written = m_store.UpdateValues([&](const ISettingsStore& current) {
        entries = StoredEntries(current);
        change(entries);
        return ValuesOf(entries, names, texts);
    });
    if (!written) {
        // The list goes on in this window; one box when writing starts to fail, and none for
        // the failures after it until a write succeeds.
        entries = m_entries;
        change(entries);
        if (!m_failureShown)
            ReportSettingsWriteFailure(m_desktop, nullptr, m_store);
    }
    m_failureShown = !written;
    if (entries == m_entries)
        return false; // reopening the latest file, as every start with the log does
    m_entries = std::move(entries);
    Changed();
    return true;
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty() || m_size == 0 || RecentFileFromStore(RecentFileToStore(path)) != path)
        return;
    const bool changed = Change([this, &path](std::vector<QString>& entries) {
        std::vector<QString> added{path};
        for (const QString& entry : entries) {
            if (added.size() < m_size && !SameFilePath(entry, path))
                added.push_back(entry);
        }
        entries = std::move(added);
    });
    // The desktop's own list too, which its file dialogs and launchers show.
    if (changed)
        AddToRecentlyUsed(RecentlyUsedFile(), path, QStringLiteral("Brunovelt"),
                          QStringLiteral("brunovelt %u"), QDateTime::currentDateTime());
}

void CRecentFileList::Remove(std::size_t index)
{
    if (index >= m_entries.size())
        return;
    const QString gone = m_entries[index];
    Change([&gone](std::vector<QString>& entries) { std::erase(entries, gone); });
}

void CRecentFileList::Changed()
{
    if (m_onChange)
        m_onChange();
}
