#include "SettingsStore.h"

#include "Cp932QString.h"
#include "FileIo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringView>

#ifdef Q_OS_WIN
#include <QSettings>
#else
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <cstddef>
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

// ---------------------------------------------------------------------------------------------
// The INI text, with QSettings' rules: section and value names escape every character but ASCII
// letters, digits and "_-." as %XX or %UXXXX ('/' becomes '\'); values are UTF-8 with C-style
// escapes for control characters, in quotes when they hold ';', ',' or '=' or begin or end with
// a space; a value beginning with '@' gets a second '@'. ';' at the start of a line begins a
// comment. Top-level values sit under [General].

bool IsHexDigit(char16_t ch)
{
    return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F');
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

bool IsOctalDigit(char ch)
{
    return ch >= '0' && ch <= '7';
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool IsIniSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

QByteArray EscapeKey(QStringView key)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(key.size() * 3 / 2);
    for (const QChar qch : key) {
        unsigned ch = qch.unicode();
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                   (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.') {
            out += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += kHex[ch >> 4];
            out += kHex[ch & 0xF];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(ch >> shift) & 0xF];
        }
    }
    return out;
}

QString UnescapeKey(QByteArrayView key)
{
    const QString text = QString::fromUtf8(key);
    const qsizetype size = text.size();
    QString out;
    out.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const QChar ch = text[i];
        if (ch == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (ch != u'%' || i == size - 1) {
            out += ch;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (text[first] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code =
            first + digits <= size ? QStringView(text).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            out += u'%'; // not an escape: the '%' stands for itself
            ++i;
            continue;
        }
        out += QChar(code);
        i = first + digits;
    }
    return out;
}

QByteArray EscapeValue(const QString& value)
{
    QString text = value;
    if (text.contains(QChar(u'\0')))
        text = QStringLiteral("@String(") + text + u')';
    else if (text.startsWith(u'@'))
        text.prepend(u'@');

    // Every escape is ASCII, so the escaped text is built as UTF-16 and turned into UTF-8 once.
    QString out;
    out.reserve(text.size() + 8);
    bool needsQuotes = false;
    bool escapeHexDigits = false; // after a \x or \0 escape a hex digit would join it
    for (const QChar qch : std::as_const(text)) {
        const char16_t ch = qch.unicode();
        if (ch == u';' || ch == u',' || ch == u'=')
            needsQuotes = true;
        if (escapeHexDigits && IsHexDigit(ch)) {
            out += QStringLiteral("\\x") + QString::number(ch, 16);
            continue;
        }
        escapeHexDigits = false;
        switch (ch) {
        case u'\0':
            out += QStringLiteral("\\0");
            escapeHexDigits = true;
            break;
        case u'\a': out += QStringLiteral("\\a"); break;
        case u'\b': out += QStringLiteral("\\b"); break;
        case u'\f': out += QStringLiteral("\\f"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\v': out += QStringLiteral("\\v"); break;
        case u'"':
        case u'\\':
            out += u'\\';
            out += qch;
            break;
        default:
            if (ch <= 0x1F) {
                out += QStringLiteral("\\x") + QString::number(ch, 16);
                escapeHexDigits = true;
            } else {
                out += qch;
            }
        }
    }
    if (needsQuotes || out.startsWith(u' ') || out.endsWith(u' ')) {
        out.prepend(u'"');
        out += u'"';
    }
    return out.toUtf8();
}

// The value a value's text stands for; none for "@Invalid()", QSettings' empty value. Commas
// outside quotes, which would make a list for QSettings, are kept as text.
std::optional<QString> UnescapeValue(QByteArrayView raw)
{
    const qsizetype size = raw.size();
    QString out;
    qsizetype i = 0;
    qsizetype keepFrom = 0; // trailing blanks before this point are part of the value
    bool quoted = false;
    bool inQuotes = false;
    bool chopBlanks = true;
    // One decoder for the whole value: a byte order mark is dropped at its start only.
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    const auto skipBlanks = [&] {
        while (i < size && IsBlank(raw[i]))
            ++i;
    };
    skipBlanks();
    while (i < size) {
        const char ch = raw[i];
        if (ch == '\\') {
            ++i;
            if (i >= size) {
                chopBlanks = false;
                break;
            }
            const char escaped = raw[i++];
            switch (escaped) {
            case 'a': out += u'\a'; break;
            case 'b': out += u'\b'; break;
            case 'f': out += u'\f'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'v': out += u'\v'; break;
            case '"':
            case '?':
            case '\'':
            case '\\': out += QLatin1Char(escaped); break;
            case 'x':
                if (i >= size) {
                    chopBlanks = false;
                } else if (HexValue(raw[i]) >= 0) {
                    unsigned code = 0;
                    while (i < size && HexValue(raw[i]) >= 0)
                        code = ((code << 4) | static_cast<unsigned>(HexValue(raw[i++]))) & 0xFFFF;
                    out += QChar(static_cast<char16_t>(code));
                }
                break;
            case '\n':
            case '\r':
                // A line continuation; the pair of \r and \n counts as one break.
                if (i < size && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != escaped)
                    ++i;
                break;
            default:
                if (IsOctalDigit(escaped)) {
                    unsigned code = static_cast<unsigned>(escaped - '0');
                    while (i < size && IsOctalDigit(raw[i]))
                        code = ((code << 3) | static_cast<unsigned>(raw[i++] - '0')) & 0xFFFF;
                    out += QChar(static_cast<char16_t>(code));
                }
                break; // any other escaped character is dropped
            }
            if (!chopBlanks)
                break;
            keepFrom = out.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                keepFrom = out.size();
            }
        } else {
            qsizetype end = i + 1;
            while (end < size && raw[end] != '\\' && raw[end] != '"')
                ++end;
            out += fromUtf8(raw.sliced(i, end - i));
            i = end;
        }
    }
    if (chopBlanks && !quoted) {
        qsizetype end = out.size();
        while (end > keepFrom && (out[end - 1] == u' ' || out[end - 1] == u'\t'))
            --end;
        out.truncate(end);
    }

    if (out.startsWith(u'@')) {
        if (out.endsWith(u')')) {
            if (out.startsWith(QLatin1StringView("@ByteArray(")))
                return QString::fromUtf8(QStringView(out).sliced(11).chopped(1).toLatin1());
            if (out.startsWith(QLatin1StringView("@String(")))
                return QStringView(out).sliced(8).chopped(1).toString();
            if (out == QLatin1StringView("@Invalid()"))
                return std::nullopt;
        }
        if (out.startsWith(QLatin1StringView("@@")))
            return out.sliced(1);
    }
    return out;
}

// Whether a value's text read from the file can be written back as it stands: it must not end
// inside quotes or with a lone backslash, either of which would swallow the next line.
bool EndsCleanly(QByteArrayView raw)
{
    bool inQuotes = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\') {
            if (++i == raw.size())
                return false;
        } else if (raw[i] == '"') {
            inQuotes = !inQuotes;
        }
    }
    return !inQuotes;
}

struct IniLine
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1; // the first '=' outside quotes, from start; -1 when there is none
};

// The next logical line from `pos`, as QSettings splits them: leading blanks and comment lines
// are skipped, and the line ends at a line break or a ';' outside quotes. A backslash keeps the
// byte after it (a line break too) in the line. False at the end of the text.
bool NextIniLine(QByteArrayView data, qsizetype& pos, IniLine& line)
{
    const qsizetype size = data.size();
    qsizetype start = pos;
    while (start < size && IsIniSpace(data[start]))
        ++start;
    qsizetype equals = -1;
    bool inQuotes = false;
    qsizetype i = start;
    while (i < size) {
        const char ch = data[i];
        if (ch == '=') {
            if (!inQuotes && equals < 0)
                equals = i;
            ++i;
        } else if (ch == '\n' || ch == '\r') {
            if (!inQuotes)
                break;
            ++i;
        } else if (ch == '\\') {
            ++i;
            if (i < size) {
                const char next = data[i++];
                if (i < size &&
                    ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
            ++i;
        } else if (ch == ';') {
            if (i != start) {
                if (!inQuotes)
                    break;
                ++i;
                continue;
            }
            while (i < size && data[i] != '\n' && data[i] != '\r')
                ++i;
            while (i < size && IsIniSpace(data[i]))
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    pos = i;
    line.start = start;
    line.length = i - start;
    line.equals = equals < 0 ? -1 : equals - start;
    return line.length > 0;
}

struct IniEntry
{
    QString name;
    QByteArray value; // as the file has it, escapes and quotes included
};

struct IniSection
{
    QString name; // empty for the top-level values
    std::vector<IniEntry> entries;
};

// The file's sections and values in the file's order. Sections of the same name are merged and
// a name given twice keeps its last value, as QSettings reads them. Comments and lines that are
// neither a section nor a value do not survive a rewrite (nor do they with QSettings); values
// this program does not write are kept in their own text.
class CIniText
{
public:
    explicit CIniText(QByteArrayView data)
    {
        if (data.startsWith("\xEF\xBB\xBF"))
            data = data.sliced(3);
        QString section;
        qsizetype pos = 0;
        IniLine line;
        while (NextIniLine(data, pos, line)) {
            const QByteArrayView text = data.sliced(line.start, line.length);
            if (text.startsWith('[')) {
                const qsizetype close = text.indexOf(']');
                section =
                    SectionName((close < 0 ? text.sliced(1) : text.sliced(1, close - 1)).trimmed());
                Section(section);
            } else if (line.equals >= 0) {
                Set(section, UnescapeKey(text.first(line.equals).trimmed()),
                    text.sliced(line.equals + 1).toByteArray());
            }
        }
    }

    const QByteArray* Find(const QString& section, const QString& name) const
    {
        for (const IniSection& s : m_sections) {
            if (s.name != section)
                continue;
            for (const IniEntry& entry : s.entries) {
                if (entry.name == name)
                    return &entry.value;
            }
            return nullptr;
        }
        return nullptr;
    }

    void Set(const QString& section, const QString& name, QByteArray value)
    {
        IniSection& s = Section(section);
        for (IniEntry& entry : s.entries) {
            if (entry.name == name) {
                entry.value = std::move(value);
                return;
            }
        }
        s.entries.push_back({name, std::move(value)});
    }

    QByteArray ToBytes() const
    {
        QByteArray out;
        for (const IniSection& s : m_sections) {
            if (s.entries.empty())
                continue;
            if (!out.isEmpty())
                out += '\n';
            out += '[' + SectionHeader(s.name) + "]\n";
            for (const IniEntry& entry : s.entries) {
                out += EscapeKey(entry.name) + '=';
                if (EndsCleanly(entry.value))
                    out += entry.value;
                else if (const std::optional<QString> value = UnescapeValue(entry.value))
                    out += EscapeValue(*value);
                else
                    out += "@Invalid()";
                out += '\n';
            }
        }
        return out;
    }

private:
    static bool IsGeneral(QByteArrayView text)
    {
        return text.size() == 7 && QByteArrayView(text).toByteArray().toLower() == "general";
    }

    static QString SectionName(QByteArrayView header)
    {
        if (IsGeneral(header))
            return {};
        if (header.startsWith('%') && IsGeneral(header.sliced(1)))
            return QString::fromLatin1(header.sliced(1));
        return UnescapeKey(header);
    }

    static QByteArray SectionHeader(const QString& name)
    {
        QByteArray header = EscapeKey(name);
        if (header.isEmpty())
            return "General";
        if (IsGeneral(header))
            header.prepend('%');
        return header;
    }

    IniSection& Section(const QString& name)
    {
        for (IniSection& s : m_sections) {
            if (s.name == name)
                return s;
        }
        m_sections.push_back({name, {}});
        return m_sections.back();
    }

    std::vector<IniSection> m_sections;
};

// ---------------------------------------------------------------------------------------------
// The file.

// The file's bytes; a missing file reads as empty (None). Any other failure is its cause.
EFileError ReadSettingsFile(const QString& path, QByteArray& data)
{
    std::string bytes;
    const EFileError error = ReadWholeFile(path, bytes, kMaxFileSize);
    switch (error) {
    case EFileError::None: data = QByteArray::fromStdString(bytes); return error;
    case EFileError::NotFound:
    case EFileError::BadPath: return EFileError::None;
    default: return error;
    }
}

#ifdef Q_OS_WIN

class CFolderLock
{
public:
    explicit CFolderLock(const QString&) {}
};

#else

// Holds an advisory lock on the file's folder while a write reads, changes and replaces the file,
// so that two copies of the program writing at once do not lose each other's values. The lock
// needs no file of its own and so works on a full disk. After two seconds, or where the folder
// cannot be locked, the write goes ahead without it.
class CFolderLock
{
public:
    explicit CFolderLock(const QString& folder)
    {
        const QByteArray native = QFile::encodeName(folder);
        do {
            m_fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            return;
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR))
                return;
            const timespec pause{0, 10'000'000};
            ::nanosleep(&pause, nullptr);
        }
    }
    ~CFolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

private:
    int m_fd = -1;
};

#endif

std::optional<QString> ReadValue(const QString& fileName, std::string_view section,
                                 std::string_view name)
{
    QByteArray data;
    if (ReadSettingsFile(fileName, data) != EFileError::None || data.isEmpty())
        return std::nullopt;
    const CIniText ini(data);
    const QByteArray* raw = ini.Find(QStringFromCp932(section), QStringFromCp932(name));
    if (!raw)
        return std::nullopt;
    return UnescapeValue(*raw);
}

// A value's text as the INI file and the registry take it.
QString ValueText(const SettingsValue& value)
{
    if (const int* number = std::get_if<int>(&value.value))
        return QString::number(*number);
    return QStringFromCp932(std::get<std::string_view>(value.value));
}

// Reads the file once, changes every value and replaces the whole file once, so the values go
// in together or not at all.
EFileError WriteValues(const QString& fileName, std::span<const SettingsValue> values)
{
    if (fileName.isEmpty())
        return EFileError::BadPath;
    const QString path = ResolveFileLinks(fileName);
    const QString folder = QFileInfo(path).absolutePath();
    errno = 0;
    if (!QDir().mkpath(folder))
        return errno != 0 ? FileErrorFromErrno(errno) : EFileError::AccessDenied;
    const CFolderLock lock(folder);
    QByteArray data;
    // A file that is there but cannot be read would be lost by writing a new one in its place.
    if (const EFileError read = ReadSettingsFile(path, data); read != EFileError::None)
        return read;
    CIniText ini(data);
    for (const SettingsValue& value : values)
        ini.Set(QStringFromCp932(value.section), QStringFromCp932(value.name),
                EscapeValue(ValueText(value)));
    const QByteArray content = ini.ToBytes();
    // Replacing the file waits for the disk; values written as they already stand cost nothing.
    if (content == data)
        return EFileError::None;
    return ReplaceFile(
        path, std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
}

#ifdef Q_OS_WIN

QString RegistryKey(std::string_view section, std::string_view name)
{
    return QStringFromCp932(section) + u'/' + QStringFromCp932(name);
}

std::optional<QString> ReadRegistry(std::string_view section, std::string_view name)
{
    const QSettings registry(QSettings::NativeFormat, QSettings::UserScope,
                             QLatin1StringView(kOrganisation), QLatin1StringView(kApplication));
    const QVariant value = registry.value(RegistryKey(section, name));
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

EFileError WriteRegistry(std::span<const SettingsValue> values)
{
    QSettings registry(QSettings::NativeFormat, QSettings::UserScope,
                       QLatin1StringView(kOrganisation), QLatin1StringView(kApplication));
    for (const SettingsValue& value : values) {
        const QString key = RegistryKey(value.section, value.name);
        if (const int* number = std::get_if<int>(&value.value))
            registry.setValue(key, *number);
        else
            registry.setValue(key, ValueText(value));
    }
    registry.sync();
    return registry.status() == QSettings::NoError ? EFileError::None : EFileError::AccessDenied;
}

#endif

} // namespace

CSettingsStore::CSettingsStore() : m_fileName(DefaultFileName()) {}

CSettingsStore::CSettingsStore(QString filePath) : m_fileName(std::move(filePath)) {}

QString CSettingsStore::DefaultFileName()
{
#ifdef Q_OS_WIN
    return {};
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QLatin1StringView(kOrganisation) + u'/' + QLatin1StringView(kApplication) +
           QLatin1StringView(".conf");
#endif
}

std::optional<QString> CSettingsStore::ReadText(std::string_view section,
                                                std::string_view name) const
{
#ifdef Q_OS_WIN
    if (m_fileName.isEmpty())
        return ReadRegistry(section, name);
#endif
    return ReadValue(m_fileName, section, name);
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
    EFileError error = EFileError::None;
#ifdef Q_OS_WIN
    if (m_fileName.isEmpty())
        error = WriteRegistry(values);
    else
#endif
        error = ::WriteValues(m_fileName, values);
    if (error == EFileError::None)
        return true;
    m_lastFailure = {Location().toStdString(), error};
    return false;
}

QString CSettingsStore::Location() const
{
    if (m_fileName.isEmpty())
        return QStringLiteral("HKEY_CURRENT_USER\\Software\\%1\\%2")
            .arg(QLatin1StringView(kOrganisation), QLatin1StringView(kApplication));
    return QDir::toNativeSeparators(m_fileName);
}
