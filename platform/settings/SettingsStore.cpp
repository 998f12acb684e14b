#include "SettingsStore.h"

#include "Cp932QString.h"
#include "FileIo.h"
#include "SettingsStoreDamage.h"
#include "SettingsStoreLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringView>
#include <QVariant>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace {

constexpr char kOrganisation[] = "Halsk";
constexpr char kApplication[] = "Brunovelt";

// A settings file is a few kilobytes; anything this large is not one, and is left alone.
constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;

// An integer is optional blanks, an optional sign, decimal digits and optional blanks, and it
// must fit in an int; anything else ("12x", "", "0x10", "99999999999") is not a number.
std::optional<int> ParseInt(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        value = value * 10 + (ch - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

// One value to write, as QSettings takes it.
struct ValueChange
{
    QString section;
    QString name;
    QString key;  // "section/name"; "name" for the top-level section ""
    QString text; // integers are written as their text, which is what QSettings writes for them
};

// None when QSettings would not keep the names as they stand: it takes '/' for a group
// separator, drops an empty name and reads every other spelling of a section "General" back as
// "General".
std::optional<ValueChange> ChangeOf(const SettingsValue& value)
{
    ValueChange change{QStringFromCp932(value.section), QStringFromCp932(value.name), {}, {}};
    if (change.name.isEmpty() || change.section.contains(u'/') || change.name.contains(u'/'))
        return std::nullopt;
    if (change.section.compare(QLatin1StringView("general"), Qt::CaseInsensitive) == 0 &&
        change.section != QLatin1StringView("General"))
        return std::nullopt;
    change.key = change.section.isEmpty() ? change.name : change.section + u'/' + change.name;
    if (const int* number = std::get_if<int>(&value.value))
        change.text = QString::number(*number);
    else
        change.text = QStringFromCp932(std::get<std::string_view>(value.value));
    return change;
}

// Has QSettings write the file at `temporary` (a copy of the old file) with `changes` made, and
// reads it back. QSettings writes through a buffered QSaveFile that renames a short file into
// place when the last write fails, and reports no error; what it meant to write is compared with
// what a fresh read finds. QSettings keeps the files it has read in a cache that it checks by
// size and time only, so the fresh read looks at the file under a new name, which goes to
// `temporary`. False when the file does not hold every value intended.
bool WriteWithQSettings(QString& temporary, const QString& target,
                        const std::vector<ValueChange>& changes)
{
    QSettings::SettingsMap intended;
    {
        QSettings writer(temporary, QSettings::IniFormat);
        for (const ValueChange& change : changes)
            writer.setValue(change.key, change.text);
        intended = AllSettingsValues(writer);
        writer.sync();
        if (writer.status() == QSettings::AccessError)
            return false;
    }
    const QString fresh = TemporaryNameBeside(target);
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(fresh).constData()) != 0)
        return false;
    temporary = fresh;
    const QSettings reader(fresh, QSettings::IniFormat);
    return reader.status() != QSettings::AccessError && AllSettingsValues(reader) == intended;
}

// Puts a file that holds only `changes` in the place of the damaged settings file at `path`,
// after its old bytes `old` are kept in a file of their own beside it, named in `keptAs`.
EFileError ReplaceDamagedFile(const QString& path, std::string_view old,
                              const std::vector<ValueChange>& changes, QString& keptAs)
{
    QString temporary;
    if (const EFileError made = CreateTemporaryBeside(path, {}, temporary);
        made != EFileError::None)
        return made;
    if (!WriteWithQSettings(temporary, path, changes)) {
        QFile::remove(temporary);
        return EFileError::DiskFull;
    }
    if (const EFileError kept = KeepDamagedFile(path, old, keptAs); kept != EFileError::None) {
        QFile::remove(temporary);
        return kept;
    }
    const EFileError renamed = RenameOver(temporary, path);
    if (renamed != EFileError::None) {
        QFile::remove(keptAs);
        keptAs.clear();
    }
    return renamed;
}

// Reads the file once, changes every value and replaces the whole file once, so the values go
// in together or not at all. `valuesUnderLock` gives the values once the store's lock is held. A
// damaged file is replaced by one with these values alone; `keptAs` then names the file that
// keeps its bytes.
EFileError WriteValuesToFile(const QString& fileName,
                             const std::function<std::vector<SettingsValue>()>& valuesUnderLock,
                             QString& keptAs)
{
    if (fileName.isEmpty())
        return EFileError::BadPath;
    const QString path = ResolveFileLinks(fileName);
    const QString folder = QFileInfo(path).absolutePath();
    if (const EFileError made = MakeFolders(folder); made != EFileError::None)
        return made;
    const CSettingsStoreLock lock(folder);
    std::vector<ValueChange> changes;
    for (const SettingsValue& value : valuesUnderLock()) {
        std::optional<ValueChange> change = ChangeOf(value);
        if (!change)
            return EFileError::BadPath;
        changes.push_back(std::move(*change));
    }
    std::string old;
    // A file that is there but cannot be read would be lost by writing a new one in its place.
    if (const EFileError read = ReadWholeFile(path, old, kMaxFileSize);
        read != EFileError::None && read != EFileError::NotFound)
        return read;

    // Replacing the file waits for the disk; values written as they already stand cost nothing.
    const CSettingsStoreText oldText(
        QByteArrayView(old.data(), static_cast<qsizetype>(old.size())));
    bool changed = false;
    for (const ValueChange& change : changes)
        changed = changed || oldText.Value(change.section, change.name) != change.text;
    if (!changed)
        return EFileError::None;

    QString temporary;
    if (const EFileError copied = CreateTemporaryBeside(path, old, temporary);
        copied != EFileError::None)
        return copied;
    if (!WriteWithQSettings(temporary, path, changes)) {
        QFile::remove(temporary);
        // A file that QSettings does not read back as it writes it fails every write: it is set
        // aside, so that the settings can be saved again.
        if (QSettingsMisreads(path, old))
            return ReplaceDamagedFile(path, old, changes, keptAs);
        // QSettings names no cause. The old text was just written in full into the same folder,
        // so what failed is most likely the room for the longer text (a full disk, a quota, a
        // size limit).
        return EFileError::DiskFull;
    }
    return RenameOver(temporary, path);
}

} // namespace

CSettingsStore::CSettingsStore() : m_fileName(DefaultFileName()) {}

CSettingsStore::CSettingsStore(QString filePath) : m_fileName(std::move(filePath)) {}

QString CSettingsStore::DefaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QLatin1StringView(kOrganisation) + u'/' + QLatin1StringView(kApplication) +
           QLatin1StringView(".conf");
}

std::optional<QString> CSettingsStore::ReadText(std::string_view section,
                                                std::string_view name) const
{
    // A missing or unreadable file has no values.
    std::string bytes;
    if (ReadWholeFile(m_fileName, bytes, kMaxFileSize) != EFileError::None)
        return std::nullopt;
    if (bytes != m_readBytes) {
        m_readText =
            CSettingsStoreText(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        m_readBytes = std::move(bytes);
    }
    return m_readText.Value(QStringFromCp932(section), QStringFromCp932(name));
}

int CSettingsStore::GetInt(std::string_view section, std::string_view name, int defaultValue) const
{
    const std::optional<QString> text = ReadText(section, name);
    if (!text)
        return defaultValue;
    return ParseInt(*text).value_or(defaultValue);
}

std::string CSettingsStore::GetString(std::string_view section, std::string_view name,
                                      std::string_view defaultValue) const
{
    const std::optional<QString> text = ReadText(section, name);
    if (!text)
        return std::string(defaultValue);
    return QStringToCp932(*text);
}

bool CSettingsStore::WriteInt(std::string_view section, std::string_view name, int value)
{
    const SettingsValue values[] = {{section, name, value}};
    return WriteValues(values);
}

bool CSettingsStore::WriteString(std::string_view section, std::string_view name,
                                 std::string_view value)
{
    const SettingsValue values[] = {{section, name, value}};
    return WriteValues(values);
}

bool CSettingsStore::WriteValues(std::span<const SettingsValue> values)
{
    QString keptAs;
    const EFileError error = WriteValuesToFile(
        m_fileName, [values] { return std::vector<SettingsValue>(values.begin(), values.end()); },
        keptAs);
    return Written(error, keptAs);
}

bool CSettingsStore::UpdateValues(const ValuesChange& change)
{
    QString keptAs;
    const EFileError error = WriteValuesToFile(
        m_fileName, [this, &change] { return change(*this); }, keptAs);
    return Written(error, keptAs);
}

bool CSettingsStore::Written(EFileError error, const QString& keptAs)
{
    if (!keptAs.isEmpty() && m_onDamagedFile)
        m_onDamagedFile(keptAs); // once the file is unlocked: the handler may write again
    if (error == EFileError::None)
        return true;
    m_lastFailure = {QDir::toNativeSeparators(m_fileName).toStdString(), error};
    return false;
}
