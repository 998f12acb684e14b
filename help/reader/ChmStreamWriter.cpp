#include "ChmStreamWriter.h"

#include "ChmArchive.h"
#include "HelpStream.h"

#include <set>

namespace {

std::string LowerAscii(std::string path)
{
    for (char& c : path) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return path;
}

} // namespace

bool WriteChmAsHelpStream(const std::string& chmPath,
                          const std::function<bool(std::string_view)>& write)
{
    CChmArchive archive;
    if (!archive.Open(chmPath) || !write(HelpStreamBegin()))
        return false;
    // One object at a time, so that the reader never holds more than the largest. A damaged
    // directory may list a path twice, in either case: it is sent once, as the stream requires.
    std::set<std::string> sent;
    std::set<std::string> sentKeys;
    for (const std::string& path : archive.Objects()) {
        if (sent.size() == kMaxHelpObjects || sentKeys.contains(LowerAscii(path)))
            continue;
        const std::optional<std::string> bytes = archive.ReadObject(path);
        std::string frame;
        if (!bytes || !AppendHelpObject(frame, path, *bytes))
            continue;
        if (!write(frame))
            return false;
        sent.insert(path);
        sentKeys.insert(LowerAscii(path));
    }
    const auto ifSent = [&sent](const std::string& path) {
        return sent.contains(path) ? path : std::string();
    };
    const HelpArchiveNames names{archive.Title(), ifSent(archive.DefaultTopic()),
                                 ifSent(archive.ContentsFile()), ifSent(archive.IndexFile())};
    if (names.defaultTopic.empty())
        return false;
    std::string frame;
    return AppendHelpNames(frame, names) && write(frame) && write(HelpStreamEnd());
}
