#include "MemorySettingsStore.h"

#include <climits>
#include <variant>

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

std::optional<int> ParseInt(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
        value = value * 10 + (ch - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

int CMemorySettingsStore::GetInt(std::string_view section, std::string_view name,
                                 int defaultValue) const
{
    const auto it = m_values.find(Key(section, name));
    if (it == m_values.end())
        return defaultValue;
    return ParseInt(it->second).value_or(defaultValue);
}

std::string CMemorySettingsStore::GetString(std::string_view section, std::string_view name,
                                            std::string_view defaultValue) const
{
    const auto it = m_values.find(Key(section, name));
    return it == m_values.end() ? std::string(defaultValue) : it->second;
}

bool CMemorySettingsStore::WriteInt(std::string_view section, std::string_view name, int value)
{
    return Write(section, name, std::to_string(value));
}

bool CMemorySettingsStore::WriteString(std::string_view section, std::string_view name,
                                       std::string_view value)
{
    return Write(section, name, std::string(value));
}

std::optional<std::string> CMemorySettingsStore::Value(std::string_view section,
                                                       std::string_view name) const
{
    const auto it = m_values.find(Key(section, name));
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

bool CMemorySettingsStore::Contains(std::string_view section, std::string_view name) const
{
    return m_values.find(Key(section, name)) != m_values.end();
}

void CMemorySettingsStore::Put(std::string_view section, std::string_view name,
                               std::string_view text)
{
    m_values[Key(section, name)] = std::string(text);
}

void CMemorySettingsStore::Remove(std::string_view section, std::string_view name)
{
    m_values.erase(Key(section, name));
}

bool CMemorySettingsStore::CountWrite()
{
    if (m_failAfter) {
        if (*m_failAfter == 0) {
            ++m_failures;
            return false;
        }
        --*m_failAfter;
    }
    ++m_writes;
    return true;
}

bool CMemorySettingsStore::Write(std::string_view section, std::string_view name, std::string text)
{
    if (!CountWrite())
        return false;
    m_values[Key(section, name)] = std::move(text);
    return true;
}

bool CMemorySettingsStore::WriteValues(std::span<const SettingsValue> values)
{
    if (!CountWrite())
        return false;
    for (const SettingsValue& value : values) {
        const int* number = std::get_if<int>(&value.value);
        m_values[Key(value.section, value.name)] =
            number ? std::to_string(*number) : std::string(std::get<std::string_view>(value.value));
    }
    return true;
}
