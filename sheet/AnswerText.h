#pragma once

#include <string>
#include <string_view>

// What the Enter command writes for a formula line, without the CR LF pairs around it: the answer
// in the plain form ("%.10g") or, with `comma`, in the comma form; the error message for an error
// code; nothing for an empty formula. Code page 932.

// Normalises `line` (unless `normalize` is false), evaluates it and appends the text to `out`.
// `lastAnswer` receives the answer only when the formula evaluates. Returns the result code.
int AppendAnswerForLine(std::string& out, std::string_view line, bool comma, double& lastAnswer,
                        bool normalize = true);

// The same text for a result code and, on CALC_OK, its value.
void AppendAnswerText(std::string& out, int code, double value, bool comma);
