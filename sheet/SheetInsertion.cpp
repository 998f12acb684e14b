#include "SheetInsertion.h"

#include <string>

namespace {

// Whether the selection's bytes are `text`. Reads only the lines the selection spans.
bool SelectionHolds(const ISheetControl& sheet, ISheetControl::Selection selection,
                    std::string_view text)
{
    if (selection.end - selection.start != text.size())
        return false;
    std::size_t line = sheet.CurrentLine(); // the line of the selection's start
    const std::size_t lineStart = sheet.LineIndex(line);
    if (lineStart > selection.start)
        return false;
    // The sheet's bytes from that line's start up to the selection's end; every pass adds at
    // least the two bytes of a line break.
    std::string bytes = sheet.GetLine(line);
    const std::size_t wanted = selection.end - lineStart;
    while (bytes.size() < wanted) {
        bytes += "\r\n";
        bytes += sheet.GetLine(++line);
    }
    return std::string_view(bytes).substr(selection.start - lineStart, text.size()) == text;
}

} // namespace

void InsertAtSelection(ISheetControl& sheet, std::string_view text)
{
    const ISheetControl::Selection selection = sheet.GetSelection();
    if (SelectionHolds(sheet, selection, text)) {
        sheet.SetSelection(selection.end, selection.end);
        return;
    }
    sheet.ReplaceSelection(text);
}
