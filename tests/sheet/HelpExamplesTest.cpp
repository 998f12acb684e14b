// The help's function page shows examples as "formula → answer"; each answer must be what the
// sheet writes for the formula, or the help teaches the user something the program does not do.

#include "AnswerText.h"
#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

struct Example
{
    std::string function;
    std::string formula; // UTF-8
    std::string answer;
};

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The examples column of every function row; items without an arrow (NOW and the like, whose
// answer changes with the date) are only shown.
std::vector<Example> ReadExamples()
{
    std::ifstream notes(BRUNOVELT_FUNCTION_NOTES);
    std::vector<Example> examples;
    std::string line;
    while (std::getline(notes, line)) {
        if (line.empty() || line[0] == '#' || line[0] == '@')
            continue;
        const std::vector<std::string> columns = Split(line, "\t");
        if (columns.size() < 3)
            continue;
        for (const std::string& item : Split(columns[2], "|")) {
            const std::vector<std::string> sides = Split(item, " \xE2\x86\x92 "); // " → "
            if (sides.size() == 2)
                examples.push_back({columns[0], sides[0], sides[1]});
        }
    }
    return examples;
}

TEST(HelpExamples, EveryAnswerIsWhatTheSheetWrites)
{
    const std::vector<Example> examples = ReadExamples();
    ASSERT_GE(examples.size(), 50u) << BRUNOVELT_FUNCTION_NOTES;
    for (const Example& example : examples) {
        std::string written;
        double lastAnswer = 0;
        AppendAnswerForLine(written, Utf8ToCp932(example.formula), false, lastAnswer);
        EXPECT_EQ(Cp932ToUtf8(written), example.answer)
            << example.function << ": " << example.formula;
    }
}

} // namespace
