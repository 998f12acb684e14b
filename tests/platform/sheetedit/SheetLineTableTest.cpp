#include "SheetLineTable.h"
#include "SheetText.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace {

// Columns are code page 932 bytes: kanji and full-width forms take two, ASCII, half-width kana,
// the marks of stray lead bytes and lone or paired surrogates (which encode as '?') take one.
TEST(SheetLineTable, ColumnsCountTheBytesEachCharacterEncodesTo)
{
    const std::u16string line = u"a漢ｱ\uF781\U0001F600\xD800＋";
    const std::vector<std::size_t> columnAt = {0, 1, 3, 4, 5, 6, 6, 7, 9}; // per unit position
    for (std::size_t position = 0; position < columnAt.size(); ++position)
        EXPECT_EQ(ColumnOf(line, position), columnAt[position]) << position;
    EXPECT_EQ(ColumnOf(line, 100), 9u);
    // A column inside a character gives the character's start.
    const std::vector<std::size_t> positionOf = {0, 1, 1, 2, 3, 4, 6, 7, 7, 8, 8};
    for (std::size_t column = 0; column < positionOf.size(); ++column)
        EXPECT_EQ(PositionOfColumn(line, column), positionOf[column]) << column;
    EXPECT_EQ(ScanLine(line).bytes, sheettext::ToBytes(QString::fromStdU16String(line)).size());
}

// Random replacements across chunk boundaries agree with a plain list of line lengths.
TEST(SheetLineTable, ReplacementsAgreeWithAPlainList)
{
    std::mt19937 random(7);
    std::vector<std::size_t> model(1500);
    for (std::size_t& bytes : model)
        bytes = random() % 9;
    const auto lines = [](const std::vector<std::size_t>& lengths) {
        std::vector<LineInfo> made;
        for (const std::size_t bytes : lengths)
            made.push_back({bytes, bytes * 31});
        return made;
    };
    CSheetLineTable table;
    table.Assign(lines(model));
    for (int round = 0; round < 300; ++round) {
        const std::size_t first = random() % model.size();
        const std::size_t count = std::min<std::size_t>(random() % 700, model.size() - first - 1);
        std::vector<std::size_t> added(random() % (round % 2 == 0 ? 3 : 800));
        for (std::size_t& bytes : added)
            bytes = random() % 9;
        table.Replace(first, count, lines(added));
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(first),
                    model.begin() + static_cast<std::ptrdiff_t>(first + count));
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(first), added.begin(),
                     added.end());
        ASSERT_EQ(table.Count(), model.size()) << round;
        ASSERT_TRUE(table.Holds(first, lines(added))) << round;
        std::size_t start = 0;
        for (std::size_t line = 0; line < model.size(); line += 1 + random() % 40) {
            start = 0;
            for (std::size_t i = 0; i < line; ++i)
                start += model[i] + 2;
            ASSERT_EQ(table.Start(line), start) << round << ' ' << line;
            const CSheetLineTable::Place place = table.Locate(start + model[line] + 1);
            ASSERT_EQ(place.line, line); // between the CR and the LF: still this line, at its end
            ASSERT_EQ(place.column, model[line]);
        }
    }
}

} // namespace
