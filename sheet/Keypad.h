#pragma once

#include "ISettingsStore.h"
#include "ISheetControl.h"

#include <span>
#include <string>

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
    const char* keys;    // the keyboard shortcut (QKeySequence portable text); nullptr for none
    const char* meaning; // UTF-8: what the key does, for its tooltip and for screen readers
};

// The 42 keys, row by row.
std::span<const KeypadKey> KeypadKeys();

// The tooltip of `key`: what it does, what it types and its shortcut, in Japanese (UTF-8). TAX
// names `taxPercent`.
std::string KeyTooltip(const KeypadKey& key, int taxPercent);
// What a screen reader calls `key` (UTF-8): its meaning, not its caption ("√" reads "平方根").
std::string KeyAccessibleName(const KeypadKey& key, int taxPercent);

// The consumption-tax rate in percent that TAX applies: "View"/"TaxRate", 5 when the value is
// absent or outside kMinTaxPercent..kMaxTaxPercent.
constexpr int kDefaultTaxPercent = 5;
constexpr int kMinTaxPercent = 0;
constexpr int kMaxTaxPercent = 100;
int ReadTaxPercent(const ISettingsStore& store);
// The text TAX inserts for `percent`: "*1.05" for 5, "*1.1" for 10, "*1.08" for 8.
std::string TaxFactorText(int percent);

// What the view must still do after RunKeypadCommand.
struct KeypadFollowUp
{
    int templateNumber = 0; // 1..5: insert that template; 0: nothing
    int answerCode = 0;     // TAX: the Enter command's result code; else CALC_EMPTY (0)
};

// Carries out keypad command `id`: inserts its text, works the memory (from `lastAnswer`), or
// for TAX inserts TaxFactorText(taxPercent) and runs the Enter command. Unknown ids do nothing. The
// focus goes back to the sheet, except when a template is still to be inserted.
KeypadFollowUp RunKeypadCommand(int id, ISheetControl& sheet, bool comma, double& lastAnswer,
                                double& memory, int taxPercent = kDefaultTaxPercent);
