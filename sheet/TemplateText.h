#pragma once

#include <string>
#include <string_view>
#include <vector>

// Template contents name their parameters in square brackets: "[rate]*[amount]". Brackets count
// only as single-byte characters: a '[' or ']' byte that is the second byte of a two-byte
// character belongs to that character (the long-vowel mark of "データ" ends in 0x5B).

// True when the content has a single-byte '['.
bool HasPlaceholderStart(std::string_view content);

// The names between each '[' and the next ']', in order of first appearance, each once. A name
// may be empty or hold blanks; names compare byte for byte.
std::vector<std::string> CollectTemplateNames(std::string_view content);

// Replaces every "[name]" by its value, name by name in list order, each on the text the earlier
// ones left. Names beyond the values given stay as they are.
std::string FillTemplate(std::string content, const std::vector<std::string>& names,
                         const std::vector<std::string>& values);
