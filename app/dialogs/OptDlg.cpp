#include "OptDlg.h"

#include "DialogPlacement.h"
#include "DialogTemplate.h"
#include "ISettingsStore.h"
#include "Keypad.h"
#include "LogPath.h"
#include "Desktop.h"
#include "SettingsWriteFailure.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <string>
#include <string_view>
#include <utility>

namespace {

const QString kAllFilesFilter = QStringLiteral("全てのﾌｧｲﾙ(*.*)");

bool IsPattern(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.contains(u'*') || name.contains(u'?');
}

// The log file's chooser: the desktop's own where the platform offers one, Qt's otherwise. A
// name with a wildcard in it, such as the "*.txt" it starts with, is a pattern, not a file to
// choose: Qt's dialog stays open. The desktop's dialog has closed itself by the time it reports
// a choice, so there the caller checks the name and asks again.
class CLogFileDialog final : public QFileDialog
{
public:
    explicit CLogFileDialog(QWidget* owner) : QFileDialog(owner) {}

    void accept() override
    {
        // Only Qt's own dialog builds a file model.
        const bool ownDialog = findChild<QFileSystemModel*>() != nullptr;
        const QStringList files = selectedFiles();
        if (ownDialog && !files.isEmpty() && IsPattern(files.first()))
            return;
        QFileDialog::accept();
    }
};

enum : int { kAutoSave, kFile, kBrowse, kTaxRate, kOk, kCancel };

// Tab follows the controls from top to bottom.
constexpr DialogControl kControls[] = {
    {EControl::Check, kAutoSave, "計算画面をファイルに自動保存(&A)", 7, 10, 150, 10},
    {EControl::Label, kNoRole, "ファイル名(&F):", 7, 29, 100, 8},
    {EControl::Edit, kFile, nullptr, 7, 40, 150, 12},
    {EControl::Button, kBrowse, "参照(&B)...", 164, 39, 50, 14},
    // The rate TAX multiplies by: 5 % when the key was made, 10 % (8 % reduced) today.
    {EControl::Label, kNoRole, "消費税率(&T):", 7, 64, 56, 8},
    {EControl::Number, kTaxRate, nullptr, 64, 62, 40, 12},
    {EControl::Ok, kOk, "OK", 110, 90, 50, 14},
    {EControl::Cancel, kCancel, "ｷｬﾝｾﾙ", 164, 90, 50, 14},
};
constexpr DialogPart kParts[] = {{kControls}};
constexpr DialogTemplate kTemplate = {"設定", 221, 111, kParts};

} // namespace

const DialogTemplate& COptDlg::Template()
{
    return kTemplate;
}

COptDlg::COptDlg(IDesktop& desktop, QWidget* owner) : QDialog(owner), m_desktop(desktop)
{
    const CDialogForm form(*this, kTemplate);
    m_autoSave = form.Control<QCheckBox>(kAutoSave);
    m_file = form.Control<QLineEdit>(kFile);
    m_browse = form.Control<QPushButton>(kBrowse);
    m_taxRate = form.Control<QSpinBox>(kTaxRate);
    m_ok = form.Control<QPushButton>(kOk);
    m_cancel = form.Control<QPushButton>(kCancel);

    m_taxRate->setRange(kMinTaxPercent, kMaxTaxPercent);
    m_taxRate->setSuffix(QStringLiteral(" %"));
    m_taxRate->setToolTip(QStringLiteral("TAX ボタンが掛ける消費税率 (標準 10 %、軽減 8 %)"));
    m_autoSave->setFocus();
    connect(m_browse, &QPushButton::clicked, this, &COptDlg::OnBrowse);
}

void COptDlg::DoDataExchange(CDataExchange& dx)
{
    bool ticked = m_bAutoSave != 0;
    dx.Check(m_autoSave, ticked);
    if (dx.Saving())
        m_bAutoSave = ticked ? 1 : 0;
    dx.Text(m_file, m_strLogFile);
    dx.Value(m_taxRate, m_taxPercent);
}

int COptDlg::exec()
{
    UpdateData(false);
    return QDialog::exec();
}

void COptDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}

void COptDlg::accept()
{
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
    std::optional<QString> chosen = m_desktop.RunFileDialog(dialog);
    while (chosen && IsPattern(*chosen))
        chosen = m_desktop.RunFileDialog(dialog);
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
    // wants a dot in the name: with that entry chosen, the list of Qt's own dialog shows every
    // file (the desktop's dialog matches the pattern its own way).
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
    dialog.m_defaultLogFile = defaultLogPath();
    dialog.m_strLogFile = ReadLogFileSetting(store, dialog.m_defaultLogFile);
    dialog.m_taxPercent = ReadTaxPercent(store);
    dialog.SetCommit([&] {
        const std::string logFile = LogFileToStore(dialog.m_strLogFile, dialog.m_defaultLogFile);
        const SettingsValue values[] = {{"System", "Log", dialog.m_bAutoSave},
                                        {"System", "LogFile", std::string_view(logFile)},
                                        {"View", "TaxRate", dialog.m_taxPercent}};
        if (store.WriteValues(values))
            return true;
        ReportSettingsWriteFailure(desktop, &dialog, store);
        return false;
    });
    return dialog.exec() == QDialog::Accepted;
}
