#pragma once

#include <QDateTime>
#include <QString>

// The desktop's list of recently used files, shared by the desktop's programs and its file
// dialogs: the XBEL file $XDG_DATA_HOME/recently-used.xbel (by default
// ~/.local/share/recently-used.xbel).
QString RecentlyUsedFile();

// Records in the list at `xbelPath` that this program used `filePath` (an absolute path) at
// `now`, as a text file: the file's entry is made or brought up to date, with this program
// (`appName`, started as `exec`, "%u" standing for the file) among the programs that used it and
// the count of its uses. The entries of other files and the other programs' records are kept.
// A list that cannot be read as XBEL is left as it is. False when nothing was written.
bool AddToRecentlyUsed(const QString& xbelPath, const QString& filePath, const QString& appName,
                       const QString& exec, const QDateTime& now);
