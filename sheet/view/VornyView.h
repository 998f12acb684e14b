#pragma once

#include "DisplaySettings.h"
#include "ISettingsStore.h"

#include <QFont>
#include <QWidget>

#include <map>

class CDialogUnits;
class CSheetEdit;
class IDesktop;
class QPushButton;

// What the view needs of its document.
class ISheetDocument
{
public:
    virtual ~ISheetDocument() = default;
    virtual bool IsLogDocument() const = 0;
    virtual void SetModifiedFlag(bool modified) = 0;
    // A command changed the sheet (an answer, a key, a template): its recovery copy is written
    // now rather than after a pause in the typing.
    virtual void KeepRecoveryCopy() = 0;
};

// The calculation sheet's form: the sheet, the "Enter" button and the keypad, at the places the
// form gives them in dialog units. It owns the last answer, the memory register and the display
// options. The form is not laid out again on resize: its window is fitted to it.
class CVornyView : public QWidget
{
    Q_OBJECT

public:
    CVornyView(ISettingsStore& store, IDesktop& desktop, QWidget* parent = nullptr);
    ~CVornyView() override; // writes the comma option back; a failure that loses it is shown

    CSheetEdit& Sheet() { return *m_edit; }
    // The form's size in pixels (372 x 190 dialog units).
    QSize FormSize() const { return m_formSize; }

    // Carries out a command of the view; false for an id it does not handle.
    bool OnCommand(int id);

    void OnEnter();
    void OnKeypad(int id);
    void OnViewComma(); // also writes the option, so that a failed write shows at once
    bool IsCommaOn() const { return m_bComma; }
    void OnViewFont();
    void OnButtonSettings();
    void OnTest();
    // Ctrl+Shift+C: the last answer to the clipboard as the sheet shows it, with a note.
    void OnCopyAnswer();

    // Every change of the sheet marks `document` modified; nullptr for none.
    void SetDocument(ISheetDocument* document);

    // Prepares the sheet for the document whose text it has just been given: captions, font,
    // the frame fitted to the form, tab stops. Painting stays off until the initialisation step,
    // which is posted to run once the window is shown.
    void OnInitialUpdate();
    // The posted step: the log's caret goes to its end; painting on, focus to the sheet.
    void OnInitialize();

    // The steps of the initial update that other commands repeat.
    void ApplyFont();
    void RefreshTemplateCaptions();
    void ApplyTabStops();

    void InsertTemplate(int number);

    // The keypad button of command `id`; nullptr for an id without a button.
    QPushButton* KeyButton(int id) const;
    QPushButton* EnterButton() const { return m_enterButton; }
    int TabWidth() const { return m_nTabNo; }

    double LastAnswer() const { return m_dLastAnswer; }
    double Memory() const { return m_dMemory; }

    // Reads the tax rate again and puts it in the TAX key's tooltip and accessible name.
    void RefreshTaxKey();
    // The catalogue's hint for the function the caret is in (UTF-16), empty for none.
    QString FunctionHint() const;

signals:
    // The initial update asks the frame to fit its client area to FormSize().
    void FitFrameToForm();
    // A memory key changed the memory register.
    void MemoryChanged(double memory);
    // The caret entered, left or moved between functions: FunctionHint() is the new hint.
    void FunctionHintChanged(const QString& hint);
    // A short note for the status bar (what a command did).
    void StatusNote(const QString& note);

private:
    void CreateKeypad(const CDialogUnits& units);
    void DescribeSheet();
    // True when Enter on the caret's line will evaluate it (the line is not empty).
    bool CaretLineHasFormula() const;
    // Tells screen readers of the answer line just written above the caret.
    void AnnounceAnswer();
    void OnCaretMoved();
    // An answer was written: the copy command gives it in the form it was written in.
    void KeepAnswerForm();

    ISettingsStore& m_store;
    IDesktop& m_desktop;
    ISheetDocument* m_document = nullptr;
    CSheetEdit* m_edit;
    QPushButton* m_enterButton;
    std::map<int, QPushButton*> m_keys;
    QSize m_formSize;

    double m_dLastAnswer = 0;
    double m_dMemory = 0;
    bool m_answered = false;        // m_dLastAnswer came from an answer, not the start's 0
    bool m_lastAnswerComma = false; // the form it was written in
    bool m_bComma;
    QFont m_font;
    SheetFontSettings m_fontSettings; // the stored values m_font stands for
    int m_nTabNo = 8;
    QString m_hint; // the function hint last reported
};
