#include "ParamDlg.h"

#include "Cp932QString.h"
#include "DialogTemplate.h"

#include <QLabel>
#include <QLineEdit>

namespace {

enum : int { kName, kValue };

constexpr int kRowTops[CParamDlg::kRows] = {13, 31, 49, 67, 85};

// One row per parameter: its name and the field for its value.
constexpr DialogControl kRow[] = {
    {EControl::Label, kName, "名前", 7, 2, 40, 8},
    {EControl::Edit, kValue, nullptr, 49, 0, 88, 12},
};
constexpr DialogControl kButtons[] = {
    {EControl::Ok, kNoRole, "OK", 144, 5, 50, 14},
    {EControl::Cancel, kNoRole, "ｷｬﾝｾﾙ", 144, 22, 50, 14},
};
constexpr DialogPart kParts[] = {{kRow, kRowTops}, {kButtons}};
constexpr DialogTemplate kTemplate = {"パラメータ", 204, 109, kParts};

} // namespace

const DialogTemplate& CParamDlg::Template()
{
    return kTemplate;
}

CParamDlg::CParamDlg(QWidget* parent) : QDialog(parent)
{
    const CDialogForm form(*this, kTemplate);
    for (int row = 0; row < kRows; ++row) {
        m_labels[row] = form.Control<QLabel>(kName, row);
        m_fields[row] = form.Control<QLineEdit>(kValue, row);
    }
}

int CParamDlg::exec()
{
    // One row per name; rows past the names are hidden, so with no names only the buttons show.
    const std::size_t shown = std::min<std::size_t>(m_names.size(), kRows);
    for (std::size_t row = 0; row < kRows; ++row) {
        const bool visible = row < shown;
        if (visible) {
            // The field is named for a screen reader by its parameter, as the label shows it.
            m_labels[row]->setText(QStringFromCp932(m_names[row]));
            m_fields[row]->setAccessibleName(m_labels[row]->text());
        }
        m_labels[row]->setVisible(visible);
        m_fields[row]->setVisible(visible);
    }
    if (shown > 0)
        m_fields[0]->setFocus();
    return QDialog::exec();
}

void CParamDlg::accept()
{
    m_values.clear();
    const std::size_t shown = std::min<std::size_t>(m_names.size(), kRows);
    for (std::size_t row = 0; row < shown; ++row)
        m_values.push_back(QStringToCp932(m_fields[row]->text()));
    QDialog::accept();
}
