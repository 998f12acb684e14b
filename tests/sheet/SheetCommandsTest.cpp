#include "DisplaySettings.h"
#include "EnterCommand.h"
#include "Keypad.h"
#include "TemplateText.h"

#include "Cp932Codec.h"
#include "MemorySettingsStore.h"
#include "MemorySheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace {

// The sheet with `text` and the caret at `caret`.
void Load(CMemorySheet& sheet, std::string_view text, std::size_t caret)
{
    sheet.SetText(text);
    sheet.SetSelection(caret, caret);
}

// Enter writes CR LF, the answer, CR LF after the caret's whole line.
TEST(EnterCommand, AnswersTheCaretLine)
{
    const struct
    {
        const char* text;
        std::size_t start, end;
        const char* after;
        std::size_t caret;
    } rows[] = {
        {"3+5", 1, 1, "3+5\r\n8\r\n", 8},                  // caret inside the line
        {"3+5\r\n1+1", 0, 0, "3+5\r\n8\r\n\r\n1+1", 8},    // an empty line before the next
        {"1+1\r\n\r\n2*3", 5, 5, "1+1\r\n\r\n\r\n2*3", 7}, // an empty line: CR LF only
        {"2*3\r\n4/0", 1, 7, "2*3\r\n6\r\n\r\n4/0", 8},    // a selection across lines
        {"3+5", 2, 3, "3+5\r\n8\r\n", 8},                  // a selection at the end stays
        {"   ", 3, 3, "   \r\n\r\n", 7},                   // blanks: no message
        {"1/0", 3, 3, "1/0\r\n0\x82\xC5\x8F\x9C\x8E\x5A\x82\xB5\x82\xDC\x82\xB5\x82\xBD\r\n", 22},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        CMemorySheet sheet;
        sheet.SetText(row.text);
        sheet.SetSelection(row.start, row.end);
        double last = 0;
        RunEnterCommand(sheet, false, last);
        EXPECT_EQ(sheet.GetText(), row.after);
        EXPECT_EQ(sheet.GetSelection().start, row.caret);
        EXPECT_EQ(sheet.FocusCount(), 1);
    }
}

// The comma option writes the comma form; an error keeps the last answer.
TEST(EnterCommand, CommaFormAndLastAnswer)
{
    CMemorySheet sheet;
    Load(sheet, "1234567", 7);
    double last = 0;
    RunEnterCommand(sheet, true, last);
    EXPECT_EQ(sheet.GetText(), "1234567\r\n1,234,567\r\n");
    EXPECT_EQ(last, 1234567);
    Load(sheet, "1,234,567\r\n(1", 12);
    RunEnterCommand(sheet, false, last);
    EXPECT_EQ(last, 1234567);
}

// Keys insert their text over the selection; memory keys work on the last answer only.
TEST(Keypad, InsertsAndWorksTheMemory)
{
    CMemorySheet sheet;
    double last = 0, memory = 0;
    for (const int id : {ID_KEY_0 + 7, static_cast<int>(ID_KEY_PLUS), ID_KEY_0 + 5})
        RunKeypadCommand(id, sheet, false, last, memory);
    EXPECT_EQ(sheet.GetText(), "7+5");
    RunEnterCommand(sheet, false, last);
    EXPECT_EQ(last, 12);
    RunKeypadCommand(ID_KEY_MS, sheet, false, last, memory);
    RunKeypadCommand(ID_KEY_MPLUS, sheet, false, last, memory);
    EXPECT_EQ(memory, 24);
    Load(sheet, "", 0);
    RunKeypadCommand(ID_KEY_MR, sheet, false, last, memory);
    EXPECT_EQ(sheet.GetText(), "24");

    const std::pair<double, const char*> recalls[] = {
        {0, "0"}, {1.0 / 3, "0.333333"}, {1234567, "1.23457e+06"}, {-5, "-5"}};
    for (const auto& [value, text] : recalls) {
        Load(sheet, "", 0);
        memory = value;
        RunKeypadCommand(ID_KEY_MR, sheet, false, last, memory);
        EXPECT_EQ(sheet.GetText(), text);
    }
    memory = 0;
    last = 5;
    RunKeypadCommand(ID_KEY_MMINUS, sheet, false, last, memory);
    EXPECT_EQ(memory, -5);
    RunKeypadCommand(ID_KEY_MC, sheet, false, last, memory);
    EXPECT_EQ(memory, 0);

    Load(sheet, "abc", 0);
    sheet.SetSelection(0, 3);
    RunKeypadCommand(ID_KEY_SQR, sheet, false, last, memory);
    EXPECT_EQ(sheet.GetText(), "sqr");
    for (int id : {2033, 2034, 2044, 2100}) {
        const int focused = sheet.FocusCount();
        RunKeypadCommand(id, sheet, false, last, memory);
        EXPECT_EQ(sheet.GetText(), "sqr");
        EXPECT_EQ(sheet.FocusCount(), focused + 1);
    }
    EXPECT_EQ(RunKeypadCommand(ID_KEY_P1 + 2, sheet, false, last, memory).templateNumber, 3);
}

// TAX puts "*1.05" at the caret and answers the whole line at once.
TEST(Keypad, Tax)
{
    CMemorySheet sheet;
    Load(sheet, "100+5", 3);
    double last = 0, memory = 0;
    RunKeypadCommand(ID_KEY_TAX, sheet, false, last, memory);
    EXPECT_EQ(sheet.GetText(), "100*1.05+5\r\n110\r\n");
    Load(sheet, "", 0);
    RunKeypadCommand(ID_KEY_TAX, sheet, false, last, memory);
    EXPECT_EQ(sheet.GetText(),
              "*1."
              "05\r\n\x8C\x76\x8E\x5A\x8E\xAE\x82\xC9\x88\xD9\x8F\xED\x82\xAA\x82\xA0"
              "\x82\xE8\x82\xDC\x82\xB7\r\n");
}

// Every key of the table has a unique id in the keypad's range.
TEST(Keypad, TableOfKeys)
{
    EXPECT_EQ(KeypadKeys().size(), 42u);
    std::vector<int> ids;
    for (const KeypadKey& key : KeypadKeys()) {
        EXPECT_GE(key.id, ID_KEY_0);
        EXPECT_LE(key.id, ID_KEY_LAST);
        ids.push_back(key.id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

// Placeholders: names in order, each once; replacements one name after another.
TEST(TemplateText, NamesAndFilling)
{
    const struct
    {
        const char* content;
        std::vector<std::string> names;
        std::vector<std::string> values;
        const char* filled;
    } rows[] = {
        {"3*[a]+[b]*[a]", {"a", "b"}, {"2", "5"}, "3*2+5*2"},
        {"[x or a]b[", {"x or a"}, {"1"}, "1b["},
        {"x or a]b[", {}, {}, "x or a]b["},
        {"[]+1", {""}, {"7"}, "7+1"},
        {"[A]+[a]+[ a]", {"A", "a", " a"}, {"1", "2", "3"}, "1+2+3"},
        {"[[a]+1", {"[a"}, {"4"}, "4+1"},
        {"5[u]", {"u"}, {""}, "5"},
        {"[a]+[b]", {"a", "b"}, {"[b]", "1"}, "1+1"},
        {"[a]+[b]", {"a", "b"}, {"1", "[a]"}, "1+[a]"},
        {"[1][2][3][4][5][6]",
         {"1", "2", "3", "4", "5", "6"},
         {"a", "b", "c", "d", "e"},
         "abcde[6]"},
        // A value that ends in a lead byte takes the next byte as its trail byte, as the
        // text's characters are read from its start.
        {"[a][b]", {"a", "b"}, {"\x81", "x"}, "\x81[b]"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.content);
        EXPECT_EQ(CollectTemplateNames(row.content), row.names);
        EXPECT_EQ(FillTemplate(row.content, row.names, row.values), row.filled);
    }
    // データ: the long-vowel mark's second byte is '[' (0x815B); it is part of the name.
    const std::string data = Utf8ToCp932("[データ]*2");
    EXPECT_EQ(CollectTemplateNames(data), std::vector<std::string>{Utf8ToCp932("データ")});
    EXPECT_FALSE(HasPlaceholderStart(Utf8ToCp932("データ")));
    EXPECT_EQ(FillTemplate(data, {Utf8ToCp932("データ")}, {"3"}), "3*2");
}

// Defaults with an empty store; the low byte of Italic and Underline counts; TabNo below 1 is 8.
TEST(DisplaySettings, ReadAndWrite)
{
    CMemorySettingsStore store;
    SheetFontSettings font = ReadSheetFont(store);
    EXPECT_EQ(font.faceName, "FIXEDSYS");
    EXPECT_EQ(font.size, 16);
    EXPECT_EQ(font.weight, 400);
    EXPECT_FALSE(font.italic || font.underline);
    EXPECT_EQ(ReadTabWidth(store), 8);
    EXPECT_FALSE(ReadCommaOption(store));

    store.WriteInt("Font", "Italic", 256);
    store.WriteInt("Font", "Underline", 257);
    store.WriteInt("View", "TabNo", 0);
    store.WriteInt("View", "Comma", 5);
    font = ReadSheetFont(store);
    EXPECT_FALSE(font.italic);
    EXPECT_TRUE(font.underline);
    EXPECT_EQ(ReadTabWidth(store), 8);
    EXPECT_TRUE(ReadCommaOption(store));
    WriteCommaOption(store, true);
    EXPECT_EQ(store.Value("View", "Comma"), "1");

    font.size = -16;
    font.weight = 700;
    font.italic = true;
    ASSERT_TRUE(WriteSheetFont(store, font));
    EXPECT_EQ(store.Value("Font", "Size"), "-16");
    EXPECT_EQ(store.Value("Font", "Italic"), "1");
    EXPECT_EQ(store.Value("Font", "Underline"), "1");
    store.WriteInt("View", "TabNo", 4);
    EXPECT_EQ(ReadTabWidth(store), 4);
}

} // namespace
