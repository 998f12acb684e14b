#include "HelpArchive.h"

#include <algorithm>
#include <utility>

namespace {

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

} // namespace

std::string NormalizeChmPath(std::string_view path)
{
    std::vector<std::string_view> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string_view segment : segments) {
        result += '/';
        result += segment;
    }
    return result.empty() ? std::string("/") : result;
}

bool CHelpArchive::AddObject(std::string_view path, std::string bytes)
{
    std::string normalized = NormalizeChmPath(path);
    std::string key = LowerAscii(normalized);
    return m_objects.try_emplace(std::move(key), Entry{std::move(normalized), std::move(bytes)})
        .second;
}

const std::string* CHelpArchive::Object(std::string_view path) const
{
    const auto found = m_objects.find(LowerAscii(NormalizeChmPath(path)));
    return found == m_objects.end() ? nullptr : &found->second.bytes;
}

std::vector<std::string> CHelpArchive::Objects() const
{
    std::vector<std::string> paths;
    paths.reserve(m_objects.size());
    for (const auto& [key, entry] : m_objects)
        paths.push_back(entry.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}
