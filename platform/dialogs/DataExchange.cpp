#include "DataExchange.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSpinBox>

void CDataExchange::Text(QLineEdit* control, QString& member)
{
    if (!control)
        return;
    if (m_saving)
        member = control->text();
    else
        control->setText(member);
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

bool CDataExchangeClient::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}
