#include "Sjis.h"
#include "Cp932QString.h"
#include "DataExchange.h"
#include "DeferredIconStyle.h"
#include "DialogUnits.h"
#include "FontResolver.h"
#include "TestDesktop.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTimer>
#include <QWidget>

#include <climits>
#include <memory>
#include <string>

namespace {

QFont PixelFont(const QString& family, int pixels)
{
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// ---------------------------------------------------------------------------------------------
// Dialog units.

TEST(MulDiv, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(10, 6, 4), 15);
    EXPECT_EQ(MulDiv(5, 3, 2), 8);   // 7.5
    EXPECT_EQ(MulDiv(-5, 3, 2), -8); // -7.5
    EXPECT_EQ(MulDiv(5, -3, 2), -8);
    EXPECT_EQ(MulDiv(5, 3, -2), -8);
    EXPECT_EQ(MulDiv(-5, -3, -2), -8);
    EXPECT_EQ(MulDiv(7, 1, 4), 2); // 1.75
    EXPECT_EQ(MulDiv(5, 1, 4), 1); // 1.25
    EXPECT_EQ(MulDiv(-5, 1, 4), -1);
    EXPECT_EQ(MulDiv(0, 7, 3), 0);
}

TEST(MulDiv, GivesMinusOneWhenTheResultDoesNotFit)
{
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), -1);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, 1, -1), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 1, -1), -INT_MAX);
}

TEST(DialogUnits, FollowTheFontsAverageWidthAndHeight)
{
    for (const QFont& font : {DialogFont(), PixelFont(QStringLiteral("IPAGothic"), 12),
                              PixelFont(QStringLiteral("IPAPGothic"), 17)}) {
        const QFontMetrics metrics(font);
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const int baseX = (letters / 26 + 1) / 2;
        const int baseY = metrics.height();
        const CDialogUnits units(font);
        EXPECT_EQ(units.BaseX(), baseX);
        EXPECT_EQ(units.BaseY(), baseY);
        EXPECT_EQ(units.X(4), baseX);
        EXPECT_EQ(units.Y(8), baseY);
        EXPECT_EQ(units.X(275), (275 * baseX + 2) / 4);
        EXPECT_EQ(units.Y(141), (141 * baseY + 4) / 8);
        EXPECT_EQ(units.X(-3), -((3 * baseX + 2) / 4));
        EXPECT_EQ(units.Size(275, 141), QSize(units.X(275), units.Y(141)));
        EXPECT_EQ(units.Rect(5, 6, 200, 10),
                  QRect(units.X(5), units.Y(6), units.X(200), units.Y(10)));
    }
}

TEST(DialogUnits, OfAKnownFont)
{
    // IPA Gothic draws every ASCII letter half an em wide: 6 pixels at 12.
    const CDialogUnits units(PixelFont(QStringLiteral("IPAGothic"), 12));
    EXPECT_EQ(units.BaseX(), 6);
    EXPECT_EQ(units.X(50), 75);
    EXPECT_EQ(units.X(7), 11); // 10.5
    EXPECT_EQ(units.BaseY(), QFontMetrics(PixelFont(QStringLiteral("IPAGothic"), 12)).height());
}

TEST(DialogUnits, ExtremeValuesStayInRange)
{
    const CDialogUnits units(PixelFont(QStringLiteral("IPAGothic"), 12));
    for (const int v : {INT_MAX, INT_MIN, INT_MAX / 2, INT_MIN / 2, -1, 0}) {
        const QRect rect = units.Rect(v, v, v, v);
        EXPECT_LE(static_cast<long long>(rect.left()) + rect.width(), INT_MAX);
        EXPECT_LE(static_cast<long long>(rect.top()) + rect.height(), INT_MAX);
        const QRect wide = units.Rect(v / 8, -v / 8, INT_MAX, INT_MAX / 2);
        EXPECT_LE(static_cast<long long>(wide.left()) + wide.width(), INT_MAX);
        (void)units.Size(v, v);
    }
}

TEST(DialogFont, IsANinepointJapaneseGothic)
{
    const QFont font = DialogFont();
    EXPECT_EQ(font.pointSize(), 9);
    const QString family = QFontInfo(font).family();
    const bool japanese = family == QStringLiteral("ＭＳ Ｐゴシック") ||
                          family == QStringLiteral("IPAPGothic") ||
                          family.contains(QStringLiteral("Gothic"));
    EXPECT_TRUE(japanese) << family.toStdString();
    if (QFontDatabase::hasFamily(QStringLiteral("IPAPGothic")) &&
        !QFontDatabase::hasFamily(QStringLiteral("ＭＳ Ｐゴシック"))) {
        EXPECT_EQ(family, QStringLiteral("IPAPGothic"));
    }
    const QFontMetrics metrics(font);
    EXPECT_TRUE(metrics.inFontUcs4(U'ゴ'));
    EXPECT_TRUE(metrics.inFontUcs4(U'計'));
    // Proportional: "i" is narrower than "W".
    EXPECT_LT(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'W'));
}

// ---------------------------------------------------------------------------------------------
// Data exchange.

TEST(Cp932Text, ComesAndGoesThroughQString)
{
    const std::string text = Sjis("表示ソフト ｶﾅ ①");
    EXPECT_EQ(QStringFromCp932(text), QStringLiteral("表示ソフト ｶﾅ ①"));
    EXPECT_EQ(QStringToCp932(QStringLiteral("表示ソフト ｶﾅ ①")), text);
    EXPECT_EQ(QStringToCp932(QStringLiteral("😀")), "?");
    EXPECT_EQ(QStringFromCp932(std::string("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
}

class CExchangeDialog : public QWidget, public CDataExchangeClient
{
public:
    QLineEdit* name = new QLineEdit(this);
    QCheckBox* comma = new QCheckBox(this);
    QSpinBox* tabs = new QSpinBox(this);

    QString m_name;
    bool m_comma = false;
    int m_tabs = 0;
    bool m_reject = false;

    CExchangeDialog() { tabs->setRange(1, 16); }

protected:
    void DoDataExchange(CDataExchange& dx) override
    {
        dx.Text(name, m_name);
        dx.Check(comma, m_comma);
        dx.Value(tabs, m_tabs);
        dx.Text(static_cast<QLineEdit*>(nullptr), m_name); // a control not made is skipped
        if (dx.Saving() && m_reject)
            dx.Fail();
    }
};

TEST(DataExchange, FillsTheControlsFromTheMembers)
{
    CExchangeDialog dialog;
    dialog.m_name = QStringLiteral("平方根");
    dialog.m_comma = true;
    dialog.m_tabs = 8;
    EXPECT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(dialog.name->text(), QStringLiteral("平方根"));
    EXPECT_TRUE(dialog.comma->isChecked());
    EXPECT_EQ(dialog.tabs->value(), 8);

    // A value the spin box cannot show is clamped to its range.
    dialog.m_tabs = 100;
    EXPECT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(dialog.tabs->value(), 16);
}

TEST(DataExchange, ReadsTheControlsIntoTheMembers)
{
    CExchangeDialog dialog;
    dialog.name->setText(QStringLiteral("合計"));
    dialog.comma->setChecked(true);
    dialog.tabs->setValue(4);
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_name, QStringLiteral("合計"));
    EXPECT_TRUE(dialog.m_comma);
    EXPECT_EQ(dialog.m_tabs, 4);

    dialog.m_reject = true;
    EXPECT_FALSE(dialog.UpdateData(true));
    EXPECT_TRUE(dialog.UpdateData(false)); // only saving validates
}

TEST(DataExchange, SkipsControlsThatAreNotThere)
{
    QString text = QStringLiteral("keep");
    bool flag = true;
    int number = 3;
    for (const bool saving : {true, false}) {
        CDataExchange dx(saving);
        dx.Text(static_cast<QLineEdit*>(nullptr), text);
        dx.Check(nullptr, flag);
        dx.Value(nullptr, number);
        EXPECT_FALSE(dx.Failed());
        EXPECT_EQ(dx.Saving(), saving);
    }
    EXPECT_EQ(text, QStringLiteral("keep"));
    EXPECT_TRUE(flag);
    EXPECT_EQ(number, 3);
}

// ---------------------------------------------------------------------------------------------
// Message boxes.

TEST(MessageBox, TheDesktopTakesTheBoxes)
{
    QWidget parent;
    CTestDesktop recorder;
    EXPECT_EQ(ShowMessageBox(recorder, &parent, Sjis("0で除算しました")), EMessageResult::Ok);
    ASSERT_EQ(recorder.Count(), 1u);
    const MessageBoxRequest first = recorder.Last();
    EXPECT_EQ(first.parent, &parent);
    EXPECT_EQ(first.caption, QStringLiteral("Brunovelt"));
    EXPECT_EQ(first.text, QStringLiteral("0で除算しました"));
    EXPECT_EQ(first.icon, EMessageIcon::Exclamation);
    EXPECT_EQ(first.buttons, EMessageButtons::Ok);

    EXPECT_EQ(ShowMessageBox(recorder, nullptr, QStringLiteral("保存しますか?"),
                             EMessageIcon::Question, EMessageButtons::YesNoCancel),
              EMessageResult::Yes);
    recorder.QueueAnswer(EMessageResult::No);
    recorder.QueueAnswer(EMessageResult::Cancel);
    EXPECT_EQ(ShowMessageBox(recorder, nullptr, QStringLiteral("a"), EMessageIcon::Question,
                             EMessageButtons::YesNoCancel),
              EMessageResult::No);
    EXPECT_EQ(ShowMessageBox(recorder, nullptr, std::string_view("b"), EMessageIcon::Information,
                             EMessageButtons::OkCancel),
              EMessageResult::Cancel);
    EXPECT_EQ(ShowMessageBox(recorder, nullptr, std::string_view("c"), EMessageIcon::Stop,
                             EMessageButtons::OkCancel),
              EMessageResult::Ok);
    ASSERT_EQ(recorder.Count(), 5u);
    EXPECT_EQ(recorder.Requests()[1].icon, EMessageIcon::Question);
    EXPECT_EQ(recorder.Requests()[1].parent, nullptr);
    EXPECT_EQ(recorder.Requests()[3].icon, EMessageIcon::Information);
    EXPECT_EQ(recorder.Requests()[4].text, QStringLiteral("c"));
    recorder.Clear();
    EXPECT_EQ(recorder.Count(), 0u);
}

// Presses a button of the real box once it is up, by its caption.
void PressWhenShown(const QString& caption, QString* seenTitle, QString* seenText,
                    QMessageBox::Icon* seenIcon, QStringList* seenButtons, int triesLeft = 500)
{
    QTimer::singleShot(10, [=] {
        QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            if (triesLeft > 0)
                PressWhenShown(caption, seenTitle, seenText, seenIcon, seenButtons, triesLeft - 1);
            return;
        }
        *seenTitle = box->windowTitle();
        *seenText = box->text();
        *seenIcon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            seenButtons->append(button->text());
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == caption) {
                button->click();
                return;
            }
        }
        box->reject();
    });
}

TEST(MessageBox, TheRealBoxShowsTheCaptionIconAndButtons)
{
    CDesktop desktop;
    QWidget parent;
    parent.show();
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    PressWhenShown(QStringLiteral("いいえ(&N)"), &title, &text, &icon, &buttons);
    EXPECT_EQ(ShowMessageBox(desktop, &parent, Sjis("<b>式</b>を保存しますか?"),
                             EMessageIcon::Question, EMessageButtons::YesNoCancel),
              EMessageResult::No);
    EXPECT_EQ(title, QStringLiteral("Brunovelt"));
    EXPECT_EQ(text, QStringLiteral("<b>式</b>を保存しますか?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(buttons.contains(QStringLiteral("はい(&Y)")));
    EXPECT_TRUE(buttons.contains(QStringLiteral("いいえ(&N)")));
    EXPECT_TRUE(buttons.contains(QStringLiteral("キャンセル")));

    buttons.clear();
    PressWhenShown(QStringLiteral("OK"), &title, &text, &icon, &buttons);
    EXPECT_EQ(ShowMessageBox(desktop, &parent, QStringLiteral("注意")), EMessageResult::Ok);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});

    // Closed without a button: a box with Cancel answers Cancel.
    buttons.clear();
    PressWhenShown(QStringLiteral("none"), &title, &text, &icon, &buttons);
    EXPECT_EQ(ShowMessageBox(desktop, &parent, QStringLiteral("x"), EMessageIcon::Information,
                             EMessageButtons::OkCancel),
              EMessageResult::Cancel);
    EXPECT_EQ(icon, QMessageBox::Information);
}

// A box with no window to stand over, as at start-up, stands in the middle of the screen (also
// run on an X server, where Qt places it before it has its size).
TEST(MessageBox, ABoxWithoutParentIsCentredOnTheScreen)
{
    QRect shownAt;
    QTimer::singleShot(10, [&shownAt] {
        QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownAt = box->frameGeometry();
        box->accept();
    });
    CDesktop desktop;
    ShowMessageBox(desktop, nullptr,
                   QStringLiteral("設定を書き込めません。設定ファイルの場所を確かめてください。"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_FALSE(shownAt.isEmpty());
    EXPECT_LE((shownAt.center() - screen.center()).manhattanLength(), 2)
        << shownAt.x() << "," << shownAt.y() << " " << shownAt.width() << "x" << shownAt.height();
}

// ---------------------------------------------------------------------------------------------
// Fonts.

bool DrawsFixedPitch(const QFont& font)
{
    const QFontMetricsF metrics(font);
    return metrics.horizontalAdvance(u'i') == metrics.horizontalAdvance(u'W') &&
           metrics.horizontalAdvance(u'あ') == 2 * metrics.horizontalAdvance(u'i');
}

TEST(FontResolver, SubstitutesFacesThatAreNotInstalled)
{
    ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("IPAGothic")));
    ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("IPAPGothic")));
    EXPECT_EQ(ResolveFontFamily("FIXEDSYS"), QStringLiteral("IPAGothic"));
    EXPECT_EQ(ResolveFontFamily("Terminal"), QStringLiteral("IPAGothic"));
    EXPECT_EQ(ResolveFontFamily(""), QStringLiteral("IPAGothic"));
    EXPECT_EQ(ResolveFontFamily(Sjis("ＭＳ ゴシック")), QStringLiteral("IPAGothic"));
    EXPECT_EQ(ResolveFontFamily("ms gothic"), QStringLiteral("IPAGothic"));
    EXPECT_EQ(ResolveFontFamily(Sjis("ＭＳ Ｐゴシック")), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(ResolveFontFamily("MS PGothic"), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(ResolveFontFamily("IPAPGothic"), QStringLiteral("IPAPGothic")); // installed
    EXPECT_EQ(ResolveFontFamily("\x81"), QStringLiteral("IPAGothic"));

    const QFont fixedsys = FontFromLogFont({16, 400, false, false, false, "FIXEDSYS"});
    EXPECT_EQ(QFontInfo(fixedsys).family(), QStringLiteral("IPAGothic"));
    EXPECT_TRUE(DrawsFixedPitch(fixedsys));
    EXPECT_TRUE(QFontMetrics(fixedsys).inFontUcs4(U'ゴ'));
    const QFont gothic = FontFromLogFont({-12, 400, false, false, false, Sjis("ＭＳ ゴシック")});
    EXPECT_EQ(QFontInfo(gothic).family(), QStringLiteral("IPAGothic"));
    EXPECT_TRUE(DrawsFixedPitch(gothic));
    const QFont pgothic = FontFromLogFont({-12, 400, false, false, false, Sjis("ＭＳ Ｐゴシック")});
    EXPECT_EQ(QFontInfo(pgothic).family(), QStringLiteral("IPAPGothic"));
    EXPECT_FALSE(DrawsFixedPitch(pgothic));
}

TEST(FontResolver, LeavesTheStoredFaceNameAlone)
{
    const LogFont stored{16, 400, false, false, false, "FIXEDSYS"};
    const LogFont copy = stored;
    const QFont font = FontFromLogFont(stored);
    EXPECT_EQ(stored.faceName, copy.faceName);
    EXPECT_EQ(font.family(), QStringLiteral("IPAGothic"));
}

TEST(FontResolver, NegativeHeightsAreTheCharacterHeight)
{
    for (const int pixels : {8, 12, 16, 24, 40}) {
        const QFont font = FontFromLogFont({-pixels, 400, false, false, false, "IPAGothic"});
        EXPECT_EQ(font.pixelSize(), pixels);
    }
}

TEST(FontResolver, PositiveHeightsAreTheCellHeight)
{
    for (const int cell : {12, 16, 20, 32}) {
        const QFont font = FontFromLogFont({cell, 400, false, false, false, "IPAPGothic"});
        const QFontMetricsF metrics(font);
        EXPECT_NEAR(metrics.ascent() + metrics.descent(), cell, 1.0) << cell;
        const QFont byCharacter = FontFromLogFont({-cell, 400, false, false, false, "IPAPGothic"});
        EXPECT_LE(font.pixelSize(), byCharacter.pixelSize()); // the cell holds the character
    }
}

TEST(FontResolver, MapsWeightAndStyle)
{
    const QFont bold = FontFromLogFont({-16, 700, true, true, true, "FIXEDSYS"});
    EXPECT_EQ(bold.weight(), QFont::Bold);
    EXPECT_TRUE(bold.italic());
    EXPECT_TRUE(bold.underline());
    EXPECT_TRUE(bold.strikeOut());
    const QFont normal = FontFromLogFont({-16, 400, false, false, false, "FIXEDSYS"});
    EXPECT_EQ(normal.weight(), QFont::Normal);
    EXPECT_FALSE(normal.italic());
    EXPECT_FALSE(normal.underline());
    EXPECT_FALSE(normal.strikeOut());
    EXPECT_EQ(FontFromLogFont({-16, 0, false, false, false, ""}).weight(), QFont::Normal);
    EXPECT_EQ(FontFromLogFont({-16, -5, false, false, false, ""}).weight(), QFont::Normal);
    EXPECT_EQ(static_cast<int>(FontFromLogFont({-16, 5000, false, false, false, ""}).weight()),
              1000);
    EXPECT_EQ(FontFromLogFont({-16, 100, false, false, false, ""}).weight(), QFont::Thin);
}

TEST(FontResolver, ExtremeHeightsStayInRange)
{
    for (const int height : {INT_MIN, INT_MIN + 1, -100000, 100000, INT_MAX}) {
        const QFont font = FontFromLogFont({height, 400, false, false, false, "FIXEDSYS"});
        EXPECT_GE(font.pixelSize(), 1);
        EXPECT_LE(font.pixelSize(), 1024);
    }
    EXPECT_EQ(FontFromLogFont({-1, 400, false, false, false, "FIXEDSYS"}).pixelSize(), 1);
    // A zero height keeps the default size.
    EXPECT_EQ(FontFromLogFont({0, 400, false, false, false, "FIXEDSYS"}).pointSizeF(),
              QFont().pointSizeF());
}

TEST(FontResolver, AChosenFontBecomesALogicalFont)
{
    QFont chosen(QStringLiteral("IPAGothic"), 12);
    chosen.setBold(true);
    LogFont logFont = LogFontFromFont(chosen, 96);
    EXPECT_EQ(logFont.height, -16);
    EXPECT_EQ(logFont.weight, 700);
    EXPECT_FALSE(logFont.italic);
    EXPECT_EQ(logFont.faceName, "IPAGothic");

    chosen.setPointSizeF(10.5);
    chosen.setBold(false);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    chosen.setStrikeOut(true);
    logFont = LogFontFromFont(chosen, 96);
    EXPECT_EQ(logFont.height, -14);
    EXPECT_EQ(logFont.weight, 400);
    EXPECT_TRUE(logFont.italic);
    EXPECT_TRUE(logFont.underline);
    EXPECT_TRUE(logFont.strikeOut);
    EXPECT_EQ(LogFontFromFont(chosen, 120).height, -18); // 17.5
    EXPECT_EQ(LogFontFromFont(chosen).height, LogFontFromFont(chosen, ScreenDpi()).height);

    EXPECT_EQ(LogFontFromFont(PixelFont(QStringLiteral("IPAPGothic"), 20), 96).height, -20);
    EXPECT_EQ(LogFontFromFont(QFont(QStringLiteral("IPAゴシック"), 9), 96).faceName,
              Sjis("IPAゴシック"));
}

TEST(FontResolver, ALogicalFontComesBackFromItsFont)
{
    const LogFont original{-16, 700, true, false, true, "IPAPGothic"};
    const LogFont back = LogFontFromFont(FontFromLogFont(original), 96);
    EXPECT_EQ(back.height, original.height);
    EXPECT_EQ(back.weight, original.weight);
    EXPECT_EQ(back.italic, original.italic);
    EXPECT_EQ(back.underline, original.underline);
    EXPECT_EQ(back.strikeOut, original.strikeOut);
    EXPECT_EQ(back.faceName, original.faceName);
}

TEST(FontResolver, ScreenDpiIsSensible)
{
    const int dpi = ScreenDpi();
    EXPECT_GE(dpi, 48);
    EXPECT_LE(dpi, 480);
}

// The deferred extension icons draw as the style's own, in either direction; other icons are the
// style's at once.
TEST(DeferredIconStyle, IconsLookAsTheStylesOwn)
{
    const QString key = QApplication::style()->name();
    const CDeferredIconStyle deferred(QStyleFactory::create(key));
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(key));
    ASSERT_TRUE(plain);
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
          QStyle::SP_DialogOkButton}) {
        for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            QStyleOption option;
            option.direction = direction;
            const QIcon expected = plain->standardIcon(which, &option);
            const QIcon icon = deferred.standardIcon(which, &option);
            SCOPED_TRACE(testing::Message() << which << " " << direction);
            ASSERT_FALSE(icon.isNull());
            EXPECT_EQ(icon.pixmap(16).toImage(), expected.pixmap(16).toImage());
        }
    }
}

} // namespace
