#include "SettingsWriteFailure.h"

#include "FileErrorMessage.h"
#include "Desktop.h"

QString SettingsWriteFailureMessage(const SettingsWriteFailure& failure)
{
    return FileErrorMessage(failure.cause, QString::fromStdString(failure.location));
}

void ReportSettingsWriteFailure(IDesktop& desktop, QWidget* parent, const ISettingsStore& store)
{
    ShowMessageBox(desktop, parent, SettingsWriteFailureMessage(store.LastWriteFailure()));
}
