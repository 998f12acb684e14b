#include "CalcFunction.h"

#include "ByteClass.h"

#include <utility>

CCalcFunction::CCalcFunction(std::string strName, std::string strGroup, std::int32_t nArgs,
                             std::string strParams, std::string strComment)
    : m_strName(std::move(strName)), m_strGroup(std::move(strGroup)), m_nArgs(nArgs),
      m_strParams(std::move(strParams)), m_strComment(std::move(strComment))
{}

namespace {

struct CatalogueRow
{
    const char* name;
    const char* group;
    std::int32_t args;
    const char* params;
    const char* comment;
};

// ORDER CALCFUNC. The texts are code page 932 bytes; each row's comment shows them decoded.
constexpr CatalogueRow
    kRows
        [] =
            {
                {"ABS", "\x90\x94\x8A\x77", 1, "\x92\x6C",
                 "\x90\xE2\x91\xCE\x92\x6C\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 数学 値
                                                                              // 絶対値を求める
                {"EXP", "\x90\x94\x8A\x77", 1, "\x92\x6C",
                 "\x8E\x77\x90\x94\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 数学 値 指数を求める
                {"INT", "\x90\x94\x8A\x77", 1, "\x92\x6C",
                 "\x90\xAE\x90\x94\x82\xF0\x95\xD4\x82\xB7"}, // 数学 値 整数を返す
                {"LOG", "\x90\x94\x8A\x77", 1, "\x92\x6C",
                 "10\x82\xCC\x91\xCE\x90\x94\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 数学 値
                                                                                // 10の対数を求める
                {"LN", "\x90\x94\x8A\x77", 1, "\x92\x6C",
                 "\x8E\xA9\x91\x52\x91\xCE\x90\x94\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 数学 値
                                                                                      // 自然対数を求める
                {"MAX", "\x90\x94\x8A\x77", 2, "\x92\x6C,\x92\x6C",
                 "\x91\xE5\x82\xAB\x82\xA2\x95\xFB\x82\xCC\x92\x6C\x82\xF0\x95\xD4\x82\xB7"}, // 数学
                                                                                              // 値,値
                                                                                              // 大きい方の値を返す
                {"MIN", "\x90\x94\x8A\x77", 2, "\x92\x6C,\x92\x6C",
                 "\x8F\xAC\x82\xB3\x82\xA2\x95\xFB\x82\xCC\x92\x6C\x82\xF0\x95\xD4\x82\xB7"}, // 数学
                                                                                              // 値,値
                                                                                              // 小さい方の値を返す
                {"ROUND", "\x90\x94\x8A\x77", 2, "\x92\x6C,\x8C\x85\x90\x94",
                 "\x8E\x6C\x8E\xCC\x8C\xDC\x93\xFC\x82\xB7\x82\xE9\x81\x42\x8C\x85\x90\x94\x82\xCD"
                 "\x90\xB3\x82\xCC\x8F\xEA\x8D\x87\x81\x41\x8F\xAC\x90\x94\x93\x5F\x88\xC8\x89\xBA"
                 "\x81\x41\x95\x89\x82\xCC\x8F\xEA\x8D\x87\x81\x41\x90\xAE\x90\x94\x95\x94\x95\xAA"
                 "\x81\x42"}, // 数学 値,桁数
                              // 四捨五入する。桁数は正の場合、小数点以下、負の場合、整数部分。
                {"ROUNDDOWN", "\x90\x94\x8A\x77", 2, "\x92\x6C,\x8C\x85\x90\x94",
                 "\x90\xD8\x82\xE8\x8E\xCC\x82\xC4\x82\xB7\x82\xE9\x81\x42\x8C\x85\x90\x94\x82\xCD"
                 "\x90\xB3\x82\xCC\x8F\xEA\x8D\x87\x81\x41\x8F\xAC\x90\x94\x93\x5F\x88\xC8\x89\xBA"
                 "\x81\x41\x95\x89\x82\xCC\x8F\xEA\x8D\x87\x81\x41\x90\xAE\x90\x94\x95\x94\x95\xAA"
                 "\x81\x42"}, // 数学 値,桁数
                              // 切り捨てする。桁数は正の場合、小数点以下、負の場合、整数部分。
                {"ROUNDUP", "\x90\x94\x8A\x77", 2, "\x92\x6C,\x8C\x85\x90\x94",
                 "\x90\xD8\x82\xE8\x8F\xE3\x82\xB0\x82\xB7\x82\xE9\x81\x42\x8C\x85\x90\x94\x82\xCD"
                 "\x90\xB3\x82\xCC\x8F\xEA\x8D\x87\x81\x41\x8F\xAC\x90\x94\x93\x5F\x88\xC8\x89\xBA"
                 "\x81\x41\x95\x89\x82\xCC\x8F\xEA\x8D\x87\x81\x41\x90\xAE\x90\x94\x95\x94\x95\xAA"
                 "\x81\x42"}, // 数学 値,桁数
                              // 切り上げする。桁数は正の場合、小数点以下、負の場合、整数部分。
                {"SQR", "\x90\x94\x8A\x77", 1, "\x92\x6C",
                 "\x95\xBD\x95\xFB\x8D\xAA\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 数学 値
                                                                              // 平方根を求める
                {"SIN", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x54\x83\x43\x83\x93\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 三角関数 値
                                                                              // サインを求める
                {"COS", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x52\x83\x54\x83\x43\x83\x93\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 三角関数 値
                                                                                      // コサインを求める
                {"TAN", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x5E\x83\x93\x83\x57\x83\x46\x83\x93\x83\x67\x82\xF0\x8B\x81\x82\xDF\x82"
                 "\xE9"}, // 三角関数 値 タンジェントを求める
                {"ASIN", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x41\x81\x5B\x83\x4E\x83\x54\x83\x43\x83\x93\x82\xF0\x8B\x81\x82\xDF\x82"
                 "\xE9"}, // 三角関数 値 アークサインを求める
                {"ACOS", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x41\x81\x5B\x83\x4E\x83\x52\x83\x54\x83\x43\x83\x93\x82\xF0\x8B\x81\x82\xDF"
                 "\x82\xE9"}, // 三角関数 値 アークコサインを求める
                {"ATAN", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x41\x81\x5B\x83\x4E\x83\x5E\x83\x93\x83\x57\x83\x46\x83\x93\x83\x67\x82\xF0"
                 "\x8B\x81\x82\xDF\x82\xE9"}, // 三角関数 値 アークタンジェントを求める
                {"SINH", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x6E\x83\x43\x83\x70\x81\x5B\x83\x7B\x83\x8A\x83\x62\x83\x4E "
                 "\x83\x54\x83\x43\x83\x93\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 三角関数 値
                                                                              // ハイパーボリック
                                                                              // サインを求める
                {"COSH", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x6E\x83\x43\x83\x70\x81\x5B\x83\x7B\x83\x8A\x83\x62\x83\x4E "
                 "\x83\x52\x83\x54\x83\x43\x83\x93\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 三角関数 値
                                                                                      // ハイパーボリック
                                                                                      // コサインを求める
                {"TANH", "\x8E\x4F\x8A\x70\x8A\xD6\x90\x94", 1, "\x92\x6C",
                 "\x83\x6E\x83\x43\x83\x70\x81\x5B\x83\x7B\x83\x8A\x83\x62\x83\x4E "
                 "\x83\x5E\x83\x93\x83\x57\x83\x46\x83\x93\x83\x67\x82\xF0\x8B\x81\x82\xDF\x82"
                 "\xE9"}, // 三角関数 値 ハイパーボリック タンジェントを求める
                {"DATESERIAL", "\x93\xFA\x95\x74", 3, "\x94\x4E,\x8C\x8E,\x93\xFA",
                 "\x8E\x77\x92\xE8\x93\xFA\x95\x74\x82\xCC\x83\x56\x83\x8A\x83\x41\x83\x8B\x92\x6C"
                 "\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 日付 年,月,日 指定日付のシリアル値を求める
                {"NOW", "\x93\xFA\x95\x74", 0, "",
                 "\x8C\xBB\x8D\xDD\x93\xFA\x95\x74\x82\xCC\x83\x56\x83\x8A\x83\x41\x83\x8B\x92\x6C"
                 "\x82\xF0\x8B\x81\x82\xDF\x82\xE9"}, // 日付  現在日付のシリアル値を求める
                {"NOWDAY", "\x93\xFA\x95\x74", 0, "",
                 "\x8C\xBB\x8D\xDD\x82\xCC\x93\xFA\x82\xF0\x95\xD4\x82\xB7"}, // 日付 現在の日を返す
                {"NOWMONTH", "\x93\xFA\x95\x74", 0, "",
                 "\x8C\xBB\x8D\xDD\x82\xCC\x8C\x8E\x82\xF0\x95\xD4\x82\xB7"}, // 日付 現在の月を返す
                {"NOWYEAR", "\x93\xFA\x95\x74", 0, "",
                 "\x8C\xBB\x8D\xDD\x82\xCC\x94\x4E\x82\xF0\x95\xD4\x82\xB7"}, // 日付 現在の年を返す
                {"YEAR", "\x93\xFA\x95\x74", 1, "",
                 "\x83\x56\x83\x8A\x83\x41\x83\x8B\x92\x6C\x82\xA9\x82\xE7\x94\x4E\x82\xF0\x95\xD4"
                 "\x82\xB7"}, // 日付  シリアル値から年を返す
                {"MONTH", "\x93\xFA\x95\x74", 1, "",
                 "\x83\x56\x83\x8A\x83\x41\x83\x8B\x92\x6C\x82\xA9\x82\xE7\x8C\x8E\x82\xF0\x95\xD4"
                 "\x82\xB7"}, // 日付  シリアル値から月を返す
                {"DAY", "\x93\xFA\x95\x74", 1, "",
                 "\x83\x56\x83\x8A\x83\x41\x83\x8B\x92\x6C\x82\xA9\x82\xE7\x93\xFA\x82\xF0\x95\xD4"
                 "\x82\xB7"}, // 日付  シリアル値から日を返す
                {"IF", "\x8E\x51\x8F\xC6", 3,
                 "\x8F\xF0\x8C\x8F,\x8D\x80\x96\xDA"
                 "1,\x8D\x80\x96\xDA"
                 "2",
                 "\x8F\xF0\x8C\x8F\x82\xAA\x90\xB3\x82\xB5\x82\xA2\x82\xC6\x82\xAB\x82\xC9\x82\xCD"
                 "\x8D\x80\x96\xDA\x82\x50\x82\xF0\x81\x41\x82\xBB\x82\xA4\x82\xC5\x82\xC8\x82\xA2"
                 "\x82\xC6\x82\xAB\x82\xC9\x82\xCD\x8D\x80\x96\xDA\x82\x51\x82\xF0\x95\xD4\x82"
                 "\xB7"}, // 参照 条件,項目1,項目2
                          // 条件が正しいときには項目１を、そうでないときには項目２を返す
};

static_assert(std::size(kRows) == static_cast<std::size_t>(CalcFunctionId::Count));

} // namespace

CCalcFunctionArray::CCalcFunctionArray()
{
    m_entries.reserve(std::size(kRows));
    for (const CatalogueRow& row : kRows)
        Add(CCalcFunction(row.name, row.group, row.args, row.params, row.comment));
}

int CCalcFunctionArray::Add(const CCalcFunction& entry)
{
    m_entries.push_back(entry);
    return GetSize() - 1;
}

int CCalcFunctionArray::FindIndex(std::string_view name) const
{
    // The same as comparing a capitalised copy of the name with each entry, without the copy.
    for (int i = 0; i < GetSize(); ++i) {
        const std::string& entry = m_entries[static_cast<std::size_t>(i)].m_strName;
        if (entry.size() != name.size())
            continue;
        bool equal = true;
        for (std::size_t k = 0; k < name.size() && equal; ++k)
            equal = byteclass::ToUpper(static_cast<unsigned char>(name[k])) ==
                    static_cast<unsigned char>(entry[k]);
        if (equal)
            return i;
    }
    return -1;
}

std::int32_t CCalcFunctionArray::GetArgCount(std::string_view name) const
{
    const int index = FindIndex(name);
    return index < 0 ? -1 : GetAt(index).m_nArgs;
}

const CCalcFunctionArray& GetCalcFunctions()
{
    static const CCalcFunctionArray catalogue;
    return catalogue;
}
