#pragma once

#include <QString>

#include <optional>

class IDesktop;
class QFileDialog;
class QWidget;

// The sheet's file dialogs: Open titled "開く", Save As titled "名前を付けて保存", both with the
// single filter "すべてのﾌｧｲﾙ (*.*)", which shows every file (with or without a dot in its name),
// and no extension added to a typed name. Save As asks before it replaces an existing file.

// The filter's text.
QString AllFilesFilter();

// The dialogs, set up but not shown (for the functions below, and for tests to look at).
// `suggested` is a path, or a bare name in the current folder.
QFileDialog* CreateOpenDialog(QWidget* parent);
QFileDialog* CreateSaveAsDialog(QWidget* parent, const QString& suggested);

// Runs the dialog on `desktop`; the chosen file's path, or none when cancelled.
std::optional<QString> AskOpenFilePath(IDesktop& desktop, QWidget* parent);
std::optional<QString> AskSaveAsFilePath(IDesktop& desktop, QWidget* parent,
                                         const QString& suggested);
