#include "LogPath.h"

#include "Cp932QString.h"
#include "FileIo.h"
#include "ISettingsStore.h"
#include "RecentFileText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <sys/utsname.h>
#endif

QString LogFileName()
{
    return QStringLiteral("計算Log.txt");
}

QString ExecutableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

QString GetModuleDirPath(const QString& name, const QString& moduleDir)
{
    if (moduleDir.isEmpty())
        return name;
    return moduleDir.endsWith(u'/') ? moduleDir + name : moduleDir + u'/' + name;
}

QString GetAppDataFilePath(const QString& company, const QString& product, const QString& file)
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (path.isEmpty() || company.isEmpty())
        return path;
    if (!path.endsWith(u'/'))
        path += u'/';
    path += company;
    if (product.isEmpty())
        return path;
    path += u'/' + product;
    if (file.isEmpty())
        return path;
    if (!QFileInfo::exists(path))
        CreateDirectoryTree(path);
    return path + u'/' + file;
}

bool CreateDirectoryTree(const QString& path)
{
    if (path.isEmpty() || QFileInfo(path).isRoot())
        return false;
    if (QDir().mkdir(path))
        return true;
    const qsizetype separator = path.lastIndexOf(u'/');
    if (separator < 0)
        return false;
    if (!CreateDirectoryTree(path.first(separator)))
        return false;
    QDir().mkdir(path); // the parent is there now; whether this worked is not asked
    return true;
}

PlatformVersion GetPlatformVersion()
{
    PlatformVersion version{2, 5, 0};
#ifndef Q_OS_WIN
    utsname name{};
    if (::uname(&name) != 0)
        return version;
    // The release reads "major.minor.patch-build".
    int numbers[2] = {0, 0};
    const char* p = name.release;
    for (int& number : numbers) {
        while (*p >= '0' && *p <= '9' && number < 100000)
            number = number * 10 + (*p++ - '0');
        if (*p == '.')
            ++p;
    }
    version.major = numbers[0] < 5 ? 5 : numbers[0];
    version.minor = numbers[1];
#endif
    return version;
}

QString DefaultLogLocation(const QString& moduleDir)
{
    // Beside the executable when a file (or anything) of that name is there; in the user's data
    // folder otherwise, on every system that has one.
    const QString besideExecutable = moduleDir + u'/' + LogFileName();
    if (GetPlatformVersion().major < 5 || QFileInfo::exists(besideExecutable))
        return besideExecutable;
    const QString folder = GetAppDataFilePath(QStringLiteral("Halsk"), QStringLiteral("Brunovelt"));
    return folder.isEmpty() ? besideExecutable : folder + u'/' + LogFileName();
}

EFileError EnsureLogFile(const QString& path)
{
    if (path.isEmpty())
        return EFileError::BadPath;
    const QString target = ResolveFileLinks(path);
    if (QFileInfo::exists(target))
        return EFileError::None;
    if (const EFileError folder = MakeFolders(QFileInfo(target).absolutePath());
        folder != EFileError::None)
        return folder;
    // Only a file that is not there is created, so that a log which cannot be read just now is
    // never emptied.
    const EFileError made = CreateNewFile(target, "\r\n");
    return made == EFileError::AccessDenied && QFileInfo::exists(target) ? EFileError::None : made;
}

QString GetDefaultLogPath(const QString& moduleDir)
{
    // The data folder's folders are made as the path is built.
    QString path = DefaultLogLocation(moduleDir);
    if (path != moduleDir + u'/' + LogFileName())
        path =
            GetAppDataFilePath(QStringLiteral("Halsk"), QStringLiteral("Brunovelt"), LogFileName());
    if (CanReadFile(path))
        return path;
    // A new log holds one line end.
    if (!QFileInfo::exists(ResolveFileLinks(path)) && EnsureLogFile(path) == EFileError::None)
        return path;
    return {};
}

QString LogFileFromStore(std::string_view value, const QString& defaultPath)
{
    if (value.empty() || value == QStringToCp932(defaultPath))
        return defaultPath;
    return RecentFileFromStore(value);
}

std::string LogFileToStore(const QString& path, const QString& defaultPath)
{
    if (path.isEmpty())
        return {};
    // A name whose text another reading takes for the default ("/home/donn?e/..." beside a
    // default of "/home/donnée/...") goes as a URL too.
    std::string text = RecentFileToStore(path);
    if (LogFileFromStore(text, defaultPath) != path)
        text = PathAsFileUrl(path);
    return text;
}

QString ReadLogFileSetting(const ISettingsStore& store, const QString& defaultPath)
{
    return LogFileFromStore(store.GetString("System", "LogFile", ""), defaultPath);
}
