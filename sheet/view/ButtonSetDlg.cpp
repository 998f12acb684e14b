#include "ButtonSetDlg.h"

#include "Cp932QString.h"
#include "DataExchange.h"
#include "DialogTemplate.h"
#include "SettingsWriteFailure.h"

#include <QLineEdit>

#include <string>
#include <string_view>
#include <vector>

namespace {

enum : int { kTitle, kContent };

constexpr DialogControl kHeader[] = {
    {EControl::Label, kNoRole, "下に設定したものをボタンを押すことで挿入できます。", 5, 6, 200, 10},
    {EControl::Paragraph, kNoRole,
     "また[項目名]でパラメータを式中に設定できます。設定されたパラメータは挿入時に入力できます。",
     8, 18, 197, 24},
    {EControl::Label, kNoRole, "ボタン表示", 26, 44, 44, 8},
    {EControl::Label, kNoRole, "内容", 73, 44, 40, 8},
};
constexpr int kRowTops[CButtonSetDlg::kButtons] = {58, 74, 91, 107, 124};
// One row per button. The fields are named by the row's label and their column's heading, as a
// screen reader cannot see the grid.
constexpr DialogControl kRow[] = {
    {EControl::Label, kNoRole, "P&%1:", 7, 2, 18, 8},
    {EControl::Edit, kTitle, nullptr, 27, 0, 40, 12, "P%1 ボタン表示"},
    {EControl::Edit, kContent, nullptr, 71, 0, 125, 12, "P%1 内容"},
};
constexpr DialogControl kButtonsPart[] = {
    {EControl::Ok, kNoRole, "OK", 211, 9, 50, 14},
    {EControl::Cancel, kNoRole, "ｷｬﾝｾﾙ", 211, 26, 50, 14},
};
constexpr DialogPart kParts[] = {{kHeader}, {kRow, kRowTops}, {kButtonsPart}};
constexpr DialogTemplate kTemplate = {"Pボタン設定", 275, 141, kParts};

} // namespace

const DialogTemplate& CButtonSetDlg::Template()
{
    return kTemplate;
}

CButtonSetDlg::CButtonSetDlg(ISettingsStore& store, IDesktop& desktop, QWidget* parent)
    : QDialog(parent), m_store(store), m_desktop(desktop)
{
    const CDialogForm form(*this, kTemplate);
    for (int n = 0; n < kButtons; ++n) {
        m_titleFields[n] = form.Control<QLineEdit>(kTitle, n);
        m_contentFields[n] = form.Control<QLineEdit>(kContent, n);
    }

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
