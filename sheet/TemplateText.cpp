#include "TemplateText.h"

#include "Cp932ByteClass.h"

#include <algorithm>
#include <unordered_set>

namespace {

// Walks a text character by character in code page 932: a lead byte and the byte after it are
// one character, so that a '[' or ']' trail byte is never taken for a bracket.
class CCharacterWalk
{
public:
    // Whether the next byte starts a character.
    bool AtCharacterStart() const { return !m_trailNext; }
    // Steps over `bytes`, which follow what was stepped over before.
    void Step(std::string_view bytes)
    {
        for (const char c : bytes)
            m_trailNext = !m_trailNext && cp932::IsLeadByte(static_cast<unsigned char>(c));
    }

private:
    bool m_trailNext = false;
};

// Where `pattern` starts in `text`, overlapping ones included, in one pass (Knuth-Morris-Pratt),
// so that a long placeholder among many near-misses costs no more than a short one.
std::vector<bool> PatternStarts(std::string_view text, std::string_view pattern)
{
    std::vector<bool> starts(text.size(), false);
    if (pattern.empty() || pattern.size() > text.size())
        return starts;
    std::vector<std::size_t> border(pattern.size(), 0); // longest proper border of each prefix
    for (std::size_t i = 1, k = 0; i < pattern.size(); ++i) {
        while (k > 0 && pattern[i] != pattern[k])
            k = border[k - 1];
        if (pattern[i] == pattern[k])
            ++k;
        border[i] = k;
    }
    for (std::size_t i = 0, k = 0; i < text.size(); ++i) {
        while (k > 0 && text[i] != pattern[k])
            k = border[k - 1];
        if (text[i] == pattern[k])
            ++k;
        if (k == pattern.size()) {
            starts[i + 1 - k] = true;
            k = border[k - 1];
        }
    }
    return starts;
}

// Replaces every "[name]" that starts a character by `value`, in one forward pass. The text
// after a replacement is read as following the value, as when the replaced text is walked
// again from its start.
std::string ReplacePlaceholder(std::string_view content, std::string_view placeholder,
                               std::string_view value)
{
    const std::vector<bool> starts = PatternStarts(content, placeholder);
    std::string result;
    result.reserve(content.size());
    CCharacterWalk walk;
    std::size_t i = 0;
    while (i < content.size()) {
        if (walk.AtCharacterStart() && starts[i]) {
            result += value;
            walk.Step(value);
            i += placeholder.size();
        } else {
            result += content[i];
            walk.Step(content.substr(i, 1));
            ++i;
        }
    }
    return result;
}

} // namespace

bool HasPlaceholderStart(std::string_view content)
{
    CCharacterWalk walk;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (walk.AtCharacterStart() && content[i] == '[')
            return true;
        walk.Step(content.substr(i, 1));
    }
    return false;
}

std::vector<std::string> CollectTemplateNames(std::string_view content)
{
    std::vector<std::string> names;
    std::unordered_set<std::string_view> seen;
    // One pass: outside a name a '[' opens one; inside, the next ']' closes it.
    CCharacterWalk walk;
    std::size_t open = std::string_view::npos;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (walk.AtCharacterStart()) {
            if (open == std::string_view::npos && content[i] == '[') {
                open = i;
            } else if (open != std::string_view::npos && content[i] == ']') {
                const std::string_view name = content.substr(open + 1, i - open - 1);
                if (seen.insert(name).second)
                    names.emplace_back(name);
                open = std::string_view::npos;
            }
        }
        walk.Step(content.substr(i, 1));
    }
    return names;
}

std::string FillTemplate(std::string content, const std::vector<std::string>& names,
                         const std::vector<std::string>& values)
{
    const std::size_t count = std::min(names.size(), values.size());
    // Name by name, each on the text the earlier ones left; a value is not searched again for
    // its own name.
    for (std::size_t k = 0; k < count; ++k)
        content = ReplacePlaceholder(content, "[" + names[k] + "]", values[k]);
    return content;
}
