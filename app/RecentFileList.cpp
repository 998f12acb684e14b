#include "RecentFileList.h"

#include "DataExchange.h"
#include "FileIo.h"
#include "ISettingsStore.h"

#include <string>
#include <utility>

namespace {

constexpr char kSection[] = "Recent File List";

std::string EntryName(std::size_t index)
{
    return "File" + std::to_string(index + 1);
}

} // namespace

CRecentFileList::CRecentFileList(ISettingsStore& store, std::size_t size)
    : m_store(store), m_size(size)
{}

void CRecentFileList::ReadList()
{
    m_entries.clear();
    for (std::size_t i = 0; i < m_size; ++i) {
        const std::string value = m_store.GetString(kSection, EntryName(i), "");
        if (!value.empty())
            m_entries.push_back(QStringFromCp932(value));
    }
    Changed();
}

bool CRecentFileList::WriteList() const
{
    bool ok = true;
    for (std::size_t i = 0; i < m_size; ++i) {
        const std::string value = i < m_entries.size() ? QStringToCp932(m_entries[i]) : "";
        ok = m_store.WriteString(kSection, EntryName(i), value) && ok;
    }
    return ok;
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty() || m_size == 0 || QStringFromCp932(QStringToCp932(path)) != path)
        return;
    std::vector<QString> entries{path};
    for (const QString& entry : m_entries) {
        if (entries.size() < m_size && !SameFilePath(entry, path))
            entries.push_back(entry);
    }
    if (entries == m_entries)
        return; // reopening the latest file, as every start with the log does
    m_entries = std::move(entries);
    WriteList();
    Changed();
}

void CRecentFileList::Remove(std::size_t index)
{
    if (index >= m_entries.size())
        return;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    WriteList();
    Changed();
}

void CRecentFileList::Changed()
{
    if (m_onChange)
        m_onChange();
}
