#include "SettingsWriteFailure.h"

#include "FileErrorMessage.h"
#include "Desktop.h"
#include "SettingsStore.h"

#include <QDir>

QString SettingsWriteFailureMessage(const SettingsWriteFailure& failure)
{
    return FileErrorMessage(failure.cause, QString::fromStdString(failure.location));
}

void ReportSettingsWriteFailure(IDesktop& desktop, QWidget* parent, const ISettingsStore& store)
{
    ShowMessageBox(desktop, parent, SettingsWriteFailureMessage(store.LastWriteFailure()));
}

QString SettingsFileSetAsideMessage(const QString& file, const QString& keptAs)
{
    return QStringLiteral(
               "設定ﾌｧｲﾙ %1 が壊れていたため、%2 として残し、設定を初期状態に戻しました。")
        .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(keptAs));
}

std::unique_ptr<CSettingsStore> MakeUserSettingsStore(IDesktop& desktop)
{
    auto store = std::make_unique<CSettingsStore>();
    store->SetDamagedFileHandler([&desktop, file = store->FileName()](const QString& keptAs) {
        ShowMessageBox(desktop, nullptr, SettingsFileSetAsideMessage(file, keptAs));
    });
    return store;
}
