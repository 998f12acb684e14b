#include "Keypad.h"

#include "EnterCommand.h"
#include "NumberText.h"
#include "SheetInsertion.h"

#include <array>
#include <string>

namespace {

constexpr int kW = 23; // buttons are 23 units wide unless a row says otherwise

constexpr std::array<KeypadKey, 42> kKeys = {{
    {ID_KEY_ROUND, "ROUND", "round(", 236, 6, 28, 13},
    {ID_KEY_EXP, "exp", "exp", 267, 6, kW, 13},
    {ID_KEY_LOG, "log", "log", 293, 6, kW, 13},
    {ID_KEY_LN, "ln", "ln", 320, 6, kW, 13},
    {ID_KEY_SQR, "√", "sqr", 346, 6, kW, 13},
    {ID_KEY_ROUNDUP, "RU", "roundup(", 236, 21, 28, 13},
    {ID_KEY_ABS, "abs", "abs(", 267, 21, kW, 13},
    {ID_KEY_SIN, "sin", "sin", 293, 21, kW, 13},
    {ID_KEY_COS, "cos", "cos", 320, 21, kW, 13},
    {ID_KEY_TAN, "tan", "tan", 346, 21, kW, 13},
    {ID_KEY_ROUNDDOWN, "RD", "rounddown(", 236, 36, 28, 13},
    {ID_KEY_INT, "int", "int(", 267, 36, kW, 13},
    {ID_KEY_OPEN, "(", "(", 293, 36, kW, 13},
    {ID_KEY_CLOSE, ")", ")", 320, 36, kW, 13},
    {ID_KEY_POWER, "^", "^", 346, 36, kW, 13},
    {ID_KEY_P1, "P1", nullptr, 234, 57, kW, 17},
    {ID_KEY_P1 + 1, "P2", nullptr, 261, 57, kW, 17},
    {ID_KEY_P1 + 2, "P3", nullptr, 287, 57, kW, 17},
    {ID_KEY_P1 + 3, "P4", nullptr, 314, 57, kW, 17},
    {ID_KEY_P5, "P5", nullptr, 343, 57, kW, 17},
    {ID_KEY_MS, "MS", nullptr, 234, 81, kW, 17},
    {ID_KEY_MR, "MR", nullptr, 261, 81, kW, 17},
    {ID_KEY_MC, "MC", nullptr, 288, 81, kW, 17},
    {ID_KEY_MPLUS, "M+", nullptr, 315, 81, kW, 17},
    {ID_KEY_MMINUS, "M-", nullptr, 342, 81, kW, 17},
    {ID_KEY_0 + 7, "7", "7", 234, 106, kW, 17},
    {ID_KEY_0 + 8, "8", "8", 261, 106, kW, 17},
    {ID_KEY_0 + 9, "9", "9", 287, 106, kW, 17},
    {ID_KEY_TAX, "TAX", nullptr, 315, 106, 50, 16},
    {ID_KEY_0 + 4, "4", "4", 234, 126, kW, 17},
    {ID_KEY_0 + 5, "5", "5", 261, 126, kW, 17},
    {ID_KEY_0 + 6, "6", "6", 287, 126, kW, 17},
    {ID_KEY_MULTIPLY, "*", "*", 314, 126, kW, 17},
    {ID_KEY_DIVIDE, "/", "/", 343, 126, kW, 17},
    {ID_KEY_0 + 1, "1", "1", 234, 146, kW, 17},
    {ID_KEY_0 + 2, "2", "2", 261, 146, kW, 17},
    {ID_KEY_0 + 3, "3", "3", 287, 146, kW, 17},
    {ID_KEY_PLUS, "+", "+", 314, 146, kW, 17},
    {ID_KEY_MINUS, "-", "-", 343, 146, kW, 17},
    {ID_KEY_0, "0", "0", 234, 168, kW, 17},
    {ID_KEY_POINT, ".", ".", 261, 168, kW, 17},
    {ID_KEY_PI, "π", "PI", 287, 168, kW, 17},
}};

const KeypadKey* FindKey(int id)
{
    for (const KeypadKey& key : kKeys)
        if (key.id == id)
            return &key;
    return nullptr;
}

} // namespace

std::span<const KeypadKey> KeypadKeys()
{
    return kKeys;
}

KeypadFollowUp RunKeypadCommand(int id, ISheetControl& sheet, bool comma, double& lastAnswer,
                                double& memory)
{
    KeypadFollowUp followUp;
    switch (id) {
    // The memory keys work on the answer of the last successful Enter, never on the sheet.
    case ID_KEY_MS: memory = lastAnswer; break;
    case ID_KEY_MC: memory = 0; break;
    case ID_KEY_MPLUS: memory = lastAnswer + memory; break;
    case ID_KEY_MMINUS: memory = memory - lastAnswer; break;
    case ID_KEY_MR: InsertAtSelection(sheet, FormatGeneral(memory, 6)); break; // "%g"
    case ID_KEY_TAX:
        InsertAtSelection(sheet, "*1.05");
        RunEnterCommand(sheet, comma, lastAnswer);
        break;
    default:
        if (id >= ID_KEY_P1 && id <= ID_KEY_P5) {
            followUp.templateNumber = id - ID_KEY_P1 + 1;
            return followUp; // the view inserts the template and then gives the focus back
        }
        if (const KeypadKey* key = FindKey(id); key && key->text)
            InsertAtSelection(sheet, key->text);
        break;
    }
    sheet.Focus();
    return followUp;
}
