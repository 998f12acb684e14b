#pragma once

#include "ISettingsStore.h"

#include <QString>

class IDesktop;
class QWidget;

// "<the settings file> へのｱｸｾｽは拒否されました。" and the like: the file-error message for the
// store's latest failed write.
QString SettingsWriteFailureMessage(const SettingsWriteFailure& failure);

// Shows that message in a box over `parent` (the application when nullptr).
void ReportSettingsWriteFailure(IDesktop& desktop, QWidget* parent, const ISettingsStore& store);
