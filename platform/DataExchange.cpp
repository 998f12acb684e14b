#include "DataExchange.h"

#include "Cp932QString.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <cstddef>

void CDataExchange::Text(QLineEdit* control, QString& member)
{
    if (!control)
        return;
    if (m_saving)
        member = control->text();
    else
        control->setText(member);
}

void CDataExchange::Text(QLineEdit* control, std::string& cp932Member)
{
    if (!control)
        return;
    if (m_saving)
        cp932Member = QStringToCp932(control->text());
    else
        control->setText(QStringFromCp932(cp932Member));
}

void CDataExchange::Text(QLabel* control, const QString& member)
{
    if (control && !m_saving)
        control->setText(member);
}

void CDataExchange::Text(QLabel* control, std::string_view cp932Member)
{
    if (control && !m_saving)
        control->setText(QStringFromCp932(cp932Member));
}

void CDataExchange::Check(QAbstractButton* control, bool& member)
{
    if (!control)
        return;
    if (m_saving)
        member = control->isChecked();
    else
        control->setChecked(member);
}

void CDataExchange::Value(QSpinBox* control, int& member)
{
    if (!control)
        return;
    if (m_saving)
        member = control->value();
    else
        control->setValue(member); // the spin box clamps to its range
}

void CDataExchange::Index(QComboBox* control, int& member)
{
    if (!control)
        return;
    if (m_saving)
        member = control->currentIndex();
    else
        control->setCurrentIndex(member >= 0 && member < control->count() ? member : -1);
}

void CDataExchange::Radio(QButtonGroup* group, int& member)
{
    if (!group)
        return;
    if (m_saving) {
        member = group->checkedId();
        return;
    }
    if (QAbstractButton* button = group->button(member)) {
        button->setChecked(true);
        return;
    }
    // No button has that id: clear the group, which an exclusive group allows only when told.
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(exclusive);
}

bool CDataExchangeClient::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}
