#pragma once

#include "SelfTest.h"

#include <string>

// The message box text for a self-test run, in code page 932: "正常終了" when every case passed,
// "計算エラー：" and the formula for a calculation error, "誤り：", the formula, "->" and the value
// as "%g" writes it for a wrong value.
std::string SelfTestMessage(const SelfTestResult& result);
