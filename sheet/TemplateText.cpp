#include "TemplateText.h"

#include "ByteClass.h"

#include <algorithm>

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// The offset of the first character at or after `from` that starts with `pattern`, walking
// character by character so that no two-byte character is split; kNone when there is none.
std::size_t FindAtCharacter(std::string_view text, std::string_view pattern, std::size_t from)
{
    std::size_t i = 0;
    while (i < text.size()) {
        if (i >= from && text.substr(i, pattern.size()) == pattern)
            return i;
        i += byteclass::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2u : 1u;
    }
    return kNone;
}

} // namespace

bool HasPlaceholderStart(std::string_view content)
{
    return FindAtCharacter(content, "[", 0) != kNone;
}

std::vector<std::string> CollectTemplateNames(std::string_view content)
{
    std::vector<std::string> names;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = FindAtCharacter(content, "[", pos);
        if (open == kNone)
            break;
        const std::size_t close = FindAtCharacter(content, "]", open + 1);
        if (close == kNone)
            break;
        std::string name(content.substr(open + 1, close - open - 1));
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
        pos = close + 1;
    }
    return names;
}

std::string FillTemplate(std::string content, const std::vector<std::string>& names,
                         const std::vector<std::string>& values)
{
    const std::size_t count = std::min(names.size(), values.size());
    for (std::size_t k = 0; k < count; ++k) {
        const std::string placeholder = "[" + names[k] + "]";
        std::size_t pos = 0;
        // The inserted value is not searched again for this name.
        while ((pos = FindAtCharacter(content, placeholder, pos)) != kNone) {
            content.replace(pos, placeholder.size(), values[k]);
            pos += values[k].size();
        }
    }
    return content;
}
