#pragma once

#include "ISettingsStore.h"

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// ISettingsStore in memory, for tests. Values are kept as the text the real store would hold
// (integers in decimal) and read back by the same rules: an integer is optional blanks, an
// optional sign and decimal digits that fit an int. Writes can be made to fail, leaving the
// values as they were; a failed write names the location "memory" and the cause set here.
class CMemorySettingsStore final : public ISettingsStore
{
public:
    using Key = std::pair<std::string, std::string>; // section, name
    using Values = std::map<Key, std::string, std::less<>>;

    int GetInt(std::string_view section, std::string_view name, int defaultValue) const override;
    std::string GetString(std::string_view section, std::string_view name,
                          std::string_view defaultValue) const override;
    bool WriteInt(std::string_view section, std::string_view name, int value) override;
    bool WriteString(std::string_view section, std::string_view name,
                     std::string_view value) override;
    // One write, however many values: all go in or none.
    bool WriteValues(std::span<const SettingsValue> values) override;
    bool UpdateValues(const ValuesChange& change) override { return WriteValues(change(*this)); }
    SettingsWriteFailure LastWriteFailure() const override { return {"memory", m_failureCause}; }
    void SetFailureCause(EFileError cause) { m_failureCause = cause; }

    // Every write from now on fails (true) or succeeds again (false).
    void SetFailWrites(bool fail)
    {
        m_failAfter = fail ? std::optional<std::size_t>(0) : std::nullopt;
    }
    // The next `count` writes succeed, every one after them fails.
    void FailWritesAfter(std::size_t count) { m_failAfter = count; }

    // The stored text of a value; none when it is absent.
    std::optional<std::string> Value(std::string_view section, std::string_view name) const;
    bool Contains(std::string_view section, std::string_view name) const;
    // Sets a value directly, as another program editing the store would; not counted as a write.
    void Put(std::string_view section, std::string_view name, std::string_view text);
    void Remove(std::string_view section, std::string_view name);
    void Clear() { m_values.clear(); }

    const Values& AllValues() const { return m_values; }
    std::size_t WriteCount() const { return m_writes; }         // writes that succeeded
    std::size_t FailedWriteCount() const { return m_failures; } // writes refused

private:
    bool Write(std::string_view section, std::string_view name, std::string text);
    bool CountWrite(); // false: this write fails

    Values m_values;
    std::optional<std::size_t> m_failAfter;
    std::size_t m_writes = 0;
    std::size_t m_failures = 0;
    EFileError m_failureCause{};
};
