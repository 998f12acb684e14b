#include "ButtonSetDlg.h"

#include "Cp932QString.h"
#include "DataExchange.h"
#include "DialogUnits.h"
#include "SettingsWriteFailure.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kRowY[CButtonSetDlg::kButtons] = {58, 74, 91, 107, 124};

} // namespace

CButtonSetDlg::CButtonSetDlg(ISettingsStore& store, IDesktop& desktop, QWidget* parent)
    : QDialog(parent), m_store(store), m_desktop(desktop)
{
    setWindowTitle(QStringLiteral("Pボタン設定"));
    const CDialogUnits units = UseDialogFont(*this);
    setFixedSize(units.Size(275, 141));

    auto* intro =
        new QLabel(QStringLiteral("下に設定したものをボタンを押すことで挿入できます。"), this);
    intro->setGeometry(units.Rect(5, 6, 200, 10));
    auto* note = new QLabel(QStringLiteral("また[項目名]でパラメータを式中に設定できます。"
                                           "設定されたパラメータは挿入時に入力できます。"),
                            this);
    note->setGeometry(units.Rect(8, 18, 197, 24));
    note->setWordWrap(true);
    (new QLabel(QStringLiteral("ボタン表示"), this))->setGeometry(units.Rect(26, 44, 44, 8));
    (new QLabel(QStringLiteral("内容"), this))->setGeometry(units.Rect(73, 44, 40, 8));

    for (int n = 0; n < kButtons; ++n) {
        auto* label = new QLabel(QStringLiteral("P&%1:").arg(n + 1), this);
        label->setGeometry(units.Rect(7, kRowY[n] + 2, 18, 8));
        m_titleFields[n] = new QLineEdit(this);
        m_titleFields[n]->setGeometry(units.Rect(27, kRowY[n], 40, 12));
        m_contentFields[n] = new QLineEdit(this);
        m_contentFields[n]->setGeometry(units.Rect(71, kRowY[n], 125, 12));
        label->setBuddy(m_titleFields[n]);
        // The row's label and its column heading, as a screen reader cannot see the grid.
        m_titleFields[n]->setAccessibleName(QStringLiteral("P%1 ボタン表示").arg(n + 1));
        m_contentFields[n]->setAccessibleName(QStringLiteral("P%1 内容").arg(n + 1));
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(units.Rect(211, 9, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setGeometry(units.Rect(211, 26, 50, 14));
    connect(ok, &QPushButton::clicked, this, &CButtonSetDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CButtonSetDlg::reject);

    for (int n = 0; n < kButtons; ++n) {
        const std::string key = std::to_string(n + 1);
        m_strContent[n] = QStringFromCp932(m_store.GetString("PButton", key, ""));
        m_strTitle[n] = QStringFromCp932(m_store.GetString("PButtonTitle", key, ""));
    }
    CDataExchange toControls(false);
    DoDataExchange(toControls);
}

void CButtonSetDlg::DoDataExchange(CDataExchange& dx)
{
    for (int n = 0; n < kButtons; ++n) {
        dx.Text(m_contentFields[n], m_strContent[n]);
        dx.Text(m_titleFields[n], m_strTitle[n]);
    }
}

void CButtonSetDlg::accept()
{
    CDataExchange fromControls(true);
    DoDataExchange(fromControls);
    static constexpr std::string_view kNames[kButtons] = {"1", "2", "3", "4", "5"};
    std::string contents[kButtons], titles[kButtons];
    std::vector<SettingsValue> values;
    for (int n = 0; n < kButtons; ++n) {
        contents[n] = QStringToCp932(m_strContent[n]);
        values.push_back({"PButton", kNames[n], std::string_view(contents[n])});
    }
    for (int n = 0; n < kButtons; ++n) {
        titles[n] = QStringToCp932(m_strTitle[n]);
        values.push_back({"PButtonTitle", kNames[n], std::string_view(titles[n])});
    }
    if (!m_store.WriteValues(values)) {
        ReportSettingsWriteFailure(m_desktop, this, m_store); // the user may try again or cancel
        return;
    }
    QDialog::accept();
}
