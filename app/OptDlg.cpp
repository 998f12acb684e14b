#include "OptDlg.h"

#include "Cp932QString.h"
#include "DialogUnits.h"
#include "ISettingsStore.h"
#include "LogPath.h"
#include "Desktop.h"
#include "SettingsWriteFailure.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>
#include <string_view>
#include <utility>

namespace {

const QString kAllFilesFilter = QStringLiteral("全てのﾌｧｲﾙ(*.*)");

// Qt's own chooser, which the options use rather than the desktop's: it is the one whose
// filters and name box behave as set up here. A name with a wildcard in it, such as the "*.txt"
// it starts with, is a pattern, not a file to choose: the dialog stays open.
class CLogFileDialog final : public QFileDialog
{
public:
    explicit CLogFileDialog(QWidget* owner) : QFileDialog(owner)
    {
        setOption(QFileDialog::DontUseNativeDialog);
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QString name = QFileInfo(files.first()).fileName();
            if (name.contains(u'*') || name.contains(u'?'))
                return;
        }
        QFileDialog::accept();
    }
};

} // namespace

COptDlg::COptDlg(IDesktop& desktop, QWidget* owner)
    : QDialog(owner),
      m_autoSave(new QCheckBox(QStringLiteral("計算画面をファイルに自動保存(&A)"), this)),
      m_fileLabel(new QLabel(QStringLiteral("ファイル名(&F):"), this)), m_file(new QLineEdit(this)),
      m_browse(new QPushButton(QStringLiteral("参照(&B)..."), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this)), m_desktop(desktop)
{
    setWindowTitle(QStringLiteral("設定"));
    const QFont dialogFont = DialogFont();
    setFont(dialogFont);
    const CDialogUnits units(dialogFont);
    setFixedSize(units.Size(kWidthDlu, kHeightDlu));

    m_autoSave->setGeometry(units.Rect(7, 10, 150, 10));
    m_fileLabel->setGeometry(units.Rect(7, 29, 100, 8));
    m_fileLabel->setBuddy(m_file);
    m_file->setGeometry(units.Rect(7, 40, 150, 12));
    m_browse->setGeometry(units.Rect(164, 39, 50, 14));
    m_ok->setGeometry(units.Rect(110, 73, 50, 14));
    m_ok->setDefault(true);
    m_cancel->setGeometry(units.Rect(164, 73, 50, 14));
    // Tab order follows the controls from top to bottom, as they are created.
    m_autoSave->setFocus();

    connect(m_browse, &QPushButton::clicked, this, &COptDlg::OnBrowse);
    connect(m_ok, &QPushButton::clicked, this, &COptDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &COptDlg::reject);
}

void COptDlg::DoDataExchange(CDataExchange& dx)
{
    bool ticked = m_bAutoSave != 0;
    dx.Check(m_autoSave, ticked);
    if (dx.Saving())
        m_bAutoSave = ticked ? 1 : 0;
    dx.Text(m_file, m_strLogFile);
}

int COptDlg::exec()
{
    UpdateData(false);
    return QDialog::exec();
}

void COptDlg::accept()
{
    // The name is kept in code page 932 like all the program's text; a character that code page
    // lacks would name another file, so such a name is not taken.
    const QString name = m_file->text();
    if (name != m_strDefaultLogFile && !SurvivesCp932(name)) {
        ShowMessageBox(m_desktop, this,
                       QStringLiteral("ファイル名に使えない文字が含まれています：%1").arg(name));
        m_file->setFocus();
        return;
    }
    UpdateData(true);
    if (m_commit && !m_commit())
        return;
    QDialog::accept();
}

void COptDlg::OnBrowse()
{
    UpdateData(true);
    CLogFileDialog dialog(this);
    ConfigureLogFileDialog(dialog);
    // Start in the folder of the file named now, when there is one.
    const QFileInfo current(m_strLogFile);
    if (current.isAbsolute() && current.dir().exists())
        dialog.setDirectory(current.dir());
    const std::optional<QString> chosen = m_desktop.RunFileDialog(dialog);
    if (!chosen)
        return;
    m_strLogFile = QDir::toNativeSeparators(QFileInfo(*chosen).absoluteFilePath());
    UpdateData(false);
}

void ConfigureLogFileDialog(QFileDialog& dialog)
{
    dialog.setWindowTitle(QStringLiteral("計算結果保存ﾌｧｲﾙ名"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // the file need not exist yet
    dialog.setNameFilters({QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"), kAllFilesFilter});
    dialog.selectNameFilter(QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(QStringLiteral("*.txt"));
    // The dialog has no read-only box to hide. "*.*" is meant as every file, but Qt's pattern
    // wants a dot in the name: with that entry chosen, the list shows every file.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                         if (filter != kAllFilesFilter)
                             return;
                         if (auto* model = dialog.findChild<QFileSystemModel*>())
                             model->setNameFilters({});
                     });
}

bool RunOptionsCommand(ISettingsStore& store, IDesktop& desktop,
                       const std::function<QString()>& defaultLogPath, QWidget* owner)
{
    COptDlg dialog(desktop, owner);
    dialog.m_bAutoSave = store.GetInt("System", "Log", 1);
    dialog.m_strDefaultLogFile = defaultLogPath();
    dialog.m_strLogFile = ReadLogFileSetting(store, dialog.m_strDefaultLogFile);
    dialog.SetCommit([&] {
        const std::string logFile = QStringToCp932(dialog.m_strLogFile);
        const SettingsValue values[] = {{"System", "Log", dialog.m_bAutoSave},
                                        {"System", "LogFile", std::string_view(logFile)}};
        if (store.WriteValues(values))
            return true;
        ReportSettingsWriteFailure(desktop, &dialog, store);
        return false;
    });
    return dialog.exec() == QDialog::Accepted;
}
