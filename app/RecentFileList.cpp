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
    m_entries.clear();
    for (std::size_t i = 0; i < m_size; ++i) {
        const std::string value = m_store.GetString(kSection, EntryName(i), "");
        if (!value.empty())
            m_entries.push_back(RecentFileFromStore(value));
    }
    Changed();
}

bool CRecentFileList::WriteList() const
{
    std::vector<std::string> names, texts;
    for (std::size_t i = 0; i < m_size; ++i) {
        names.push_back(EntryName(i));
        texts.push_back(i < m_entries.size() ? RecentFileToStore(m_entries[i]) : "");
    }
    std::vector<SettingsValue> values;
    for (std::size_t i = 0; i < m_size; ++i)
        values.push_back({kSection, names[i], std::string_view(texts[i])});
    return m_store.WriteValues(values);
}

void CRecentFileList::SaveList()
{
    // The list is written at every open of another file, and losing it loses no work: one box
    // when writing starts to fail, and none for the failures after it until a write succeeds.
    const bool written = WriteList();
    if (!written && !m_bFailureShown)
        ReportSettingsWriteFailure(m_desktop, nullptr, m_store);
    m_bFailureShown = !written;
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty() || m_size == 0 || RecentFileFromStore(RecentFileToStore(path)) != path)
        return;
    std::vector<QString> entries{path};
    for (const QString& entry : m_entries) {
        if (entries.size() < m_size && !SameFilePath(entry, path))
            entries.push_back(entry);
    }
    if (entries == m_entries)
        return; // reopening the latest file, as every start with the log does
    m_entries = std::move(entries);
    SaveList();
    // The desktop's own list too, which its file dialogs and launchers show.
    AddToRecentlyUsed(RecentlyUsedFile(), path, QStringLiteral("Brunovelt"),
                      QStringLiteral("brunovelt %u"), QDateTime::currentDateTime());
    Changed();
}

void CRecentFileList::Remove(std::size_t index)
{
    if (index >= m_entries.size())
        return;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    SaveList();
    Changed();
}

void CRecentFileList::Changed()
{
    if (m_onChange)
        m_onChange();
}
