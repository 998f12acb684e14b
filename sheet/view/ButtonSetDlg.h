#pragma once

#include "ISettingsStore.h"

#include <QDialog>
#include <QString>

class CDataExchange;
class IDesktop;
class QLineEdit;
struct DialogTemplate;

// "Pボタン設定": the contents and captions of the template buttons P1 to P5. Reads the store when
// it opens; OK writes all ten values, empty ones included, in one write. When that fails the
// user is told why and the dialog stays open. Laid out by Template().
class CButtonSetDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kButtons = 5;
    static const DialogTemplate& Template();

    CButtonSetDlg(ISettingsStore& store, IDesktop& desktop, QWidget* parent = nullptr);

    QString m_strContent[kButtons]; // controls 1008..1012, "PButton" "1".."5"
    QString m_strTitle[kButtons];   // controls 1013..1017, "PButtonTitle" "1".."5"

    void accept() override;

    QLineEdit* ContentField(int n) const { return m_contentFields[n]; }
    QLineEdit* TitleField(int n) const { return m_titleFields[n]; }

private:
    void DoDataExchange(CDataExchange& dx);

    ISettingsStore& m_store;
    IDesktop& m_desktop;
    QLineEdit* m_contentFields[kButtons];
    QLineEdit* m_titleFields[kButtons];
};
