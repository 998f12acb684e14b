#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

enum class EFileError; // FileIo.h; this header stays free of Qt for the sheet's logic

// One value to write: an integer or a code page 932 string.
struct SettingsValue
{
    std::string_view section;
    std::string_view name;
    std::variant<int, std::string_view> value;
};

// Why the latest write that failed failed: where the store keeps its values (a file's path) and
// the cause.
struct SettingsWriteFailure
{
    std::string location; // UTF-8
    EFileError cause{};   // None: no cause is known
};

// The per-user settings store: named integer and string values in named sections. Every read
// gives its default when the value is absent (and, for integers, when it does not read as a
// number). Strings are code page 932 bytes here; the store keeps them as UTF-8 text.
class ISettingsStore
{
public:
    virtual ~ISettingsStore() = default;

    virtual int GetInt(std::string_view section, std::string_view name, int defaultValue) const = 0;
    virtual std::string GetString(std::string_view section, std::string_view name,
                                  std::string_view defaultValue) const = 0;

    // Creates or replaces the value. False, with the store as it was before, when it could not be
    // written; LastWriteFailure() then tells why.
    virtual bool WriteInt(std::string_view section, std::string_view name, int value) = 0;
    virtual bool WriteString(std::string_view section, std::string_view name,
                             std::string_view value) = 0;
    // Writes all `values` in one change of the store, so that they are never half written: false,
    // with none of them written, when it could not be done.
    virtual bool WriteValues(std::span<const SettingsValue> values) = 0;

    // Reads, changes and writes in one step that no other writer of the store (another window's
    // included) comes between: `change` reads the store as it is then and gives the values to
    // write, whose texts it keeps alive until UpdateValues returns. As WriteValues otherwise.
    using ValuesChange = std::function<std::vector<SettingsValue>(const ISettingsStore& current)>;
    virtual bool UpdateValues(const ValuesChange& change) = 0;

    // Meaningful after a write returned false.
    virtual SettingsWriteFailure LastWriteFailure() const = 0;
};
