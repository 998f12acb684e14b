// Any bytes through the help window's side of the help reader: read as the stream the reader
// writes, and then the contents and index of an archive that decodes; and read as help text, as
// sitemap HTML, as a page for the layout check and as text with character references.
//
// Properties checked:
// - an archive that decodes names only objects it holds, and each of its paths is normalised;
// - sitemap levels start at 0 and grow by at most one from entry to entry;
// - decoding character references never lengthens the text.
// Every parser is linear and without recursion, so the run's time limit also catches a parser that
// is not.

#include "FuzzCheck.h"
#include "HelpPageCheck.h"
#include "HelpSitemap.h"
#include "HelpStream.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

void CheckLevels(const std::vector<HelpSitemapEntry>& entries)
{
    qsizetype previous = -1;
    for (const HelpSitemapEntry& entry : entries) {
        FUZZ_REQUIRE(entry.level >= 0 && entry.level <= previous + 1);
        previous = entry.level;
    }
}

void ReadText(const QByteArray& bytes)
{
    const QString text = DecodeHelpText(bytes);
    CheckLevels(ParseHelpSitemap(text));
    static_cast<void>(IsShowableHelpPage(text));
    FUZZ_REQUIRE(DecodeHtmlEntities(text).size() <= text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const std::optional<CHelpArchive> archive = DecodeHelpStream(bytes)) {
        for (const std::string& path : archive->Objects())
            FUZZ_REQUIRE(NormalizeChmPath(path) == path && archive->Contains(path));
        for (const std::string* name :
             {&archive->DefaultTopic(), &archive->ContentsFile(), &archive->IndexFile()}) {
            FUZZ_REQUIRE(name->empty() || archive->Contains(*name));
            if (const std::string* object = name->empty() ? nullptr : archive->Object(*name))
                ReadText(QByteArray::fromStdString(*object));
        }
    }
    ReadText(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return 0;
}
