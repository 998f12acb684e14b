#include "Keypad.h"

#include "EnterCommand.h"
#include "NumberText.h"

#include <array>
#include <string>

namespace {

constexpr int kW = 23; // buttons are 23 units wide unless a row says otherwise

constexpr std::array<KeypadKey, 42> kKeys = {{
    {ID_KEY_ROUND, "ROUND", "round(", 236, 6, 28, 13, nullptr, "四捨五入"},
    {ID_KEY_EXP, "exp", "exp", 267, 6, kW, 13, nullptr, "指数関数 (eのべき乗)"},
    {ID_KEY_LOG, "log", "log", 293, 6, kW, 13, nullptr, "常用対数"},
    {ID_KEY_LN, "ln", "ln", 320, 6, kW, 13, nullptr, "自然対数"},
    {ID_KEY_SQR, "√", "sqr", 346, 6, kW, 13, nullptr, "平方根"},
    {ID_KEY_ROUNDUP, "RU", "roundup(", 236, 21, 28, 13, nullptr, "切り上げ"},
    {ID_KEY_ABS, "abs", "abs(", 267, 21, kW, 13, nullptr, "絶対値"},
    {ID_KEY_SIN, "sin", "sin", 293, 21, kW, 13, nullptr, "正弦 (サイン)"},
    {ID_KEY_COS, "cos", "cos", 320, 21, kW, 13, nullptr, "余弦 (コサイン)"},
    {ID_KEY_TAN, "tan", "tan", 346, 21, kW, 13, nullptr, "正接 (タンジェント)"},
    {ID_KEY_ROUNDDOWN, "RD", "rounddown(", 236, 36, 28, 13, nullptr, "切り捨て"},
    {ID_KEY_INT, "int", "int(", 267, 36, kW, 13, nullptr, "整数部"},
    {ID_KEY_OPEN, "(", "(", 293, 36, kW, 13, nullptr, "開きかっこ"},
    {ID_KEY_CLOSE, ")", ")", 320, 36, kW, 13, nullptr, "閉じかっこ"},
    {ID_KEY_POWER, "^", "^", 346, 36, kW, 13, nullptr, "べき乗"},
    {ID_KEY_P1, "P1", nullptr, 234, 57, kW, 17, "Ctrl+1", "Pボタン1の式を入力"},
    {ID_KEY_P1 + 1, "P2", nullptr, 261, 57, kW, 17, "Ctrl+2", "Pボタン2の式を入力"},
    {ID_KEY_P1 + 2, "P3", nullptr, 287, 57, kW, 17, "Ctrl+3", "Pボタン3の式を入力"},
    {ID_KEY_P1 + 3, "P4", nullptr, 314, 57, kW, 17, "Ctrl+4", "Pボタン4の式を入力"},
    {ID_KEY_P5, "P5", nullptr, 343, 57, kW, 17, "Ctrl+5", "Pボタン5の式を入力"},
    {ID_KEY_MS, "MS", nullptr, 234, 81, kW, 17, "Ctrl+M", "メモリーに保存"},
    {ID_KEY_MR, "MR", nullptr, 261, 81, kW, 17, "Ctrl+R", "メモリーを呼び出し"},
    {ID_KEY_MC, "MC", nullptr, 288, 81, kW, 17, "Ctrl+L", "メモリーを消去"},
    {ID_KEY_MPLUS, "M+", nullptr, 315, 81, kW, 17, "Alt+P", "メモリーに加算"},
    {ID_KEY_MMINUS, "M-", nullptr, 342, 81, kW, 17, "Alt+M", "メモリーから減算"},
    {ID_KEY_0 + 7, "7", "7", 234, 106, kW, 17, nullptr, "7"},
    {ID_KEY_0 + 8, "8", "8", 261, 106, kW, 17, nullptr, "8"},
    {ID_KEY_0 + 9, "9", "9", 287, 106, kW, 17, nullptr, "9"},
    {ID_KEY_TAX, "TAX", nullptr, 315, 106, 50, 16, "Ctrl+T", "消費税を掛けて計算"},
    {ID_KEY_0 + 4, "4", "4", 234, 126, kW, 17, nullptr, "4"},
    {ID_KEY_0 + 5, "5", "5", 261, 126, kW, 17, nullptr, "5"},
    {ID_KEY_0 + 6, "6", "6", 287, 126, kW, 17, nullptr, "6"},
    {ID_KEY_MULTIPLY, "*", "*", 314, 126, kW, 17, nullptr, "掛け算"},
    {ID_KEY_DIVIDE, "/", "/", 343, 126, kW, 17, nullptr, "割り算"},
    {ID_KEY_0 + 1, "1", "1", 234, 146, kW, 17, nullptr, "1"},
    {ID_KEY_0 + 2, "2", "2", 261, 146, kW, 17, nullptr, "2"},
    {ID_KEY_0 + 3, "3", "3", 287, 146, kW, 17, nullptr, "3"},
    {ID_KEY_PLUS, "+", "+", 314, 146, kW, 17, nullptr, "足し算"},
    {ID_KEY_MINUS, "-", "-", 343, 146, kW, 17, nullptr, "引き算"},
    {ID_KEY_0, "0", "0", 234, 168, kW, 17, nullptr, "0"},
    {ID_KEY_POINT, ".", ".", 261, 168, kW, 17, nullptr, "小数点"},
    {ID_KEY_PI, "π", "PI", 287, 168, kW, 17, nullptr, "円周率"},
}};

const KeypadKey* FindKey(int id)
{
    for (const KeypadKey& key : kKeys)
        if (key.id == id)
            return &key;
    return nullptr;
}

std::string TaxMeaning(int taxPercent)
{
    return "消費税 " + std::to_string(taxPercent) + "% を掛けて計算";
}

} // namespace

std::string KeyAccessibleName(const KeypadKey& key, int taxPercent)
{
    return key.id == ID_KEY_TAX ? TaxMeaning(taxPercent) : std::string(key.meaning);
}

std::string KeyTooltip(const KeypadKey& key, int taxPercent)
{
    std::string tip = KeyAccessibleName(key, taxPercent);
    const std::string typed = key.id == ID_KEY_TAX ? TaxFactorText(taxPercent)
                              : key.text           ? std::string(key.text)
                                                   : std::string();
    if (!typed.empty())
        tip = tip == typed ? typed + " を入力" : tip + "：" + typed + " を入力";
    if (key.keys)
        tip += std::string(" (") + key.keys + ")";
    return tip;
}

int ReadTaxPercent(const ISettingsStore& store)
{
    const int percent = store.GetInt("View", "TaxRate", kDefaultTaxPercent);
    return percent >= kMinTaxPercent && percent <= kMaxTaxPercent ? percent : kDefaultTaxPercent;
}

std::string TaxFactorText(int percent)
{
    // Ten significant digits, as answers are written: 1 + 10/100 reads "1.1", not "1.10".
    // Appended, not "*" + ...: at -O3 GCC 12 warns falsely (-Wrestrict) about the copy in the
    // insert at the front that operator+ makes.
    return std::string("*").append(FormatGeneral(1.0 + percent / 100.0, 10));
}

std::span<const KeypadKey> KeypadKeys()
{
    return kKeys;
}

KeypadFollowUp RunKeypadCommand(int id, ISheetControl& sheet, bool comma, double& lastAnswer,
                                double& memory, int taxPercent)
{
    KeypadFollowUp followUp;
    switch (id) {
    // The memory keys work on the answer of the last successful Enter, never on the sheet.
    case ID_KEY_MS: memory = lastAnswer; break;
    case ID_KEY_MC: memory = 0; break;
    case ID_KEY_MPLUS: memory = lastAnswer + memory; break;
    case ID_KEY_MMINUS: memory = memory - lastAnswer; break;
    case ID_KEY_MR: sheet.ReplaceSelection(FormatGeneral(memory, 6)); break; // "%g"
    case ID_KEY_TAX:
        sheet.ReplaceSelection(TaxFactorText(taxPercent));
        followUp.answerCode = RunEnterCommand(sheet, comma, lastAnswer);
        break;
    default:
        if (id >= ID_KEY_P1 && id <= ID_KEY_P5) {
            followUp.templateNumber = id - ID_KEY_P1 + 1;
            return followUp; // the view inserts the template and then gives the focus back
        }
        if (const KeypadKey* key = FindKey(id); key && key->text)
            sheet.ReplaceSelection(key->text);
        break;
    }
    sheet.Focus();
    return followUp;
}
