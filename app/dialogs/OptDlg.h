#pragma once

#include "DataExchange.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class IDesktop;
class ISettingsStore;
class QCheckBox;
class QFileDialog;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct DialogTemplate;

// "設定": automatic saving of the sheet to the log file on or off, the log file's name, and the
// consumption-tax rate that the TAX key applies.
// The members are exchanged with the controls: when the dialog opens they fill the controls;
// OK copies the controls back, Cancel leaves the members as they were. Neither value is checked
// here: every name is stored so that it reads back as the same file. Laid out by Template().
class COptDlg : public QDialog, public CDataExchangeClient
{
    Q_OBJECT

public:
    static const DialogTemplate& Template();

    explicit COptDlg(IDesktop& desktop, QWidget* owner = nullptr);

    int m_bAutoSave = 0;  // non-zero: ticked
    QString m_strLogFile; // as typed; may be empty or relative
    // The default log path, which an empty stored name stands for (LogFileToStore).
    QString m_defaultLogFile;
    int m_taxPercent = 5; // percent, kMinTaxPercent to kMaxTaxPercent

    int exec() override;
    void accept() override;
    // Called by OK once the members hold the controls' values; false keeps the dialog open.
    void SetCommit(std::function<bool()> commit) { m_commit = std::move(commit); }

    QCheckBox* AutoSaveCheck() const { return m_autoSave; }
    QLineEdit* FileEdit() const { return m_file; }
    QPushButton* BrowseButton() const { return m_browse; }
    QSpinBox* TaxRateBox() const { return m_taxRate; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    // The browse button: keeps what is typed, lets the user choose a file and, when one is
    // chosen, puts its full path in the edit box.
    void OnBrowse();

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* m_autoSave;
    QLineEdit* m_file;
    QPushButton* m_browse;
    QSpinBox* m_taxRate;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    std::function<bool()> m_commit;
    IDesktop& m_desktop;
};

// Sets up the chooser of the log file: titled "計算結果保存ﾌｧｲﾙ名", the name "*.txt" to start
// with, the suffix "txt" added to a name typed without one, text files and then all files, and
// a file that does not exist yet may be chosen.
void ConfigureLogFileDialog(QFileDialog& dialog);

// The options command: fills the dialog from "System"/"Log" (default 1), "System"/"LogFile"
// (default: `defaultLogPath()`, called every time, as it creates the default log file when it
// is missing) and "View"/"TaxRate" (ReadTaxPercent), shows it over `owner` and, on OK, writes
// the three values as they stand, changed or not, in one write; when that fails the user is told
// why and the dialog stays open. Cancel writes nothing. True when the user confirmed and the values
// were written.
bool RunOptionsCommand(ISettingsStore& store, IDesktop& desktop,
                       const std::function<QString()>& defaultLogPath, QWidget* owner);
