#include "SelfTestMessage.h"

#include "NumberText.h"

std::string SelfTestMessage(const SelfTestResult& result)
{
    std::string text;
    switch (result.outcome) {
    case SelfTestOutcome::Passed:
        text = "\x90\xB3\x8F\xED\x8F\x49\x97\xB9"; // 正常終了
        break;
    case SelfTestOutcome::CalcError:
        text = "\x8C\x76\x8E\x5A\x83\x47\x83\x89\x81\x5B\x81\x46"; // 計算エラー：
        text += result.formula;
        break;
    case SelfTestOutcome::WrongValue:
        text = "\x8C\xEB\x82\xE8\x81\x46"; // 誤り：
        text += result.formula;
        text += "->";
        AppendGeneral(text, result.value, 6);
        break;
    }
    return text;
}
