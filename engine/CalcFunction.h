#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One entry of the function catalogue. The texts are code page 932.
class CCalcFunction
{
public:
    CCalcFunction() = default;
    CCalcFunction(std::string strName, std::string strGroup, std::int32_t nArgs,
                  std::string strParams, std::string strComment);

    std::string m_strName;    // in capitals, unique in the catalogue
    std::string m_strGroup;   // group caption
    std::int32_t m_nArgs = 0; // 0 to 3
    std::string m_strParams;  // argument names separated by ','; may be empty
    std::string m_strComment; // one-line description
};

// The catalogue of built-in functions: the only list of their names and argument counts. Entries
// stand in the order of ECalcFunctionId (ORDER CALCFUNC), which CallFunction dispatches on.
class CCalcFunctionArray
{
public:
    CCalcFunctionArray(); // adds every entry
    ~CCalcFunctionArray() = default;
    CCalcFunctionArray(const CCalcFunctionArray&) = delete;
    CCalcFunctionArray& operator=(const CCalcFunctionArray&) = delete;

    // The argument count of `name` compared without regard to case, or -1 when no entry has it.
    std::int32_t GetArgCount(std::string_view name) const;
    // The index of `name` compared without regard to case, or -1.
    int FindIndex(std::string_view name) const;

    int Add(const CCalcFunction& entry); // returns the new entry's index
    const CCalcFunction& GetAt(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    int GetSize() const { return static_cast<int>(m_entries.size()); }

private:
    void Rehash();                     // sizes the table for the entries and fills it anew
    void PutInSlot(std::size_t index); // entry `index` into the first free slot from its key's

    std::vector<CCalcFunction> m_entries;
    // ORDER m_entries: each name's length and first seven bytes packed in one word.
    std::vector<std::uint64_t> m_nameKeys;
    // An open-addressed table of entry indexes (-1 for a free slot) keyed by the words above, at
    // most half full, so that a lookup compares about one word.
    std::vector<int> m_slots;
};

// The one catalogue, built in full on the first call and kept until the program exits. Inline,
// so that the evaluator's calls test the guard in place.
inline const CCalcFunctionArray& GetCalcFunctions()
{
    static const CCalcFunctionArray catalogue;
    return catalogue;
}

// ORDER CALCFUNC: the catalogue's entries, in order.
enum class ECalcFunctionId : int {
    Abs,
    Exp,
    Int,
    Log,
    Ln,
    Max,
    Min,
    Round,
    RoundDown,
    RoundUp,
    Sqr,
    Sin,
    Cos,
    Tan,
    Asin,
    Acos,
    Atan,
    Sinh,
    Cosh,
    Tanh,
    DateSerial,
    Now,
    NowDay,
    NowMonth,
    NowYear,
    Year,
    Month,
    Day,
    If,
    Count
};
