#include "LogPositioning.h"
#include "MemorySheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace {

// The in-memory sheet seen through a window of `rows` lines that scrolls as the real one does:
// a replacement scrolls its end into view, and lines scroll until the last is the top line.
class CWindowedSheet : public CMemorySheet
{
public:
    explicit CWindowedSheet(std::size_t rows) : m_rows(rows) {}

    void ReplaceSelection(std::string_view text) override
    {
        CMemorySheet::ReplaceSelection(text);
        ScrollCaret();
    }

    std::size_t FirstVisibleLine() const override { return m_top; }
    void ScrollCaret() override
    {
        const std::size_t line = CurrentLine();
        if (line < m_top)
            m_top = line;
        else if (line >= m_top + m_rows)
            m_top = line - m_rows + 1;
    }
    void ScrollLines(std::ptrdiff_t lines) override
    {
        const std::size_t last = LineCount() - 1;
        const auto moved = static_cast<std::ptrdiff_t>(m_top) + lines;
        m_top = std::min(last, static_cast<std::size_t>(std::max<std::ptrdiff_t>(moved, 0)));
    }
    std::size_t LineCount() const
    {
        const std::string text = GetText();
        std::size_t lines = 1;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at + 2))
            ++lines;
        return lines;
    }

private:
    std::size_t m_rows;
    std::size_t m_top = 0;
};

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::to_string(i) + "+1\r\n" + std::to_string(i + 1) + "\r\n";
    return text; // ends in CR LF: the caret's line is the empty last one
}

TEST(LogPositioning, ALongLogGetsSixEmptyLinesBelowItsLastLine)
{
    CWindowedSheet sheet(20);
    const std::string log = Lines(50); // 100 lines and the empty last one
    sheet.SetText(log);
    int changes = 0;
    sheet.SetChangeHandler([&changes] { ++changes; });

    PositionLogCaret(sheet);
    EXPECT_EQ(sheet.GetText(), log + "\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(sheet.GetSelection().start, log.size());
    EXPECT_EQ(sheet.GetSelection().end, log.size());
    // The old last line (100, the empty one) is the sixth visible line, in a window of any
    // height that shows more than six lines.
    EXPECT_EQ(sheet.FirstVisibleLine(), 100u - 5u);
    EXPECT_EQ(changes, 1);
    for (const std::size_t rows : {7u, 12u, 200u}) {
        CWindowedSheet other(rows);
        other.SetText(log);
        PositionLogCaret(other);
        EXPECT_EQ(other.FirstVisibleLine(), 100u - 5u) << rows;
    }
}

TEST(LogPositioning, AShortLogIsLeftAsItIs)
{
    for (const int pairs : {0, 1, 2}) {
        CWindowedSheet sheet(20);
        const std::string log = Lines(pairs); // at most 5 lines: the last among the first six
        sheet.SetText(log);
        PositionLogCaret(sheet);
        EXPECT_EQ(sheet.GetText(), log) << pairs;
        EXPECT_EQ(sheet.GetSelection().start, log.size());
    }
}

TEST(LogPositioning, TheBoundaryIsFiveLinesAboveTheCaret)
{
    // With the caret on line 5 nothing is added; on line 6 the lines are added.
    for (const auto& [text, grows] :
         {std::pair{std::string("1\r\n2\r\n3\r\n4\r\n5\r\n6"), false},
          std::pair{std::string("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7"), true}}) {
        CWindowedSheet sheet(40);
        sheet.SetText(text);
        PositionLogCaret(sheet);
        EXPECT_EQ(sheet.GetText().size() > text.size(), grows) << text;
    }
}

} // namespace
