#include "ParamDlg.h"

#include "Cp932QString.h"
#include "DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kRowY[CParamDlg::kRows] = {13, 31, 49, 67, 85};

} // namespace

CParamDlg::CParamDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("パラメータ"));
    const CDialogUnits units = UseDialogFont(*this);
    setFixedSize(units.Size(204, 109));

    for (int row = 0; row < kRows; ++row) {
        m_labels[row] = new QLabel(QStringLiteral("名前"), this);
        m_labels[row]->setGeometry(units.Rect(7, kRowY[row] + 2, 40, 8));
        m_fields[row] = new QLineEdit(this);
        m_fields[row]->setGeometry(units.Rect(49, kRowY[row], 88, 12));
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(units.Rect(144, 5, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setGeometry(units.Rect(144, 22, 50, 14));
    connect(ok, &QPushButton::clicked, this, &CParamDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CParamDlg::reject);
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
