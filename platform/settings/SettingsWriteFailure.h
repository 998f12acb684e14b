#pragma once

#include "ISettingsStore.h"

#include <QString>

#include <memory>

class CSettingsStore;
class IDesktop;
class QWidget;

// "<the settings file> へのｱｸｾｽは拒否されました。" and the like: the file-error message for the
// store's latest failed write.
QString SettingsWriteFailureMessage(const SettingsWriteFailure& failure);

// Shows that message in a box over `parent` (the application when nullptr).
void ReportSettingsWriteFailure(IDesktop& desktop, QWidget* parent, const ISettingsStore& store);

// What the user is told when the damaged settings file `file` was set aside as `keptAs`.
QString SettingsFileSetAsideMessage(const QString& file, const QString& keptAs);

// The per-user store, which tells the user through `desktop` when it sets a damaged file aside.
std::unique_ptr<CSettingsStore> MakeUserSettingsStore(IDesktop& desktop);
