#pragma once

#include <string_view>

// The message the sheet writes below a formula for each error code of CCalculator::Calculate, in
// code page 932. Empty for CALC_OK, CALC_EMPTY and any other code.
std::string_view CalcErrorMessage(int code);
