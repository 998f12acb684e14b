#pragma once

#include <span>
#include <string_view>

// The built-in self-test: formulas with their exact expected answers, evaluated as they stand
// (not normalised).

struct SelfTestCase
{
    std::string_view formula;
    double expected;
};

enum class ESelfTestOutcome {
    Passed,     // every case gave its expected value exactly
    CalcError,  // Calculate returned a code of 0 or below
    WrongValue, // Calculate succeeded with a different value
};

struct SelfTestResult
{
    ESelfTestOutcome outcome = ESelfTestOutcome::Passed;
    std::string_view formula; // the failing case's formula; empty when passed
    double value = 0;         // the computed value, for WrongValue
    int failedIndex = -1;     // 0-based index of the failing case
};

// The twenty cases, in the order they run.
std::span<const SelfTestCase> SelfTestCases();

// Runs `cases` in order and stops at the first that fails.
SelfTestResult RunSelfTest(std::span<const SelfTestCase> cases = SelfTestCases());
