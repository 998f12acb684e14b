#include "DocumentDialogs.h"

#include "Desktop.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStringList>

#include <memory>

namespace {

// "*.*" means every file on Windows, but only names with a dot in Qt's matching: the filter is
// shown as it reads, and the list of Qt's own dialog is made to take every name. The desktop's
// dialog, which has no such list, matches the pattern as the desktop does.
void MatchEveryName(QFileDialog& dialog)
{
    const auto apply = [&dialog] {
        if (auto* model = dialog.findChild<QFileSystemModel*>())
            model->setNameFilters({QStringLiteral("*")});
    };
    apply();
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
}

QFileDialog* CreateDialog(QWidget* parent, const QString& title)
{
    // The desktop's own dialog where the platform offers one (its file chooser or the portal),
    // Qt's otherwise.
    auto* dialog = new QFileDialog(parent, title);
    dialog->setNameFilter(AllFilesFilter());
    dialog->setDefaultSuffix({});
    MatchEveryName(*dialog);
    return dialog;
}

std::optional<QString> Run(IDesktop& desktop, QFileDialog* created)
{
    const std::unique_ptr<QFileDialog> dialog(created);
    return desktop.RunFileDialog(*dialog);
}

} // namespace

QString AllFilesFilter()
{
    return QStringLiteral("すべてのﾌｧｲﾙ (*.*)");
}

QFileDialog* CreateOpenDialog(QWidget* parent)
{
    QFileDialog* dialog = CreateDialog(parent, QStringLiteral("開く"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}

QFileDialog* CreateSaveAsDialog(QWidget* parent, const QString& suggested)
{
    QFileDialog* dialog = CreateDialog(parent, QStringLiteral("名前を付けて保存"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QFileInfo file(suggested);
    if (suggested.contains(u'/'))
        dialog->setDirectory(file.absolutePath());
    dialog->selectFile(file.fileName());
    return dialog;
}

std::optional<QString> AskOpenFilePath(IDesktop& desktop, QWidget* parent)
{
    return Run(desktop, CreateOpenDialog(parent));
}

std::optional<QString> AskSaveAsFilePath(IDesktop& desktop, QWidget* parent,
                                         const QString& suggested)
{
    return Run(desktop, CreateSaveAsDialog(parent, suggested));
}
