#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CCalcFunction;

// The catalogue's index of the function the caret is in, or -1. `line` is the caret's line in
// code page 932, `caret` a byte offset in it (clamped to its length). The caret is in a function
// when it stands in or right after the function's name, or inside its parentheses: of nested
// parentheses the innermost that follow a function name count ("ROUND((1+2)|" is ROUND's).
// Full-width letters and parentheses count as their half-width forms; names match in any case.
int FunctionAtCaret(std::string_view line, std::size_t caret);

// The status-bar hint for `function`, in code page 932: "ROUND(値,桁数) 四捨五入する。".
std::string FunctionHintText(const CCalcFunction& function);
