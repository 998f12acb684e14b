#include "FunctionHint.h"

#include "ByteClass.h"
#include "Cp932ByteClass.h"
#include "CalcFunction.h"
#include "Calculator.h"

#include <vector>

namespace {

bool IsNameByte(unsigned char c)
{
    return byteclass::IsLetter(c);
}

int FindFunction(std::string_view name)
{
    return name.empty() ? -1 : GetCalcFunctions().FindIndex(name);
}

} // namespace

int FunctionAtCaret(std::string_view line, std::size_t caret)
{
    if (caret > line.size())
        caret = line.size();
    const CCalculator calculator;
    // Half-width first, so that "ＲＯＵＮＤ（" reads as "ROUND(". Conversion only ever makes a
    // character shorter, and the part before the caret is converted on its own, so the caret
    // stays at the end of `before`.
    const std::string before = calculator.ToHalfWidth(line.substr(0, caret));
    const std::string after = calculator.ToHalfWidth(line.substr(caret));

    // One pass from the start: a two-byte character is skipped whole, since its trail byte may
    // look like a letter. Each open parenthesis remembers the name written just before it.
    std::vector<int> open; // the function of each unclosed '(' (-1 for a plain one)
    std::size_t nameStart = 0, nameEnd = 0;
    std::size_t i = 0;
    while (i < before.size()) {
        const auto c = static_cast<unsigned char>(before[i]);
        if (cp932::IsLeadByte(c)) {
            i += 2;
            nameStart = nameEnd = i;
            continue;
        }
        if (IsNameByte(c)) {
            if (nameEnd != i)
                nameStart = i;
            nameEnd = ++i;
            continue;
        }
        if (c == '(') {
            const bool named = nameEnd == i && nameStart < nameEnd;
            open.push_back(named ? FindFunction(std::string_view(before).substr(
                                       nameStart, nameEnd - nameStart))
                                 : -1);
        } else if (c == ')' && !open.empty()) {
            open.pop_back();
        }
        ++i;
    }

    // In or right after a name: the name runs on past the caret.
    if (nameEnd == before.size() && nameStart < nameEnd) {
        std::size_t rest = 0;
        while (rest < after.size() && IsNameByte(static_cast<unsigned char>(after[rest])))
            ++rest;
        const std::string name = before.substr(nameStart) + after.substr(0, rest);
        if (const int found = FindFunction(name); found >= 0)
            return found;
    }
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if (*it >= 0)
            return *it;
    return -1;
}

std::string FunctionHintText(const CCalcFunction& function)
{
    return function.m_strName + "(" + function.m_strParams + ") " + function.m_strComment;
}
