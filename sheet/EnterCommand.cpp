#include "EnterCommand.h"

#include "AnswerText.h"
#include "Calculator.h"

int RunEnterCommand(ISheetControl& sheet, bool comma, double& lastAnswer)
{
    const ISheetControl::Selection selection = sheet.GetSelection();
    const std::size_t line = sheet.CurrentLine();
    const std::size_t start = sheet.LineIndex(line);
    const std::size_t length = sheet.LineLength(start);

    if (length == 0) {
        sheet.ReplaceSelection("\r\n");
        sheet.Focus();
        return CALC_EMPTY;
    }

    // The answer goes after the whole line. A selection is dropped first even when it ends at
    // the line's end: replacing it would write the answer over part of the formula.
    const std::size_t lineEnd = start + length;
    if (selection.start != lineEnd || selection.end != lineEnd) {
        sheet.SetSelection(lineEnd, lineEnd);
        sheet.ScrollCaret();
    }

    std::string text = "\r\n";
    const int code = AppendAnswerForLine(text, sheet.GetLine(line), comma, lastAnswer);
    text += "\r\n";
    sheet.ReplaceSelection(text);
    sheet.Focus();
    return code;
}
