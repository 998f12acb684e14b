#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
struct DialogTemplate;

// "パラメータ": asks for the values of a template's parameters, one row per name, five rows at
// most. The caller fills m_names before exec(); on OK m_values holds the text of each shown row,
// in the order of m_names. Texts are code page 932. Laid out by Template().
class CParamDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kRows = 5;
    static const DialogTemplate& Template();

    explicit CParamDlg(QWidget* parent = nullptr);

    std::vector<std::string> m_names;
    std::vector<std::string> m_values;

    int exec() override;
    void accept() override;

    QLineEdit* Field(int row) const { return m_fields[row]; }
    QLabel* Label(int row) const { return m_labels[row]; }

private:
    QLabel* m_labels[kRows];
    QLineEdit* m_fields[kRows];
};
