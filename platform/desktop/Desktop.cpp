#include "Desktop.h"

#include "Cp932QString.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

EMessageResult CDesktop::ShowMessage(const MessageBoxRequest& request)
{
    return RunMessageBox(request);
}

std::optional<QString> CDesktop::RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool CDesktop::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void CDesktop::Beep()
{
    QApplication::beep();
}

EMessageResult ShowMessageBox(IDesktop& desktop, QWidget* parent, const QString& text,
                              EMessageIcon icon, EMessageButtons buttons)
{
    return desktop.ShowMessage({parent, MessageBoxCaption(), text, icon, buttons});
}

EMessageResult ShowMessageBox(IDesktop& desktop, QWidget* parent, std::string_view cp932Text,
                              EMessageIcon icon, EMessageButtons buttons)
{
    return ShowMessageBox(desktop, parent, QStringFromCp932(cp932Text), icon, buttons);
}
