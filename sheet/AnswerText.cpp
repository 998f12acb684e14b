#include "AnswerText.h"

#include "CalcMessages.h"
#include "Calculator.h"
#include "NumberText.h"

void AppendAnswerText(std::string& out, int code, double value, bool comma)
{
    if (code != CALC_OK) {
        out += CalcErrorMessage(code);
        return;
    }
    if (comma)
        out += CCalculator().FormatWithCommas(value);
    else
        AppendGeneral(out, value, 10);
}

int AppendAnswerForLine(std::string& out, std::string_view line, bool comma, double& lastAnswer,
                        bool normalize)
{
    const CCalculator calc; // a fresh engine for each line
    int code;
    if (normalize)
        code = calc.Calculate(calc.NormalizeFormula(line), lastAnswer);
    else
        code = calc.Calculate(line, lastAnswer);
    AppendAnswerText(out, code, lastAnswer, comma);
    return code;
}
