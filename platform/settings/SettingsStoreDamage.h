#pragma once

#include "FileIo.h"

#include <QSettings>
#include <QString>

#include <string_view>

// Every key that QSettings reads in its file, with its value.
QSettings::SettingsMap AllSettingsValues(const QSettings& settings);

// Whether QSettings fails on the settings text `bytes` (random bytes, a hand-made file): it
// reports a format error, or its values, written by QSettings into a new file and read back,
// come back different. Such a file fails every write, whatever the room on the disk. The test
// files are made beside `target` and removed again.
bool QSettingsMisreads(const QString& target, std::string_view bytes);

// Keeps `bytes`, the text of the damaged settings file `target`, in a new file beside it named
// "NAME.damaged-YYYYMMDD-HHMMSS" (with "-2" and on where that is taken), flushed to the disk; its
// path goes to `keptAs`.
EFileError KeepDamagedFile(const QString& target, std::string_view bytes, QString& keptAs);
