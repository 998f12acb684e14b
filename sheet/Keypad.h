#pragma once

#include "ISheetControl.h"

#include <span>

// The keypad beside the sheet: one table of command id, caption, inserted text and place on the
// form (dialog units). Buttons send ids 2000 to 2100 to one handler.

enum KeypadId : int {
    ID_KEY_0 = 2000, // 2000..2009: the digits
    ID_KEY_DIVIDE = 2010,
    ID_KEY_MULTIPLY = 2011,
    ID_KEY_MINUS = 2012,
    ID_KEY_PLUS = 2013,
    ID_KEY_POINT = 2014,
    ID_KEY_SQR = 2015,
    ID_KEY_PI = 2016,
    ID_KEY_POWER = 2017,
    ID_KEY_OPEN = 2018,
    ID_KEY_CLOSE = 2019,
    ID_KEY_SIN = 2020,
    ID_KEY_COS = 2021,
    ID_KEY_TAN = 2022,
    ID_KEY_LOG = 2023,
    ID_KEY_LN = 2024,
    ID_KEY_INT = 2025,
    ID_KEY_ABS = 2026,
    ID_KEY_MS = 2027,
    ID_KEY_MR = 2028,
    ID_KEY_MC = 2029,
    ID_KEY_MPLUS = 2030,
    ID_KEY_MMINUS = 2031,
    ID_KEY_TAX = 2032,
    ID_KEY_ROUND = 2035,
    ID_KEY_ROUNDUP = 2036,
    ID_KEY_ROUNDDOWN = 2037,
    ID_KEY_EXP = 2038,
    ID_KEY_P1 = 2039, // 2039..2043: the template buttons P1..P5
    ID_KEY_P5 = 2043,
    ID_KEY_LAST = 2100,
};

struct KeypadKey
{
    int id;
    const char* caption; // UTF-8
    const char* text;    // inserted at the caret; nullptr for the memory, TAX and template keys
    int x, y, width, height;
};

// The 42 keys, row by row.
std::span<const KeypadKey> KeypadKeys();

// What the view must still do after RunKeypadCommand.
struct KeypadFollowUp
{
    int templateNumber = 0; // 1..5: insert that template; 0: nothing
};

// Carries out keypad command `id`: inserts its text, works the memory (from `lastAnswer`), or
// for TAX inserts "*1.05" and runs the Enter command. Unknown ids do nothing. The focus goes back
// to the sheet, except when a template is still to be inserted.
KeypadFollowUp RunKeypadCommand(int id, ISheetControl& sheet, bool comma, double& lastAnswer,
                                double& memory);
