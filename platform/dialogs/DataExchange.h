#pragma once

#include <QString>

#include <string>
#include <string_view>

class QAbstractButton;
class QLineEdit;
class QSpinBox;

// One pass of moving values between a dialog's controls and its members: with saveAndValidate
// from the controls into the members, otherwise from the members into the controls. A null
// control is skipped, so a dialog may bind controls it builds only sometimes.
class CDataExchange
{
public:
    explicit CDataExchange(bool saveAndValidate) : m_saving(saveAndValidate) {}

    bool Saving() const { return m_saving; }
    // A dialog's own check found a value it cannot accept; UpdateData then returns false.
    void Fail() { m_failed = true; }
    bool Failed() const { return m_failed; }

    void Text(QLineEdit* control, QString& member);
    void Check(QAbstractButton* control, bool& member);
    void Value(QSpinBox* control, int& member);

private:
    bool m_saving;
    bool m_failed = false;
};

// A dialog that binds its controls to members: it lists the bindings in DoDataExchange, and
// UpdateData(false) fills the controls, UpdateData(true) reads them back.
class CDataExchangeClient
{
public:
    virtual ~CDataExchangeClient() = default;

    // False when DoDataExchange failed a value (the members may then be partly updated).
    bool UpdateData(bool saveAndValidate = true);

protected:
    virtual void DoDataExchange(CDataExchange& dx) = 0;
};
