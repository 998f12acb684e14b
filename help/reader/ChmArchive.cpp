#include "ChmArchive.h"

#include <chm_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>

namespace {

// No help object comes near this; a larger length can only come from a damaged directory.
constexpr std::uint64_t kMaxObjectBytes = 64u * 1024u * 1024u;

// #SYSTEM record codes.
constexpr unsigned kSystemContentsFile = 0;
constexpr unsigned kSystemIndexFile = 1;
constexpr unsigned kSystemDefaultTopic = 2;
constexpr unsigned kSystemTitle = 3;

unsigned ReadLe16(std::string_view bytes, std::size_t at)
{
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::string UpToNul(std::string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

bool IsPage(std::string_view path)
{
    return EndsWithNoCase(path, ".html") || EndsWithNoCase(path, ".htm");
}

// The format's own objects: the system files ("/#SYSTEM", "/$WWKeywordLinks/...") and the
// storage sections ("::DataSpace/...").
bool IsInternalObject(std::string_view path)
{
    return path.starts_with("::") || path.starts_with("/#") || path.starts_with("/$");
}

// The ITSF header: the offset and length of the directory at 0x48 and 0x50, and from version 3
// on the offset of the data at 0x58 (before that the data follows the directory).
constexpr std::size_t kItsfHeaderBytes = 0x60;
constexpr std::size_t kItsfDirectoryOffset = 0x48;
constexpr std::size_t kItsfDirectoryLength = 0x50;
constexpr std::size_t kItsfDataOffset = 0x58;

std::uint64_t ReadLe64(const unsigned char* bytes)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

struct DataEnd
{
    std::uint64_t end = 0; // past the last byte the uncompressed objects (and so the
                           // compressed section, which is one of them) occupy
};

int MeasureObject(chmFile*, chmUnitInfo* info, void* context)
{
    auto* data = static_cast<DataEnd*>(context);
    if (info->space == CHM_UNCOMPRESSED && info->length > 0)
        data->end = std::max<std::uint64_t>(data->end, info->start + info->length);
    return CHM_ENUMERATOR_CONTINUE;
}

// Whether the file holds every byte its header and directory place in it: a truncated copy
// opens, but its pages read short or as garbage.
bool IsComplete(chmFile* file, const std::string& filePath)
{
    std::ifstream stream(filePath, std::ios::binary | std::ios::ate);
    if (!stream)
        return false;
    const auto size = static_cast<std::uint64_t>(stream.tellg());
    std::array<unsigned char, kItsfHeaderBytes> header{};
    stream.seekg(0);
    stream.read(reinterpret_cast<char*>(header.data()), header.size());
    if (!stream)
        return false;
    const unsigned version = header[4];
    const std::uint64_t directoryEnd =
        ReadLe64(&header[kItsfDirectoryOffset]) + ReadLe64(&header[kItsfDirectoryLength]);
    const std::uint64_t dataOffset =
        version >= 3 ? ReadLe64(&header[kItsfDataOffset]) : directoryEnd;
    DataEnd data;
    chm_enumerate(file, CHM_ENUMERATE_ALL, MeasureObject, &data);
    return directoryEnd <= size && dataOffset <= size && data.end <= size - dataOffset;
}

int CollectObject(chmFile*, chmUnitInfo* info, void* context)
{
    auto* objects = static_cast<std::vector<std::string>*>(context);
    const std::string_view path(info->path);
    if (!path.empty() && path.back() != '/' && !IsInternalObject(path))
        objects->emplace_back(path);
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

ChmSystemInfo ParseChmSystem(std::string_view bytes)
{
    ChmSystemInfo info;
    std::size_t at = 4; // past the version
    while (at + 4 <= bytes.size()) {
        const unsigned code = ReadLe16(bytes, at);
        const std::size_t length = ReadLe16(bytes, at + 2);
        at += 4;
        if (length > bytes.size() - at)
            break;
        const std::string_view data = bytes.substr(at, length);
        at += length;
        switch (code) {
        case kSystemContentsFile: info.contentsFile = NormalizeChmPath(UpToNul(data)); break;
        case kSystemIndexFile: info.indexFile = NormalizeChmPath(UpToNul(data)); break;
        case kSystemDefaultTopic: info.defaultTopic = NormalizeChmPath(UpToNul(data)); break;
        case kSystemTitle: info.title = UpToNul(data); break;
        default: break;
        }
    }
    // A record with an empty name names nothing.
    for (std::string* path : {&info.contentsFile, &info.indexFile, &info.defaultTopic}) {
        if (*path == "/")
            path->clear();
    }
    return info;
}

CChmArchive::~CChmArchive()
{
    Close();
}

bool CChmArchive::Open(const std::string& filePath)
{
    Close();
    m_file = chm_open(filePath.c_str());
    if (m_file == nullptr)
        return false;
    if (!IsComplete(m_file, filePath)) {
        Close();
        return false;
    }
    ReadDirectory();
    return true;
}

void CChmArchive::Close()
{
    if (m_file != nullptr)
        chm_close(m_file);
    m_file = nullptr;
    m_objects.clear();
    m_defaultTopic.clear();
    m_contentsFile.clear();
    m_indexFile.clear();
    m_title.clear();
}

std::optional<std::string> CChmArchive::ReadObject(std::string_view path) const
{
    if (m_file == nullptr)
        return std::nullopt;
    const std::string normalized = NormalizeChmPath(path);
    chmUnitInfo info{};
    if (chm_resolve_object(m_file, normalized.c_str(), &info) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (info.length > kMaxObjectBytes)
        return std::nullopt;
    std::string data(static_cast<std::size_t>(info.length), '\0');
    if (data.empty())
        return data;
    const LONGINT64 read =
        chm_retrieve_object(m_file, &info, reinterpret_cast<unsigned char*>(data.data()), 0,
                            static_cast<LONGINT64>(info.length));
    if (read != static_cast<LONGINT64>(info.length))
        return std::nullopt;
    return data;
}

bool CChmArchive::Contains(std::string_view path) const
{
    if (m_file == nullptr)
        return false;
    const std::string normalized = NormalizeChmPath(path);
    chmUnitInfo info{};
    return chm_resolve_object(m_file, normalized.c_str(), &info) == CHM_RESOLVE_SUCCESS;
}

void CChmArchive::ReadDirectory()
{
    chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, CollectObject, &m_objects);
    std::sort(m_objects.begin(), m_objects.end());

    ChmSystemInfo system;
    if (const auto bytes = ReadObject("/#SYSTEM"))
        system = ParseChmSystem(*bytes);
    m_title = system.title;

    const auto existing = [this](const std::string& path) {
        return !path.empty() && Contains(path) ? path : std::string();
    };
    const auto firstWithSuffix = [this](std::string_view suffix) {
        for (const std::string& object : m_objects) {
            if (EndsWithNoCase(object, suffix))
                return object;
        }
        return std::string();
    };

    m_contentsFile = existing(system.contentsFile);
    if (m_contentsFile.empty())
        m_contentsFile = firstWithSuffix(".hhc");
    m_indexFile = existing(system.indexFile);
    if (m_indexFile.empty())
        m_indexFile = firstWithSuffix(".hhk");

    m_defaultTopic = existing(system.defaultTopic);
    static constexpr std::array<const char*, 4> kUsualTopics = {"/index.html", "/index.htm",
                                                                "/default.html", "/default.htm"};
    for (const char* topic : kUsualTopics) {
        if (m_defaultTopic.empty())
            m_defaultTopic = existing(topic);
    }
    if (m_defaultTopic.empty()) {
        const auto page = std::find_if(m_objects.begin(), m_objects.end(),
                                       [](const std::string& object) { return IsPage(object); });
        if (page != m_objects.end())
            m_defaultTopic = *page;
    }
}
