#include "LogPositioning.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::size_t kLinesAboveCaret = 5;
constexpr std::string_view kSixLineBreaks = "\r\n\r\n\r\n\r\n\r\n\r\n";

// A sheet has far fewer lines than ptrdiff_t can count; clamp all the same.
std::ptrdiff_t LineCount(std::size_t lines)
{
    constexpr auto kMax = static_cast<std::size_t>(PTRDIFF_MAX);
    return static_cast<std::ptrdiff_t>(lines < kMax ? lines : kMax);
}

} // namespace

void PositionLogCaret(ISheetControl& sheet)
{
    const std::size_t end = sheet.LineIndex(SIZE_MAX); // the text's length
    sheet.SetSelection(end, end);
    sheet.ScrollCaret();

    const std::size_t firstVisible = sheet.FirstVisibleLine();
    const std::size_t caretLine = sheet.CurrentLine();
    if (firstVisible + kLinesAboveCaret < caretLine) {
        sheet.ReplaceSelection(kSixLineBreaks);
        // The replacement scrolls its end into view, so the distance to line C - 5 is measured
        // from where the sheet stands now: that line becomes the top line either way.
        const std::size_t top = caretLine - kLinesAboveCaret;
        const std::size_t now = sheet.FirstVisibleLine();
        sheet.ScrollLines(top >= now ? LineCount(top - now) : -LineCount(now - top));
        sheet.SetSelection(end, end);
        sheet.ScrollCaret();
    }
}
