#include "VornyView.h"

#include "AnswerText.h"
#include "ButtonSetDlg.h"
#include "Calculator.h"
#include "CommandIds.h"
#include "Cp932QString.h"
#include "DialogUnits.h"
#include "DisplaySettings.h"
#include "CalcFunction.h"
#include "EnterCommand.h"
#include "FontResolver.h"
#include "FunctionHint.h"
#include "Keypad.h"
#include "LogPositioning.h"
#include "Desktop.h"
#include "ParamDlg.h"
#include "SelfTestMessage.h"
#include "SettingsWriteFailure.h"
#include "SheetEdit.h"
#include "TemplateText.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QFontDialog>
#include <QFontMetricsF>
#include <QPushButton>
#include <QTextBlock>

namespace {

bool IsTemplateKey(int id)
{
    return id >= ID_KEY_P1 && id <= ID_KEY_P5;
}

constexpr int kFormWidth = 372, kFormHeight = 190;

// The store keeps five values of a logical font; the rest take their defaults.
LogFont ToLogFont(const SheetFontSettings& stored)
{
    LogFont font;
    font.height = stored.size;
    font.weight = stored.weight;
    font.italic = stored.italic;
    font.underline = stored.underline;
    font.faceName = stored.faceName;
    return font;
}

SheetFontSettings ToStoredFont(const LogFont& font)
{
    return {font.faceName, font.height, font.weight, font.italic, font.underline};
}

} // namespace

CVornyView::CVornyView(ISettingsStore& store, IDesktop& desktop, QWidget* parent)
    : QWidget(parent), m_store(store), m_desktop(desktop), m_bComma(ReadCommaOption(store))
{
    const CDialogUnits units = UseDialogFont(*this);
    m_formSize = units.Size(kFormWidth, kFormHeight);
    setFixedSize(m_formSize);

    m_edit = new CSheetEdit(this);
    m_edit->setGeometry(units.Rect(5, 6, 225, 179));
    connect(m_edit, &CSheetEdit::EnterPressed, this, &CVornyView::OnEnter);

    m_enterButton = new QPushButton(QStringLiteral("Enter"), this);
    m_enterButton->setGeometry(units.Rect(313, 166, 54, 19));
    m_enterButton->setFocusPolicy(Qt::NoFocus); // after every command the focus is the sheet's
    // The form's default button, drawn with the default frame; the sheet itself takes Enter.
    m_enterButton->setDefault(true);
    connect(m_enterButton, &QPushButton::clicked, this, &CVornyView::OnEnter);
    connect(m_edit, &QPlainTextEdit::cursorPositionChanged, this, &CVornyView::OnCaretMoved);

    CreateKeypad(units);
    DescribeSheet();
}

CVornyView::~CVornyView()
{
    // The window is going away: only a choice that the store does not hold is worth a word.
    if (!WriteCommaOption(m_store, m_bComma) && ReadCommaOption(m_store) != m_bComma)
        ReportSettingsWriteFailure(m_desktop, nullptr, m_store);
}

void CVornyView::CreateKeypad(const CDialogUnits& units)
{
    const int taxPercent = ReadTaxPercent(m_store);
    for (const KeypadKey& key : KeypadKeys()) {
        auto* button = new QPushButton(QString::fromUtf8(key.caption), this);
        button->setGeometry(units.Rect(key.x, key.y, key.width, key.height));
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(QString::fromStdString(KeyTooltip(key, taxPercent)));
        // A template key is named by the caption it shows, which the user sets.
        button->setAccessibleName(IsTemplateKey(key.id)
                                      ? button->text()
                                      : QString::fromStdString(KeyAccessibleName(key, taxPercent)));
        button->setAccessibleDescription(button->toolTip());
        const int id = key.id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnKeypad(id); });
        m_keys[id] = button;
        if (!key.keys)
            continue;
        // The keys work from anywhere in the window, as the buttons take no focus.
        auto* shortcut = new QAction(button);
        shortcut->setShortcut(QKeySequence(QString::fromLatin1(key.keys)));
        shortcut->setShortcutContext(Qt::WindowShortcut);
        connect(shortcut, &QAction::triggered, this, [this, id] { OnKeypad(id); });
        addAction(shortcut);
    }
}

void CVornyView::DescribeSheet()
{
    m_edit->setAccessibleName(QStringLiteral("計算シート"));
    m_edit->setAccessibleDescription(
        QStringLiteral("式を入力して Enter を押すと、答えが次の行に書かれます"));
    m_enterButton->setAccessibleName(QStringLiteral("計算"));
    m_enterButton->setAccessibleDescription(
        QStringLiteral("カーソルのある行の式を計算し、答えを次の行に書きます (Enter)"));
    m_enterButton->setToolTip(m_enterButton->accessibleDescription());
}

void CVornyView::RefreshTaxKey()
{
    const int taxPercent = ReadTaxPercent(m_store);
    for (const KeypadKey& key : KeypadKeys()) {
        if (key.id != ID_KEY_TAX)
            continue;
        QPushButton* button = m_keys[key.id];
        button->setToolTip(QString::fromStdString(KeyTooltip(key, taxPercent)));
        button->setAccessibleName(QString::fromStdString(KeyAccessibleName(key, taxPercent)));
        button->setAccessibleDescription(button->toolTip());
    }
}

QString CVornyView::FunctionHint() const
{
    const ISheetControl::Selection selection = m_edit->GetSelection();
    if (selection.start != selection.end)
        return {};
    const std::size_t line = m_edit->CurrentLine();
    const int index =
        FunctionAtCaret(m_edit->GetLine(line), selection.end - m_edit->LineIndex(line));
    if (index < 0)
        return {};
    return QStringFromCp932(FunctionHintText(GetCalcFunctions().GetAt(index)));
}

void CVornyView::OnCaretMoved()
{
    QString hint = FunctionHint();
    if (hint == m_hint)
        return;
    m_hint = std::move(hint);
    emit FunctionHintChanged(m_hint);
}

bool CVornyView::CaretLineHasFormula() const
{
    return m_edit->LineLength(m_edit->LineIndex(m_edit->CurrentLine())) != 0;
}

void CVornyView::AnnounceAnswer()
{
    // The sheet is one block per line: the answer is the block above the caret's. Sent as text
    // inserted into the sheet, which the accessibility bridge passes on with the answer alone.
    const std::size_t line = m_edit->CurrentLine();
    if (line == 0)
        return;
    const QTextBlock answer = m_edit->document()->findBlockByNumber(static_cast<int>(line - 1));
    if (!answer.isValid())
        return;
    QAccessibleTextInsertEvent event(m_edit, answer.position(), answer.text());
    QAccessible::updateAccessibility(&event);
}

QPushButton* CVornyView::KeyButton(int id) const
{
    const auto found = m_keys.find(id);
    return found == m_keys.end() ? nullptr : found->second;
}

bool CVornyView::OnCommand(int id)
{
    if (id >= ID_KEY_0 && id <= ID_KEY_LAST) {
        OnKeypad(id);
        return true;
    }
    switch (id) {
    case ID_ENTER: OnEnter(); break;
    case ID_EDIT_UNDO: m_edit->Undo(); break;
    case ID_EDIT_CUT: m_edit->Cut(); break;
    case ID_EDIT_COPY: m_edit->Copy(); break;
    case ID_EDIT_PASTE: m_edit->Paste(); break;
    case ID_VIEW_COMMA: OnViewComma(); break;
    case ID_VIEW_FONT: OnViewFont(); break;
    case ID_TEST: OnTest(); break;
    case ID_INITIALIZE: OnInitialize(); break;
    case ID_PBUTTON_SETTINGS: OnButtonSettings(); break;
    case ID_EDIT_COPY_ANSWER: OnCopyAnswer(); break;
    default: return false;
    }
    m_edit->Focus(); // after every command the user goes on typing in the sheet
    return true;
}

void CVornyView::SetDocument(ISheetDocument* document)
{
    m_document = document;
    if (document)
        m_edit->SetChangeHandler([document] { document->SetModifiedFlag(true); });
    else
        m_edit->SetChangeHandler({});
}

void CVornyView::OnInitialUpdate()
{
    RefreshTemplateCaptions();
    ApplyFont();
    emit FitFrameToForm();
    ApplyTabStops(); // the control imposes no text limit of its own

    m_edit->SetRedraw(false);
    QMetaObject::invokeMethod(
        this, [this] { OnCommand(ID_INITIALIZE); }, Qt::QueuedConnection);
}

void CVornyView::OnInitialize()
{
    if (m_document && m_document->IsLogDocument())
        PositionLogCaret(*m_edit);
    m_edit->SetRedraw(true);
}

void CVornyView::OnEnter()
{
    const bool evaluates = CaretLineHasFormula();
    if (RunEnterCommand(*m_edit, m_bComma, m_dLastAnswer) == CALC_OK)
        KeepAnswerForm();
    if (evaluates)
        AnnounceAnswer();
    if (m_document)
        m_document->KeepRecoveryCopy();
}

void CVornyView::OnKeypad(int id)
{
    const int taxPercent = id == ID_KEY_TAX ? ReadTaxPercent(m_store) : kDefaultTaxPercent;
    const KeypadFollowUp followUp =
        RunKeypadCommand(id, *m_edit, m_bComma, m_dLastAnswer, m_dMemory, taxPercent);
    if (followUp.answerCode == CALC_OK)
        KeepAnswerForm();
    if (id == ID_KEY_TAX)
        AnnounceAnswer();
    if (id == ID_KEY_MS || id == ID_KEY_MC || id == ID_KEY_MPLUS || id == ID_KEY_MMINUS)
        emit MemoryChanged(m_dMemory);
    if (followUp.templateNumber != 0) {
        InsertTemplate(followUp.templateNumber);
        m_edit->Focus();
    }
    if (m_document)
        m_document->KeepRecoveryCopy();
}

void CVornyView::KeepAnswerForm()
{
    m_answered = true;
    m_lastAnswerComma = m_bComma;
}

void CVornyView::OnCopyAnswer()
{
    if (!m_answered) {
        emit StatusNote(QStringLiteral("コピーする答えはまだありません"));
        return;
    }
    // The text as the sheet shows it, in the form it was written in, as plain text.
    std::string text;
    AppendAnswerText(text, CALC_OK, m_dLastAnswer, m_lastAnswerComma);
    const QString answer = QStringFromCp932(text);
    QGuiApplication::clipboard()->setText(answer);
    emit StatusNote(QStringLiteral("答え %1 をコピーしました").arg(answer));
}

void CVornyView::OnViewComma()
{
    m_bComma = !m_bComma; // answers already in the sheet keep their form
    // Written at once as well, so that a failure shows while the user can still act on it.
    if (!WriteCommaOption(m_store, m_bComma))
        ReportSettingsWriteFailure(m_desktop, window(), m_store);
}

void CVornyView::ApplyFont()
{
    m_fontSettings = ReadSheetFont(m_store);
    m_font = FontFromLogFont(ToLogFont(m_fontSettings));
    m_edit->setFont(m_font);
}

void CVornyView::ApplyTabStops()
{
    m_nTabNo = ReadTabWidth(m_store);
    // Tab stops every m_nTabNo average character widths of the sheet's font.
    m_edit->setTabStopDistance(QFontMetricsF(m_edit->font()).averageCharWidth() * m_nTabNo);
}

void CVornyView::OnViewFont()
{
    QFont shownFont = m_font;
    SheetFontSettings shownSettings = m_fontSettings;
    for (;;) {
        QFontDialog dialog(WithNearestStyleName(shownFont), this);
        const QFont offered = dialog.currentFont();
        if (dialog.exec() != QDialog::Accepted)
            break;
        // OK on the font as it was offered keeps it, and its stored values, whole: the dialog
        // shows sizes in points, faces that are installed and weights their family has a face for,
        // so its answer for the same font may differ from what the store holds.
        const bool unchanged = dialog.selectedFont() == offered;
        QFont chosen = unchanged ? shownFont : dialog.selectedFont();
        SheetFontSettings settings =
            unchanged ? shownSettings : ToStoredFont(LogFontFromFont(chosen));
        // A weight or slant that the family has no face for shows as its nearest face; as long as
        // that face is chosen, the stored weight and slant stay (the sheet draws them synthesised).
        if (!unchanged && IsNearestFace(chosen, shownSettings.weight, shownSettings.italic)) {
            chosen.setStyleName({});
            chosen.setWeight(shownFont.weight());
            chosen.setItalic(shownFont.italic());
            settings.weight = shownSettings.weight;
            settings.italic = shownSettings.italic;
        }
        if (!WriteSheetFont(m_store, settings)) {
            // The dialog comes back with the choice, to try again or to cancel.
            ReportSettingsWriteFailure(m_desktop, window(), m_store);
            shownFont = chosen;
            shownSettings = settings;
            continue;
        }
        m_font = chosen;
        m_fontSettings = settings;
        m_edit->setFont(m_font);
        ApplyTabStops(); // the document has this one view, which now shows the font
        break;
    }
    m_edit->Focus();
}

void CVornyView::RefreshTemplateCaptions()
{
    for (int n = 1; n <= 5; ++n) {
        const std::string key = std::to_string(n);
        std::string caption = m_store.GetString("PButtonTitle", key, "");
        if (caption.empty())
            caption = m_store.GetString("PButton", key, "");
        // Both empty: the button keeps the caption it has.
        if (caption.empty())
            continue;
        QPushButton* button = m_keys[ID_KEY_P1 + n - 1];
        button->setText(QStringFromCp932(caption));
        button->setAccessibleName(button->text()); // read out as it is shown
    }
}

void CVornyView::OnButtonSettings()
{
    CButtonSetDlg dialog(m_store, m_desktop, window());
    if (dialog.exec() == QDialog::Accepted)
        RefreshTemplateCaptions();
    m_edit->Focus();
}

void CVornyView::InsertTemplate(int number)
{
    std::string content = m_store.GetString("PButton", std::to_string(number), "");
    if (!HasPlaceholderStart(content)) {
        m_edit->ReplaceSelection(content);
        return;
    }
    CParamDlg dialog(window());
    dialog.m_names = CollectTemplateNames(content);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_edit->ReplaceSelection(FillTemplate(std::move(content), dialog.m_names, dialog.m_values));
}

void CVornyView::OnTest()
{
    const SelfTestResult result = RunSelfTest();
    ShowMessageBox(m_desktop, window(), SelfTestMessage(result));
    m_edit->Focus();
}
