#include "DocumentDialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>

namespace {

// The rows the dialog's list shows for `folder`, once it has read the folder.
QStringList ShownNames(QFileDialog& dialog, const QString& folder, int expected)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!model)
        return {};
    const QModelIndex parent = model->index(folder);
    QElapsedTimer timer;
    timer.start();
    while (model->rowCount(parent) < expected && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QStringList names;
    for (int row = 0; row < model->rowCount(parent); ++row)
        names << model->index(row, 0, parent).data().toString();
    names.sort();
    return names;
}

TEST(DocumentDialogs, OpenShowsEveryFileUnderTheOneFilter)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& name : {QStringLiteral("計算Log.txt"), QStringLiteral("no-dot")}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::unique_ptr<QFileDialog> dialog(CreateOpenDialog(nullptr));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("開く"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("すべてのﾌｧｲﾙ (*.*)")});
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    dialog->setDirectory(dir.path());
    dialog->show();
    EXPECT_EQ(ShownNames(*dialog, dir.path(), 2),
              (QStringList{QStringLiteral("no-dot"), QStringLiteral("計算Log.txt")}));
}

TEST(DocumentDialogs, SaveAsStartsFromTheNameAndAddsNoExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::unique_ptr<QFileDialog> dialog(
        CreateSaveAsDialog(nullptr, dir.filePath(QStringLiteral("計算Log.txt"))));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("すべてのﾌｧｲﾙ (*.*)")});
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
    EXPECT_EQ(dialog->directory().absolutePath(), dir.path());
    EXPECT_EQ(dialog->selectedFiles(), QStringList{dir.filePath(QStringLiteral("計算Log.txt"))});

    const std::unique_ptr<QFileDialog> untitled(
        CreateSaveAsDialog(nullptr, QStringLiteral("無題")));
    untitled->setDirectory(QDir::tempPath());
    untitled->show();
    QCoreApplication::processEvents();
    const auto* name = untitled->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("無題"));
}

} // namespace
