#include "MemorySheet.h"
#include "SheetEdit.h"

#include "Cp932Codec.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Found by argument-dependent lookup from gtest's comparisons, so outside the unnamed namespace.
static bool operator==(ISheetControl::Selection a, ISheetControl::Selection b)
{
    return a.start == b.start && a.end == b.end;
}

static std::ostream& operator<<(std::ostream& out, ISheetControl::Selection s)
{
    return out << '[' << s.start << ',' << s.end << ')';
}

namespace {

std::unique_ptr<CSheetEdit> MakeEdit()
{
    auto edit = std::make_unique<CSheetEdit>();
    edit->resize(400, 300);
    edit->show();
    return edit;
}

struct MemorySheetFactory
{
    static std::unique_ptr<ISheetControl> Make() { return std::make_unique<CMemorySheet>(); }
};

struct SheetEditFactory
{
    static std::unique_ptr<ISheetControl> Make() { return MakeEdit(); }
};

template <typename Factory> class SheetControlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        sheet = Factory::Make();
        sheet->SetChangeHandler([this] { ++changes; });
    }

    // Text and the caret, with no change counted for setting them.
    void Load(std::string_view text, std::size_t caret = 0)
    {
        sheet->SetText(text);
        sheet->SetSelection(caret, caret);
        changes = 0;
    }

    ISheetControl::Selection Selected() const { return sheet->GetSelection(); }

    std::unique_ptr<ISheetControl> sheet;
    int changes = 0;
};

using Factories = testing::Types<MemorySheetFactory, SheetEditFactory>;

class FactoryNames
{
public:
    template <typename T> static std::string GetName(int)
    {
        return std::is_same_v<T, MemorySheetFactory> ? "Memory" : "Edit";
    }
};

TYPED_TEST_SUITE(SheetControlTest, Factories, FactoryNames);

using Sel = ISheetControl::Selection;

TYPED_TEST(SheetControlTest, EmptySheet)
{
    this->Load("");
    EXPECT_EQ(this->sheet->GetText(), "");
    EXPECT_EQ(this->sheet->LineIndex(0), 0u);
    EXPECT_EQ(this->sheet->LineIndex(5), 0u);
    EXPECT_EQ(this->sheet->LineLength(0), 0u);
    EXPECT_EQ(this->sheet->GetLine(0), "");
    EXPECT_EQ(this->sheet->GetLine(1), "");
    EXPECT_EQ(this->sheet->CurrentLine(), 0u);
    EXPECT_EQ(this->Selected(), (Sel{0, 0}));
}

TYPED_TEST(SheetControlTest, LinesAndOffsetsWithCrLf)
{
    this->Load("12+3\r\n45\r\n\r\n6");
    EXPECT_EQ(this->sheet->LineIndex(0), 0u);
    EXPECT_EQ(this->sheet->LineIndex(1), 6u);
    EXPECT_EQ(this->sheet->LineIndex(2), 10u);
    EXPECT_EQ(this->sheet->LineIndex(3), 12u);
    EXPECT_EQ(this->sheet->LineIndex(4), 13u);
    EXPECT_EQ(this->sheet->LineLength(0), 4u);
    EXPECT_EQ(this->sheet->LineLength(4), 4u);
    EXPECT_EQ(this->sheet->LineLength(6), 2u);
    EXPECT_EQ(this->sheet->LineLength(10), 0u);
    EXPECT_EQ(this->sheet->LineLength(12), 1u);
    EXPECT_EQ(this->sheet->GetLine(0), "12+3");
    EXPECT_EQ(this->sheet->GetLine(1), "45");
    EXPECT_EQ(this->sheet->GetLine(2), "");
    EXPECT_EQ(this->sheet->GetLine(3), "6");
    EXPECT_EQ(this->sheet->GetLine(4), "");
    this->sheet->SetSelection(7, 7);
    EXPECT_EQ(this->sheet->CurrentLine(), 1u);
    this->sheet->SetSelection(13, 13);
    EXPECT_EQ(this->sheet->CurrentLine(), 3u);
}

TYPED_TEST(SheetControlTest, TrailingLineBreakMakesAnEmptyLastLine)
{
    this->Load("1\r\n");
    EXPECT_EQ(this->sheet->LineIndex(1), 3u);
    EXPECT_EQ(this->sheet->LineLength(3), 0u);
    EXPECT_EQ(this->sheet->GetLine(1), "");
    this->sheet->SetSelection(3, 3);
    EXPECT_EQ(this->sheet->CurrentLine(), 1u);
}

TYPED_TEST(SheetControlTest, LoneCrAndLfStayInsideTheirLine)
{
    const std::string text = "a\rb\r\nc\nd\r";
    this->Load(text);
    EXPECT_EQ(this->sheet->GetText(), text);
    EXPECT_EQ(this->sheet->GetLine(0), "a\rb");
    EXPECT_EQ(this->sheet->GetLine(1), "c\nd\r");
    EXPECT_EQ(this->sheet->LineIndex(1), 5u);
    EXPECT_EQ(this->sheet->LineIndex(2), text.size());
    EXPECT_EQ(this->sheet->LineLength(1), 3u);
    EXPECT_EQ(this->sheet->LineLength(6), 4u);
    this->sheet->SetSelection(2, 2);
    EXPECT_EQ(this->Selected(), (Sel{2, 2}));
}

TYPED_TEST(SheetControlTest, CrEndingALineAndLfStartingTheNext)
{
    const std::string text = "a\r\r\n\nb";
    this->Load(text);
    EXPECT_EQ(this->sheet->GetText(), text);
    EXPECT_EQ(this->sheet->GetLine(0), "a\r");
    EXPECT_EQ(this->sheet->GetLine(1), "\nb");
    EXPECT_EQ(this->sheet->LineIndex(1), 4u);
}

TYPED_TEST(SheetControlTest, TwoByteCharactersWithAsciiTrailBytes)
{
    // 表 and ソ end in 0x5C, ゼ in 0x5B, ポ in 0x7C.
    const std::string text = Sjis("表1ゼポ\r\nソ");
    ASSERT_EQ(text, "\x95\x5c"
                    "1"
                    "\x83\x5b\x83\x7c\r\n\x83\x5c");
    this->Load(text);
    EXPECT_EQ(this->sheet->GetText(), text);
    EXPECT_EQ(this->sheet->LineLength(0), 7u);
    EXPECT_EQ(this->sheet->GetLine(0), Sjis("表1ゼポ"));
    EXPECT_EQ(this->sheet->LineIndex(1), 9u);
    EXPECT_EQ(this->sheet->LineLength(9), 2u);
    this->sheet->SetSelection(1, 1);
    EXPECT_EQ(this->Selected(), (Sel{0, 0}));
    this->sheet->SetSelection(2, 2);
    EXPECT_EQ(this->Selected(), (Sel{2, 2}));
    this->sheet->SetSelection(4, 6);
    EXPECT_EQ(this->Selected(), (Sel{3, 5}));
    this->sheet->SetSelection(6, 4);
    EXPECT_EQ(this->Selected(), (Sel{3, 5}));
    this->sheet->SetSelection(10, 10);
    EXPECT_EQ(this->Selected(), (Sel{9, 9}));
}

TYPED_TEST(SheetControlTest, LeadByteAtTheEnd)
{
    const std::string text = "1+\x81";
    this->Load(text);
    EXPECT_EQ(this->sheet->GetText(), text);
    EXPECT_EQ(this->sheet->LineLength(0), 3u);
    EXPECT_EQ(this->sheet->GetLine(0), text);
    this->sheet->SetSelection(2, 3);
    EXPECT_EQ(this->Selected(), (Sel{2, 3}));
    this->sheet->SetSelection(3, 3);
    EXPECT_EQ(this->Selected(), (Sel{3, 3}));
}

TYPED_TEST(SheetControlTest, LeadByteWithoutAMappedCodeIsOneByte)
{
    // 0x85 0x40 is no character: a stray 0x85, then '@'.
    const std::string text = "\x85@\x85\r\n";
    this->Load(text);
    EXPECT_EQ(this->sheet->GetText(), text);
    this->sheet->SetSelection(1, 1);
    EXPECT_EQ(this->Selected(), (Sel{1, 1}));
    EXPECT_EQ(this->sheet->LineLength(0), 3u);
}

TYPED_TEST(SheetControlTest, CharacterWithTwoCodesComesBackInWindowsCode)
{
    // ∵ is 0x879A in NEC row 13 and 0x81E6 in JIS X 0208; Windows writes 0x81E6.
    this->Load("\x87\x9a"
               "1");
    EXPECT_EQ(this->sheet->GetText(), "\x81\xe6"
                                      "1");
}

TYPED_TEST(SheetControlTest, OffsetsPastTheEndClamp)
{
    this->Load("ab\r\ncde");
    this->sheet->SetSelection(100, 200);
    EXPECT_EQ(this->Selected(), (Sel{7, 7}));
    EXPECT_EQ(this->sheet->LineLength(1000), 3u);
    EXPECT_EQ(this->sheet->CurrentLine(), 1u);
}

TYPED_TEST(SheetControlTest, OffsetBetweenCrAndLfMovesToTheCr)
{
    this->Load("ab\r\ncd");
    this->sheet->SetSelection(3, 3);
    EXPECT_EQ(this->Selected(), (Sel{2, 2}));
    EXPECT_EQ(this->sheet->LineLength(3), 2u);
    EXPECT_EQ(this->sheet->CurrentLine(), 0u);
}

TYPED_TEST(SheetControlTest, SelectionAcrossLines)
{
    this->Load("ab\r\ncd\r\nef");
    this->sheet->SetSelection(1, 9);
    EXPECT_EQ(this->Selected(), (Sel{1, 9}));
    EXPECT_EQ(this->sheet->CurrentLine(), 0u);
    this->sheet->SetSelection(9, 5);
    EXPECT_EQ(this->Selected(), (Sel{5, 9}));
    EXPECT_EQ(this->sheet->CurrentLine(), 1u);
}

TYPED_TEST(SheetControlTest, ReplaceSelectionAtTheCaret)
{
    this->Load("1+2\r\n3", 3);
    this->sheet->ReplaceSelection("\r\n3\r\n");
    EXPECT_EQ(this->sheet->GetText(), "1+2\r\n3\r\n\r\n3");
    EXPECT_EQ(this->Selected(), (Sel{8, 8}));
    EXPECT_EQ(this->sheet->CurrentLine(), 2u);
    EXPECT_EQ(this->sheet->LineIndex(3), 10u);
    EXPECT_EQ(this->sheet->GetLine(1), "3");
    EXPECT_EQ(this->changes, 1);
}

TYPED_TEST(SheetControlTest, ReplaceSelectionOverASelection)
{
    this->Load(Sjis("1+2\r\n日本\r\n3"));
    this->sheet->SetSelection(2, 7);
    this->sheet->ReplaceSelection(Sjis("語"));
    EXPECT_EQ(this->sheet->GetText(), Sjis("1+語本\r\n3"));
    EXPECT_EQ(this->Selected(), (Sel{4, 4}));
    EXPECT_EQ(this->sheet->LineIndex(1), 8u);
    EXPECT_EQ(this->changes, 1);
}

TYPED_TEST(SheetControlTest, ReplaceSelectionWithNothingDeletes)
{
    this->Load("abc\r\ndef");
    this->sheet->SetSelection(2, 6);
    this->sheet->ReplaceSelection("");
    EXPECT_EQ(this->sheet->GetText(), "abef");
    EXPECT_EQ(this->Selected(), (Sel{2, 2}));
    EXPECT_EQ(this->changes, 1);
}

TYPED_TEST(SheetControlTest, ReplaceSelectionWithLoneCrAndLf)
{
    this->Load("x", 1);
    this->sheet->ReplaceSelection("\r1\n2\r\n");
    EXPECT_EQ(this->sheet->GetText(), "x\r1\n2\r\n");
    EXPECT_EQ(this->sheet->GetLine(0), "x\r1\n2");
    EXPECT_EQ(this->Selected(), (Sel{7, 7}));
}

TYPED_TEST(SheetControlTest, CrWrittenBeforeAnLfMakesALineBreak)
{
    this->Load("a\nb", 1);
    this->sheet->ReplaceSelection("\r");
    EXPECT_EQ(this->sheet->GetText(), "a\r\nb");
    EXPECT_EQ(this->sheet->GetLine(0), "a");
    EXPECT_EQ(this->sheet->GetLine(1), "b");
    EXPECT_EQ(this->Selected(), (Sel{1, 1}));
}

TYPED_TEST(SheetControlTest, TrailByteWrittenAfterAStrayLeadByteJoinsIt)
{
    this->Load("\x81", 1);
    this->sheet->ReplaceSelection("@");
    EXPECT_EQ(this->sheet->GetText(), "\x81@");
    EXPECT_EQ(this->sheet->LineLength(0), 2u);
    EXPECT_EQ(this->Selected(), (Sel{2, 2}));
    this->sheet->SetSelection(1, 1);
    EXPECT_EQ(this->Selected(), (Sel{0, 0}));
}

TYPED_TEST(SheetControlTest, SetTextDoesNotNotify)
{
    this->sheet->SetText("1+1\r\n");
    this->sheet->SetText("");
    EXPECT_EQ(this->changes, 0);
    this->sheet->SetSelection(0, 0);
    this->sheet->ScrollCaret();
    EXPECT_EQ(this->changes, 0);
}

TYPED_TEST(SheetControlTest, EveryReplaceSelectionThatChangesTheTextNotifiesOnce)
{
    this->Load("1");
    this->sheet->ReplaceSelection("2");
    this->sheet->ReplaceSelection("\r\n3\r\n");
    EXPECT_EQ(this->changes, 2);
    // Nothing in place of nothing, and a selection replaced by its own bytes, change nothing.
    this->sheet->ReplaceSelection("");
    this->sheet->SetSelection(0, 1);
    this->sheet->ReplaceSelection("2");
    EXPECT_EQ(this->changes, 2);
    this->sheet->SetSelection(0, 1);
    this->sheet->ReplaceSelection("");
    EXPECT_EQ(this->changes, 3);
}

TYPED_TEST(SheetControlTest, SetTextPutsTheCaretAtTheStart)
{
    this->Load("abc\r\ndef", 5);
    this->sheet->SetText("xyz");
    EXPECT_EQ(this->Selected(), (Sel{0, 0}));
}

TYPED_TEST(SheetControlTest, UndoAfterReplaceSelectionChangesNothing)
{
    this->Load("1+1", 3);
    this->sheet->ReplaceSelection("\r\n2\r\n");
    const int before = this->changes;
    this->sheet->Undo();
    EXPECT_EQ(this->sheet->GetText(), "1+1\r\n2\r\n");
    EXPECT_EQ(this->sheet->LineIndex(2), 8u);
    EXPECT_EQ(this->changes, before);
}

TYPED_TEST(SheetControlTest, UndoAfterSetTextChangesNothing)
{
    this->Load("abc");
    this->sheet->Undo();
    EXPECT_EQ(this->sheet->GetText(), "abc");
    EXPECT_EQ(this->changes, 0);
}

TYPED_TEST(SheetControlTest, CopyAndPasteJapaneseText)
{
    this->Load(Sjis("日本語\r\n"));
    this->sheet->SetSelection(0, 4);
    this->sheet->Copy();
    EXPECT_EQ(this->changes, 0);
    this->sheet->SetSelection(8, 8);
    this->sheet->Paste();
    EXPECT_EQ(this->sheet->GetText(), Sjis("日本語\r\n日本"));
    EXPECT_EQ(this->Selected(), (Sel{12, 12}));
    EXPECT_EQ(this->changes, 1);
    this->sheet->Undo();
    EXPECT_EQ(this->sheet->GetText(), Sjis("日本語\r\n"));
    EXPECT_EQ(this->changes, 2);
}

TYPED_TEST(SheetControlTest, CutAndPasteJapaneseTextAcrossLines)
{
    this->Load(Sjis("日本\r\n語"));
    this->sheet->SetSelection(2, 8);
    this->sheet->Cut();
    EXPECT_EQ(this->sheet->GetText(), Sjis("日"));
    EXPECT_EQ(this->changes, 1);
    this->sheet->SetSelection(0, 0);
    this->sheet->Paste();
    EXPECT_EQ(this->sheet->GetText(), Sjis("本\r\n語日"));
    EXPECT_EQ(this->sheet->LineIndex(1), 4u);
    EXPECT_EQ(this->changes, 2);
}

TYPED_TEST(SheetControlTest, CopyKeepsLoneCrAndLfAndStrayBytes)
{
    const std::string line = "a\rb\nc\x81";
    this->Load(line + "\r\n");
    this->sheet->SetSelection(0, line.size());
    this->sheet->Copy();
    this->sheet->SetSelection(line.size() + 2, line.size() + 2);
    this->sheet->Paste();
    EXPECT_EQ(this->sheet->GetText(), line + "\r\n" + line);
}

TYPED_TEST(SheetControlTest, CopyWithoutSelectionLeavesTheClipboard)
{
    this->Load("abc");
    this->sheet->SetSelection(0, 1);
    this->sheet->Copy();
    this->sheet->SetSelection(2, 2);
    this->sheet->Copy();
    this->sheet->Cut();
    this->sheet->Paste();
    EXPECT_EQ(this->sheet->GetText(), "abac");
}

TYPED_TEST(SheetControlTest, ScrollLinesAndFirstVisibleLine)
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += std::to_string(i) + "\r\n";
    this->Load(text);
    EXPECT_EQ(this->sheet->FirstVisibleLine(), 0u);
    this->sheet->ScrollLines(10);
    EXPECT_EQ(this->sheet->FirstVisibleLine(), 10u);
    this->sheet->ScrollLines(-3);
    EXPECT_EQ(this->sheet->FirstVisibleLine(), 7u);
    this->sheet->ScrollLines(-100);
    EXPECT_EQ(this->sheet->FirstVisibleLine(), 0u);
}

TYPED_TEST(SheetControlTest, RedrawAndFocusDoNotChangeTheText)
{
    this->Load("1+2", 1);
    this->sheet->SetRedraw(false);
    this->sheet->ReplaceSelection("0");
    this->sheet->SetRedraw(true);
    this->sheet->Focus();
    this->sheet->ScrollCaret();
    EXPECT_EQ(this->sheet->GetText(), "10+2");
    EXPECT_EQ(this->changes, 1);
}

// The Enter command's steps on the last line of a sheet of several chunks of lines.
TYPED_TEST(SheetControlTest, EnterStepsOnTheLastLineOfALongSheet)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += (i % 7 == 0 ? Sjis("税込") : std::string()) + std::to_string(i) + "*3\r\n";
    text += "12+30";
    this->Load(text, text.size());
    const std::size_t line = this->sheet->CurrentLine();
    EXPECT_EQ(line, 3000u);
    const std::size_t start = this->sheet->LineIndex(line);
    EXPECT_EQ(start, text.size() - 5);
    EXPECT_EQ(this->sheet->LineLength(start), 5u);
    EXPECT_EQ(this->sheet->GetLine(line), "12+30");
    this->sheet->SetSelection(start + 5, start + 5);
    this->sheet->ScrollCaret();
    this->sheet->ReplaceSelection("\r\n42\r\n");
    EXPECT_EQ(this->sheet->CurrentLine(), 3002u);
    EXPECT_EQ(this->sheet->LineIndex(3002), text.size() + 6);
    EXPECT_EQ(this->sheet->GetText(), text + "\r\n42\r\n");
}

// ---- Both implementations against each other on random text and random edits.

std::string RandomBytes(std::mt19937& random, std::size_t length, bool allBytes)
{
    static constexpr unsigned char kTwoCodeLeads[] = {0x87, 0xED, 0xEE, 0xFA, 0xFB, 0xFC};
    std::string bytes;
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> any(1, 255);
    std::uniform_int_distribution<int> lead(0, 59);
    std::uniform_int_distribution<int> trail(0x40, 0xFC);
    while (bytes.size() < length) {
        const int k = kind(random);
        unsigned char b;
        if (k == 0) {
            b = '\r';
        } else if (k == 1) {
            b = '\n';
        } else if (k <= 4) {
            const int l = lead(random);
            b = static_cast<unsigned char>(l < 31 ? 0x81 + l : 0xE0 + (l - 31));
        } else if (k <= 6) {
            b = static_cast<unsigned char>(trail(random));
        } else {
            b = static_cast<unsigned char>(any(random));
        }
        if (!allBytes && std::find(std::begin(kTwoCodeLeads), std::end(kTwoCodeLeads), b) !=
                             std::end(kTwoCodeLeads))
            continue;
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

// The lines of `text` and their offsets agree with what the sheet reports.
void ExpectLinesAgree(const ISheetControl& sheet, const std::string& text)
{
    std::size_t start = 0;
    std::size_t line = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        ASSERT_EQ(sheet.LineIndex(line), start) << "line " << line;
        ASSERT_EQ(sheet.LineLength(start), stop - start) << "line " << line;
        ASSERT_EQ(sheet.GetLine(line), text.substr(start, stop - start)) << "line " << line;
        if (end == std::string::npos)
            break;
        start = end + 2;
        ++line;
    }
    ASSERT_EQ(sheet.LineIndex(line + 1), text.size());
}

TEST(SheetEditRoundTrip, RandomBytesComeBackAsTheyWent)
{
    auto edit = MakeEdit();
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> length(0, 600);
    for (int i = 0; i < 300; ++i) {
        const std::string bytes = RandomBytes(random, i % 50 == 0 ? 5000 : length(random), false);
        edit->SetText(bytes);
        const std::string back = edit->GetText();
        ASSERT_EQ(back, bytes) << "string " << i;
        ExpectLinesAgree(*edit, back);
    }
}

// With characters that have two codes, the text keeps its length and reads as what it shows.
TEST(SheetEditRoundTrip, AnyBytesComeBackSteady)
{
    auto edit = MakeEdit();
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> length(0, 400);
    for (int i = 0; i < 200; ++i) {
        const std::string bytes = RandomBytes(random, length(random), true);
        edit->SetText(bytes);
        const std::string back = edit->GetText();
        ASSERT_EQ(back.size(), bytes.size()) << "string " << i;
        ASSERT_EQ(Utf16ToCp932(Cp932ToUtf16(back)), back) << "string " << i;
        edit->SetText(back);
        ASSERT_EQ(edit->GetText(), back) << "string " << i;
        ExpectLinesAgree(*edit, back);
    }
}

TEST(SheetControlConformance, RandomEditsAgree)
{
    auto edit = MakeEdit();
    CMemorySheet memory;
    int editChanges = 0;
    int memoryChanges = 0;
    edit->SetChangeHandler([&] { ++editChanges; });
    memory.SetChangeHandler([&] { ++memoryChanges; });
    std::mt19937 random(99);
    for (int round = 0; round < 60; ++round) {
        const std::string text = RandomBytes(random, round % 10 == 0 ? 6000 : 300, true);
        edit->SetText(text);
        memory.SetText(text);
        ASSERT_EQ(edit->GetText(), memory.GetText());
        for (int step = 0; step < 40; ++step) {
            const std::size_t size = memory.GetText().size();
            std::uniform_int_distribution<std::size_t> offset(0, size + 3);
            const std::size_t a = offset(random);
            const std::size_t b = step % 3 == 0 ? a : offset(random);
            edit->SetSelection(a, b);
            memory.SetSelection(a, b);
            ASSERT_EQ(edit->GetSelection(), memory.GetSelection()) << a << ' ' << b;
            ASSERT_EQ(edit->CurrentLine(), memory.CurrentLine());
            ASSERT_EQ(edit->LineLength(a), memory.LineLength(a));
            const std::size_t line = memory.CurrentLine();
            ASSERT_EQ(edit->LineIndex(line), memory.LineIndex(line));
            ASSERT_EQ(edit->GetLine(line), memory.GetLine(line));
            const std::string insert =
                RandomBytes(random, static_cast<std::size_t>(step % 6), true);
            edit->ReplaceSelection(insert);
            memory.ReplaceSelection(insert);
            ASSERT_EQ(edit->GetText(), memory.GetText()) << "round " << round << " step " << step;
            ASSERT_EQ(edit->GetSelection(), memory.GetSelection());
        }
        ExpectLinesAgree(*edit, edit->GetText());
    }
    EXPECT_EQ(editChanges, memoryChanges);
}

// ---- The real control only: keys, input methods, the desktop clipboard.

class SheetEditTest : public testing::Test
{
protected:
    void SetUp() override
    {
        edit = MakeEdit();
        edit->SetChangeHandler([this] { ++changes; });
        QObject::connect(edit.get(), &CSheetEdit::EnterPressed, [this] { ++enters; });
    }

    void Load(std::string_view text, std::size_t caret)
    {
        edit->SetText(text);
        edit->SetSelection(caret, caret);
        changes = 0;
    }

    void Key(int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(edit.get(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(edit.get(), &release);
    }

    void Preedit(const QString& text)
    {
        QInputMethodEvent event(text, {});
        QApplication::sendEvent(edit.get(), &event);
    }

    void Commit(const QString& text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(edit.get(), &event);
    }

    QString Shown() const { return edit->document()->toRawText(); }

    std::unique_ptr<CSheetEdit> edit;
    int changes = 0;
    int enters = 0;
};

TEST_F(SheetEditTest, LoneCrAndLfShowAsMarks)
{
    Load("a\rb\r\nc\nd", 0);
    EXPECT_EQ(Shown(), QString::fromUtf16(u"a\u240Db\u2029c\u240Ad"));
    EXPECT_EQ(edit->document()->blockCount(), 2);
}

// Both bars always show, disabled while there is nothing to scroll; lines scroll until the last
// line is the top line, and the bar's range follows the text again once scrolled back.
TEST_F(SheetEditTest, ScrollBarsShowAlwaysAndScrollPastTheEnd)
{
    edit->resize(200, 120);
    edit->show();
    QApplication::processEvents();
    QScrollBar* vertical = edit->verticalScrollBar();
    QScrollBar* horizontal = edit->horizontalScrollBar();
    EXPECT_TRUE(vertical->isVisible() && horizontal->isVisible());
    EXPECT_FALSE(vertical->isEnabled() || horizontal->isEnabled());

    std::string text;
    // Appended piece by piece: the sum of the pieces makes GCC 12 at -O3 warn falsely
    // (-Wrestrict) about the copy in operator+'s insert at the front.
    for (int i = 0; i < 40; ++i)
        text.append(std::to_string(i)).append(i == 7 ? 200 : 1, 'x').append("\r\n");
    Load(text, 0); // 41 lines, one too wide for the sheet
    QApplication::processEvents();
    EXPECT_TRUE(vertical->isEnabled() && horizontal->isEnabled());
    const int textEnd = vertical->maximum();
    ASSERT_LT(textEnd, 40);

    edit->ScrollLines(1000);
    EXPECT_EQ(edit->FirstVisibleLine(), 40u);
    EXPECT_EQ(edit->cursorForPosition(QPoint(1, 1)).blockNumber(), 40);
    edit->resize(210, 130); // the edit control sets its range again: the top line stays
    QApplication::processEvents();
    EXPECT_EQ(edit->FirstVisibleLine(), 40u);

    edit->ScrollLines(-1000);
    EXPECT_EQ(edit->FirstVisibleLine(), 0u);
    EXPECT_LE(vertical->maximum(), textEnd + 1);
    EXPECT_EQ(edit->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(SheetEditTest, TypedTextIsEncoded)
{
    Load("1", 1);
    Key(Qt::Key_Plus, "+");
    Key(Qt::Key_unknown, QString::fromUtf8("あ"));
    Key(Qt::Key_unknown, QString::fromUtf8("😀"));
    Key(Qt::Key_unknown, QString::fromUtf8("é"));
    EXPECT_EQ(edit->GetText(), "1+" + Sjis("あ") + "??");
    EXPECT_EQ(edit->GetSelection(), (Sel{6, 6}));
    EXPECT_EQ(changes, 4);
}

TEST_F(SheetEditTest, TypedMinusSignShowsAsItsWindowsForm)
{
    Load("", 0);
    Key(Qt::Key_unknown, QString::fromUtf16(u"\u2212"));
    EXPECT_EQ(edit->GetText(), "\x81\x7c");
    EXPECT_EQ(Shown(), QString::fromUtf16(u"\uFF0D"));
}

TEST_F(SheetEditTest, TypedControlPictureIsNotALineBreakByte)
{
    Load("", 0);
    Key(Qt::Key_unknown, QString::fromUtf16(u"\u240D"));
    EXPECT_EQ(edit->GetText(), "?");
}

TEST_F(SheetEditTest, InputMethodCommitIsEncoded)
{
    Load("", 0);
    Commit(QString::fromUtf8("日本😀"));
    EXPECT_EQ(edit->GetText(), Sjis("日本") + "?");
    EXPECT_EQ(changes, 1);
}

TEST_F(SheetEditTest, InputMethodCommitWithLineBreaks)
{
    Load("", 0);
    Commit(QString::fromUtf8("1\n2"));
    EXPECT_EQ(edit->GetText(), "1\r\n2");
}

TEST_F(SheetEditTest, EnterRaisesTheSignalAndInsertsNothing)
{
    Load("1+2", 3);
    Key(Qt::Key_Return, "\r");
    Key(Qt::Key_Enter, "\r", Qt::KeypadModifier);
    Key(Qt::Key_Return, "\r", Qt::ShiftModifier);
    EXPECT_EQ(enters, 3);
    EXPECT_EQ(edit->GetText(), "1+2");
    EXPECT_EQ(changes, 0);
}

TEST_F(SheetEditTest, EnterDuringACompositionOnlyConfirmsIt)
{
    Load("1", 1);
    Preedit(QString::fromUtf8("にほん"));
    EXPECT_EQ(changes, 0);
    Key(Qt::Key_Return, "\r");
    EXPECT_EQ(enters, 0);
    EXPECT_EQ(edit->GetText(), "1");
    Commit(QString::fromUtf8("日本"));
    // Appended, not "1" + Sjis(...): GCC 12 at -O3 warns falsely (-Wrestrict) about the copy in
    // operator+'s insert at the front.
    EXPECT_EQ(edit->GetText(), std::string("1").append(Sjis("日本")));
    EXPECT_EQ(changes, 1);
    Key(Qt::Key_Return, "\r");
    EXPECT_EQ(enters, 1);
}

TEST_F(SheetEditTest, PasteFromTheDesktopClipboardIsEncoded)
{
    Load("", 0);
    QGuiApplication::clipboard()->setText(QString::fromUtf8("é5"));
    edit->Paste();
    EXPECT_EQ(edit->GetText(), "?5");
    QGuiApplication::clipboard()->setText(QString::fromUtf8("a\nb\r\nc\rd"));
    Key(Qt::Key_V, "\x16", Qt::ControlModifier);
    EXPECT_EQ(edit->GetText(), "?5a\r\nb\r\nc\r\nd");
    EXPECT_EQ(changes, 2);
}

TEST_F(SheetEditTest, CopyPutsUnicodeTextAndBytesOnTheClipboard)
{
    Load(Sjis("日本\r\n語\r"), 0);
    edit->SetSelection(2, 9);
    edit->Copy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QString::fromUtf8("本\n語\r"));
    EXPECT_EQ(data->data(CSheetEdit::kBytesMimeType).toStdString(), Sjis("本\r\n語\r"));
}

TEST_F(SheetEditTest, CutAndPasteWithKeys)
{
    Load(Sjis("日本語"), 0);
    edit->SetSelection(2, 4);
    Key(Qt::Key_X, "\x18", Qt::ControlModifier);
    EXPECT_EQ(edit->GetText(), Sjis("日語"));
    edit->SetSelection(4, 4);
    Key(Qt::Key_V, "\x16", Qt::ControlModifier);
    EXPECT_EQ(edit->GetText(), Sjis("日語本"));
    Key(Qt::Key_Z, "\x1a", Qt::ControlModifier);
    EXPECT_EQ(edit->GetText(), Sjis("日語"));
    EXPECT_EQ(changes, 3);
}

TEST_F(SheetEditTest, DropIsEncoded)
{
    Load("", 0);
    QMimeData data;
    data.setText(QString::fromUtf8("😀x"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit->viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit->viewport(), &drop);
    EXPECT_EQ(edit->GetText(), "?x");
}

// A NUL from outside would cut the sheet where its file is read back: it enters as '?'.
TEST_F(SheetEditTest, NulFromOutsideEntersAsQuestionMark)
{
    const QString withNul = QString::fromUtf16(u"1\u00002", 3);
    Load("", 0);
    Key(Qt::Key_unknown, QString(QChar(u'\0')));
    Commit(withNul);
    QGuiApplication::clipboard()->setText(withNul);
    edit->Paste();
    auto* exact = new QMimeData;
    exact->setData(CSheetEdit::kBytesMimeType, QByteArray("3\0\x82\xa0", 4));
    QGuiApplication::clipboard()->setMimeData(exact);
    edit->Paste();
    EXPECT_EQ(edit->GetText(), "?1?21?23?" + Sjis("あ"));

    Load("", 0);
    QMimeData dropped;
    dropped.setText(withNul);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit->viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit->viewport(), &drop);
    EXPECT_EQ(edit->GetText(), "1?2");
}

TEST_F(SheetEditTest, TypingAfterAStrayLeadByteJoinsIt)
{
    Load("\x81", 1);
    Key(Qt::Key_At, "@");
    EXPECT_EQ(edit->GetText(), "\x81@");
    EXPECT_EQ(Shown().size(), 1);
    EXPECT_EQ(edit->LineLength(0), 2u);
    EXPECT_EQ(changes, 1);
}

TEST_F(SheetEditTest, BackspaceJoiningCrAndLfMakesALineBreak)
{
    Load("a\r\r\n\nb", 4);
    Key(Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit->GetText(), "a\r\nb");
    EXPECT_EQ(edit->document()->blockCount(), 2);
    EXPECT_EQ(edit->GetLine(1), "b");
    EXPECT_EQ(changes, 1);
    // The repair could not share the key's undo step, so there is nothing to undo.
    edit->Undo();
    EXPECT_EQ(edit->GetText(), "a\r\nb");
    EXPECT_EQ(edit->document()->blockCount(), 2);
}

TEST_F(SheetEditTest, PasteAfterAStrayLeadByteUndoesInOneStep)
{
    Load("1\x81", 2);
    QGuiApplication::clipboard()->setText("@2");
    edit->Paste();
    EXPECT_EQ(edit->GetText(), "1\x81@2");
    EXPECT_EQ(Shown().size(), 3);
    edit->Undo();
    EXPECT_EQ(edit->GetText(), "1\x81");
    EXPECT_EQ(edit->LineLength(0), 2u);
}

TEST_F(SheetEditTest, CompositionAloneIsNoChange)
{
    Load("1", 1);
    Preedit(QString::fromUtf8("に"));
    Preedit(QString::fromUtf8("にほ"));
    Preedit(QString());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(edit->GetText(), "1");
}

TEST_F(SheetEditTest, TypingCanBeUndone)
{
    Load("1", 1);
    Key(Qt::Key_Plus, "+");
    Key(Qt::Key_2, "2");
    edit->Undo();
    EXPECT_EQ(edit->GetText(), "1");
    EXPECT_EQ(edit->LineLength(0), 1u);
}

TEST_F(SheetEditTest, EditsKeepTheLineTableRight)
{
    std::string text;
    for (int i = 0; i < 2500; ++i)
        text += std::to_string(i) + (i % 5 == 0 ? Sjis("円") : "") + "\r\n";
    Load(text, 0);
    std::mt19937 random(5);
    for (int step = 0; step < 150; ++step) {
        const std::size_t size = edit->GetText().size();
        std::uniform_int_distribution<std::size_t> offset(0, size);
        const std::size_t a = offset(random);
        const std::size_t b = step % 4 == 0 ? std::min(size, a + 4000) : offset(random);
        edit->SetSelection(a, step % 2 == 0 ? a : b);
        if (step % 3 == 0)
            Key(Qt::Key_Backspace, "\b");
        else if (step % 3 == 1)
            Key(Qt::Key_unknown, QString::fromUtf8("税"));
        else
            edit->ReplaceSelection(step % 2 == 0 ? "\r\n1\r\n2" : "");
        ExpectLinesAgree(*edit, edit->GetText());
    }
}

TEST_F(SheetEditTest, RedrawOffSuspendsPainting)
{
    edit->SetRedraw(false);
    EXPECT_FALSE(edit->updatesEnabled());
    edit->SetRedraw(true);
    EXPECT_TRUE(edit->updatesEnabled());
}

} // namespace
