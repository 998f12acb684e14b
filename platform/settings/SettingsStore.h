#pragma once

#include "ISettingsStore.h"
#include "SettingsStoreText.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

// The per-user settings of organisation "Halsk", application "Brunovelt": the INI file
// $XDG_CONFIG_HOME/Halsk/Brunovelt.conf (~/.config when the variable is unset), the file that
// QSettings("Halsk", "Brunovelt") uses, in the text QSettings reads and writes.
//
// Nothing is cached: every read looks at the store as it is at that moment, so a change by
// another process shows at once (only the parse of the file's bytes is kept, for as long as the
// bytes stay the same). A write has QSettings write the file with the changed values into a new
// file in the same folder, checks that a fresh read of it gives every value intended, and only
// then renames it over the old file; a full disk or any other failure leaves the old file as it
// was. WriteValues changes several values in one such replace. Section and value names are kept
// as they stand, so a write of a name with '/' (a group separator to QSettings), of an empty
// value name or of a section "general" in any other case than "General" is refused (BadPath).
// A file that QSettings cannot read back as it writes it (damaged, or made by hand) would fail
// every write: the write that meets one keeps its bytes in "NAME.damaged-YYYYMMDD-HHMMSS" beside
// it and puts a file with the written values alone in its place; every other value is back at
// its default. One store object serves one thread at a time.
class CSettingsStore final : public ISettingsStore
{
public:
    CSettingsStore();
    // The INI file at `filePath` instead.
    explicit CSettingsStore(QString filePath);

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
    bool UpdateValues(const ValuesChange& change) override;
    SettingsWriteFailure LastWriteFailure() const override { return m_lastFailure; }

    // Called with the path of the file that keeps a damaged file's bytes, after the write that
    // set it aside.
    void SetDamagedFileHandler(std::function<void(const QString& keptAs)> handler)
    {
        m_onDamagedFile = std::move(handler);
    }

private:
    // True for a write without error; the failure is kept otherwise. `keptAs` names where a
    // damaged file was set aside, which the handler is told.
    bool Written(EFileError error, const QString& keptAs);
    // The stored text of a value; none when it is absent.
    std::optional<QString> ReadText(std::string_view section, std::string_view name) const;

    QString m_fileName;
    SettingsWriteFailure m_lastFailure;
    std::function<void(const QString&)> m_onDamagedFile;
    // The bytes the file held at the latest read, and their values.
    mutable std::string m_readBytes;
    mutable CSettingsStoreText m_readText{QByteArrayView()};
};
