#include "ButtonSetDlg.h"
#include "CommandIds.h"
#include "DialogUnits.h"
#include "FileIo.h"
#include "GrabWhenAsked.h"
#include "FontResolver.h"
#include "Sjis.h"
#include "Keypad.h"
#include "MemorySettingsStore.h"
#include "TestDesktop.h"
#include "ParamDlg.h"
#include "SettingsStore.h"
#include "SheetEdit.h"
#include "SheetKeys.h"
#include "VornyView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The view in a shown window, over a store in memory.
class ViewTest : public testing::Test
{
protected:
    void SetUp() override { Make(); }

    void Make()
    {
        view.reset();
        view = std::make_unique<CVornyView>(store, desktop);
        view->show();
        view->RefreshTemplateCaptions();
        view->ApplyFont();
        view->ApplyTabStops();
        QApplication::processEvents();
    }

    CSheetEdit& Sheet() { return view->Sheet(); }

    void Load(std::string_view text)
    {
        Sheet().SetText(text);
        Sheet().SetSelection(text.size(), text.size());
    }

    // Keys as the user types them into the sheet.
    void Type(const QString& text) { TypeInto(Sheet(), text); }
    void PressEnter() { PressEnterIn(Sheet()); }
    void Click(int id)
    {
        QPushButton* button = view->KeyButton(id);
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }

    CMemorySettingsStore store;
    CTestDesktop desktop;
    std::unique_ptr<CVornyView> view;
};

// What a screen reader calls `object`.
QString NameOf(QObject* object)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// Runs `fill` on the next modal dialog as soon as it is shown.
void OnNextDialog(std::function<void(QDialog&)> fill)
{
    QTimer::singleShot(0, [fill = std::move(fill)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        fill(*dialog);
    });
}

TEST_F(ViewTest, TypedFormulaAndEnterWriteTheAnswerBelow)
{
    Load("");
    Type(QStringLiteral("3+5*2"));
    PressEnter();
    EXPECT_EQ(Sheet().GetText(), "3+5*2\r\n13\r\n");
    EXPECT_EQ(view->LastAnswer(), 13);

    // Full-width input typed through an input method counts as half-width.
    Type(QString::fromUtf8("１２×３＝"));
    view->EnterButton()->click();
    EXPECT_EQ(Sheet().GetText(), "3+5*2\r\n13\r\n" + Sjis("１２×３＝") + "\r\n36\r\n");
    EXPECT_TRUE(Sheet().hasFocus() || !QApplication::focusWidget());
}

TEST_F(ViewTest, ErrorsAreWrittenInTheSheetAndKeepTheLastAnswer)
{
    Load("2*4");
    PressEnter();
    Type(QStringLiteral("1/0"));
    PressEnter();
    EXPECT_EQ(Sheet().GetText(), "2*4\r\n8\r\n1/0\r\n" + Sjis("0で除算しました") + "\r\n");
    EXPECT_EQ(view->LastAnswer(), 8);
}

TEST_F(ViewTest, EnterInsideALineEvaluatesTheWholeLine)
{
    Load("3+5\r\n7");
    Sheet().SetSelection(1, 1);
    view->OnCommand(ID_ENTER);
    EXPECT_EQ(Sheet().GetText(), "3+5\r\n8\r\n\r\n7");
    EXPECT_EQ(Sheet().GetSelection().start, 8u);
}

TEST_F(ViewTest, KeypadBuildsAFormula)
{
    Load("");
    Click(ID_KEY_0 + 7);
    Click(ID_KEY_PLUS);
    Click(ID_KEY_0 + 5);
    Click(ID_KEY_SQR);
    Click(ID_KEY_0 + 9);
    EXPECT_EQ(Sheet().GetText(), "7+5sqr9");
    Load("");
    Click(ID_KEY_ROUND);
    Click(ID_KEY_PI);
    EXPECT_EQ(Sheet().GetText(), "round(PI");
}

TEST_F(ViewTest, KeypadReplacesTheSelection)
{
    Load("1+234");
    Sheet().SetSelection(2, 5);
    Click(ID_KEY_0 + 9);
    EXPECT_EQ(Sheet().GetText(), "1+9");
}

TEST_F(ViewTest, MemoryKeys)
{
    Load("7+5");
    PressEnter();
    Click(ID_KEY_MS);
    Click(ID_KEY_MPLUS);
    EXPECT_EQ(view->Memory(), 24);
    Click(ID_KEY_MR);
    EXPECT_EQ(Sheet().GetText(), "7+5\r\n12\r\n24");
    Click(ID_KEY_MC);
    Click(ID_KEY_MMINUS);
    EXPECT_EQ(view->Memory(), -12);
}

TEST_F(ViewTest, TaxInsertsTheFactorAndEvaluates)
{
    Load("100+5");
    Sheet().SetSelection(3, 3);
    Click(ID_KEY_TAX);
    EXPECT_EQ(Sheet().GetText(), "100*1.05+5\r\n110\r\n");
}

// TAX applies the rate of "View"/"TaxRate", read at the press; the record shows the factor.
TEST_F(ViewTest, TaxAppliesTheStoredRate)
{
    struct Row
    {
        const char* name;
        int stored; // -1: absent
        const char* sheet;
    };
    const Row rows[] = {
        {"absent", -1, "100*1.05\r\n105\r\n"},        {"standard", 10, "100*1.1\r\n110\r\n"},
        {"reduced", 8, "100*1.08\r\n108\r\n"},        {"none", 0, "100*1\r\n100\r\n"},
        {"out of range", 101, "100*1.05\r\n105\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.stored >= 0)
            store.WriteInt("View", "TaxRate", row.stored);
        Load("100");
        Click(ID_KEY_TAX);
        EXPECT_EQ(Sheet().GetText(), row.sheet);
    }
    store.WriteInt("View", "TaxRate", 10);
    view->RefreshTaxKey();
    EXPECT_TRUE(view->KeyButton(ID_KEY_TAX)->toolTip().contains(QStringLiteral("10%")));
    EXPECT_TRUE(view->KeyButton(ID_KEY_TAX)->toolTip().contains(QStringLiteral("*1.1 ")));
}

// Screen readers hear what a key does, not its caption; the tooltip says it too, with the
// key's shortcut.
TEST_F(ViewTest, KeysSheetAndEnterTellWhatTheyAre)
{
    struct Row
    {
        int id;
        const char* name;
        const char* tip;
    };
    const Row rows[] = {
        {ID_KEY_SQR, "平方根", "平方根：sqr を入力"},
        {ID_KEY_ROUNDUP, "切り上げ", "切り上げ：roundup( を入力"},
        {ID_KEY_ROUNDDOWN, "切り捨て", "切り捨て：rounddown( を入力"},
        {ID_KEY_ROUND, "四捨五入", "四捨五入：round( を入力"},
        {ID_KEY_0 + 7, "7", "7 を入力"},
        {ID_KEY_MS, "メモリーに保存", "メモリーに保存 (Ctrl+M)"},
        {ID_KEY_TAX, "消費税 5% を掛けて計算", "消費税 5% を掛けて計算：*1.05 を入力 (Ctrl+T)"},
        {ID_KEY_P1 + 2, "P3", "Pボタン3の式を入力 (Ctrl+3)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NameOf(view->KeyButton(row.id)), QString::fromUtf8(row.name));
        EXPECT_EQ(view->KeyButton(row.id)->toolTip(), QString::fromUtf8(row.tip));
    }
    for (const KeypadKey& key : KeypadKeys()) {
        EXPECT_FALSE(view->KeyButton(key.id)->toolTip().isEmpty()) << key.id;
        EXPECT_FALSE(NameOf(view->KeyButton(key.id)).isEmpty()) << key.id;
    }
    EXPECT_EQ(NameOf(&Sheet()), QStringLiteral("計算シート"));
    EXPECT_EQ(NameOf(view->EnterButton()), QStringLiteral("計算"));
}

// The shortcuts reach the keys from the sheet, as the user presses them.
TEST_F(ViewTest, ShortcutsWorkTheKeys)
{
    store.Put("PButton", "2", "*2");
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    Sheet().setFocus();
    Load("7+5");
    PressEnter();
    QTest::keyClick(&Sheet(), Qt::Key_M, Qt::ControlModifier); // MS
    QTest::keyClick(&Sheet(), Qt::Key_P, Qt::AltModifier);     // M+
    EXPECT_EQ(view->Memory(), 24);
    QTest::keyClick(&Sheet(), Qt::Key_R, Qt::ControlModifier); // MR
    QTest::keyClick(&Sheet(), Qt::Key_2, Qt::ControlModifier); // P2
    QTest::keyClick(&Sheet(), Qt::Key_T, Qt::ControlModifier); // TAX
    EXPECT_EQ(Sheet().GetText(), "7+5\r\n12\r\n24*2*1.05\r\n50.4\r\n");
    QTest::keyClick(&Sheet(), Qt::Key_M, Qt::AltModifier); // M-
    EXPECT_DOUBLE_EQ(view->Memory(), 24 - 50.4);
    QTest::keyClick(&Sheet(), Qt::Key_L, Qt::ControlModifier); // MC
    EXPECT_EQ(view->Memory(), 0);
}

// The catalogue's entry for the function the caret is in, reported as the caret comes and goes.
TEST_F(ViewTest, TheFunctionHintFollowsTheCaret)
{
    QStringList reported;
    QObject::connect(view.get(), &CVornyView::FunctionHintChanged, view.get(),
                     [&](const QString& hint) { reported << hint; });
    Type(QStringLiteral("1+ROUND(2.5"));
    ASSERT_EQ(reported.size(), 1); // once, at "ROUND", and not again inside its parentheses
    EXPECT_TRUE(reported[0].startsWith(QStringLiteral("ROUND(値,桁数) ")))
        << reported[0].toStdString();
    Type(QStringLiteral(",0)"));
    ASSERT_EQ(reported.size(), 2);
    EXPECT_TRUE(reported[1].isEmpty());
    Sheet().SetSelection(9, 9); // back inside
    EXPECT_EQ(view->FunctionHint(), reported[0]);
    Sheet().SetSelection(8, 10); // a selection shows none
    EXPECT_TRUE(view->FunctionHint().isEmpty());
}

// Each answer is sent to screen readers as text inserted in the sheet: the answer line alone.
// Qt passes such events on only while an accessibility bridge is active (a screen reader on the
// desktop's bus); the offscreen platform has none, so there the run checks the text alone.
std::vector<std::pair<QObject*, QString>> g_insertions;

void RecordInsertion(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TextInserted)
        g_insertions.emplace_back(event->object(),
                                  static_cast<QAccessibleTextInsertEvent*>(event)->textInserted());
}

TEST_F(ViewTest, AnswersAreAnnounced)
{
    g_insertions.clear();
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(RecordInsertion);
    Load("3+5*2");
    PressEnter();
    PressEnter(); // an empty line: nothing evaluated, nothing said
    Load("1/0");
    PressEnter();
    Load("100");
    Click(ID_KEY_TAX);
    QAccessible::installUpdateHandler(previous);

    // What a screen reader reads of the sheet holds the answer on its own line.
    QAccessibleInterface* sheet = QAccessible::queryAccessibleInterface(&Sheet());
    ASSERT_NE(sheet, nullptr);
    QAccessibleTextInterface* text = sheet->textInterface();
    ASSERT_NE(text, nullptr);
    const QString read = text->text(0, text->characterCount());
    EXPECT_TRUE(read.contains(QStringLiteral("105"))) << read.toStdString();
    if (!QAccessible::isActive())
        GTEST_SKIP() << "no accessibility bridge: the announcements are not passed on";
    // Qt's own notices of the edit come as well; the answers are among them, each alone.
    const auto said = [](const QString& answer) {
        return std::count_if(g_insertions.begin(), g_insertions.end(),
                             [&](const auto& insertion) { return insertion.second == answer; });
    };
    EXPECT_EQ(said(QStringLiteral("13")), 1);
    EXPECT_EQ(said(QStringLiteral("0で除算しました")), 1);
    EXPECT_EQ(said(QStringLiteral("105")), 1);
}

TEST_F(ViewTest, KeysWithoutAnActionChangeNothing)
{
    Load("1");
    for (const int id : {2033, 2034, 2044, 2100})
        EXPECT_TRUE(view->OnCommand(id));
    EXPECT_EQ(Sheet().GetText(), "1");
    EXPECT_FALSE(view->OnCommand(99));
}

TEST_F(ViewTest, EveryKeyOfTheTableHasItsButton)
{
    int keys = 0;
    for (const KeypadKey& key : KeypadKeys()) {
        QPushButton* button = view->KeyButton(key.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(key.caption)) << key.id;
        EXPECT_TRUE(view->rect().contains(button->geometry())) << key.id;
        ++keys;
    }
    EXPECT_EQ(keys, 42);
}

TEST_F(ViewTest, TemplateWithParametersAsksForTheirValues)
{
    store.Put("PButton", "1", "3*[a]+[b]*[a]");
    store.Put("PButtonTitle", "1", Sjis("税"));
    view->RefreshTemplateCaptions();
    EXPECT_EQ(view->KeyButton(ID_KEY_P1)->text(), QString::fromUtf8("税"));
    EXPECT_EQ(NameOf(view->KeyButton(ID_KEY_P1)), QString::fromUtf8("税"));
    EXPECT_EQ(NameOf(view->KeyButton(ID_KEY_P1 + 1)), QStringLiteral("P2"));

    Load("");
    OnNextDialog([](QDialog& dialog) {
        auto& params = dynamic_cast<CParamDlg&>(dialog);
        EXPECT_TRUE(params.Field(0)->isVisible());
        EXPECT_TRUE(params.Field(1)->isVisible());
        EXPECT_FALSE(params.Field(2)->isVisible());
        EXPECT_EQ(params.Label(1)->text(), QStringLiteral("b"));
        EXPECT_EQ(NameOf(params.Field(0)), QStringLiteral("a"));
        EXPECT_EQ(NameOf(params.Field(1)), QStringLiteral("b"));
        params.Field(0)->setText(QStringLiteral("2"));
        params.Field(1)->setText(QStringLiteral("5"));
        GrabWhenAsked(params, QStringLiteral("parameter-dialog.png"));
        params.accept();
    });
    Click(ID_KEY_P1);
    EXPECT_EQ(Sheet().GetText(), "3*2+5*2");
}

TEST_F(ViewTest, ParameterNamesAreShownAsTyped)
{
    store.Put("PButton", "1", "[<b>x</b>]");
    Load("");
    OnNextDialog([](QDialog& dialog) {
        const QLabel* label = dynamic_cast<CParamDlg&>(dialog).Label(0);
        // Read as markup, the label would be as wide as a bold "x".
        EXPECT_GE(label->sizeHint().width(),
                  label->fontMetrics().horizontalAdvance(QStringLiteral("<b>x</b>")));
        dialog.reject();
    });
    Click(ID_KEY_P1);
}

TEST_F(ViewTest, CancelledParametersInsertNothing)
{
    store.Put("PButton", "2", "[x]*2");
    Load("1");
    Sheet().SetSelection(0, 1);
    OnNextDialog([](QDialog& dialog) { dialog.reject(); });
    Click(ID_KEY_P1 + 1);
    EXPECT_EQ(Sheet().GetText(), "1");
}

TEST_F(ViewTest, ButtonSettingsDialogWritesAndRefreshesCaptions)
{
    OnNextDialog([](QDialog& dialog) {
        auto& settings = dynamic_cast<CButtonSetDlg&>(dialog);
        settings.ContentField(2)->setText(QString::fromUtf8("[金額]*1.1"));
        settings.TitleField(4)->setText(QString::fromUtf8("五"));
        settings.accept();
    });
    view->OnCommand(ID_PBUTTON_SETTINGS);
    EXPECT_EQ(store.Value("PButton", "3"), Sjis("[金額]*1.1"));
    EXPECT_EQ(store.Value("PButtonTitle", "5"), Sjis("五"));
    EXPECT_EQ(store.Value("PButton", "1"), "");
    EXPECT_EQ(view->KeyButton(ID_KEY_P1 + 2)->text(), QString::fromUtf8("[金額]*1.1"));
    EXPECT_EQ(view->KeyButton(ID_KEY_P5)->text(), QString::fromUtf8("五"));
    EXPECT_EQ(NameOf(view->KeyButton(ID_KEY_P5)), QString::fromUtf8("五"));
    EXPECT_EQ(view->KeyButton(ID_KEY_P1)->text(), QStringLiteral("P1"));

    const std::size_t writes = store.WriteCount();
    OnNextDialog([](QDialog& dialog) { dialog.reject(); });
    view->OnCommand(ID_PBUTTON_SETTINGS);
    EXPECT_EQ(store.WriteCount(), writes);
}

TEST_F(ViewTest, CommaOptionChangesOnlyLaterAnswersAndIsWrittenBack)
{
    view.reset(); // a view writes its option back when it goes
    store.Put("View", "Comma", "5");
    Make();
    EXPECT_TRUE(view->IsCommaOn());
    Load("1234567");
    PressEnter();
    view->OnCommand(ID_VIEW_COMMA);
    Type(QStringLiteral("1234567"));
    PressEnter();
    EXPECT_EQ(Sheet().GetText(), "1234567\r\n1,234,567\r\n1234567\r\n1234567\r\n");
    view->OnCommand(ID_VIEW_COMMA);
    view.reset();
    EXPECT_EQ(store.Value("View", "Comma"), "1");
}

// A settings write that fails is shown with its cause; the dialog whose OK caused it stays
// open for another try or a cancel, and nothing is half written.
TEST_F(ViewTest, FailedSettingsWritesAreShown)
{
    CTestDesktop& boxes = desktop;
    boxes.Clear();
    store.SetFailWrites(true);
    store.SetFailureCause(EFileError::AccessDenied);
    const QString message = QStringLiteral("memory へのｱｸｾｽは拒否されました。");

    bool stayedOpen = false;
    OnNextDialog([&](QDialog& dialog) {
        auto& settings = dynamic_cast<CButtonSetDlg&>(dialog);
        settings.ContentField(0)->setText(QStringLiteral("1+1"));
        settings.accept();
        stayedOpen = settings.isVisible() && settings.result() != QDialog::Accepted;
        settings.reject();
    });
    view->OnCommand(ID_PBUTTON_SETTINGS);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, message);
    EXPECT_TRUE(store.AllValues().empty());
    EXPECT_EQ(view->KeyButton(ID_KEY_P1)->text(), QStringLiteral("P1"));

    // The font dialog comes back on the choice; a cancel then keeps the font in use.
    const QFont before = Sheet().font();
    int fontDialogs = 0;
    OnNextDialog([&](QDialog& dialog) {
        ++fontDialogs;
        dynamic_cast<QFontDialog&>(dialog).setCurrentFont(QFont(QStringLiteral("IPAPGothic"), 30));
        dialog.accept();
        OnNextDialog([&](QDialog& again) {
            ++fontDialogs;
            EXPECT_EQ(dynamic_cast<QFontDialog&>(again).currentFont().pointSize(), 30);
            again.reject();
        });
    });
    view->OnCommand(ID_VIEW_FONT);
    EXPECT_EQ(fontDialogs, 2);
    EXPECT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(Sheet().font(), before);

    // The comma option is written when toggled, and again when the view goes, where only a
    // choice the store does not hold is worth a box.
    view->OnCommand(ID_VIEW_COMMA);
    EXPECT_EQ(boxes.Count(), 3u);
    view.reset();
    EXPECT_EQ(boxes.Count(), 4u);
    EXPECT_EQ(boxes.Last().text, message);
    Make();
    view.reset();
    EXPECT_EQ(boxes.Count(), 4u);
    store.SetFailWrites(false);
    Make();
}

TEST(ViewSettingsFile, CommaOptionPersistsInTheUsersStore)
{
    CSettingsStore store;
    CTestDesktop desktop;
    ASSERT_TRUE(store.FileName().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    {
        CVornyView view(store, desktop);
        EXPECT_FALSE(view.IsCommaOn());
        view.OnCommand(ID_VIEW_COMMA);
    }
    EXPECT_EQ(store.GetInt("View", "Comma", 0), 1);
    CVornyView again(store, desktop);
    EXPECT_TRUE(again.IsCommaOn());
}

TEST_F(ViewTest, FontAndTabsComeFromTheStore)
{
    store.Put("Font", "FaceName", Sjis("ＭＳ ゴシック"));
    store.Put("Font", "Size", "-20");
    store.Put("Font", "Weight", "700");
    store.Put("Font", "Italic", "256"); // only the low byte counts
    store.Put("Font", "Underline", "1");
    store.Put("View", "TabNo", "4");
    view->ApplyFont();
    view->ApplyTabStops();
    const QFont font = Sheet().font();
    EXPECT_EQ(font.pixelSize(), 20);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_EQ(view->TabWidth(), 4);
    EXPECT_DOUBLE_EQ(Sheet().tabStopDistance(), QFontMetricsF(font).averageCharWidth() * 4);
    // Reading the font writes nothing back.
    EXPECT_EQ(store.Value("Font", "FaceName"), Sjis("ＭＳ ゴシック"));
}

TEST_F(ViewTest, FontDialogStoresTheChosenFont)
{
    // The Japanese fonts here have no bold face for the dialog to offer.
    if (!QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans Mono")))
        GTEST_SKIP() << "no font with a bold face";
    OnNextDialog([](QDialog& dialog) {
        auto& fonts = dynamic_cast<QFontDialog&>(dialog);
        QFont chosen(QStringLiteral("DejaVu Sans Mono"));
        chosen.setPointSize(12);
        chosen.setBold(true);
        fonts.setCurrentFont(chosen);
        fonts.accept();
    });
    view->OnCommand(ID_VIEW_FONT);
    const int height = store.GetInt("Font", "Size", 0);
    EXPECT_LT(height, 0); // a character height in pixels
    EXPECT_EQ(-height, MulDiv(12, ScreenDpi(), 72));
    EXPECT_EQ(store.GetInt("Font", "Weight", 0), 700);
    EXPECT_EQ(store.GetInt("Font", "Italic", -1), 0);
    EXPECT_TRUE(Sheet().font().bold());

    // The next start builds the same size and weight from the store alone.
    view->ApplyFont();
    EXPECT_EQ(Sheet().font().pixelSize(), -height);
    EXPECT_TRUE(Sheet().font().bold());

    const std::size_t writes = store.WriteCount();
    OnNextDialog([](QDialog& dialog) {
        auto& fonts = dynamic_cast<QFontDialog&>(dialog);
        fonts.setCurrentFont(QFont(QStringLiteral("IPAPGothic"), 30));
        fonts.reject();
    });
    view->OnCommand(ID_VIEW_FONT);
    EXPECT_EQ(store.WriteCount(), writes);
}

// The font dialog opens on the face the stored font is drawn with, and OK without a change stores
// the same five values and keeps the sheet's font, though the dialog cannot show all of them (a
// bold of a family without a bold face, a cell height, a face that is not installed).
TEST_F(ViewTest, FontDialogOpensOnTheStoredFontAndOkKeepsIt)
{
    struct Row
    {
        const char* face; // UTF-8
        const char* size;
        const char* weight;
        const char* italic;
        const char* underline;
        const char* family; // that draws it, which the dialog shows
        const char* style;  // the face the dialog preselects
    };
    const Row rows[] = {
        {"DejaVu Sans Mono", "-17", "700", "0", "0", "DejaVu Sans Mono", "Bold"},
        {"DejaVu Sans Mono", "-17", "400", "0", "0", "DejaVu Sans Mono", "Book"},
        {"DejaVu Sans Mono", "-20", "400", "1", "1", "DejaVu Sans Mono", "Oblique"},
        {"DejaVu Sans Mono", "16", "700", "1", "0", "DejaVu Sans Mono", "Bold Oblique"},
        {"IPAGothic", "-17", "700", "0", "0", "IPAGothic", "Regular"},
        {"FIXEDSYS", "16", "400", "0", "0", "IPAGothic", "Regular"},
    };
    for (const Row& row : rows) {
        const std::string face = Sjis(row.face);
        SCOPED_TRACE(face + " " + row.size + " " + row.weight + " " + row.italic);
        if (!QFontDatabase::hasFamily(QString::fromUtf8(row.family))) {
            ADD_FAILURE() << "not installed: " << row.family;
            continue;
        }
        const std::vector<std::pair<const char*, const char*>> values = {
            {"FaceName", face.c_str()},
            {"Size", row.size},
            {"Weight", row.weight},
            {"Italic", row.italic},
            {"Underline", row.underline}};
        for (const auto& [name, value] : values)
            store.Put("Font", name, value);
        view->ApplyFont(); // as every start, New and Open build it
        const QFont before = Sheet().font();

        QString family, style;
        OnNextDialog([&](QDialog& dialog) {
            const QFont offered = dynamic_cast<QFontDialog&>(dialog).currentFont();
            family = offered.family();
            style = offered.styleName();
            GrabWhenAsked(dialog, "font-dialog-" + QString(style).replace(u' ', u'-') + ".png");
            dialog.accept();
        });
        view->OnCommand(ID_VIEW_FONT);
        EXPECT_EQ(family.toStdString(), row.family);
        EXPECT_EQ(style.toStdString(), row.style);
        for (const auto& [name, value] : values)
            EXPECT_EQ(store.Value("Font", name), value) << name;
        EXPECT_EQ(Sheet().font(), before);
    }
}

// The weight and slant stored for a family without such a face (the dialog offers its one face)
// stay when the user changes only the size, and go when the user chooses another face.
TEST_F(ViewTest, FontDialogKeepsTheStoredStyleUnlessAnotherIsChosen)
{
    struct Row
    {
        const char* name;
        const char* family; // stored and offered
        const char* weight;
        const char* italic;
        const char* chosenStyle; // empty: the face offered
        const char* storedWeight;
        const char* storedItalic;
    };
    const Row rows[] = {
        {"no bold face, size only", "IPAGothic", "700", "1", "", "700", "1"},
        {"bold face, size only", "DejaVu Sans Mono", "700", "0", "", "700", "0"},
        {"bold face, another chosen", "DejaVu Sans Mono", "700", "1", "Book", "400", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!QFontDatabase::hasFamily(QString::fromUtf8(row.family))) {
            ADD_FAILURE() << "not installed: " << row.family;
            continue;
        }
        store.Put("Font", "FaceName", row.family);
        store.Put("Font", "Size", "-17");
        store.Put("Font", "Weight", row.weight);
        store.Put("Font", "Italic", row.italic);
        view->ApplyFont();
        OnNextDialog([&](QDialog& dialog) {
            auto& fonts = dynamic_cast<QFontDialog&>(dialog);
            QFont chosen = fonts.currentFont();
            if (*row.chosenStyle != '\0')
                chosen.setStyleName(QString::fromUtf8(row.chosenStyle));
            chosen.setPointSize(20);
            fonts.setCurrentFont(chosen);
            fonts.accept();
        });
        view->OnCommand(ID_VIEW_FONT);
        EXPECT_EQ(store.Value("Font", "Size"), std::to_string(-MulDiv(20, ScreenDpi(), 72)));
        EXPECT_EQ(store.Value("Font", "Weight"), row.storedWeight);
        EXPECT_EQ(store.Value("Font", "Italic"), row.storedItalic);
        EXPECT_EQ(Sheet().font().weight(), std::stoi(row.storedWeight));
        EXPECT_EQ(Sheet().font().italic(), *row.storedItalic == '1');
        // The next start draws the same.
        const QFont chosen = Sheet().font();
        view->ApplyFont();
        EXPECT_EQ(QFontInfo(Sheet().font()).bold(), QFontInfo(chosen).bold());
    }
}

TEST_F(ViewTest, DefaultFontIsAFixedPitchJapaneseFont)
{
    const QFontMetricsF metrics(Sheet().font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('W')),
              metrics.horizontalAdvance(QLatin1Char('i')));
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("計")),
              2 * metrics.horizontalAdvance(QLatin1Char('0')));
    EXPECT_EQ(QFontMetrics(Sheet().font()).height(), 16); // a positive size is the cell height
    EXPECT_EQ(view->TabWidth(), 8);
}

TEST_F(ViewTest, EnterDuringACompositionOnlyConfirmsIt)
{
    Load("2*3");
    QInputMethodEvent preedit(QString::fromUtf8("ご"), {});
    QApplication::sendEvent(&Sheet(), &preedit);
    PressEnter();
    EXPECT_EQ(Sheet().GetText(), "2*3");
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("５"));
    QApplication::sendEvent(&Sheet(), &commit);
    PressEnter();
    EXPECT_EQ(Sheet().GetText(), "2*3" + Sjis("５") + "\r\n70\r\n");
}

TEST_F(ViewTest, SelfTestShowsItsMessage)
{
    CTestDesktop& boxes = desktop;
    boxes.Clear();
    Load("1");
    view->OnCommand(ID_TEST);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, QString::fromUtf8("正常終了"));
    EXPECT_EQ(boxes.Last().icon, EMessageIcon::Exclamation);
    EXPECT_EQ(Sheet().GetText(), "1");
}

// The copy command (Ctrl+Shift+C in the menu) copies the last answer as the sheet shows it, as
// plain text, with a note.
TEST_F(ViewTest, CopyAnswerGivesTheLastAnswerAsWritten)
{
    QStringList notes;
    QObject::connect(view.get(), &CVornyView::StatusNote,
                     [&notes](const QString& note) { notes << note; });
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    view->OnCommand(ID_EDIT_COPY_ANSWER); // no answer yet: the clipboard keeps its text
    EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
    EXPECT_EQ(notes.value(0), QStringLiteral("コピーする答えはまだありません"));

    view->OnViewComma();
    Load("1234567*2");
    PressEnter();
    view->OnViewComma(); // later answers plain; the one written keeps its commas
    Type(QStringLiteral("1/0"));
    PressEnter(); // an error is no answer
    Sheet().SetSelection(0, 3);
    view->OnCommand(ID_EDIT_COPY_ANSWER);
    EXPECT_EQ(clipboard->text(), QStringLiteral("2,469,134"));
    EXPECT_EQ(clipboard->mimeData()->formats(), QStringList({QStringLiteral("text/plain")}));
    EXPECT_EQ(notes.value(1), QStringLiteral("答え 2,469,134 をコピーしました"));
    EXPECT_EQ(Sheet().GetSelection().end, 3u); // the selection stays as it was

    Load("2");
    Click(ID_KEY_TAX);
    view->OnCommand(ID_EDIT_COPY_ANSWER);
    EXPECT_EQ(clipboard->text(), QStringLiteral("2.1"));
}

TEST_F(ViewTest, EditCommandsUseTheClipboard)
{
    Load("12+3");
    Sheet().SetSelection(0, 2);
    view->OnCommand(ID_EDIT_CUT);
    EXPECT_EQ(Sheet().GetText(), "+3");
    Sheet().SetSelection(2, 2);
    view->OnCommand(ID_EDIT_PASTE);
    EXPECT_EQ(Sheet().GetText(), "+312");
    view->OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(Sheet().GetText(), "+3");
}

class CFakeDocument : public ISheetDocument
{
public:
    bool IsLogDocument() const override { return isLog; }
    void SetModifiedFlag(bool on) override { modified = on; }
    void KeepRecoveryCopy() override { ++copies; }

    bool isLog = false;
    bool modified = false;
    int copies = 0;
};

std::string Log(int pairs)
{
    std::string text;
    for (int i = 0; i < pairs; ++i)
        text += std::to_string(i) + "*2\r\n" + std::to_string(i * 2) + "\r\n";
    return text + Sjis("合計") + "\r\n"; // the caret's line is the empty last one
}

TEST_F(ViewTest, InitialUpdateLoadsTheLogAndOpensLinesBelowIt)
{
    CFakeDocument document;
    document.isLog = true;
    view->SetDocument(&document);
    const std::string log = Log(50);
    Sheet().SetText(log); // as the document loads it: no change notification
    int fits = 0;
    QObject::connect(view.get(), &CVornyView::FitFrameToForm, [&fits] { ++fits; });

    view->OnInitialUpdate();
    EXPECT_EQ(fits, 1);
    EXPECT_EQ(Sheet().GetText(), log); // the step is still to come
    EXPECT_FALSE(Sheet().updatesEnabled());
    EXPECT_FALSE(document.modified);

    QApplication::processEvents(); // the posted initialisation step
    EXPECT_TRUE(Sheet().updatesEnabled());
    EXPECT_EQ(Sheet().GetText(), log + "\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(Sheet().GetSelection().start, log.size());
    EXPECT_TRUE(document.modified);
    EXPECT_TRUE(Sheet().hasFocus() || !QApplication::focusWidget());

    // Typing marks the document modified too.
    document.modified = false;
    Type(QStringLiteral("1"));
    EXPECT_TRUE(document.modified);
    view->SetDocument(nullptr);
}

// The old text's last line, where the caret stands, is the sixth visible line: the sheet scrolls
// past its end to get there, with a small font and a large one, for a long log and a short one.
TEST_F(ViewTest, TheLogsLastLineIsTheSixthVisibleLine)
{
    for (const int size : {-12, -24}) {
        store.WriteInt("Font", "Size", size);
        for (const int pairs : {3, 50}) {
            CFakeDocument document;
            document.isLog = true;
            view->SetDocument(&document);
            const std::string log = Log(pairs);
            Sheet().SetText(log);
            view->OnInitialUpdate();
            QApplication::processEvents();

            const int caretLine = 2 * pairs + 1;
            ASSERT_EQ(Sheet().GetText().size(), log.size() + 12) << size << " " << pairs;
            // The block at the viewport's top edge; lines never wrap.
            EXPECT_EQ(Sheet().cursorForPosition(QPoint(1, 1)).blockNumber(), caretLine - 5)
                << size << " " << pairs;
            const QRect caret = Sheet().cursorRect();
            EXPECT_TRUE(Sheet().viewport()->rect().contains(caret));
            view->SetDocument(nullptr);
        }
    }
}

TEST_F(ViewTest, InitialUpdateOfAnOrdinaryFileLeavesTheCaretAtTheStart)
{
    CFakeDocument document;
    view->SetDocument(&document);
    Sheet().SetText(Log(50));
    view->OnInitialUpdate();
    QApplication::processEvents();
    EXPECT_EQ(Sheet().GetText(), Log(50));
    EXPECT_EQ(Sheet().GetSelection().start, 0u);
    EXPECT_FALSE(document.modified);
    view->SetDocument(nullptr);
}

// A key or a template marks the document modified only when the sheet's text changes: an empty
// template at the caret, or a text put over the same selected text, leaves it unmodified.
TEST_F(ViewTest, OnlyAnInsertionThatChangesTheTextMarksTheDocument)
{
    struct Row
    {
        const char* name;
        const char* sheet;
        std::size_t start, end; // the selection before the key
        int key;                // a keypad key, or P1 with `content`
        const char* content;
        bool modified;
        const char* after;
    };
    const Row rows[] = {
        {"empty template at the caret", "12", 1, 1, ID_KEY_P1, "", false, "12"},
        {"empty template over a selection", "123", 1, 2, ID_KEY_P1, "", true, "13"},
        {"digit over the same digit", "151", 1, 2, ID_KEY_0 + 5, "", false, "151"},
        {"template over the same lines", "1\r\n2\r\n3", 0, 4, ID_KEY_P1, "1\r\n2", false,
         "1\r\n2\r\n3"},
        {"template over other lines", "1\r\n2\r\n3", 0, 4, ID_KEY_P1, "1\r\n4", true,
         "1\r\n4\r\n3"},
        {"template longer than the selection", "1\r\n2", 0, 1, ID_KEY_P1, "1\r\n2", true,
         "1\r\n2\r\n2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Put("PButton", "1", row.content);
        CFakeDocument document;
        view->SetDocument(&document);
        Sheet().SetText(row.sheet);
        Sheet().SetSelection(row.start, row.end);
        Click(row.key);
        EXPECT_EQ(document.modified, row.modified);
        EXPECT_EQ(Sheet().GetText(), row.after);
        if (!row.modified) {
            EXPECT_EQ(Sheet().GetSelection().start, row.end); // the caret after the selection
        }
        view->SetDocument(nullptr);
    }
}

// The form is laid out in dialog units of the font its widgets draw with, so that the sheet with
// its scroll bar, the keypad and Enter keep their places on every window system. The rectangles
// are written to BRUNOVELT_GEOMETRY_FILE when set: a run under X11 and one under Wayland must
// write the same (tests/support/compare-window-systems.sh).
TEST_F(ViewTest, FormGeometry)
{
    const CDialogUnits units(view->font());
    const QRect sheet = Sheet().geometry();
    const QRect enter = view->EnterButton()->geometry();
    EXPECT_EQ(view->FormSize(), units.Size(372, 190));
    EXPECT_EQ(sheet, units.Rect(5, 6, 225, 179));
    EXPECT_EQ(enter, units.Rect(313, 166, 54, 19));
    EXPECT_TRUE(view->rect().contains(enter));
    std::vector<std::pair<QString, QRect>> shown = {{QStringLiteral("form"), view->rect()},
                                                    {QStringLiteral("sheet"), sheet},
                                                    {QStringLiteral("enter"), enter}};
    for (const KeypadKey& key : KeypadKeys()) {
        const QRect button = view->KeyButton(key.id)->geometry();
        SCOPED_TRACE(key.id);
        EXPECT_EQ(button, units.Rect(key.x, key.y, key.width, key.height));
        EXPECT_TRUE(view->rect().contains(button));
        EXPECT_FALSE(button.intersects(sheet)); // nor its scroll bar, which lies inside it
        EXPECT_FALSE(button.intersects(enter));
        shown.emplace_back(QString::number(key.id), button);
    }
    const QString file = qEnvironmentVariable("BRUNOVELT_GEOMETRY_FILE");
    if (file.isEmpty())
        return;
    QString text;
    for (const auto& [name, rect] : shown)
        text += QStringLiteral("%1 %2 %3 %4 %5\n")
                    .arg(name)
                    .arg(rect.x())
                    .arg(rect.y())
                    .arg(rect.width())
                    .arg(rect.height());
    ASSERT_EQ(ReplaceFile(file, text.toStdString()), EFileError::None);
}

// The form as the user sees it, saved for a look when BRUNOVELT_GRAB_DIR asks for it.
TEST_F(ViewTest, FormGrab)
{
    Load(Sjis("税込み価格\r\n1980*1.1\r\n2178\r\n"));
    view->ApplyFont();
    GrabWhenAsked(*view, QStringLiteral("sheet-form.png"));
    EXPECT_EQ(view->size(), view->FormSize());
}

} // namespace
