#pragma once

#include "FileIo.h"

#include <QString>

#include <string>
#include <string_view>

// Where the log file and the program's other files are. Paths are Qt paths with '/' separators;
// file names reach the file system as UTF-8.

// The log file's name, "計算Log.txt".
QString LogFileName();

// The running executable's folder: QCoreApplication::applicationDirPath() (links resolved), or the
// folder of /proc/self/exe before the application object exists.
QString ExecutableDir();

// `moduleDir` with a trailing separator, followed by `name`; `name` alone when `moduleDir` is
// empty.
QString GetModuleDirPath(const QString& name, const QString& moduleDir = ExecutableDir());

// A path in the user's application-data folder (QStandardPaths' generic data location:
// $XDG_DATA_HOME, by default ~/.local/share). An empty argument counts as absent: without
// `company` the folder itself, without `product` folder/company, without `file`
// folder/company/product; with all three the folder company/product is created when nothing is
// there, and the result is that folder, a separator and `file`. Empty when the platform names no
// data folder.
QString GetAppDataFilePath(const QString& company = {}, const QString& product = {},
                           const QString& file = {});

// Creates the folder `path` and every missing folder above it. The root (or an empty path) yields
// false without an attempt. Made for paths that do not exist yet: an existing folder is an
// attempt that fails, and the call then yields false too.
bool CreateDirectoryTree(const QString& path);

struct PlatformVersion
{
    int platformId; // 2: a multi-user system with a data folder for each user
    int major;
    int minor;
};

// The running system's version. On Linux the kernel's release, with the major version raised to
// 5 when it is lower: every Linux keeps data per user, which is what version 5 or more stands
// for when the log file's place is chosen.
PlatformVersion GetPlatformVersion();

// The default log file: "計算Log.txt" in the executable's folder (`moduleDir`) when something
// stands there, else in Halsk/Brunovelt in the application-data folder, its folders created when
// missing. A missing file is created holding exactly CR LF; an existing file is never emptied.
// Empty when the file can be neither opened for reading nor created. Computed afresh each call.
QString GetDefaultLogPath(const QString& moduleDir = ExecutableDir());

// Where GetDefaultLogPath puts the log, whether a file is there or not; the start-up messages name
// it when no log could be made.
QString DefaultLogLocation(const QString& moduleDir = ExecutableDir());

// Makes sure a log file stands at `path`: a missing one is created holding CR LF, its folders
// with it, at the target of a link that points nowhere yet. An existing file is left as it is
// (reading it tells whether it can be used). The cause when it cannot be made.
EFileError EnsureLogFile(const QString& path);

class ISettingsStore;

// How "System"/"LogFile" holds a path. An empty value, like an absent one, stands for the default
// log (`defaultPath`), and so do the bytes of a default that code page 932 cannot spell, which
// earlier versions stored. Any other path that the code page writes is kept as that text, as it
// always was; one it cannot write (é, ü, ...) as its file URL, so that nothing is lost.
QString LogFileFromStore(std::string_view value, const QString& defaultPath);
// The value that LogFileFromStore reads back as `path` (empty for an empty path: the default):
// the plain text where that reads back so, the file URL otherwise.
std::string LogFileToStore(const QString& path, const QString& defaultPath);

// "System"/"LogFile" read with LogFileFromStore.
QString ReadLogFileSetting(const ISettingsStore& store, const QString& defaultPath);
