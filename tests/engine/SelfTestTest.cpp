#include "SelfTest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SelfTest, TheTwentyCasesPass)
{
    EXPECT_EQ(SelfTestCases().size(), 20u);
    const SelfTestResult r = RunSelfTest();
    EXPECT_EQ(r.outcome, ESelfTestOutcome::Passed);
    EXPECT_EQ(r.failedIndex, -1);
}

// A wrong expectation stops the run at its case, with the computed value.
TEST(SelfTest, StopsAtTheFirstWrongValue)
{
    std::vector<SelfTestCase> cases(SelfTestCases().begin(), SelfTestCases().end());
    cases[2].expected = 14;   // "3+5*2"
    cases[5].formula = "1/0"; // never reached
    const SelfTestResult r = RunSelfTest(cases);
    EXPECT_EQ(r.outcome, ESelfTestOutcome::WrongValue);
    EXPECT_EQ(r.failedIndex, 2);
    EXPECT_EQ(r.formula, "3+5*2");
    EXPECT_EQ(r.value, 13);
}

// A formula that fails to evaluate stops the run as a calculation error.
TEST(SelfTest, StopsAtTheFirstCalculationError)
{
    std::vector<SelfTestCase> cases(SelfTestCases().begin(), SelfTestCases().end());
    cases[17].formula = "IF(1>2,3)";
    const SelfTestResult r = RunSelfTest(cases);
    EXPECT_EQ(r.outcome, ESelfTestOutcome::CalcError);
    EXPECT_EQ(r.failedIndex, 17);
    EXPECT_EQ(r.formula, "IF(1>2,3)");
}

} // namespace
