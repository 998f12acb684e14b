#pragma once

#include <string>
#include <string_view>

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
    // written.
    virtual bool WriteInt(std::string_view section, std::string_view name, int value) = 0;
    virtual bool WriteString(std::string_view section, std::string_view name,
                             std::string_view value) = 0;
};
