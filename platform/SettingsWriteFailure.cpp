#include "SettingsWriteFailure.h"

#include "FileErrorMessage.h"
#include "MessageBox.h"

QString SettingsWriteFailureMessage(const SettingsWriteFailure& failure)
{
    return FileErrorMessage(failure.cause, QString::fromStdString(failure.location));
}

void ReportSettingsWriteFailure(QWidget* parent, const ISettingsStore& store)
{
    ShowMessageBox(parent, SettingsWriteFailureMessage(store.LastWriteFailure()));
}
