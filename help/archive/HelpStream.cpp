#include "HelpStream.h"

#include <array>
#include <utility>
#include <cstdint>

namespace {

constexpr char kBegin = 'B';
constexpr char kObject = 'O';
constexpr char kNames = 'N';
constexpr char kEnd = 'E';
constexpr std::size_t kFrameHeaderBytes = 5;

void AppendLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFFu);
}

std::uint32_t ReadLe(std::string_view bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

void AppendFrame(std::string& out, char kind, std::string_view payload)
{
    out += kind;
    AppendLe(out, static_cast<std::uint32_t>(payload.size()), 4);
    out += payload;
}

void AppendName(std::string& out, std::string_view name)
{
    AppendLe(out, static_cast<std::uint32_t>(name.size()), 2);
    out += name;
}

// Takes a 16-bit length and that many bytes from the front of `payload`; false when it runs
// past the end or past the name limit.
bool TakeName(std::string_view& payload, std::string_view& name)
{
    if (payload.size() < 2)
        return false;
    const std::size_t length = ReadLe(payload, 0, 2);
    if (length > kMaxHelpNameBytes || length > payload.size() - 2)
        return false;
    name = payload.substr(2, length);
    payload.remove_prefix(2 + length);
    return true;
}

bool IsObjectPath(std::string_view path)
{
    return path.size() <= kMaxHelpNameBytes && path.size() > 1 &&
           path.find('\0') == std::string_view::npos && NormalizeChmPath(path) == path;
}

bool NamesObjectOrNothing(const CHelpArchive& archive, const std::string& path)
{
    return path.empty() || (IsObjectPath(path) && archive.Contains(path));
}

} // namespace

std::string HelpStreamBegin()
{
    std::string stream;
    AppendFrame(stream, kBegin, kHelpStreamVersion);
    return stream;
}

bool AppendHelpObject(std::string& stream, std::string_view path, std::string_view bytes)
{
    if (!IsObjectPath(path) || bytes.size() > kMaxHelpStreamBytes)
        return false;
    std::string payload;
    payload.reserve(2 + path.size() + bytes.size());
    AppendName(payload, path);
    payload += bytes;
    AppendFrame(stream, kObject, payload);
    return true;
}

bool AppendHelpNames(std::string& stream, const HelpArchiveNames& names)
{
    std::string payload;
    for (const std::string* name :
         {&names.title, &names.defaultTopic, &names.contentsFile, &names.indexFile}) {
        if (name->size() > kMaxHelpNameBytes)
            return false;
        AppendName(payload, *name);
    }
    AppendFrame(stream, kNames, payload);
    return true;
}

std::string HelpStreamEnd()
{
    std::string stream;
    AppendFrame(stream, kEnd, {});
    return stream;
}

std::optional<CHelpArchive> DecodeHelpStream(std::string_view stream)
{
    if (stream.size() > kMaxHelpStreamBytes)
        return std::nullopt;
    CHelpArchive archive;
    std::optional<HelpArchiveNames> names;
    std::size_t objects = 0;
    bool begun = false;
    std::size_t at = 0;
    // One pass over the frames; each is checked whole before the next is read.
    while (at < stream.size()) {
        if (stream.size() - at < kFrameHeaderBytes)
            return std::nullopt;
        const char kind = stream[at];
        const std::size_t length = ReadLe(stream, at + 1, 4);
        at += kFrameHeaderBytes;
        if (length > stream.size() - at)
            return std::nullopt;
        std::string_view payload = stream.substr(at, length);
        at += length;
        if (!begun) {
            if (kind != kBegin || payload != kHelpStreamVersion)
                return std::nullopt;
            begun = true;
            continue;
        }
        switch (kind) {
        case kObject: {
            std::string_view path;
            if (++objects > kMaxHelpObjects || !TakeName(payload, path) || !IsObjectPath(path) ||
                !archive.AddObject(path, std::string(payload)))
                return std::nullopt;
            break;
        }
        case kNames: {
            std::array<std::string_view, 4> texts;
            for (std::string_view& text : texts) {
                if (!TakeName(payload, text))
                    return std::nullopt;
            }
            if (names || !payload.empty())
                return std::nullopt;
            names = HelpArchiveNames{std::string(texts[0]), std::string(texts[1]),
                                     std::string(texts[2]), std::string(texts[3])};
            break;
        }
        case kEnd: {
            if (!payload.empty() || at != stream.size() || !names)
                return std::nullopt;
            for (const std::string* path :
                 {&names->defaultTopic, &names->contentsFile, &names->indexFile}) {
                if (!NamesObjectOrNothing(archive, *path))
                    return std::nullopt;
            }
            archive.SetNames(std::move(*names));
            return archive;
        }
        default: return std::nullopt;
        }
    }
    return std::nullopt; // no end frame: the reader stopped short
}
