#include "LogPositioning.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::size_t kLinesAboveCaret = 5;
constexpr std::string_view kSixLineBreaks = "\r\n\r\n\r\n\r\n\r\n\r\n";

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
        const std::size_t down = caretLine - firstVisible - kLinesAboveCaret;
        // A sheet has far fewer lines than ptrdiff_t can count; clamp all the same.
        constexpr auto kMax = static_cast<std::size_t>(PTRDIFF_MAX);
        sheet.ScrollLines(static_cast<std::ptrdiff_t>(down < kMax ? down : kMax));
        sheet.SetSelection(end, end);
        sheet.ScrollCaret();
    }
}
