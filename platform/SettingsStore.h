#pragma once

#include "FileIo.h"
#include "ISettingsStore.h"

#include <QString>

#include <optional>

// The per-user settings of organisation "Halsk", application "Brunovelt". On Windows they live
// in the registry under HKEY_CURRENT_USER\Software\Halsk\Brunovelt; elsewhere in the INI file
// $XDG_CONFIG_HOME/Halsk/Brunovelt.conf (~/.config when the variable is unset), the file that
// QSettings("Halsk", "Brunovelt") uses, in the text QSettings reads and writes.
//
// Nothing is cached: every read looks at the store as it is at that moment, so a change by
// another process shows at once. A write reads the file, changes the one value and replaces the
// whole file through a new file in the same folder that is renamed over it only once it is
// complete on disk; a full disk or any other failure leaves the old file as it was. WriteValues
// changes several values in one such replace.
class CSettingsStore final : public ISettingsStore
{
public:
    CSettingsStore();
    // The INI file at `filePath` instead, on every platform.
    explicit CSettingsStore(QString filePath);

    // The INI file's path; empty when the store is the registry.
    QString FileName() const { return m_fileName; }
    // Where the per-user file is, whether or not it exists yet.
    static QString DefaultFileName();

    int GetInt(std::string_view section, std::string_view name, int defaultValue) const override;
    std::string GetString(std::string_view section, std::string_view name,
                          std::string_view defaultValue) const override;
    bool WriteInt(std::string_view section, std::string_view name, int value) override;
    bool WriteString(std::string_view section, std::string_view name,
                     std::string_view value) override;
    bool WriteValues(std::span<const SettingsValue> values) override;
    SettingsWriteFailure LastWriteFailure() const override { return m_lastFailure; }

private:
    // The file's path in the platform's form, or the registry key, for messages.
    QString Location() const;
    // The stored text of a value; none when it is absent.
    std::optional<QString> ReadText(std::string_view section, std::string_view name) const;

    QString m_fileName;
    SettingsWriteFailure m_lastFailure;
};
